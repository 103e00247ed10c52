#include "lobby/launch.h"

#include <QDir>
#include <QFileInfo>
#include <QHostAddress>
#include <QLoggingCategory>
#include <QProcess>
#include <QStandardPaths>

Q_LOGGING_CATEGORY(lcLaunch, "vorlith.lobby.launch")

namespace vorlith::lobby {

namespace {

const QString GameName = QStringLiteral("vorlith");

bool startDetached(const Launch &launch)
{
    QProcess process;
    process.setProgram(launch.program);
    process.setArguments(launch.arguments);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(launch.environment);
    process.setProcessEnvironment(environment);
    // The game outlives the lobby's interest in it; its end is learnt from
    // the presence connection, not from the process.
    process.setStandardInputFile(QProcess::nullDevice());
    return process.startDetached();
}

} // namespace

GameLauncher::GameLauncher(QString lobbyFolder)
    : m_lobbyFolder(std::move(lobbyFolder)), m_starter(startDetached)
{
}

QString GameLauncher::program() const
{
    const QFileInfo beside(QDir(m_lobbyFolder).filePath(GameName));
    if (beside.isFile() && beside.isExecutable())
        return beside.absoluteFilePath();
    return QStandardPaths::findExecutable(GameName);
}

QString GameLauncher::programFolder() const
{
    const QString path = program();
    return path.isEmpty() ? m_lobbyFolder : QFileInfo(path).absolutePath();
}

QString GameLauncher::dialAddress(const QString &host, quint16 port)
{
    const QHostAddress address(host);
    if (!address.isNull() && address.protocol() == QAbstractSocket::IPv6Protocol)
        return QLatin1Char('[') + host + QStringLiteral("]:") + QString::number(port);
    return host + QLatin1Char(':') + QString::number(port);
}

Launch GameLauncher::make(const QStringList &arguments) const
{
    Launch launch{program(), arguments, {}};
    // The game inherits the lobby's environment: a port the lobby was
    // started with would send the game's report past the lobby, so the
    // lobby's own port is named then too.
    if (m_presencePort != DefaultPresencePort || qEnvironmentVariableIsSet("VORLITH_PRESENCE_PORT"))
        launch.environment.insert(QStringLiteral("VORLITH_PRESENCE_PORT"),
                                  QString::number(m_presencePort));
    return launch;
}

Launch GameLauncher::joinTable(const QString &name, const QString &host, quint16 port) const
{
    return make(
        {QStringLiteral("--may-start"), QStringLiteral("--join"), name, dialAddress(host, port)});
}

Launch GameLauncher::joinLocal(const QString &name, const QString &address) const
{
    return make({QStringLiteral("--join"), name, address});
}

Launch GameLauncher::host(const QString &name) const
{
    return make({QStringLiteral("--host"), name});
}

bool GameLauncher::start(const Launch &launch) const
{
    if (launch.program.isEmpty()) {
        qCWarning(lcLaunch) << "no game program beside the lobby or on PATH";
        return false;
    }
    qCInfo(lcLaunch) << "starting" << launch.program << launch.arguments;
    return m_starter(launch);
}

} // namespace vorlith::lobby
