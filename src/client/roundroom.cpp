#include "client/roundroom.h"

#include "client/roundtexts.h"

#include "client/resultspanel.h"
#include "client/roundflow.h"
#include "ui/theme.h"

#include <QLabel>
#include <QLinearGradient>
#include <QListWidget>
#include <QPainter>
#include <QPainterPath>
#include <QToolButton>
#include <QVBoxLayout>

namespace vorlith::client {

namespace {

/// A rounded panel with a vertical gradient and an optional outline, drawn at
/// paint time so that it stays sharp on dense screens: the clock's frame and
/// bar and the banner's backdrop.
class GradientPanel : public QFrame
{
public:
    struct Look
    {
        QColor top;
        QColor bottom;
        QColor outline; ///< none when invalid
        qreal outlineWidth{0};
        qreal radius{0};
    };

    GradientPanel(const Look &look, QWidget *parent) : QFrame(parent), m_look(look) {}

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const qreal inset = m_look.outlineWidth / 2;
        const QRectF r = QRectF(rect()).adjusted(inset, inset, -inset, -inset);
        QLinearGradient g(r.topLeft(), r.bottomLeft());
        g.setColorAt(0, m_look.top);
        g.setColorAt(1, m_look.bottom);
        p.setBrush(g);
        p.setPen(m_look.outline.isValid() ? QPen(m_look.outline, m_look.outlineWidth)
                                          : QPen(Qt::NoPen));
        p.drawRoundedRect(r, m_look.radius, m_look.radius);
    }

private:
    Look m_look;
};

const QColor Amber(233, 162, 59);

QLabel *plainLabel(QWidget *parent, const char *name, const QRect &geometry, const QFont &font,
                   const QColor &colour, Qt::Alignment alignment)
{
    auto *label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    if (geometry.isValid())
        label->setGeometry(geometry);
    label->setTextFormat(Qt::PlainText);
    label->setFont(font);
    label->setAlignment(alignment);
    ui::setTextColour(label, colour);
    return label;
}

} // namespace

ClockView::ClockView(QWidget *panel) : QWidget(panel)
{
    setObjectName(QStringLiteral("clock"));
    resize(123, 25);
    m_frame = new GradientPanel({QColor(20, 48, 74), QColor(38, 82, 118), Amber, 1.0, 5}, this);
    m_frame->setObjectName(QStringLiteral("image_timer1"));
    m_frame->setGeometry(0, 0, 123, 25);
    m_bar = new GradientPanel({QColor(250, 205, 112), QColor(200, 125, 30), {}, 0, 3}, this);
    m_bar->setObjectName(QStringLiteral("image_timer"));
    m_bar->setGeometry(3, 3, 0, 19);
    m_label = plainLabel(this, "label_timer", QRect(2, 4, 117, 20), ui::arial(16, true),
                         ui::colors::Parchment, Qt::AlignCenter);
    m_label->setText(QStringLiteral("Time: 0:00"));
    m_label->setAccessibleDescription(QStringLiteral("Time left"));
}

void ClockView::setClock(const QString &text, int barWidth)
{
    m_label->setText(text);
    // The countdown may hold any number; the bar never leaves its frame.
    m_bar->resize(std::clamp(barWidth, 0, RoundFlow::BarMaxWidth), m_bar->height());
}

RoundRoom::RoundRoom(QWidget *panel, RoundFlow &flow, QObject *parent)
    : QObject(parent), m_flow(flow)
{
    const QColor navy = ui::colors::Banner;
    m_round = plainLabel(panel, "label_roundnum", {}, ui::arial(11, true), navy,
                         Qt::AlignRight | Qt::AlignVCenter);
    m_time = plainLabel(panel, "label_playtoscore", {}, ui::arial(11, true), navy,
                        Qt::AlignRight | Qt::AlignVCenter);
    m_round->setAccessibleDescription(QStringLiteral("Round"));
    m_time->setAccessibleDescription(QStringLiteral("Time per round"));
    m_clock = new ClockView(panel);
    m_status = plainLabel(panel, "label_status", {}, ui::arial(13, true), navy, Qt::AlignCenter);
    m_status->setAccessibleDescription(QStringLiteral("Status"));

    m_wordPanel = new QFrame(panel);
    m_wordPanel->setObjectName(QStringLiteral("panel_wordlist"));
    m_wordList = new QListWidget(m_wordPanel);
    m_wordList->setObjectName(QStringLiteral("listbox_wordlist"));
    auto *fill = new QVBoxLayout(m_wordPanel);
    fill->setContentsMargins(0, 0, 0, 0);
    fill->addWidget(m_wordList);
    m_wordList->setFont(ui::arial(14, true));
    m_wordList->setStyleSheet(QStringLiteral("QListWidget { background: #f7f7ee; color: #1f4a6d; }"
                                             " QListWidget::item { height: 19px; }"));
    m_wordList->setAccessibleName(QStringLiteral("Your words"));
    m_wordList->setUniformItemSizes(true); // a row more costs the same however long the list

    m_wordPanel->lower();

    const auto makeTab = [panel](const char *name, const QString &text) {
        auto *b = new QToolButton(panel);
        b->setObjectName(QString::fromLatin1(name));
        b->setText(text);
        b->setCheckable(true);
        b->setAutoExclusive(true);
        b->setFont(ui::arial(11, true));
        return b;
    };
    m_chatButton = makeTab("FlatSpeedButton1", QStringLiteral("Chat"));
    m_listButton = makeTab("FlatSpeedButton2", QStringLiteral("List"));
    m_chatButton->setChecked(true);
    connect(m_chatButton, &QAbstractButton::clicked, this, [this] { showPage(Page::Chat); });
    connect(m_listButton, &QAbstractButton::clicked, this, [this] { showPage(Page::WordList); });

    m_results = new ResultsPanel(panel);
    connect(m_results, &ResultsPanel::closeRequested, &flow, &RoundFlow::closeResults);

    m_winner =
        new GradientPanel({QColor(252, 246, 223), QColor(234, 220, 172), Amber, 2.0, 8}, panel);
    m_winner->setObjectName(QStringLiteral("panel_winner"));
    m_winnerShadow = plainLabel(m_winner, "label_winner2", QRect(2, 11, 377, 19),
                                ui::arial(16, true), QColor(0x9a, 0x9a, 0x9a), Qt::AlignCenter);
    m_winnerFront = plainLabel(m_winner, "label_winner1", QRect(1, 12, 377, 19),
                               ui::arial(16, true), navy, Qt::AlignCenter);
    m_winnerFront->setAccessibleDescription(QStringLiteral("Winner"));
    m_winnerShadow->setAccessibleDescription(QStringLiteral("Winner"));
    m_winner->hide();

    connect(&flow, &RoundFlow::viewChanged, this, &RoundRoom::showView);
    connect(&flow, &RoundFlow::wordListCleared, m_wordList, &QListWidget::clear);
    connect(&flow, &RoundFlow::wordListAdded, this, [this](const QString &row) {
        m_wordList->addItem(row);
        // The flow keeps the latest rows only; so does the list.
        while (m_wordList->count() > RoundFlow::MaxWordListRows)
            delete m_wordList->takeItem(0);
        m_wordList->scrollToBottom();
    });
    connect(&flow, &RoundFlow::resultsChanged, this,
            [this] { m_results->setResults(m_flow.results()); });
    connect(&flow, &RoundFlow::resultsRaised, m_results, &QWidget::raise);
    connect(&flow, &RoundFlow::winnerRaised, m_winner, &QWidget::raise);
    showView();
}

void RoundRoom::showView()
{
    const RoundFlow::View &v = m_flow.view();
    m_round->setText(roundText(v));
    m_time->setText(creationTimeText(v));
    m_clock->setClock(clockText(v.clock), v.barWidth);
    if (m_status->text() != v.status) {
        m_status->setText(v.status);
        // A verdict is what the player waits for: it is drawn now rather
        // than with the window's next scheduled update.
        m_status->repaint();
    }
    m_results->setVisible(v.resultsShown);
    m_winnerFront->setText(v.winner);
    m_winnerShadow->setText(v.winner);
    m_winner->setVisible(v.winnerShown);
}

void RoundRoom::showPage(Page page)
{
    if (page == Page::WordList) {
        m_listButton->setChecked(true);
        m_wordPanel->raise();
        return;
    }
    m_chatButton->setChecked(true);
    for (QWidget *w : m_chat)
        w->raise();
}

} // namespace vorlith::client
