#include "client/seats.h"

#include "client/roster.h"
#include "client/roundtexts.h"
#include "tally/seatnamesource.h"
#include "ui/clicklabel.h"
#include "ui/theme.h"

#include <QAction>
#include <QLabel>
#include <QMenu>

namespace vorlith::client {

Seats::Seats(QWidget *panel, const Roster &roster, QObject *parent)
    : QObject(parent), m_roster(roster)
{
    // A light card under the seats keeps the dark and blue names readable.
    auto *card = new QLabel(panel);
    card->setObjectName(QStringLiteral("panel_seats"));
    m_card = card;
    card->setStyleSheet(QStringLiteral(
        "background: rgba(247,247,238,235); border: 1px solid #b9a97a; border-radius: 8px;"));
    card->lower();

    m_popup = new QMenu(panel);
    m_popup->setObjectName(QStringLiteral("popup_kick"));
    m_remove = m_popup->addAction(QStringLiteral("Remove From Game"));
    m_remove->setObjectName(QStringLiteral("RemoveFromGame1"));
    m_setWatch = m_popup->addAction(QStringLiteral("Set to Just Watch"));
    m_setWatch->setObjectName(QStringLiteral("SettoJustWatch1"));
    m_unsetWatch = m_popup->addAction(QStringLiteral("Unset Just Watch"));
    m_unsetWatch->setObjectName(QStringLiteral("UnsetJustWatch1"));
    const auto askWatch = [this](bool watching) {
        if (m_isConnected && m_isConnected() && Roster::isSeat(m_popupTarget))
            Q_EMIT justWatchRequested(m_popupTarget, watching);
    };
    connect(m_setWatch, &QAction::triggered, this, [askWatch] { askWatch(true); });
    connect(m_unsetWatch, &QAction::triggered, this, [askWatch] { askWatch(false); });
    connect(m_remove, &QAction::triggered, this, [this] { Q_EMIT removeRequested(m_popupTarget); });

    const QPixmap eyesPicture = ui::picture(QStringLiteral("eyes.png"));
    for (int n = 1; n <= Count; ++n) {
        Seat &s = m_seats[static_cast<size_t>(n - 1)];
        const QColor colour = n % 2 ? ui::colors::SeatOdd : QColor(Qt::black);

        auto *name = new ui::ClickLabel(panel);
        name->setObjectName(QStringLiteral("label_playername%1").arg(n));
        name->setFont(ui::arial(13, true));
        ui::setTextColour(name, colour);
        name->setTextFormat(Qt::PlainText); // a name is whatever the player typed
        name->setText(tally::emptySeatName());
        name->setAccessibleDescription(QStringLiteral("Seat %1").arg(n));
        name->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(name, &QWidget::customContextMenuRequested, this,
                [this, n, name](const QPoint &pos) {
                    preparePopup(n);
                    m_popup->popup(name->mapToGlobal(pos));
                });
        s.name = name;

        s.score = new QLabel(QStringLiteral("0"), panel);
        s.score->setObjectName(QStringLiteral("label_score%1").arg(n));
        s.score->setTextFormat(Qt::PlainText);
        s.score->setFont(ui::arial(13, true));
        ui::setTextColour(s.score, colour);
        s.score->adjustSize();
        s.score->setAccessibleDescription(QStringLiteral("Score of seat %1").arg(n));

        s.bonus = new QLabel(panel);
        s.bonus->setObjectName(QStringLiteral("label_bonus%1").arg(n));
        s.bonus->setTextFormat(Qt::PlainText);
        s.bonus->setFont(ui::arial(13, true));
        ui::setTextColour(s.bonus, colour);
        s.bonus->setText(QString());
        s.bonus->adjustSize();
        s.bonus->setAccessibleDescription(QStringLiteral("Latest points of seat %1").arg(n));

        s.eyes = new QLabel(panel);
        s.eyes->setObjectName(QStringLiteral("image_eyes%1").arg(n));
        s.eyes->setScaledContents(true);
        s.eyes->setPixmap(eyesPicture);
        s.eyes->setAttribute(Qt::WA_TranslucentBackground);
        s.eyes->setAccessibleName(QStringLiteral("Just watching"));
        s.eyes->hide();
        s.eyes->raise();
    }
    connect(&m_roster, &Roster::seatChanged, this, &Seats::showSeat);
}

void Seats::showSeat(int number)
{
    const Seat *s = seat(number);
    const Roster::Seat *state = m_roster.seat(number);
    if (!s || !state)
        return;
    s->name->setText(state->name);
    s->eyes->setVisible(state->watching);
    s->score->setText(QString::number(state->score));
    s->score->adjustSize();
    s->bonus->setText(state->bonus ? bonusText(*state->bonus) : QString());
    s->bonus->adjustSize();
}

void Seats::placeAfterName(int number)
{
    const Seat *s = seat(number);
    if (!s)
        return;
    s->score->move(s->name->x() + s->name->width() + 4, s->score->y());
    s->bonus->move(s->score->x() + s->score->width() + 4, s->bonus->y());
}

const Seats::Seat *Seats::seat(int number) const
{
    return number >= 1 && number <= Count ? &m_seats[static_cast<size_t>(number - 1)] : nullptr;
}

QLabel *Seats::nameLabel(int n) const
{
    return seat(n) ? seat(n)->name : nullptr;
}

QLabel *Seats::scoreLabel(int n) const
{
    return seat(n) ? seat(n)->score : nullptr;
}

QLabel *Seats::bonusLabel(int n) const
{
    return seat(n) ? seat(n)->bonus : nullptr;
}

QLabel *Seats::eyes(int n) const
{
    return seat(n) ? seat(n)->eyes : nullptr;
}

QString Seats::caption(int n) const
{
    return seat(n) ? seat(n)->name->text() : QString();
}

QStringList Seats::captions() const
{
    QStringList names;
    for (int n = 1; n <= Count; ++n)
        names.append(caption(n));
    return names;
}

void Seats::preparePopup(int n)
{
    const bool host = m_isHost && m_isHost();
    for (QAction *a : {m_remove, m_setWatch, m_unsetWatch})
        a->setEnabled(host);
    if (caption(n) == tally::emptySeatName())
        m_remove->setEnabled(false);
    m_popupTarget = n;
}

} // namespace vorlith::client
