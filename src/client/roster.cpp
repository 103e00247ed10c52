#include "client/roster.h"

namespace vorlith::client {

namespace proto = net::proto;

Roster::Roster(QObject *parent) : QObject(parent) {}

Roster::Seat *Roster::seatAt(int number)
{
    return isSeat(number) ? &m_seats[static_cast<size_t>(number - 1)] : nullptr;
}

const Roster::Seat *Roster::seat(int number) const
{
    return isSeat(number) ? &m_seats[static_cast<size_t>(number - 1)] : nullptr;
}

QString Roster::caption(int number) const
{
    const Seat *s = seat(number);
    return s ? s->name : QString();
}

QStringList Roster::seatNames() const
{
    QStringList names;
    for (const Seat &s : m_seats)
        names.append(s.name);
    return names;
}

void Roster::setScore(int number, qint64 score)
{
    if (Seat *s = seatAt(number)) {
        s->score = score;
        Q_EMIT seatChanged(number);
    }
}

void Roster::setBonus(int number, std::optional<qint64> points)
{
    if (Seat *s = seatAt(number)) {
        s->bonus = points;
        Q_EMIT seatChanged(number);
    }
}

void Roster::onPlayersArrived(const QList<proto::PlayerEntry> &players)
{
    for (const proto::PlayerEntry &player : players) {
        const int number = player.slot;
        const QString &name = player.name;

        if (number == m_own) {
            Q_EMIT systemLine(QStringLiteral("You are Connected."));
            Q_EMIT systemLine(QStringLiteral("Click \"CTRL-i\" for Quick Instructions"));
            Q_EMIT ownArrival();
        } else {
            Q_EMIT systemLine(name + QStringLiteral(" is Connected."));
        }

        if (Seat *s = seatAt(number)) {
            s->name = name;
            // Not watching leaves the eyes as they are.
            if (player.watching)
                s->watching = true;
            Q_EMIT seatChanged(number);
            continue;
        }
        // A number the host cannot give (0, negative, above 9) names nobody
        // to list, and a broken host must not fill the list without end.
        if (!net::game::isSpy(number))
            continue;
        if (m_spies.size() < MaxSpyEntries) {
            m_spies.append({number, name});
            Q_EMIT spyAdded(m_spies.back());
        }
        if (number == m_own)
            Q_EMIT systemLine(QStringLiteral("You are spying."));
        else
            Q_EMIT systemLine(name + QStringLiteral(" is spying."));
    }
    Q_EMIT soundRequested(QStringLiteral("entered"));
}

void Roster::onPlayerLeft(const proto::PlayerDisconnected &left)
{
    const int number = left.slot;
    if (Seat *s = seatAt(number)) {
        // The seat's caption is announced, not the name in the message.
        if (s->name != tally::emptySeatName())
            Q_EMIT systemLine(s->name + QStringLiteral(" disconnected."));
        s->name = tally::emptySeatName();
        s->watching = false;
        Q_EMIT seatChanged(number);
        return;
    }
    const qsizetype index = m_spies.indexOf(Spy{number, left.name});
    if (index < 0)
        return;
    Q_EMIT systemLine(left.name + QStringLiteral(" has left."));
    m_spies.removeAt(index);
    Q_EMIT spyRemoved(int(index));
}

void Roster::onWatchingChanged(const proto::JustWatching &change)
{
    const int number = change.seat;
    Seat *s = seatAt(number);
    if (!s)
        return;
    if (number == m_own)
        Q_EMIT ownWatchingChanged(change.watching);
    Q_EMIT systemLine(s->name + (change.watching ? QStringLiteral(" is just watching")
                                                 : QStringLiteral(" is now playing again")));
    s->watching = change.watching;
    Q_EMIT seatChanged(number);
}

} // namespace vorlith::client
