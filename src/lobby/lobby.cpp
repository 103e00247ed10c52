#include "lobby/lobby.h"

#include "lobby/lobbysettings.h"
#include "lobby/presence.h"
#include "lobby/tablemodel.h"
#include "net/localgames.h"

#include <QLoggingCategory>
#include <QRegularExpression>
#include <QTimer>

#ifndef VORLITH_TABLE_SERVERS
#define VORLITH_TABLE_SERVERS ""
#endif

Q_LOGGING_CATEGORY(lcLobby, "vorlith.lobby")

namespace vorlith::lobby {

namespace {

QTimer *singleShotTimer(QObject *parent, int ms)
{
    auto *timer = new QTimer(parent);
    timer->setSingleShot(true);
    timer->setInterval(ms);
    return timer;
}

QString quoted(const QString &text)
{
    return QStringLiteral("\u201c") + text + QStringLiteral("\u201d");
}

} // namespace

Lobby::Lobby(LobbySettings &settings, GameLauncher &launcher, PresenceServer &presence,
             QObject *parent)
    : QObject(parent), m_settings(settings), m_launcher(launcher), m_presence(presence),
      m_api(std::make_unique<ApiClient>()), m_tables(new TableListModel(this)),
      m_filter(new TableFilter(this)), m_finder(new net::LocalGameFinder(this)),
      m_poll(singleShotTimer(this, RefreshMs)), m_report(singleShotTimer(this, GameReportMs)),
      m_countdown(new QTimer(this)), m_heldLook(singleShotTimer(this, HeldLookMs))
{
    m_filter->setSourceModel(m_tables);
    // The games learn where to report only when it is not their default.
    if (m_presence.port() != 0)
        m_launcher.setPresencePort(m_presence.port());
    m_countdown->setInterval(1000);
    connect(m_poll, &QTimer::timeout, this, &Lobby::refresh);
    connect(m_report, &QTimer::timeout, this, [this] {
        qCInfo(lcLobby) << "the game never reported at the presence port";
        leaveGame();
    });
    connect(m_countdown, &QTimer::timeout, this, &Lobby::rejoinTick);
    connect(m_heldLook, &QTimer::timeout, this, &Lobby::lookForHeldSeat);
    connect(&m_presence, &PresenceServer::gameConnected, this, &Lobby::gameConnected);
    connect(&m_presence, &PresenceServer::gameEnded, this, &Lobby::gameEnded);

    const QString defaults = QStringLiteral(VORLITH_TABLE_SERVERS);
    for (const QString &server :
         defaults.split(QRegularExpression(QStringLiteral("[;\\s]+")), Qt::SkipEmptyParts)) {
        const QUrl base = servers::baseUrl(server);
        if (base.isValid())
            m_defaults.append(servers::displayName(base));
    }
    const QString name = settings.name();
    if (nameProblem(name).isEmpty())
        m_name = name;
    const QStringList known = this->servers();
    const QString chosen = settings.chosenServer();
    chooseServer(known.contains(chosen) ? chosen : known.value(0));
}

Lobby::~Lobby() = default;

QString Lobby::nameProblem(const QString &name)
{
    if (name.trimmed().isEmpty())
        return QStringLiteral("Type your name first: it is how the others at the table see you.");
    if (name.size() > api::MaxNameLength)
        return QStringLiteral("A name has at most %1 characters.").arg(api::MaxNameLength);
    if (name != name.trimmed() || name.startsWith(QLatin1Char('-')))
        return QStringLiteral("A name may not start or end with a blank, nor start with \"-\".");
    for (const QChar c : name) {
        if (c.unicode() > 0xFF || !c.isPrint() || c == QLatin1Char('+'))
            return QStringLiteral(
                       "A name may hold letters, digits, blanks and most signs, but not \"%1\".")
                .arg(c.isPrint() ? QString(c) : QStringLiteral("control characters"));
    }
    return {};
}

bool Lobby::setName(const QString &name)
{
    const QString problem = nameProblem(name);
    if (!problem.isEmpty()) {
        Q_EMIT message(problem);
        return false;
    }
    if (name == m_name)
        return true;
    m_name = name;
    if (!m_settings.setName(name))
        Q_EMIT message(m_settings.errorText());
    return true;
}

QStringList Lobby::servers() const
{
    QStringList list = m_defaults;
    for (const QString &server : m_settings.servers()) {
        const QUrl base = servers::baseUrl(server);
        if (base.isValid() && !list.contains(servers::displayName(base)))
            list.append(servers::displayName(base));
    }
    if (!m_sessionServer.isEmpty() && !list.contains(m_sessionServer))
        list.append(m_sessionServer);
    return list;
}

bool Lobby::addServer(const QString &address)
{
    const QUrl base = servers::baseUrl(address);
    if (!base.isValid()) {
        Q_EMIT message(QStringLiteral("%1 is not a server address. Type a host name or address, "
                                      "with :port when it is not 7780, or an https:// address.")
                           .arg(quoted(api::plain(address.trimmed()))));
        return false;
    }
    const QString shown = servers::displayName(base);
    QStringList added = m_settings.servers();
    if (!m_defaults.contains(shown) && !added.contains(shown)) {
        added.append(shown);
        if (!m_settings.setServers(added))
            Q_EMIT message(m_settings.errorText());
    }
    Q_EMIT serversChanged();
    chooseServer(shown);
    return true;
}

void Lobby::removeServer(const QString &server)
{
    QStringList added = m_settings.servers();
    const bool wasAdded = added.removeAll(server) > 0;
    const bool wasSession = m_sessionServer == server;
    if (!wasAdded && !wasSession)
        return;
    if (wasAdded && !m_settings.setServers(added))
        Q_EMIT message(m_settings.errorText());
    if (wasSession)
        m_sessionServer.clear();
    Q_EMIT serversChanged();
    if (m_server == server)
        chooseServer(servers().value(0));
}

bool Lobby::useServer(const QString &address)
{
    const QUrl base = servers::baseUrl(address);
    if (!base.isValid())
        return false;
    m_sessionServer = servers::displayName(base);
    Q_EMIT serversChanged();
    chooseServer(m_sessionServer);
    return true;
}

void Lobby::chooseServer(const QString &server)
{
    const QUrl base = servers::baseUrl(server);
    if (server == m_server && base == m_api->server() && m_state != ServerState::None)
        return;
    m_server = base.isValid() ? server : QString();
    m_api->setServer(base.isValid() ? base : QUrl());
    m_listing = false;
    m_poll->stop();
    m_tables->setTables({});
    if (!base.isValid()) {
        setState(
            ServerState::None,
            QStringLiteral("No table server is known yet. Add one with Add Server\u2026 (its host "
                           "name or address, or an https:// address), or run vorlith-server on a "
                           "computer of yours and add that computer's address."));
        return;
    }
    if (m_server != m_sessionServer && m_server != m_settings.chosenServer())
        m_settings.setChosenServer(m_server);
    setState(ServerState::Loading, QStringLiteral("Asking %1 for its tables\u2026").arg(m_server));
    if (m_active)
        refresh();
}

void Lobby::setState(ServerState state, const QString &status)
{
    if (state == m_state && status == m_status)
        return;
    m_state = state;
    m_status = status;
    Q_EMIT statusChanged();
}

void Lobby::setActive(bool active)
{
    if (active == m_active)
        return;
    m_active = active;
    if (active)
        refresh();
    else
        m_poll->stop();
}

bool Lobby::isPolling() const
{
    return m_poll->isActive();
}

int Lobby::pollInterval() const
{
    return m_poll->interval();
}

void Lobby::refresh()
{
    m_poll->stop();
    if (m_server.isEmpty() || m_listing)
        return;
    m_listing = true;
    m_api->listTables([this](const ApiResult &result) { listed(result); });
}

void Lobby::listed(const ApiResult &result)
{
    m_listing = false;
    switch (result.kind) {
    case ApiResult::Kind::Ok: {
        m_tables->setTables(result.tables);
        const int count = int(result.tables.size());
        setState(ServerState::Listing,
                 count == 0
                     ? QStringLiteral("No public tables at %1 yet: create one.").arg(m_server)
                 : count == 1 ? QStringLiteral("1 public table at %1.").arg(m_server)
                              : QStringLiteral("%1 public tables at %2.").arg(count).arg(m_server));
        break;
    }
    case ApiResult::Kind::Unreachable:
        // The list already shown stays: it may still be right.
        setState(
            ServerState::Unreachable,
            QStringLiteral("Cannot reach the table server %1: %2. Trying again every %3 seconds.")
                .arg(m_server, result.text)
                .arg(RetryMs / 1000));
        break;
    default:
        m_tables->setTables({});
        setState(ServerState::NotOurApi,
                 QStringLiteral("%1 is not a table server, or not one this lobby understands (%2). "
                                "Check the address.")
                     .arg(m_server, result.text));
        break;
    }
    schedule();
}

void Lobby::schedule()
{
    if (!m_active || m_server.isEmpty() || m_listing) {
        m_poll->stop();
        return;
    }
    m_poll->start(m_state == ServerState::Listing ? RefreshMs : RetryMs);
}

QString Lobby::unreachableText(const QString &reason) const
{
    return QStringLiteral("Cannot reach the table server %1: %2.").arg(m_server, reason);
}

bool Lobby::haveName()
{
    const QString problem = nameProblem(m_name);
    if (problem.isEmpty())
        return true;
    Q_EMIT message(problem);
    return false;
}

bool Lobby::haveServer()
{
    if (!m_server.isEmpty())
        return true;
    Q_EMIT message(
        QStringLiteral("Choose a table server first, or add one with Add Server\u2026."));
    return false;
}

void Lobby::setBusy(bool busy)
{
    if (busy == m_busy)
        return;
    m_busy = busy;
    Q_EMIT busyChanged(busy);
}

void Lobby::join(const QString &tableId)
{
    if (!haveName() || !haveServer())
        return;
    const Table *listed = m_tables->tableById(tableId);
    const QString name = listed ? listed->name : QStringLiteral("that table");
    setBusy(true);
    m_api->table(tableId, [this, name](const ApiResult &result) {
        launchAnswered(result,
                       QStringLiteral("The table %1 is gone: it closed when everybody had left.")
                           .arg(quoted(name)));
        if (result.kind == ApiResult::Kind::NotFound)
            refresh(); // the list still shows it
    });
}

void Lobby::launchAnswered(const ApiResult &result, const QString &notFound)
{
    setBusy(false);
    switch (result.kind) {
    case ApiResult::Kind::Ok:
        checkAndLaunch(*result.table);
        return;
    case ApiResult::Kind::NotFound:
        Q_EMIT message(notFound);
        return;
    case ApiResult::Kind::Unreachable:
        Q_EMIT message(unreachableText(result.text));
        return;
    default:
        Q_EMIT message(QStringLiteral("%1 answered strangely: %2.").arg(m_server, result.text));
        return;
    }
}

void Lobby::joinTable(const Table &table)
{
    join(table.id);
}

void Lobby::joinWithCode(const QString &typed)
{
    if (!haveName() || !haveServer())
        return;
    const QString code = typed.trimmed().toUpper();
    static const QRegularExpression shape(QStringLiteral("^[A-Z0-9-]{1,32}$"));
    if (!shape.match(code).hasMatch()) {
        Q_EMIT message(QStringLiteral("%1 is not an invite code: a code looks like 7K3-QF2.")
                           .arg(quoted(api::plain(code))));
        return;
    }
    setBusy(true);
    m_api->invite(code, [this, code](const ApiResult &result) {
        launchAnswered(
            result, QStringLiteral("No table at %1 has the code %2. Check the code, and that "
                                   "it is for this server; a table closes when everybody has left.")
                        .arg(m_server, code));
    });
}

void Lobby::createTable(const api::NewTable &table)
{
    if (!haveName() || !haveServer())
        return;
    if (table.name.trimmed().isEmpty() || table.name.size() > api::MaxNameLength) {
        Q_EMIT message(
            QStringLiteral("A table needs a name of 1 to %1 characters.").arg(api::MaxNameLength));
        return;
    }
    setBusy(true);
    m_api->createTable(table, [this](const ApiResult &result) {
        setBusy(false);
        switch (result.kind) {
        case ApiResult::Kind::Ok:
            refresh();
            if (!result.table->invite.isEmpty())
                Q_EMIT privateTableCreated(*result.table);
            else
                checkAndLaunch(*result.table);
            return;
        case ApiResult::Kind::Unreachable:
            Q_EMIT message(unreachableText(result.text));
            return;
        case ApiResult::Kind::Refused:
            Q_EMIT message(
                QStringLiteral("%1 did not make the table: %2").arg(m_server, result.text));
            return;
        default:
            Q_EMIT message(QStringLiteral("%1 answered strangely: %2.").arg(m_server, result.text));
            return;
        }
    });
}

void Lobby::checkAndLaunch(const Table &table)
{
    const std::optional<int> held = table.heldSeconds(m_name);
    if (!held && table.seats(m_name)) {
        Q_EMIT message(
            QStringLiteral("Somebody named %1 already sits at %2. Choose another name to join.")
                .arg(m_name, quoted(table.name)));
        return;
    }
    if (!held && table.isFull())
        Q_EMIT message(
            QStringLiteral("All six seats at %1 are taken: you will watch the game as a spy.")
                .arg(quoted(table.name)));
    launchGame(m_launcher.joinTable(m_name, table.host, table.port), table.name, table);
}

void Lobby::joinLocal(const net::LocalGame &game)
{
    if (!haveName())
        return;
    QHostAddress address = game.address;
    bool mapped = false;
    const quint32 v4 = address.toIPv4Address(&mapped);
    if (mapped)
        address = QHostAddress(v4);
    const QString dial =
        address.protocol() == QAbstractSocket::IPv6Protocol
            ? GameLauncher::dialAddress(address.toString(), net::localgames::DefaultPort)
            : address.toString();
    launchGame(m_launcher.joinLocal(m_name, dial), QStringLiteral("%1's table").arg(game.name),
               std::nullopt);
}

void Lobby::hostHere()
{
    if (!haveName())
        return;
    launchGame(m_launcher.host(m_name), QStringLiteral("this computer"), std::nullopt);
}

void Lobby::launchGame(const Launch &launch, const QString &where,
                       const std::optional<Table> &table)
{
    if (m_playing) {
        Q_EMIT message(QStringLiteral("You are already in a game at %1.").arg(m_playingAt));
        return;
    }
    if (launch.program.isEmpty()) {
        Q_EMIT message(
            QStringLiteral("The game is not installed: vorlith is neither beside the lobby "
                           "nor on the PATH."));
        return;
    }
    if (!m_launcher.start(launch)) {
        Q_EMIT message(QStringLiteral("The game %1 could not be started.").arg(launch.program));
        return;
    }
    clearRejoin();
    m_heldLook->stop();
    m_heldTableId.clear();
    m_playing = true;
    m_reported = false;
    m_playingAt = where;
    m_playingTable = table;
    m_playingServer = m_api->server();
    m_report->start();
    Q_EMIT playingChanged();
}

QString Lobby::playingText() const
{
    return m_playing ? QStringLiteral("In a game at %1").arg(m_playingAt) : QString();
}

void Lobby::gameConnected()
{
    if (!m_playing || m_reported)
        return;
    m_reported = true;
    m_report->stop();
}

void Lobby::gameEnded(int remaining)
{
    if (m_playing && m_reported && remaining == 0)
        leaveGame();
}

void Lobby::leaveGame()
{
    if (!m_playing)
        return;
    m_report->stop();
    m_playing = false;
    const std::optional<Table> table = std::exchange(m_playingTable, std::nullopt);
    Q_EMIT playingChanged();
    Q_EMIT showRequested();
    refresh();
    if (table && m_api->server() == m_playingServer) {
        m_heldTableId = table->id;
        m_heldTriesLeft = HeldLookTries;
        lookForHeldSeat();
    }
}

void Lobby::lookForHeldSeat()
{
    if (m_heldTableId.isEmpty() || m_playing || m_api->server() != m_playingServer) {
        m_heldTableId.clear();
        return;
    }
    --m_heldTriesLeft;
    m_api->table(m_heldTableId, [this, id = m_heldTableId](const ApiResult &result) {
        if (id != m_heldTableId || m_playing || m_api->server() != m_playingServer)
            return;
        const bool ok = result.kind == ApiResult::Kind::Ok;
        const std::optional<int> seconds = ok ? result.table->heldSeconds(m_name) : std::nullopt;
        if (seconds && *seconds > 0) {
            m_heldTableId.clear();
            m_rejoin = result.table;
            m_rejoinSeconds = *seconds;
            m_countdown->start();
            Q_EMIT rejoinChanged();
            return;
        }
        // Still seated: the server has not seen the game go yet. Gone from
        // the seats without a hold, or the table closed: nothing to offer.
        const bool unsure =
            result.kind == ApiResult::Kind::Unreachable || (ok && result.table->seats(m_name));
        if (unsure && m_heldTriesLeft > 0)
            m_heldLook->start(HeldLookMs);
        else
            m_heldTableId.clear();
    });
}

QString Lobby::rejoinText() const
{
    return m_rejoin ? QStringLiteral("Rejoin %1").arg(m_rejoin->name) : QString();
}

void Lobby::rejoinTick()
{
    if (!m_rejoin)
        return;
    if (--m_rejoinSeconds <= 0)
        clearRejoin();
    else
        Q_EMIT rejoinChanged();
}

void Lobby::rejoin()
{
    if (!m_rejoin)
        return;
    const QString id = m_rejoin->id;
    clearRejoin();
    join(id);
}

void Lobby::clearRejoin()
{
    m_countdown->stop();
    if (!m_rejoin)
        return;
    m_rejoin.reset();
    m_rejoinSeconds = 0;
    Q_EMIT rejoinChanged();
}

} // namespace vorlith::lobby
