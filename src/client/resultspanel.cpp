#include "client/resultspanel.h"

#include "ui/clicklabel.h"
#include "ui/theme.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>

namespace vorlith::client {

ResultsPanel::ResultsPanel(QWidget *parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("panel_show"));
    resize(412, 520);
    setStyleSheet(QStringLiteral(
        "#panel_show { background: #f4efce; border: 2px solid #1f4a6d; border-radius: 10px; }"));

    constexpr int lefts[] = {4, 139, 274};
    for (int seat = 1; seat <= 6; ++seat) {
        const int left = lefts[(seat - 1) % 3];
        const int top = seat <= 3 ? 5 : 247;
        auto *name = new QLabel(this);
        name->setObjectName(QStringLiteral("label_showname%1").arg(seat));
        name->setGeometry(left, top, 117, 18);
        name->setTextFormat(Qt::PlainText);
        name->setFont(ui::arial(13, true));
        name->setStyleSheet(
            QStringLiteral("color: %1;")
                .arg(seat % 2 ? ui::colors::SeatOdd.name() : QStringLiteral("black")));
        auto *list = new QListWidget(this);
        list->setObjectName(QStringLiteral("listbox_show%1").arg(seat));
        list->setGeometry(left, top + 19, 132, 218);
        list->setFont(ui::arial(12));
        list->setStyleSheet(QStringLiteral(
            "QListWidget { background: #f7f7ee; } QListWidget::item { height: 16px; }"));
        list->setFocusPolicy(Qt::NoFocus);
        name->setAccessibleDescription(QStringLiteral("Results of seat %1").arg(seat));
        list->setAccessibleName(QStringLiteral("Words of seat %1").arg(seat));
        m_names[static_cast<size_t>(seat - 1)] = name;
        m_lists[static_cast<size_t>(seat - 1)] = list;
    }

    auto *note = new QLabel(QStringLiteral("Posting Scores, Please Wait..."), this);
    note->setObjectName(QStringLiteral("Label10"));
    note->move(8, 493);
    note->setFont(ui::arial(12, true));
    note->setStyleSheet(QStringLiteral("color: #1f4a6d;"));

    auto *review = new QPushButton(QStringLiteral("Board &Words"), this);
    review->setObjectName(QStringLiteral("button_review"));
    review->setGeometry(196, 490, 100, 24);
    review->setFont(ui::arial(11, true));
    review->setToolTip(QStringLiteral("The words this board held"));
    connect(review, &QPushButton::clicked, this, &ResultsPanel::reviewRequested);
    m_review = review;

    m_close = new ui::ImageButton(QStringLiteral("Close"), QStringLiteral("button_show.png"), this);
    m_close->setObjectName(QStringLiteral("button_show"));
    m_close->setAccessibleName(QStringLiteral("Close results"));
    m_close->move(303, 487);
    connect(m_close, &ui::ImageButton::clicked, this, &ResultsPanel::closeRequested);
    hide();
}

QLabel *ResultsPanel::nameLabel(int seat) const
{
    return seat >= 1 && seat <= 6 ? m_names[static_cast<size_t>(seat - 1)] : nullptr;
}

QListWidget *ResultsPanel::list(int seat) const
{
    return seat >= 1 && seat <= 6 ? m_lists[static_cast<size_t>(seat - 1)] : nullptr;
}

void ResultsPanel::setResults(const RoundResults &results)
{
    for (int seat = 1; seat <= 6; ++seat) {
        const SeatResults &r = results[static_cast<size_t>(seat - 1)];
        m_names[static_cast<size_t>(seat - 1)]->setText(r.name);
        QListWidget *list = m_lists[static_cast<size_t>(seat - 1)];
        list->clear();
        list->addItems(r.rows);
    }
}

} // namespace vorlith::client
