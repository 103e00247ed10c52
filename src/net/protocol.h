#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <array>

/// The game's message catalogue: one builder and one reader per message,
/// shared by the host engine and the client. Builders return the message line
/// without its terminator (see frame()). Text is single-byte: a QString
/// carries one Latin-1 character per byte.
namespace vorlith::net::proto {

/// The program's version text, sent at login and compared by the host.
inline const QString Version = QStringLiteral("1.0.3");

namespace cmd {
inline constexpr char sendlogininfo[] = "CMD_sendlogininfo";
inline constexpr char full[] = "CMD_full";
inline constexpr char logininfo[] = "CMD_logininfo";
inline constexpr char newplayerinfo[] = "CMD_newplayerinfo";
inline constexpr char existingplayers[] = "CMD_existingplayers";
inline constexpr char havewrongversion[] = "CMD_havewrongversion";
inline constexpr char wrongversion[] = "CMD_wrongversion";
inline constexpr char playerdisconnected[] = "CMD_playerdisconnected";
inline constexpr char chat[] = "CMD_chat";
inline constexpr char action[] = "CMD_action";
inline constexpr char playasound[] = "CMD_playasound";
inline constexpr char justwatch[] = "CMD_justwatch";
inline constexpr char justwatching[] = "CMD_justwatching";
inline constexpr char kickhim[] = "CMD_kickhim";
inline constexpr char startgame[] = "CMD_startgame";
inline constexpr char makeboard[] = "CMD_makeboard";
inline constexpr char roundstarting[] = "CMD_roundstarting";
inline constexpr char myword[] = "CMD_myword";
inline constexpr char hisword[] = "CMD_hisword";
inline constexpr char hisscore[] = "CMD_hisscore";
inline constexpr char notvalid[] = "CMD_notvalid";
inline constexpr char roundover[] = "CMD_roundover";
inline constexpr char winner[] = "CMD_winner";
inline constexpr char gamestats[] = "CMD_gamestats";
} // namespace cmd

/// Single-byte text of a QString (characters above 255 become '?').
QByteArray bytes(const QString &text);
/// A line followed by the terminator, ready to send.
QByteArray frame(const QByteArray &line);

// ---- records carried by several messages -------------------------------

struct PlayerEntry
{
    int slot{0};
    QString name;
    QString flag; ///< "1" just watching, "0" playing
    bool operator==(const PlayerEntry &) const = default;
};

struct SeatResult
{
    int seat{0};
    qint64 total{0};
    qint64 roundScore{0};
    QString words; ///< entries word ":" points ","
    bool operator==(const SeatResult &) const = default;
};

struct SeatTotal
{
    int seat{0};
    qint64 total{0};
    bool operator==(const SeatTotal &) const = default;
};

// ---- builders ----------------------------------------------------------

QByteArray sendLoginInfo(int slot);
QByteArray full();
/// \a loginName is the player's name with the terminator already attached,
/// which is why the framed login goes out with two terminators.
QByteArray loginInfo(int slot, const QString &version, const QByteArray &loginName);
QByteArray newPlayerInfo(int slot, const QString &name);
QByteArray existingPlayers(const QList<PlayerEntry> &others);
QByteArray haveWrongVersion(const QString &name);
QByteArray wrongVersion();
QByteArray playerDisconnected(int slot, const QString &name);
/// Client to host: text "|" colour.
QByteArray chat(int slot, const QString &text, const QString &colour);
QByteArray action(int slot, const QString &text, const QString &colour);
/// Host relays: the slot text as received, the sender's name, the rest unchanged.
QByteArray chatRelay(const QString &slotText, const QString &name, const QString &rest);
QByteArray actionRelay(const QString &slotText, const QString &name, const QString &rest);
QByteArray playASound(int slot, const QString &sound);
QByteArray playASoundRelay(int slot, const QString &rest);
QByteArray justWatch(int seat, int mode);
QByteArray justWatching(int seat, const QString &mode);
QByteArray kickHim(int slot, int target);
QByteArray startGame(const QString &name, qint64 rounds, qint64 time);
QByteArray makeBoard(const std::array<int, 36> &codes);
QByteArray roundStarting(qint64 round, qint64 time);
QByteArray myWord(int slot, const QString &word);
QByteArray hisWord(int slot, qint64 points, const QString &word);
QByteArray hisScore(int slot, qint64 total, qint64 points);
QByteArray notValid(int verdict, int slot, const QString &word);
QByteArray roundOver(const QList<SeatResult> &seats);
QByteArray winner(const QString &name);
QByteArray gameStats(int slot, qint64 time, qint64 rounds, qint64 round, bool running,
                     const QList<SeatTotal> &totals);

// ---- reading -----------------------------------------------------------

/// Text to integer the way the handlers read numbers: optional blanks in
/// front, a sign, decimal digits (or "$"/"0x" and hexadecimal digits), 32-bit
/// range. Anything else raises HandlerError with the text
/// "'<text>' is not a valid integer value".
int toInt(const QString &text);

/// Takes fields from the front of a message's fields text: each field is the
/// text before the next "+", removed together with it; with no "+" left the
/// field is the whole rest.
class FieldReader
{
public:
    explicit FieldReader(QString fields) : m_rest(std::move(fields)) {}
    QString next();
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

struct LoginInfo
{
    int slot{0};
    QString version;
    QString name;
};
LoginInfo readLoginInfo(const QString &fields);

/// CMD_newplayerinfo and CMD_existingplayers: triples until the fields end.
QList<PlayerEntry> readPlayers(const QString &fields);

struct ChatLine
{
    QString slotText; ///< the first field as sent
    QString rest;     ///< everything after it (text "|" colour)
};
/// CMD_chat and CMD_action on the host: the slot, then the rest unchanged.
ChatLine readChatLine(const QString &fields);

/// The part of a received chat or action line before and after its first "|".
struct ChatParts
{
    QString line;   ///< slot "+" text
    QString colour; ///< empty when the line has no "|"
    bool hasColour{false};
};
ChatParts splitChatColour(const QString &fields);

struct SoundLine
{
    int slot{0};
    QString sound;
};
SoundLine readPlayASound(const QString &fields);

struct SlotValue
{
    int slot{0};
    QString value;
};
/// CMD_justwatch / CMD_justwatching (seat, mode) and CMD_kickhim (slot, target).
SlotValue readSlotValue(const QString &fields);

struct StartGame
{
    QString name;
    QString rounds; ///< as received; the host applies its fallbacks
    QString time;
};
StartGame readStartGame(const QString &fields);

std::array<int, 36> readMakeBoard(const QString &fields);

struct RoundStarting
{
    int round{0};
    int time{0};
};
RoundStarting readRoundStarting(const QString &fields);

struct WordLine
{
    int slot{0};
    QString word;
};
/// CMD_myword: slot, word.
WordLine readMyWord(const QString &fields);

struct HisWord
{
    int slot{0};
    int points{0};
    QString word;
};
HisWord readHisWord(const QString &fields);

struct HisScore
{
    int slot{0};
    int total{0};
    int points{0};
};
HisScore readHisScore(const QString &fields);

struct NotValid
{
    int verdict{0};
    int slot{0};
    QString word;
};
NotValid readNotValid(const QString &fields);

QList<SeatResult> readRoundOver(const QString &fields);
QString readWinner(const QString &fields);

struct GameStats
{
    int slot{0};
    int time{0};
    int rounds{0};
    int round{0};
    QString phase;
    QList<SeatTotal> totals;
};
GameStats readGameStats(const QString &fields);

} // namespace vorlith::net::proto
