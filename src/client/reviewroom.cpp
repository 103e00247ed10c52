#include "client/reviewroom.h"

#include "client/boardmodel.h"
#include "client/resultspanel.h"
#include "dict/wordfinder.h"
#include "ui/clicklabel.h"
#include "ui/theme.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

namespace vorlith::client {

namespace {

QLabel *textLabel(QWidget *parent, const char *name, const QRect &geometry, const QFont &font)
{
    auto *label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(geometry);
    label->setTextFormat(Qt::PlainText); // names of players are peer text
    label->setWordWrap(true);
    label->setFont(font);
    label->setStyleSheet(QStringLiteral("color: #1f4a6d; background: transparent;"));
    return label;
}

/// The panel closes with Escape from whatever inside it has the focus.
class ReviewPanel : public QFrame
{
public:
    ReviewPanel(QWidget *parent, std::function<void()> close)
        : QFrame(parent), m_close(std::move(close))
    {
    }

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier)
            m_close();
        else
            QFrame::keyPressEvent(event);
    }

private:
    std::function<void()> m_close;
};

} // namespace

ReviewRoom::ReviewRoom(QWidget *panel, const BoardModel &board, RoundFlow &flow,
                       ResultsPanel &results, QObject *parent)
    : QObject(parent), m_board(board), m_flow(flow)
{
    m_panel = new ReviewPanel(panel, [this] { hideReview(); });
    m_panel->setObjectName(QStringLiteral("panel_review"));
    m_panel->resize(412, 520);
    m_panel->setStyleSheet(QStringLiteral(
        "#panel_review { background: #f4efce; border: 2px solid #1f4a6d; border-radius: 10px; }"));

    QLabel *title =
        textLabel(m_panel, "label_reviewtitle", QRect(10, 6, 392, 24), ui::arial(15, true));
    title->setText(QStringLiteral("Words on this board"));
    m_summary =
        textLabel(m_panel, "label_reviewsummary", QRect(10, 32, 392, 34), ui::arial(12, true));
    m_summary->setAccessibleDescription(QStringLiteral("What the board held"));
    m_source = textLabel(m_panel, "label_reviewsource", QRect(10, 66, 392, 18), ui::arial(11));
    m_source->setAccessibleDescription(QStringLiteral("Word list"));

    m_list = new QListWidget(m_panel);
    m_list->setObjectName(QStringLiteral("listbox_review"));
    m_list->setGeometry(10, 88, 392, 394);
    m_list->setFont(ui::arial(12));
    m_list->setStyleSheet(QStringLiteral("QListWidget { background: #f7f7ee; color: black; }"));
    m_list->setUniformItemSizes(true);
    m_list->setAccessibleName(QStringLiteral("Words on this board"));

    auto *back = new QPushButton(QStringLiteral("&Results"), m_panel);
    back->setObjectName(QStringLiteral("button_reviewresults"));
    back->setGeometry(10, 490, 100, 24);
    back->setFont(ui::arial(11, true));
    connect(back, &QPushButton::clicked, this, &ReviewRoom::hideReview);
    auto *close =
        new ui::ImageButton(QStringLiteral("Close"), QStringLiteral("button_show.png"), m_panel);
    close->setObjectName(QStringLiteral("button_reviewclose"));
    close->setAccessibleName(QStringLiteral("Close the words on this board"));
    close->move(303, 487);
    connect(close, &ui::ImageButton::clicked, this, [this, &flow] {
        hideReview();
        flow.closeResults(); // the results under it close too
    });
    m_panel->hide();

    m_action = new QAction(QStringLiteral("Words on This Board"), this);
    m_action->setObjectName(QStringLiteral("WordsOnThisBoard1"));
    m_action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_B));
    m_action->setEnabled(false);
    connect(m_action, &QAction::triggered, this, &ReviewRoom::showReview);

    connect(&results, &ResultsPanel::reviewRequested, this, &ReviewRoom::showReview);
    connect(&flow, &RoundFlow::resultsChanged, this, &ReviewRoom::roundOver);
    connect(&flow, &RoundFlow::roundStarted, this, &ReviewRoom::roundStarted);
}

void ReviewRoom::roundOver()
{
    if (!m_words)
        return;
    m_review = reviewRound(m_words(m_board.dealt()), m_flow.results(), Listed);

    QString summary = QStringLiteral("%1 words, best possible score %2. Found at the table: %3.")
                          .arg(m_review.boardWords)
                          .arg(m_review.bestScore)
                          .arg(m_review.foundWords);
    if (m_review.boardWords > Listed)
        summary += QStringLiteral(" Listed: the best %1 and every word found.").arg(Listed);
    m_summary->setText(summary);
    const bool hostList = m_isHost && m_isHost();
    m_source->setText(
        hostList ? QStringLiteral("By the word list the host judged this round by.")
                 : QStringLiteral("By this program's own word list; the host's may differ."));
    m_action->setEnabled(true);
}

void ReviewRoom::fillList()
{
    m_list->clear();
    QFont found = m_list->font();
    found.setBold(true);
    for (const ReviewWord &word : m_review.words) {
        auto *item = new QListWidgetItem(reviewRow(word), m_list);
        if (!word.foundBy.isEmpty()) {
            item->setFont(found);
            item->setForeground(QColor(31, 110, 60));
        }
    }
}

void ReviewRoom::roundStarted()
{
    hideReview();
    m_action->setEnabled(false);
}

void ReviewRoom::showReview()
{
    if (!m_action->isEnabled())
        return;
    if (!m_panel->isVisible()) {
        m_focusBefore = QApplication::focusWidget();
        fillList();
    }
    m_panel->show();
    m_panel->raise();
    m_list->setFocus(Qt::OtherFocusReason);
    if (m_list->count() > 0 && !m_list->currentItem())
        m_list->setCurrentRow(0);
}

void ReviewRoom::hideReview()
{
    if (!m_panel->isVisible())
        return;
    m_panel->hide();
    // A board holds a thousand words or more: while nobody looks, they are
    // not kept as rows that a screen reader would walk through.
    m_list->clear();
    if (m_focusBefore)
        m_focusBefore->setFocus(Qt::OtherFocusReason);
}

} // namespace vorlith::client
