#include "server/httpapi.h"

#include "server/tables.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLoggingCategory>
#include <QRegularExpression>
#include <QSocketNotifier>

#include <arpa/inet.h>
#include <microhttpd.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>

Q_LOGGING_CATEGORY(lcApi, "vorlith.server.api")

namespace vorlith::server {

namespace {

/// What the daemon keeps for one request between its calls.
struct RequestState
{
    QByteArray body;
    bool tooLarge{false};
    qsizetype discarded{0};
};

/// A chunked body has no length to refuse up front, and the daemon takes no
/// answer while a body arrives: what passes the limit is thrown away until
/// it ends, and a sender that goes on much longer loses its connection.
constexpr qsizetype MaxDiscardedBytes = 64 * 1024;

QByteArray jsonError(const QString &text, const QString &field = QString())
{
    QJsonObject o{{QStringLiteral("error"), text}};
    if (!field.isEmpty())
        o.insert(QStringLiteral("field"), field);
    return QJsonDocument(o).toJson(QJsonDocument::Compact) + '\n';
}

HttpApi::Reply json(unsigned status, const QByteArray &body)
{
    return {status, "application/json", body};
}

HttpApi::Reply error(unsigned status, const QString &text, const QString &field = QString())
{
    return json(status, jsonError(text, field));
}

QString addressText(const sockaddr *address)
{
    if (!address)
        return {};
    QHostAddress parsed(address);
    bool isV4 = false;
    const quint32 v4 = parsed.toIPv4Address(&isV4);
    return isV4 ? QHostAddress(v4).toString() : parsed.toString();
}

enum MHD_Result sumHeader(void *cls, enum MHD_ValueKind, const char *key, const char *value)
{
    auto *sum = static_cast<qsizetype *>(cls);
    *sum += qsizetype(std::strlen(key)) + (value ? qsizetype(std::strlen(value)) : 0) + 4;
    return MHD_YES;
}

} // namespace

struct DaemonCallbacks
{
    static void log(void *, const char *format, va_list args)
    {
        char text[512];
        std::vsnprintf(text, sizeof text, format, args);
        qCInfo(lcApi) << QByteArray(text).trimmed();
    }
    static enum MHD_Result request(void *self, MHD_Connection *connection, const char *url,
                                   const char *method, const char *, const char *upload,
                                   size_t *uploadSize, void **state)
    {
        return static_cast<HttpApi *>(self)->request(connection, url, method, upload, uploadSize,
                                                     state)
                   ? MHD_YES
                   : MHD_NO;
    }
    static void completed(void *, MHD_Connection *, void **state, enum MHD_RequestTerminationCode)
    {
        delete static_cast<RequestState *>(*state);
        *state = nullptr;
    }
};

HttpApi::HttpApi(Tables &tables, Settings settings, QObject *parent)
    : QObject(parent), m_tables(tables), m_settings(std::move(settings))
{
    m_timeouts.setSingleShot(true);
    connect(&m_timeouts, &QTimer::timeout, this, &HttpApi::run);
}

HttpApi::~HttpApi()
{
    m_notifier.reset();
    if (m_daemon)
        MHD_stop_daemon(m_daemon);
}

bool HttpApi::start()
{
    sockaddr_storage address{};
    socklen_t length = 0;
    unsigned flags = MHD_USE_EPOLL | MHD_USE_ERROR_LOG;
    if (m_settings.bind.isNull()) {
        flags |= MHD_USE_DUAL_STACK;
    } else if (m_settings.bind.protocol() == QAbstractSocket::IPv6Protocol) {
        flags |= MHD_USE_IPv6;
        auto *a6 = reinterpret_cast<sockaddr_in6 *>(&address);
        a6->sin6_family = AF_INET6;
        a6->sin6_port = htons(m_settings.port);
        const Q_IPV6ADDR raw = m_settings.bind.toIPv6Address();
        std::memcpy(&a6->sin6_addr, &raw, sizeof raw);
        length = sizeof(sockaddr_in6);
    } else {
        auto *a4 = reinterpret_cast<sockaddr_in *>(&address);
        a4->sin_family = AF_INET;
        a4->sin_port = htons(m_settings.port);
        a4->sin_addr.s_addr = htonl(m_settings.bind.toIPv4Address());
        length = sizeof(sockaddr_in);
    }
    const auto startWith = [&](unsigned withFlags) {
        return MHD_start_daemon(
            withFlags, m_settings.port, nullptr, nullptr, &DaemonCallbacks::request, this,
            MHD_OPTION_EXTERNAL_LOGGER, &DaemonCallbacks::log, this, MHD_OPTION_CONNECTION_LIMIT,
            m_settings.maxConnections, MHD_OPTION_PER_IP_CONNECTION_LIMIT,
            m_settings.maxConnectionsPerAddress,
            // Room for 4 KB of headers and the daemon's own bookkeeping; a
            // request that needs more is refused before we see it.
            MHD_OPTION_CONNECTION_MEMORY_LIMIT, size_t(16 * 1024), MHD_OPTION_CONNECTION_TIMEOUT,
            m_settings.timeoutSeconds, MHD_OPTION_NOTIFY_COMPLETED, &DaemonCallbacks::completed,
            this, length ? MHD_OPTION_SOCK_ADDR : MHD_OPTION_END,
            reinterpret_cast<sockaddr *>(&address), MHD_OPTION_END);
    };
    m_daemon = startWith(flags);
    // A machine (or container) without IPv6 still serves IPv4.
    if (!m_daemon && (flags & MHD_USE_DUAL_STACK) == MHD_USE_DUAL_STACK)
        m_daemon = startWith(flags & ~unsigned(MHD_USE_DUAL_STACK));
    if (!m_daemon) {
        m_error = QStringLiteral("cannot serve the API on port %1").arg(m_settings.port);
        return false;
    }
    const MHD_DaemonInfo *info = MHD_get_daemon_info(m_daemon, MHD_DAEMON_INFO_EPOLL_FD);
    m_notifier = std::make_unique<QSocketNotifier>(info->epoll_fd, QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &HttpApi::run);
    qCInfo(lcApi) << "API on port" << port();
    return true;
}

quint16 HttpApi::port() const
{
    if (!m_daemon)
        return 0;
    const MHD_DaemonInfo *info = MHD_get_daemon_info(m_daemon, MHD_DAEMON_INFO_BIND_PORT);
    return info ? info->port : 0;
}

void HttpApi::run()
{
    MHD_run(m_daemon);
    // Only connections have time-outs: with none, nothing runs until the
    // epoll descriptor wakes us.
    MHD_UNSIGNED_LONG_LONG ms = 0;
    if (MHD_get_timeout(m_daemon, &ms) == MHD_YES)
        m_timeouts.start(std::chrono::milliseconds(
            qint64(std::min<MHD_UNSIGNED_LONG_LONG>(ms, 60 * 60 * 1000))));
    else
        m_timeouts.stop();
}

QString HttpApi::remoteOf(MHD_Connection *connection) const
{
    const MHD_ConnectionInfo *info =
        MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CLIENT_ADDRESS);
    const QString peer = addressText(info ? info->client_addr : nullptr);
    if (!m_settings.trustedProxies.contains(QHostAddress(peer)))
        return peer;
    // The proxy appends the address it saw to whatever the client claimed:
    // only the last entry is its word.
    const char *forwarded =
        MHD_lookup_connection_value(connection, MHD_HEADER_KIND, "X-Forwarded-For");
    if (!forwarded)
        return peer;
    const QString last = QString::fromLatin1(forwarded).section(QLatin1Char(','), -1).trimmed();
    const QHostAddress client(last);
    return client.isNull() ? peer : client.toString();
}

bool HttpApi::request(MHD_Connection *connection, const char *url, const char *method,
                      const char *upload, size_t *uploadSize, void **state)
{
    auto *req = static_cast<RequestState *>(*state);
    if (!req) {
        req = new RequestState;
        *state = req;
        qsizetype headerBytes = qsizetype(std::strlen(url)) + qsizetype(std::strlen(method));
        MHD_get_connection_values(connection, MHD_HEADER_KIND, &sumHeader, &headerBytes);
        const char *declared =
            MHD_lookup_connection_value(connection, MHD_HEADER_KIND, "Content-Length");
        bool numeric = false;
        const qulonglong bodyBytes =
            declared ? QByteArray(declared).trimmed().toULongLong(&numeric) : 0;
        req->tooLarge = headerBytes > MaxRequestBytes ||
                        (declared && (!numeric || bodyBytes > MaxRequestBytes));
        if (!req->tooLarge)
            return true; // the body, if any, comes in the next calls
    } else if (*uploadSize > 0) {
        if (!req->tooLarge && req->body.size() + qsizetype(*uploadSize) <= MaxRequestBytes) {
            req->body.append(upload, qsizetype(*uploadSize));
        } else {
            req->tooLarge = true;
            req->body.clear();
            req->discarded += qsizetype(*uploadSize);
        }
        *uploadSize = 0;
        return req->discarded <= MaxDiscardedBytes;
    }

    Reply reply;
    if (req->tooLarge) {
        reply =
            error(413, QStringLiteral("the request is larger than %1 bytes").arg(MaxRequestBytes));
    } else {
        const MHD_ConnectionInfo *fd =
            MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD);
        QString local;
        if (fd) {
            sockaddr_storage own{};
            socklen_t length = sizeof own;
            if (getsockname(fd->connect_fd, reinterpret_cast<sockaddr *>(&own), &length) == 0)
                local = addressText(reinterpret_cast<sockaddr *>(&own));
        }
        reply = answer(QByteArray(method), QString::fromUtf8(url), req->body, remoteOf(connection),
                       local);
    }
    MHD_Response *response = MHD_create_response_from_buffer(
        size_t(reply.body.size()), reply.body.data(), MHD_RESPMEM_MUST_COPY);
    MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, reply.contentType.constData());
    MHD_add_response_header(response, "X-Content-Type-Options", "nosniff");
    MHD_add_response_header(response, "Cache-Control", "no-store");
    if (reply.status == 413)
        MHD_add_response_header(response, MHD_HTTP_HEADER_CONNECTION, "close");
    const bool queued = MHD_queue_response(connection, reply.status, response) == MHD_YES;
    MHD_destroy_response(response);
    return queued;
}

HttpApi::Reply HttpApi::answer(const QByteArray &method, const QString &path,
                               const QByteArray &body, const QString &remote,
                               const QString &localHost)
{
    static const QRegularExpression tablePath(QStringLiteral("^/api/tables/([0-9]{1,9})$"));
    static const QRegularExpression invitePath(
        QStringLiteral("^/api/invites/([A-Za-z0-9-]{1,16})$"));
    const bool get = method == "GET" || method == "HEAD";

    if (path == QLatin1String("/")) {
        return get ? statusPage() : error(405, QStringLiteral("only GET"));
    }
    if (path == QLatin1String("/healthz"))
        return get ? Reply{200, "text/plain; charset=utf-8", "ok\n"}
                   : error(405, QStringLiteral("only GET"));
    if (path == QLatin1String("/metrics"))
        return get ? metrics() : error(405, QStringLiteral("only GET"));
    if (path == QLatin1String("/api/tables")) {
        if (method == "POST")
            return createTable(body, remote, localHost);
        if (!get)
            return error(405, QStringLiteral("only GET and POST"));
        QJsonArray list;
        for (const Table *table : m_tables.all()) {
            if (!table->options().isPrivate)
                list.append(tableObject(*table, localHost));
        }
        return json(200, QJsonDocument(list).toJson(QJsonDocument::Compact) + '\n');
    }
    Table *table = nullptr;
    bool known = false;
    if (const auto m = tablePath.match(path); m.hasMatch()) {
        known = true;
        table = m_tables.find(m.captured(1).toInt());
    } else if (const auto m = invitePath.match(path); m.hasMatch()) {
        known = true;
        table = m_tables.findInvite(m.captured(1));
    }
    if (!known)
        return error(404, QStringLiteral("no such resource"));
    if (!get)
        return error(405, QStringLiteral("only GET"));
    if (!table)
        return error(404, QStringLiteral("no such table"));
    return json(200, QJsonDocument(tableObject(*table, localHost)).toJson(QJsonDocument::Compact) +
                         '\n');
}

QJsonObject HttpApi::tableObject(const Table &table, const QString &localHost) const
{
    const TableOptions &o = table.options();
    return QJsonObject{
        {QStringLiteral("id"), table.id()},
        {QStringLiteral("name"), o.name},
        {QStringLiteral("host"),
         m_settings.publicHost.isEmpty() ? localHost : m_settings.publicHost},
        {QStringLiteral("port"), int(table.port())},
        {QStringLiteral("state"),
         table.isPlaying() ? QStringLiteral("playing") : QStringLiteral("waiting")},
        {QStringLiteral("round"), qint64(table.round())},
        {QStringLiteral("rounds"), o.rounds},
        {QStringLiteral("time"), o.time},
        {QStringLiteral("computers"), o.computers},
        {QStringLiteral("seated"), QJsonArray::fromStringList(table.seated())},
        {QStringLiteral("spies"), table.spies()},
        {QStringLiteral("held"), heldArray(table)},
    };
}

QJsonArray HttpApi::heldArray(const Table &table)
{
    QJsonArray held;
    for (const auto &[name, seconds] : table.held())
        held.append(
            QJsonObject{{QStringLiteral("name"), name}, {QStringLiteral("seconds"), seconds}});
    return held;
}

HttpApi::Reply HttpApi::createTable(const QByteArray &body, const QString &remote,
                                    const QString &localHost)
{
    QJsonParseError parseError{};
    const QJsonDocument doc = QJsonDocument::fromJson(body, &parseError);
    if (parseError.error != QJsonParseError::NoError || !doc.isObject())
        return error(400, QStringLiteral("the body must be a JSON object"), QStringLiteral("body"));
    const QJsonObject in = doc.object();
    for (auto it = in.begin(); it != in.end(); ++it) {
        static const QStringList known{QStringLiteral("name"),     QStringLiteral("rounds"),
                                       QStringLiteral("time"),     QStringLiteral("computers"),
                                       QStringLiteral("strength"), QStringLiteral("private")};
        if (!known.contains(it.key()))
            return error(400, QStringLiteral("unknown field"), it.key().left(64));
    }

    TableOptions options;
    const QJsonValue name = in.value(QStringLiteral("name"));
    options.name = name.toString().trimmed();
    const bool printable = std::none_of(options.name.begin(), options.name.end(), [](QChar c) {
        return c.category() == QChar::Other_Control;
    });
    if (!name.isString() || options.name.isEmpty() ||
        options.name.size() > TableOptions::MaxNameLength || !printable)
        return error(400, QStringLiteral("a name of 1 to 32 printable characters is needed"),
                     QStringLiteral("name"));

    const auto whole = [&in](const char *field, int low, int high, int &out) {
        const QJsonValue v = in.value(QLatin1String(field));
        if (v.isUndefined())
            return true;
        const double d = v.toDouble(-1);
        if (!v.isDouble() || d != double(qint64(d)) || d < low || d > high)
            return false;
        out = int(d);
        return true;
    };
    if (!whole("rounds", 1, 10, options.rounds))
        return error(400, QStringLiteral("rounds must be a whole number from 1 to 10"),
                     QStringLiteral("rounds"));
    if (!whole("time", 30, 120, options.time))
        return error(400, QStringLiteral("time must be a whole number of seconds from 30 to 120"),
                     QStringLiteral("time"));
    if (!whole("computers", 0, 5, options.computers))
        return error(400, QStringLiteral("computers must be a whole number from 0 to 5"),
                     QStringLiteral("computers"));
    if (const QJsonValue s = in.value(QStringLiteral("strength")); !s.isUndefined()) {
        if (s == QLatin1String("easy"))
            options.strength = host::Strength::Easy;
        else if (s == QLatin1String("normal"))
            options.strength = host::Strength::Normal;
        else if (s == QLatin1String("hard"))
            options.strength = host::Strength::Hard;
        else
            return error(400, QStringLiteral("strength must be \"easy\", \"normal\" or \"hard\""),
                         QStringLiteral("strength"));
    }
    if (const QJsonValue p = in.value(QStringLiteral("private")); !p.isUndefined()) {
        if (!p.isBool())
            return error(400, QStringLiteral("private must be true or false"),
                         QStringLiteral("private"));
        options.isPrivate = p.toBool();
    }

    const Tables::Made made = m_tables.make(options, remote);
    switch (made.refusal) {
    case Tables::Refusal::None:
        break;
    case Tables::Refusal::Full:
        return error(503, QStringLiteral("the server holds as many tables as it may"));
    case Tables::Refusal::NoPort:
        return error(503, QStringLiteral("no port is free for another table"));
    case Tables::Refusal::AddressHasTooMany:
        return error(429, QStringLiteral("your address has as many open tables as it may"));
    case Tables::Refusal::AddressTooOften:
        return error(429,
                     QStringLiteral("your address has made too many tables in the last minute"));
    }
    QJsonObject out = tableObject(*made.table, localHost);
    if (!made.invite.isEmpty())
        out.insert(QStringLiteral("invite"), made.invite);
    return json(201, QJsonDocument(out).toJson(QJsonDocument::Compact) + '\n');
}

HttpApi::Reply HttpApi::statusPage() const
{
    QString html;
    html +=
        QStringLiteral("<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
                       "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
                       "<title>Vorlith tables</title>\n</head>\n<body>\n<h1>Vorlith tables</h1>\n");
    QString rows;
    int count = 0;
    for (const Table *table : m_tables.all()) {
        if (table->options().isPrivate)
            continue;
        ++count;
        const TableOptions &o = table->options();
        const QString state =
            table->isPlaying()
                ? QStringLiteral("playing round %1 of %2").arg(table->round()).arg(o.rounds)
                : QStringLiteral("waiting for players");
        QStringList players = table->seated();
        for (QString &p : players)
            p = p.toHtmlEscaped();
        rows +=
            QStringLiteral(
                "<tr><th scope=\"row\">%1</th><td>%2</td><td>%3</td><td>%4</td><td>%5</td></tr>\n")
                .arg(o.name.toHtmlEscaped())
                .arg(table->port())
                .arg(state.toHtmlEscaped())
                .arg(players.isEmpty() ? QStringLiteral("nobody yet")
                                       : players.join(QStringLiteral(", ")))
                .arg(table->spies());
    }
    if (count == 0) {
        html += QStringLiteral("<p>No public table is open.</p>\n");
    } else {
        html += QStringLiteral("<table>\n<caption>%1 public table%2</caption>\n<thead><tr><th "
                               "scope=\"col\">Table</th>"
                               "<th scope=\"col\">Port</th><th scope=\"col\">State</th><th "
                               "scope=\"col\">Players</th>"
                               "<th scope=\"col\">Watching</th></tr></thead>\n<tbody>\n")
                    .arg(count)
                    .arg(count == 1 ? QString() : QStringLiteral("s"));
        html += rows + QStringLiteral("</tbody>\n</table>\n");
    }
    html += QStringLiteral("</body>\n</html>\n");
    return {200, "text/html; charset=utf-8", html.toUtf8()};
}

HttpApi::Reply HttpApi::metrics() const
{
    QByteArray out;
    const auto gauge = [&out](const char *name, const char *help, const char *type,
                              const QByteArray &value) {
        out += QByteArray("# HELP ") + name + ' ' + help + "\n# TYPE " + name + ' ' + type + '\n' +
               name + ' ' + value + '\n';
    };
    gauge("vorlith_tables", "Tables open.", "gauge",
          QByteArray::number(qulonglong(m_tables.all().size())));
    gauge("vorlith_people_seated", "People (not computer players) in seats.", "gauge",
          QByteArray::number(m_tables.peopleSeated()));
    gauge("vorlith_games_started_total", "Games started at the tables.", "counter",
          QByteArray::number(m_tables.gamesStarted()));
    gauge("vorlith_games_played_total", "Games played to a winner at the tables.", "counter",
          QByteArray::number(m_tables.gamesPlayed()));
    const VerdictTimes &v = m_tables.verdictTimes();
    out += "# HELP vorlith_verdict_seconds Time from a word's arrival to its verdict.\n"
           "# TYPE vorlith_verdict_seconds histogram\n";
    quint64 cumulative = 0;
    for (size_t i = 0; i < VerdictTimes::Bounds.size(); ++i) {
        cumulative += v.counts[i];
        out += "vorlith_verdict_seconds_bucket{le=\"" +
               QByteArray::number(VerdictTimes::Bounds[i], 'g', 6) + "\"} " +
               QByteArray::number(cumulative) + '\n';
    }
    out += "vorlith_verdict_seconds_bucket{le=\"+Inf\"} " + QByteArray::number(v.count) + '\n';
    out += "vorlith_verdict_seconds_sum " + QByteArray::number(v.sum, 'g', 9) + '\n';
    out += "vorlith_verdict_seconds_count " + QByteArray::number(v.count) + '\n';
    return {200, "text/plain; version=0.0.4; charset=utf-8", out};
}

} // namespace vorlith::server
