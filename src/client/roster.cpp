#include "client/roster.h"

#include "net/protocol.h"

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

void Roster::setScore(int number, const QString &text)
{
    if (Seat *s = seatAt(number)) {
        s->score = text;
        Q_EMIT seatChanged(number);
    }
}

void Roster::setBonus(int number, const QString &text)
{
    if (Seat *s = seatAt(number)) {
        s->bonus = text;
        Q_EMIT seatChanged(number);
    }
}

void Roster::newplayerinfo(const QString &fields)
{
    proto::GroupReader r(fields);
    while (r.hasMore()) {
        const int number = r.nextInt();
        const QString name = r.next();
        const QString flag = r.next();

        if (number == m_own) {
            Q_EMIT chatLine(QStringLiteral("0+You are Connected."));
            Q_EMIT chatLine(QStringLiteral("0+Click \"CTRL-i\" for Quick Instructions"));
            Q_EMIT ownArrival();
        } else {
            Q_EMIT chatLine(QStringLiteral("0+") + name + QStringLiteral(" is Connected."));
        }

        if (Seat *s = seatAt(number)) {
            s->name = name;
            // Another flag leaves the eyes as they are.
            if (flag == QLatin1String("1"))
                s->watching = true;
            Q_EMIT seatChanged(number);
            continue;
        }
        // A number the host cannot give (0, negative, above 9) names nobody
        // to list, and a broken host must not fill the list without end.
        if (!isSpy(number))
            continue;
        if (m_spies.size() < MaxSpyEntries) {
            const QString entry = QString::number(number) + QStringLiteral(": ") + name;
            m_spies.append(entry);
            Q_EMIT spyAdded(entry);
        }
        if (number == m_own)
            Q_EMIT chatLine(QStringLiteral("0+You are spying."));
        else
            Q_EMIT chatLine(QStringLiteral("0+") + name + QStringLiteral(" is spying."));
    }
    Q_EMIT soundRequested(QStringLiteral("entered"));
}

void Roster::playerdisconnected(const QString &fields)
{
    proto::FieldReader r(fields);
    const int number = r.nextInt();
    const QString name = r.rest();
    if (Seat *s = seatAt(number)) {
        // The seat's caption is announced, not the name in the message.
        if (s->name != tally::emptySeatName())
            Q_EMIT chatLine(QStringLiteral("0+") + s->name + QStringLiteral(" disconnected."));
        s->name = tally::emptySeatName();
        s->watching = false;
        Q_EMIT seatChanged(number);
        return;
    }
    const qsizetype index = m_spies.indexOf(QString::number(number) + QStringLiteral(": ") + name);
    if (index < 0)
        return;
    Q_EMIT chatLine(QStringLiteral("0+") + name + QStringLiteral(" has left."));
    m_spies.removeAt(index);
    Q_EMIT spyRemoved(int(index));
}

void Roster::justwatching(const QString &fields)
{
    proto::FieldReader r(fields);
    const int number = r.nextInt();
    const QString state = r.next();
    Seat *s = seatAt(number);
    if (!s)
        return;
    const bool watching = state == QLatin1String("1");
    if (number == m_own)
        Q_EMIT ownWatchingChanged(watching);
    Q_EMIT chatLine(QStringLiteral("0+") + s->name +
                    (watching ? QStringLiteral(" is just watching") : QStringLiteral(" is now playing again")));
    s->watching = watching;
    Q_EMIT seatChanged(number);
}

} // namespace vorlith::client
