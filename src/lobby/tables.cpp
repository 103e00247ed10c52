#include "lobby/tables.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QJsonValue>
#include <QLoggingCategory>

#include <cmath>

Q_LOGGING_CATEGORY(lcTables, "vorlith.lobby.tables")

namespace vorlith::lobby {

QString Table::stateText() const
{
    if (!playing)
        return QStringLiteral("waiting");
    return QStringLiteral("round %1 of %2").arg(round).arg(rounds);
}

bool Table::seats(const QString &player) const
{
    for (const QString &name : seated) {
        if (name.compare(player, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

std::optional<int> Table::heldSeconds(const QString &player) const
{
    for (const HeldSeat &seat : held) {
        if (seat.name.compare(player, Qt::CaseInsensitive) == 0)
            return seat.seconds;
    }
    return std::nullopt;
}

namespace api {

namespace {

// A whole number within [low, high]; JSON numbers are doubles, and a
// fraction, an infinity or a string is not what the server sends.
std::optional<int> wholeNumber(const QJsonValue &value, int low, int high)
{
    if (!value.isDouble())
        return std::nullopt;
    const double number = value.toDouble();
    if (!std::isfinite(number) || number != std::floor(number) || number < low || number > high)
        return std::nullopt;
    return int(number);
}

std::optional<QString> text(const QJsonValue &value, int maxLength)
{
    if (!value.isString())
        return std::nullopt;
    const QString raw = value.toString();
    if (raw.isEmpty() || raw.size() > maxLength * 4)
        return std::nullopt;
    return plain(raw, maxLength);
}

// A host players can dial: an address or a host name. Anything else could
// turn into an option of the game's command line or a wrong address.
bool isDialable(const QString &host)
{
    if (host.isEmpty() || host.size() > 253 || host.startsWith(QLatin1Char('-')))
        return false;
    for (const QChar c : host) {
        const bool ok = (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
                        (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
                        (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('.') ||
                        c == QLatin1Char('-') || c == QLatin1Char(':') || c == QLatin1Char('%');
        if (!ok)
            return false;
    }
    return true;
}

} // namespace

QString plain(const QString &text, int maxLength)
{
    QString out = text.left(maxLength);
    for (QChar &c : out) {
        if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format ||
            c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
            c = QLatin1Char(' ');
    }
    return out;
}

std::optional<Table> readTable(const QJsonObject &object)
{
    Table table;
    const QJsonValue id = object.value(QLatin1String("id"));
    if (id.isString())
        table.id = id.toString();
    else if (const auto number = wholeNumber(id, 0, std::numeric_limits<int>::max()))
        table.id = QString::number(*number);
    if (table.id.isEmpty() || table.id.size() > MaxTextLength)
        return std::nullopt;

    const auto name = text(object.value(QLatin1String("name")), MaxNameLength);
    const auto host = text(object.value(QLatin1String("host")), 253);
    const auto port = wholeNumber(object.value(QLatin1String("port")), 1, 65535);
    const QJsonValue state = object.value(QLatin1String("state"));
    const auto round = wholeNumber(object.value(QLatin1String("round")), 0, 100);
    const auto rounds = wholeNumber(object.value(QLatin1String("rounds")), 1, 100);
    const auto time = wholeNumber(object.value(QLatin1String("time")), 1, 3600);
    const auto computers = wholeNumber(object.value(QLatin1String("computers")), 0, Table::Seats);
    const auto spies = wholeNumber(object.value(QLatin1String("spies")), 0, 1 << 20);
    const QJsonValue seated = object.value(QLatin1String("seated"));
    const QJsonValue held = object.value(QLatin1String("held"));
    if (!name || !host || !isDialable(*host) || !port || !round || !rounds || !time || !computers ||
        !spies || !seated.isArray() || !held.isArray())
        return std::nullopt;
    if (state != QJsonValue(QLatin1String("waiting")) &&
        state != QJsonValue(QLatin1String("playing")))
        return std::nullopt;
    table.name = *name;
    table.host = *host;
    table.port = quint16(*port);
    table.playing = state == QJsonValue(QLatin1String("playing"));
    table.round = *round;
    table.rounds = *rounds;
    table.time = *time;
    table.computers = *computers;
    table.spies = *spies;

    const QJsonArray seats = seated.toArray();
    if (seats.size() > Table::Seats)
        return std::nullopt;
    for (const QJsonValue &seat : seats) {
        const auto seatName = text(seat, MaxNameLength);
        if (!seatName)
            return std::nullopt;
        table.seated.append(*seatName);
    }
    const QJsonArray holds = held.toArray();
    if (holds.size() > Table::Seats)
        return std::nullopt;
    for (const QJsonValue &hold : holds) {
        const QJsonObject seat = hold.toObject();
        const auto seatName = text(seat.value(QLatin1String("name")), MaxNameLength);
        const auto seconds = wholeNumber(seat.value(QLatin1String("seconds")), 0, 24 * 3600);
        if (!seatName || !seconds)
            return std::nullopt;
        table.held.append({*seatName, *seconds});
    }
    if (const QJsonValue invite = object.value(QLatin1String("invite")); !invite.isUndefined()) {
        const auto code = text(invite, MaxNameLength);
        if (!code)
            return std::nullopt;
        table.invite = *code;
    }
    return table;
}

namespace {

std::optional<QJsonDocument> document(const QByteArray &body)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError) {
        qCInfo(lcTables) << "not JSON:" << error.errorString() << "at" << error.offset;
        return std::nullopt;
    }
    return doc;
}

} // namespace

std::optional<QList<Table>> readTableList(const QByteArray &body)
{
    const auto doc = document(body);
    if (!doc)
        return std::nullopt;
    QJsonArray array;
    if (doc->isArray())
        array = doc->array();
    else if (doc->isObject() && doc->object().value(QLatin1String("tables")).isArray())
        array = doc->object().value(QLatin1String("tables")).toArray();
    else
        return std::nullopt;

    QList<Table> tables;
    int refused = 0;
    for (const QJsonValue &entry : std::as_const(array)) {
        if (tables.size() == MaxTables)
            break;
        if (auto table = entry.isObject() ? readTable(entry.toObject()) : std::nullopt)
            tables.append(std::move(*table));
        else
            ++refused;
    }
    // A list of nothing but strangers is somebody else's list.
    if (tables.isEmpty() && refused > 0)
        return std::nullopt;
    if (refused > 0)
        qCInfo(lcTables) << refused << "entries of the list are not tables, left out";
    return tables;
}

std::optional<Table> readTableBody(const QByteArray &body)
{
    const auto doc = document(body);
    if (!doc || !doc->isObject())
        return std::nullopt;
    return readTable(doc->object());
}

QString readError(const QByteArray &body)
{
    const auto doc = document(body);
    if (!doc || !doc->isObject())
        return {};
    const QJsonValue error = doc->object().value(QLatin1String("error"));
    return error.isString() ? plain(error.toString(), 200).trimmed() : QString();
}

QByteArray newTableBody(const NewTable &table)
{
    const QJsonObject object{
        {QLatin1String("name"), table.name},         {QLatin1String("rounds"), table.rounds},
        {QLatin1String("time"), table.time},         {QLatin1String("computers"), table.computers},
        {QLatin1String("strength"), table.strength}, {QLatin1String("private"), table.isPrivate},
    };
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

} // namespace api

namespace servers {

QUrl baseUrl(const QString &text)
{
    const QString typed = text.trimmed();
    if (typed.isEmpty() || typed.size() > 512)
        return {};
    const bool hasScheme = typed.contains(QLatin1String("://"));
    QUrl url(hasScheme ? typed : QStringLiteral("http://") + typed, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty() || !url.userInfo().isEmpty() || url.hasQuery() ||
        url.hasFragment())
        return {};
    if (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https"))
        return {};
    if (url.port() == -1 && url.scheme() == QLatin1String("http"))
        url.setPort(DefaultApiPort);
    QString path = url.path();
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    url.setPath(path);
    return url;
}

QUrl apiUrl(const QUrl &base, const QString &path)
{
    return base.resolved(QUrl(path));
}

QString displayName(const QUrl &base)
{
    QUrl shown = base;
    if (shown.scheme() == QLatin1String("http") && shown.port() == DefaultApiPort)
        shown.setPort(-1);
    const bool http = shown.scheme() == QLatin1String("http");
    QString text = shown.toString(http ? QUrl::RemoveScheme : QUrl::None);
    while (text.endsWith(QLatin1Char('/')))
        text.chop(1);
    return http ? text.mid(2) : text; // "//host..." without its scheme
}

} // namespace servers

} // namespace vorlith::lobby
