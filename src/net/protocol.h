#pragma once

#include "net/game.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <array>
#include <concepts>
#include <optional>

/// The game's message catalogue: one struct per message that both writes and
/// reads its line, shared by the host engine, the client and the computer
/// players. Lines are written without their terminator (see frame()). Text is
/// single-byte: a QString carries one Latin-1 character per byte.
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
    bool watching{false}; ///< "1" just watching; anything else playing
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

// ---- numbers -----------------------------------------------------------

/// Text to integer the way the handlers read numbers: optional blanks in
/// front, a sign, decimal digits (or "$"/"0x" and hexadecimal digits), 32-bit
/// range. Anything else raises HandlerError with the text
/// "'<text>' is not a valid integer value".
int toInt(const QString &text);
/// The same reading without the error: nothing for text that is no number.
std::optional<qint32> toNumber(const QString &text);

// ---- the messages ------------------------------------------------------
//
// One struct per command word, used both to write the line and to read it:
// encode() gives the line without its terminator, decode() reads the fields
// after the command word. decode() raises HandlerError on a number field
// that is not a number, with the text a handler shows for it; everything
// else in a line is taken as it comes.

/// A struct that is one of the messages.
template <typename M>
concept Message = requires(const M &m, const QString &fields)
{
    {
        M::Word
        } -> std::convertible_to<const char *>;
    {
        m.encode()
        } -> std::same_as<QByteArray>;
    {
        M::decode(fields)
        } -> std::same_as<M>;
};

/// Host to a new connection: its slot, and the request to log in.
struct SendLoginInfo
{
    static constexpr const char *Word = cmd::sendlogininfo;
    int slot{0};
    QByteArray encode() const;
    static SendLoginInfo decode(const QString &fields);
    bool operator==(const SendLoginInfo &) const = default;
};

/// Host to a connection it refuses: every slot is taken.
struct Full
{
    static constexpr const char *Word = cmd::full;
    QByteArray encode() const;
    static Full decode(const QString &fields);
    bool operator==(const Full &) const = default;
};

/// A player's program to the host: its slot, version and name.
struct LoginInfo
{
    static constexpr const char *Word = cmd::logininfo;
    int slot{0};
    QString version;
    /// The rest of the line. Programs send the name with a terminator of its
    /// own attached, which is why the framed login ends in two of them.
    QString name;
    QByteArray encode() const;
    static LoginInfo decode(const QString &fields);
    bool operator==(const LoginInfo &) const = default;
};

/// Host to all: who has arrived (one entry, never watching).
struct NewPlayerInfo
{
    static constexpr const char *Word = cmd::newplayerinfo;
    QList<PlayerEntry> players;
    QByteArray encode() const;
    static NewPlayerInfo decode(const QString &fields);
    bool operator==(const NewPlayerInfo &) const = default;
};

/// Host to a newcomer: everybody who was there before.
struct ExistingPlayers
{
    static constexpr const char *Word = cmd::existingplayers;
    QList<PlayerEntry> players;
    QByteArray encode() const;
    static ExistingPlayers decode(const QString &fields);
    bool operator==(const ExistingPlayers &) const = default;
};

/// Host to the hosting player: a newcomer's program has another version.
struct HaveWrongVersion
{
    static constexpr const char *Word = cmd::havewrongversion;
    QString name; ///< the whole rest of the line
    QByteArray encode() const;
    static HaveWrongVersion decode(const QString &fields);
    bool operator==(const HaveWrongVersion &) const = default;
};

/// Host to a newcomer whose program has another version.
struct WrongVersion
{
    static constexpr const char *Word = cmd::wrongversion;
    QByteArray encode() const;
    static WrongVersion decode(const QString &fields);
    bool operator==(const WrongVersion &) const = default;
};

/// Host to the others: a participant has left.
struct PlayerDisconnected
{
    static constexpr const char *Word = cmd::playerdisconnected;
    int slot{0};
    QString name; ///< the whole rest of the line
    QByteArray encode() const;
    static PlayerDisconnected decode(const QString &fields);
    bool operator==(const PlayerDisconnected &) const = default;
};

/// A chat line, both ways. The host checks the slot but relays it as it came.
struct Chat
{
    static constexpr const char *Word = cmd::chat;
    QString slot; ///< as sent: the host relays it unchanged
    /// Text "|" colour; on the way back the sender's name and " chats: " lead it.
    QString body;
    /// What a program sends for its player \a slot.
    static Chat said(int slot, const QString &text, const QString &colour);
    /// What the host relays of \a chat from the player logged in as \a name.
    static Chat relayed(const Chat &chat, const QString &name);
    QByteArray encode() const;
    static Chat decode(const QString &fields);
    bool operator==(const Chat &) const = default;
};

/// An action line ("Bob waves"), both ways, like Chat.
struct Action
{
    static constexpr const char *Word = cmd::action;
    QString slot; ///< as sent: the host relays it unchanged
    /// Text "|" colour; on the way back the sender's name and a blank lead it.
    QString body;
    static Action said(int slot, const QString &text, const QString &colour);
    static Action relayed(const Action &action, const QString &name);
    QByteArray encode() const;
    static Action decode(const QString &fields);
    bool operator==(const Action &) const = default;
};

/// A chatter sound, both ways: the host relays the sound's name as it came.
struct PlayASound
{
    static constexpr const char *Word = cmd::playasound;
    int slot{0};
    QString sound;
    QByteArray encode() const;
    static PlayASound decode(const QString &fields);
    bool operator==(const PlayASound &) const = default;
};

/// What a seat asks for with Just Watch.
enum class WatchMode
{
    Other = 0, ///< anything else: the host does nothing
    Watch = 1,
    Play = 2,
};

/// A player's program to the host: watch or play again (the hosting player
/// may ask it for any seat).
struct JustWatch
{
    static constexpr const char *Word = cmd::justwatch;
    int seat{0};
    WatchMode mode{WatchMode::Other};
    QByteArray encode() const;
    static JustWatch decode(const QString &fields);
    bool operator==(const JustWatch &) const = default;
};

/// Host to all: a seat now watches, or plays again.
struct JustWatching
{
    static constexpr const char *Word = cmd::justwatching;
    int seat{0};
    bool watching{false}; ///< "1"; anything else is playing
    QByteArray encode() const;
    static JustWatching decode(const QString &fields);
    bool operator==(const JustWatching &) const = default;
};

/// The hosting player's program to the host: remove a participant.
struct KickHim
{
    static constexpr const char *Word = cmd::kickhim;
    int slot{0}; ///< the sender's own
    int target{0};
    QByteArray encode() const;
    static KickHim decode(const QString &fields);
    bool operator==(const KickHim &) const = default;
};

/// A game starts, both ways: asked for by a program, announced by the host.
struct StartGame
{
    static constexpr const char *Word = cmd::startgame;
    QString name; ///< who started it, relayed as it came
    /// As received: the host puts its own numbers in place of what is not a
    /// number, and a program shows what its host announced.
    QString rounds;
    QString time;
    QByteArray encode() const;
    static StartGame decode(const QString &fields);
    bool operator==(const StartGame &) const = default;
};

/// Host to all: the round's board. Cells the line does not name hold 0.
struct MakeBoard
{
    static constexpr const char *Word = cmd::makeboard;
    game::Board codes{};
    QByteArray encode() const;
    static MakeBoard decode(const QString &fields);
    bool operator==(const MakeBoard &) const = default;
};

/// Host to all: a round begins, lasting \a time seconds.
struct RoundStarting
{
    static constexpr const char *Word = cmd::roundstarting;
    qint64 round{0};
    qint64 time{0};
    QByteArray encode() const;
    static RoundStarting decode(const QString &fields);
    bool operator==(const RoundStarting &) const = default;
};

/// A player's program to the host: a word to judge.
struct MyWord
{
    static constexpr const char *Word = cmd::myword;
    int slot{0};
    QString word; ///< judged and answered exactly as received
    QByteArray encode() const;
    static MyWord decode(const QString &fields);
    bool operator==(const MyWord &) const = default;
};

/// Host to one seat: its word was accepted for \a points.
struct HisWord
{
    static constexpr const char *Word = cmd::hisword;
    int slot{0};
    qint64 points{0};
    QString word;
    QByteArray encode() const;
    static HisWord decode(const QString &fields);
    bool operator==(const HisWord &) const = default;
};

/// Host to all: a seat's new total after a word of \a points.
struct HisScore
{
    static constexpr const char *Word = cmd::hisscore;
    int slot{0};
    qint64 total{0};
    qint64 points{0};
    QByteArray encode() const;
    static HisScore decode(const QString &fields);
    bool operator==(const HisScore &) const = default;
};

/// Host to one seat: its word was refused.
struct NotValid
{
    static constexpr const char *Word = cmd::notvalid;
    static constexpr int NotAWord = 1;     ///< not in the dictionary, or not on the board
    static constexpr int AlreadyFound = 2; ///< accepted for the seat earlier this round
    int verdict{0};
    int slot{0};
    QString word;
    QByteArray encode() const;
    static NotValid decode(const QString &fields);
    bool operator==(const NotValid &) const = default;
};

/// Host to all: every seat's result of the round that ended.
struct RoundOver
{
    static constexpr const char *Word = cmd::roundover;
    QList<SeatResult> seats;
    QByteArray encode() const;
    static RoundOver decode(const QString &fields);
    bool operator==(const RoundOver &) const = default;
};

/// Host to all: the game is decided.
struct Winner
{
    static constexpr const char *Word = cmd::winner;
    QString name;
    QByteArray encode() const;
    static Winner decode(const QString &fields);
    bool operator==(const Winner &) const = default;
};

/// Host to a newcomer during a game: where the game stands.
struct GameStats
{
    static constexpr const char *Word = cmd::gamestats;
    int slot{0};
    qint64 time{0};
    qint64 rounds{0};
    qint64 round{0};
    bool running{false}; ///< a round runs now ("t")
    QList<SeatTotal> totals;
    QByteArray encode() const;
    static GameStats decode(const QString &fields);
    bool operator==(const GameStats &) const = default;
};

/// The line of \a message without its terminator.
template <Message M> QByteArray encode(const M &message)
{
    return message.encode();
}

/// \a fields (the line after its command word) read as an \a M. Raises
/// HandlerError on a number field that is not a number.
template <Message M> M decode(const QString &fields)
{
    return M::decode(fields);
}

/// \a message followed by the terminator, ready to send.
template <Message M> QByteArray frame(const M &message)
{
    return frame(message.encode());
}

} // namespace vorlith::net::proto
