#include "net/protocol.h"

#include "net/framing.h"
#include "net/handlererror.h"
#include "net/numbers.h"

#include <limits>

namespace vorlith::net::proto {

namespace {

QByteArray num(qint64 n)
{
    return QByteArray::number(n);
}

QByteArray line(const char *word)
{
    return QByteArray(word) + '+';
}

/// Takes fields from the front of a message's fields text: each field is the
/// text before the next "+", removed together with it; with no "+" left the
/// field is the whole rest.
class FieldReader
{
public:
    explicit FieldReader(QString fields) : m_rest(std::move(fields)) {}
    QString next()
    {
        const qsizetype plus = m_rest.indexOf(QLatin1Char('+'));
        if (plus < 0)
            return std::exchange(m_rest, QString());
        QString field = m_rest.left(plus);
        m_rest.remove(0, plus + 1);
        return field;
    }
    int nextInt() { return toInt(next()); }
    const QString &rest() const { return m_rest; }
    bool atEnd() const { return m_rest.isEmpty(); }

private:
    QString m_rest;
};

/// Reads a repeated group: the fields get "+@" appended and groups are taken
/// until only "@" is left (or nothing, for a malformed tail).
class GroupReader
{
public:
    explicit GroupReader(const QString &fields) : m_reader(fields + QStringLiteral("+@")) {}
    bool hasMore() const { return !m_reader.atEnd() && m_reader.rest() != QLatin1String("@"); }
    QString next() { return m_reader.next(); }
    int nextInt() { return m_reader.nextInt(); }

private:
    FieldReader m_reader;
};

} // namespace

QByteArray bytes(const QString &text)
{
    return text.toLatin1();
}

QByteArray frame(const QByteArray &l)
{
    return l + Terminator;
}

// ---- reading -----------------------------------------------------------

std::optional<qint32> toNumber(const QString &text)
{
    QStringView rest(text);
    while (rest.startsWith(QLatin1Char(' ')))
        rest = rest.mid(1);
    const bool negative = rest.startsWith(QLatin1Char('-'));
    QStringView unsignedPart = (negative || rest.startsWith(QLatin1Char('+'))) ? rest.mid(1) : rest;
    QStringView hex;
    if (unsignedPart.startsWith(QLatin1Char('$')))
        hex = unsignedPart.mid(1);
    else if (unsignedPart.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        hex = unsignedPart.mid(2);
    if (!hex.data())
        return parseDecimal32(rest);
    // Hexadecimal fills the 32 bits and wraps, like the classic reader.
    if (const auto bits = parseHex32(hex))
        return qint32(negative ? 0u - *bits : *bits);
    return std::nullopt;
}

int toInt(const QString &text)
{
    if (const std::optional<qint32> value = toNumber(text))
        return *value;
    throw HandlerError(QStringLiteral("'%1' is not a valid integer value").arg(text));
}

namespace {

QList<PlayerEntry> readPlayerGroups(const QString &fields)
{
    QList<PlayerEntry> players;
    GroupReader r(fields);
    while (r.hasMore()) {
        PlayerEntry p;
        p.slot = r.nextInt();
        p.name = r.next();
        p.watching = r.next() == QLatin1String("1");
        players.append(p);
    }
    return players;
}

QByteArray playerGroups(const char *word, const QList<PlayerEntry> &players)
{
    QByteArray l(word);
    for (const PlayerEntry &p : players)
        l += '+' + num(p.slot) + '+' + bytes(p.name) + '+' + (p.watching ? '1' : '0');
    return l;
}

} // namespace

// ---- the messages ------------------------------------------------------

QByteArray SendLoginInfo::encode() const
{
    return line(Word) + num(slot);
}

SendLoginInfo SendLoginInfo::decode(const QString &fields)
{
    // The whole rest is the number: there is nothing after it.
    return {toInt(fields)};
}

QByteArray Full::encode() const
{
    return line(Word);
}

Full Full::decode(const QString &)
{
    return {};
}

QByteArray LoginInfo::encode() const
{
    return line(Word) + num(slot) + '+' + bytes(version) + '+' + bytes(name);
}

LoginInfo LoginInfo::decode(const QString &fields)
{
    FieldReader r(fields);
    LoginInfo info;
    info.slot = r.nextInt();
    info.version = r.next();
    info.name = r.rest();
    return info;
}

QByteArray NewPlayerInfo::encode() const
{
    return playerGroups(Word, players);
}

NewPlayerInfo NewPlayerInfo::decode(const QString &fields)
{
    return {readPlayerGroups(fields)};
}

QByteArray ExistingPlayers::encode() const
{
    return playerGroups(Word, players);
}

ExistingPlayers ExistingPlayers::decode(const QString &fields)
{
    return {readPlayerGroups(fields)};
}

QByteArray HaveWrongVersion::encode() const
{
    return line(Word) + bytes(name);
}

HaveWrongVersion HaveWrongVersion::decode(const QString &fields)
{
    return {fields};
}

QByteArray WrongVersion::encode() const
{
    return line(Word);
}

WrongVersion WrongVersion::decode(const QString &)
{
    return {};
}

QByteArray PlayerDisconnected::encode() const
{
    return line(Word) + num(slot) + '+' + bytes(name);
}

PlayerDisconnected PlayerDisconnected::decode(const QString &fields)
{
    FieldReader r(fields);
    PlayerDisconnected p;
    p.slot = r.nextInt();
    p.name = r.rest();
    return p;
}

Chat Chat::said(int slot, const QString &text, const QString &colour)
{
    return {QString::number(slot), text + QLatin1Char('|') + colour};
}

Chat Chat::relayed(const Chat &chat, const QString &name)
{
    return {chat.slot, name + QLatin1String(" chats: ") + chat.body};
}

QByteArray Chat::encode() const
{
    return line(Word) + bytes(slot) + '+' + bytes(body);
}

Chat Chat::decode(const QString &fields)
{
    FieldReader r(fields);
    Chat c;
    c.slot = r.next();
    c.body = r.rest();
    return c;
}

Action Action::said(int slot, const QString &text, const QString &colour)
{
    return {QString::number(slot), text + QLatin1Char('|') + colour};
}

Action Action::relayed(const Action &action, const QString &name)
{
    return {action.slot, name + QLatin1Char(' ') + action.body};
}

QByteArray Action::encode() const
{
    return line(Word) + bytes(slot) + '+' + bytes(body);
}

Action Action::decode(const QString &fields)
{
    FieldReader r(fields);
    Action a;
    a.slot = r.next();
    a.body = r.rest();
    return a;
}

QByteArray PlayASound::encode() const
{
    return line(Word) + num(slot) + '+' + bytes(sound) + '+';
}

PlayASound PlayASound::decode(const QString &fields)
{
    FieldReader r(fields);
    PlayASound s;
    s.slot = r.nextInt();
    s.sound = r.next();
    return s;
}

QByteArray JustWatch::encode() const
{
    return line(Word) + num(seat) + '+' + num(int(mode));
}

JustWatch JustWatch::decode(const QString &fields)
{
    FieldReader r(fields);
    JustWatch w;
    w.seat = r.nextInt();
    // Compared as text: " 1" or "01" asks for nothing.
    const QString mode = r.next();
    if (mode == QLatin1String("1"))
        w.mode = WatchMode::Watch;
    else if (mode == QLatin1String("2"))
        w.mode = WatchMode::Play;
    return w;
}

QByteArray JustWatching::encode() const
{
    return line(Word) + num(seat) + '+' + (watching ? '1' : '2');
}

JustWatching JustWatching::decode(const QString &fields)
{
    FieldReader r(fields);
    JustWatching w;
    w.seat = r.nextInt();
    w.watching = r.next() == QLatin1String("1");
    return w;
}

QByteArray KickHim::encode() const
{
    return line(Word) + num(slot) + '+' + num(target) + '+';
}

KickHim KickHim::decode(const QString &fields)
{
    FieldReader r(fields);
    KickHim k;
    k.slot = r.nextInt();
    k.target = r.nextInt();
    return k;
}

QByteArray StartGame::encode() const
{
    return line(Word) + bytes(name) + '+' + bytes(rounds) + '+' + bytes(time) + '+';
}

StartGame StartGame::decode(const QString &fields)
{
    FieldReader r(fields);
    StartGame s;
    s.name = r.next();
    s.rounds = r.next();
    s.time = r.next();
    return s;
}

QByteArray MakeBoard::encode() const
{
    QByteArray l(Word);
    for (int cell = 1; cell <= game::Cells; ++cell)
        l += '+' + num(cell) + '+' + num(codes[static_cast<size_t>(cell - 1)]);
    return l;
}

MakeBoard MakeBoard::decode(const QString &fields)
{
    MakeBoard b;
    GroupReader r(fields);
    while (r.hasMore()) {
        const int cell = r.nextInt();
        const int code = r.nextInt();
        if (cell >= 1 && cell <= game::Cells)
            b.codes[static_cast<size_t>(cell - 1)] = code;
    }
    return b;
}

QByteArray RoundStarting::encode() const
{
    return line(Word) + num(round) + '+' + num(time) + '+';
}

RoundStarting RoundStarting::decode(const QString &fields)
{
    FieldReader r(fields);
    RoundStarting s;
    s.round = r.nextInt();
    s.time = r.nextInt();
    return s;
}

QByteArray MyWord::encode() const
{
    return line(Word) + num(slot) + '+' + bytes(word) + '+';
}

MyWord MyWord::decode(const QString &fields)
{
    FieldReader r(fields);
    MyWord w;
    w.slot = r.nextInt();
    w.word = r.next();
    return w;
}

QByteArray HisWord::encode() const
{
    return line(Word) + num(slot) + '+' + num(points) + '+' + bytes(word) + '+';
}

HisWord HisWord::decode(const QString &fields)
{
    FieldReader r(fields);
    HisWord h;
    h.slot = r.nextInt();
    h.points = r.nextInt();
    h.word = r.next();
    return h;
}

QByteArray HisScore::encode() const
{
    return line(Word) + num(slot) + '+' + num(total) + '+' + num(points) + '+';
}

HisScore HisScore::decode(const QString &fields)
{
    FieldReader r(fields);
    HisScore h;
    h.slot = r.nextInt();
    h.total = r.nextInt();
    h.points = r.nextInt();
    return h;
}

QByteArray NotValid::encode() const
{
    return line(Word) + num(verdict) + '+' + num(slot) + '+' + bytes(word) + '+';
}

NotValid NotValid::decode(const QString &fields)
{
    FieldReader r(fields);
    NotValid v;
    v.verdict = r.nextInt();
    v.slot = r.nextInt();
    v.word = r.next();
    return v;
}

QByteArray RoundOver::encode() const
{
    QByteArray l(Word);
    for (const SeatResult &s : seats)
        l +=
            '+' + num(s.seat) + '+' + num(s.total) + '+' + num(s.roundScore) + '+' + bytes(s.words);
    return l;
}

RoundOver RoundOver::decode(const QString &fields)
{
    RoundOver o;
    GroupReader r(fields);
    while (r.hasMore()) {
        SeatResult s;
        s.seat = r.nextInt();
        s.total = r.nextInt();
        s.roundScore = r.nextInt();
        s.words = r.next();
        o.seats.append(s);
    }
    return o;
}

QByteArray Winner::encode() const
{
    return line(Word) + bytes(name) + '+';
}

Winner Winner::decode(const QString &fields)
{
    return {FieldReader(fields).next()};
}

QByteArray GameStats::encode() const
{
    QByteArray l = line(Word) + num(slot) + '+' + num(time) + '+' + num(rounds) + '+' + num(round) +
                   '+' + (running ? 't' : 'f');
    for (const SeatTotal &t : totals)
        l += '+' + num(t.seat) + '+' + num(t.total);
    return l;
}

GameStats GameStats::decode(const QString &fields)
{
    FieldReader r(fields);
    GameStats g;
    g.slot = r.nextInt();
    g.time = r.nextInt();
    g.rounds = r.nextInt();
    g.round = r.nextInt();
    const QString tail = r.rest();
    // The phase is followed by the totals group.
    const qsizetype plus = tail.indexOf(QLatin1Char('+'));
    g.running = (plus < 0 ? tail : tail.left(plus)) == QLatin1String("t");
    if (plus >= 0) {
        GroupReader totals(tail.mid(plus + 1));
        while (totals.hasMore()) {
            SeatTotal t;
            t.seat = totals.nextInt();
            t.total = totals.nextInt();
            g.totals.append(t);
        }
    }
    return g;
}

} // namespace vorlith::net::proto
