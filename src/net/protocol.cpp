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

} // namespace

QByteArray bytes(const QString &text)
{
    return text.toLatin1();
}

QByteArray frame(const QByteArray &l)
{
    return l + Terminator;
}

QByteArray sendLoginInfo(int slot)
{
    return line(cmd::sendlogininfo) + num(slot);
}

QByteArray full()
{
    return line(cmd::full);
}

QByteArray loginInfo(int slot, const QString &version, const QByteArray &loginName)
{
    return line(cmd::logininfo) + num(slot) + '+' + bytes(version) + '+' + loginName;
}

QByteArray newPlayerInfo(int slot, const QString &name)
{
    return line(cmd::newplayerinfo) + num(slot) + '+' + bytes(name) + "+0";
}

QByteArray existingPlayers(const QList<PlayerEntry> &others)
{
    QByteArray l(cmd::existingplayers);
    for (const PlayerEntry &p : others)
        l += '+' + num(p.slot) + '+' + bytes(p.name) + '+' + bytes(p.flag);
    return l;
}

QByteArray haveWrongVersion(const QString &name)
{
    return line(cmd::havewrongversion) + bytes(name);
}

QByteArray wrongVersion()
{
    return line(cmd::wrongversion);
}

QByteArray playerDisconnected(int slot, const QString &name)
{
    return line(cmd::playerdisconnected) + num(slot) + '+' + bytes(name);
}

QByteArray chat(int slot, const QString &text, const QString &colour)
{
    return line(cmd::chat) + num(slot) + '+' + bytes(text) + '|' + bytes(colour);
}

QByteArray action(int slot, const QString &text, const QString &colour)
{
    return line(cmd::action) + num(slot) + '+' + bytes(text) + '|' + bytes(colour);
}

QByteArray chatRelay(const QString &slotText, const QString &name, const QString &rest)
{
    return line(cmd::chat) + bytes(slotText) + '+' + bytes(name) + " chats: " + bytes(rest);
}

QByteArray actionRelay(const QString &slotText, const QString &name, const QString &rest)
{
    return line(cmd::action) + bytes(slotText) + '+' + bytes(name) + ' ' + bytes(rest);
}

QByteArray playASound(int slot, const QString &sound)
{
    return line(cmd::playasound) + num(slot) + '+' + bytes(sound) + '+';
}

QByteArray playASoundRelay(int slot, const QString &rest)
{
    return line(cmd::playasound) + num(slot) + '+' + bytes(rest);
}

QByteArray justWatch(int seat, int mode)
{
    return line(cmd::justwatch) + num(seat) + '+' + num(mode);
}

QByteArray justWatching(int seat, const QString &mode)
{
    return line(cmd::justwatching) + num(seat) + '+' + bytes(mode);
}

QByteArray kickHim(int slot, int target)
{
    return line(cmd::kickhim) + num(slot) + '+' + num(target) + '+';
}

QByteArray startGame(const QString &name, qint64 rounds, qint64 time)
{
    return line(cmd::startgame) + bytes(name) + '+' + num(rounds) + '+' + num(time) + '+';
}

QByteArray makeBoard(const std::array<int, 36> &codes)
{
    QByteArray l(cmd::makeboard);
    for (int cell = 1; cell <= 36; ++cell)
        l += '+' + num(cell) + '+' + num(codes[static_cast<size_t>(cell - 1)]);
    return l;
}

QByteArray roundStarting(qint64 round, qint64 time)
{
    return line(cmd::roundstarting) + num(round) + '+' + num(time) + '+';
}

QByteArray myWord(int slot, const QString &word)
{
    return line(cmd::myword) + num(slot) + '+' + bytes(word) + '+';
}

QByteArray hisWord(int slot, qint64 points, const QString &word)
{
    return line(cmd::hisword) + num(slot) + '+' + num(points) + '+' + bytes(word) + '+';
}

QByteArray hisScore(int slot, qint64 total, qint64 points)
{
    return line(cmd::hisscore) + num(slot) + '+' + num(total) + '+' + num(points) + '+';
}

QByteArray notValid(int verdict, int slot, const QString &word)
{
    return line(cmd::notvalid) + num(verdict) + '+' + num(slot) + '+' + bytes(word) + '+';
}

QByteArray roundOver(const QList<SeatResult> &seats)
{
    QByteArray l(cmd::roundover);
    for (const SeatResult &s : seats)
        l += '+' + num(s.seat) + '+' + num(s.total) + '+' + num(s.roundScore) + '+' + bytes(s.words);
    return l;
}

QByteArray winner(const QString &name)
{
    return line(cmd::winner) + bytes(name) + '+';
}

QByteArray gameStats(int slot, qint64 time, qint64 rounds, qint64 round, bool running,
                     const QList<SeatTotal> &totals)
{
    QByteArray l = line(cmd::gamestats) + num(slot) + '+' + num(time) + '+' + num(rounds) + '+'
                   + num(round) + '+' + (running ? "t" : "f");
    for (const SeatTotal &t : totals)
        l += '+' + num(t.seat) + '+' + num(t.total);
    return l;
}

// ---- reading -----------------------------------------------------------

int toInt(const QString &text)
{
    QStringView rest(text);
    while (rest.startsWith(QLatin1Char(' ')))
        rest = rest.mid(1);
    std::optional<qint32> value;
    const bool negative = rest.startsWith(QLatin1Char('-'));
    QStringView unsignedPart = (negative || rest.startsWith(QLatin1Char('+'))) ? rest.mid(1) : rest;
    QStringView hex;
    if (unsignedPart.startsWith(QLatin1Char('$')))
        hex = unsignedPart.mid(1);
    else if (unsignedPart.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        hex = unsignedPart.mid(2);
    if (hex.data()) {
        // Hexadecimal fills the 32 bits and wraps, like the classic reader.
        if (const auto bits = parseHex32(hex))
            value = qint32(negative ? 0u - *bits : *bits);
    } else {
        value = parseDecimal32(rest);
    }
    if (!value)
        throw HandlerError(QStringLiteral("'%1' is not a valid integer value").arg(text));
    return *value;
}

QString FieldReader::next()
{
    const qsizetype plus = m_rest.indexOf(QLatin1Char('+'));
    if (plus < 0)
        return std::exchange(m_rest, QString());
    QString field = m_rest.left(plus);
    m_rest.remove(0, plus + 1);
    return field;
}

LoginInfo readLoginInfo(const QString &fields)
{
    FieldReader r(fields);
    LoginInfo info;
    info.slot = r.nextInt();
    info.version = r.next();
    info.name = r.rest();
    return info;
}

QList<PlayerEntry> readPlayers(const QString &fields)
{
    QList<PlayerEntry> players;
    GroupReader r(fields);
    while (r.hasMore()) {
        PlayerEntry p;
        p.slot = r.nextInt();
        p.name = r.next();
        p.flag = r.next();
        players.append(p);
    }
    return players;
}

ChatLine readChatLine(const QString &fields)
{
    FieldReader r(fields);
    ChatLine c;
    c.slotText = r.next();
    c.rest = r.rest();
    return c;
}

ChatParts splitChatColour(const QString &fields)
{
    ChatParts parts;
    const qsizetype bar = fields.indexOf(QLatin1Char('|'));
    if (bar < 0) {
        parts.line = fields;
        return parts;
    }
    parts.line = fields.left(bar);
    parts.colour = fields.mid(bar + 1);
    parts.hasColour = true;
    return parts;
}

SoundLine readPlayASound(const QString &fields)
{
    FieldReader r(fields);
    SoundLine s;
    s.slot = r.nextInt();
    s.sound = r.next();
    return s;
}

SlotValue readSlotValue(const QString &fields)
{
    FieldReader r(fields);
    SlotValue v;
    v.slot = r.nextInt();
    v.value = r.next();
    return v;
}

StartGame readStartGame(const QString &fields)
{
    FieldReader r(fields);
    StartGame s;
    s.name = r.next();
    s.rounds = r.next();
    s.time = r.next();
    return s;
}

std::array<int, 36> readMakeBoard(const QString &fields)
{
    std::array<int, 36> codes{};
    GroupReader r(fields);
    while (r.hasMore()) {
        const int cell = r.nextInt();
        const int code = r.nextInt();
        if (cell >= 1 && cell <= 36)
            codes[static_cast<size_t>(cell - 1)] = code;
    }
    return codes;
}

RoundStarting readRoundStarting(const QString &fields)
{
    FieldReader r(fields);
    RoundStarting s;
    s.round = r.nextInt();
    s.time = r.nextInt();
    return s;
}

WordLine readMyWord(const QString &fields)
{
    FieldReader r(fields);
    WordLine w;
    w.slot = r.nextInt();
    w.word = r.next();
    return w;
}

HisWord readHisWord(const QString &fields)
{
    FieldReader r(fields);
    HisWord h;
    h.slot = r.nextInt();
    h.points = r.nextInt();
    h.word = r.next();
    return h;
}

HisScore readHisScore(const QString &fields)
{
    FieldReader r(fields);
    HisScore h;
    h.slot = r.nextInt();
    h.total = r.nextInt();
    h.points = r.nextInt();
    return h;
}

NotValid readNotValid(const QString &fields)
{
    FieldReader r(fields);
    NotValid v;
    v.verdict = r.nextInt();
    v.slot = r.nextInt();
    v.word = r.next();
    return v;
}

QList<SeatResult> readRoundOver(const QString &fields)
{
    QList<SeatResult> seats;
    GroupReader r(fields);
    while (r.hasMore()) {
        SeatResult s;
        s.seat = r.nextInt();
        s.total = r.nextInt();
        s.roundScore = r.nextInt();
        s.words = r.next();
        seats.append(s);
    }
    return seats;
}

QString readWinner(const QString &fields)
{
    return FieldReader(fields).next();
}

GameStats readGameStats(const QString &fields)
{
    FieldReader r(fields);
    GameStats g;
    g.slot = r.nextInt();
    g.time = r.nextInt();
    g.rounds = r.nextInt();
    g.round = r.nextInt();
    QString tail = r.rest();
    // The phase is followed by the totals group.
    const qsizetype plus = tail.indexOf(QLatin1Char('+'));
    g.phase = plus < 0 ? tail : tail.left(plus);
    GroupReader totals(plus < 0 ? QString() : tail.mid(plus + 1));
    if (plus >= 0) {
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
