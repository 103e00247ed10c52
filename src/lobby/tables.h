#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <optional>

class QJsonObject;

namespace vorlith::lobby {

/// A seat kept for a person whose game dropped, for the seconds left.
struct HeldSeat
{
    QString name;
    int seconds{0};
};

/// A table as the table server describes it.
struct Table
{
    static constexpr int Seats = 6;

    QString id;
    QString name;
    QString host; ///< the address players dial
    quint16 port{0};
    bool playing{false};
    int round{0};
    int rounds{0};
    int time{0};
    int computers{0};
    QStringList seated; ///< computer players included
    int spies{0};
    QList<HeldSeat> held;
    QString invite; ///< only for a private table just created

    int freeSeats() const { return qMax(0, Seats - int(seated.size())); }
    bool isFull() const { return freeSeats() == 0; }
    /// "waiting", or "round 3 of 5" while a game is played.
    QString stateText() const;
    /// True when \a player sits at the table (names match without regard
    /// to case, as the host's do).
    bool seats(const QString &player) const;
    /// The seconds the seat of \a player is held, or nothing.
    std::optional<int> heldSeconds(const QString &player) const;
};

/// What a table server's answer holds. The server is somebody else's:
/// every field is checked, text is cut to a bound, and anything that does
/// not have our shape is refused.
namespace api {

/// Most tables one list is taken from; the rest are not shown.
inline constexpr int MaxTables = 1000;
inline constexpr int MaxTextLength = 64;
inline constexpr int MaxNameLength = 32;

/// A table object, or nothing when it is not one.
std::optional<Table> readTable(const QJsonObject &object);
/// The body of GET /api/tables: a JSON array of tables (or an object with
/// such an array under "tables"). Entries that are not tables are left out;
/// nothing when the body is not such a list at all.
std::optional<QList<Table>> readTableList(const QByteArray &body);
/// A body holding one table object (GET /api/tables/{id}, the invite and a
/// created table).
std::optional<Table> readTableBody(const QByteArray &body);
/// The "error" text of an error body, cut and made plain; empty when none.
QString readError(const QByteArray &body);

/// The body of POST /api/tables.
struct NewTable
{
    QString name;
    int rounds{5};
    int time{60};
    int computers{0};
    QString strength{QStringLiteral("normal")}; ///< "easy", "normal" or "hard"
    bool isPrivate{false};
};
QByteArray newTableBody(const NewTable &table);

/// A string from the server made safe to show: control characters become
/// spaces, and it is cut to \a maxLength characters.
QString plain(const QString &text, int maxLength = MaxTextLength);

} // namespace api

/// A table server's address as the player types it: "host", "host:port",
/// "http://host:port" or "https://host/prefix". A bare host means http on
/// DefaultApiPort.
namespace servers {

inline constexpr quint16 DefaultApiPort = 7780;

/// The base address the API paths are put after, or an invalid address
/// when \a text is no server address.
QUrl baseUrl(const QString &text);
/// The address of \a path (e.g. "api/tables") on the server at \a base.
QUrl apiUrl(const QUrl &base, const QString &path);
/// How the server is shown and remembered: the text as typed, trimmed, or
/// with "http://" and the default port dropped.
QString displayName(const QUrl &base);

} // namespace servers

} // namespace vorlith::lobby
