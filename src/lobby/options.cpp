#include "lobby/options.h"

#include "lobby/launch.h"
#include "lobby/lobby.h"
#include "lobby/lobbysettings.h"
#include "lobby/lobbywindow.h"
#include "lobby/presence.h"
#include "lobby/singleinstance.h"
#include "lobby/tables.h"
#include "ui/paths.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>

#include <memory>

#ifndef VORLITH_VERSION
#define VORLITH_VERSION "0"
#endif

namespace vorlith::lobby {

Options parseOptions(const QStringList &arguments, const QString &tableServer)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Finds a table for a game of Vorlith on a table server or on the local "
                       "network, makes new tables and starts the game at them."));
    const QCommandLineOption server(
        QStringLiteral("server"),
        QStringLiteral("The table server to list (host, host:port or an "
                       "https:// address); also VORLITH_TABLE_SERVER."),
        QStringLiteral("ADDRESS"));
    const QCommandLineOption name(
        QStringLiteral("name"), QStringLiteral("Your name at the tables."), QStringLiteral("NAME"));
    parser.addOption(server);
    parser.addOption(name);
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();

    Options options;
    const QString program = arguments.value(0, QStringLiteral("vorlith-lobby"));
    if (!parser.parse(arguments)) {
        options.action = Options::Action::Fail;
        options.exitCode = 2;
        options.output = parser.errorText() + QStringLiteral("\nTry '%1 --help'.\n").arg(program);
        return options;
    }
    if (parser.isSet(help)) {
        options.action = Options::Action::Print;
        options.output = parser.helpText();
        // Without an application object the parser cannot name the program.
        const qsizetype options_ = options.output.indexOf(QStringLiteral(" [options]"));
        if (options.output.startsWith(QStringLiteral("Usage: ")) && options_ > 0)
            options.output = QStringLiteral("Usage: ") + QFileInfo(program).fileName() +
                             options.output.mid(options_);
        return options;
    }
    if (parser.isSet(version)) {
        options.action = Options::Action::Print;
        options.output = QStringLiteral("vorlith-lobby " VORLITH_VERSION "\n");
        return options;
    }
    if (!parser.positionalArguments().isEmpty()) {
        options.action = Options::Action::Fail;
        options.exitCode = 2;
        options.output = QStringLiteral("Unexpected argument: %1\nTry '%2 --help'.\n")
                             .arg(parser.positionalArguments().first(), program);
        return options;
    }
    options.server = parser.isSet(server) ? parser.value(server) : tableServer.trimmed();
    if (!options.server.isEmpty() && !servers::baseUrl(options.server).isValid()) {
        options.action = Options::Action::Fail;
        options.exitCode = 2;
        options.output = QStringLiteral("Not a server address: %1\n").arg(options.server);
        return options;
    }
    options.name = parser.value(name);
    if (!options.name.isEmpty()) {
        const QString problem = Lobby::nameProblem(options.name);
        if (!problem.isEmpty()) {
            options.action = Options::Action::Fail;
            options.exitCode = 2;
            options.output = problem + QLatin1Char('\n');
        }
    }
    return options;
}

int run(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const Options options = parseOptions(arguments, qEnvironmentVariable("VORLITH_TABLE_SERVER"));
    if (options.action != Options::Action::Run) {
        QTextStream out(options.action == Options::Action::Print ? stdout : stderr);
        out << options.output;
        return options.exitCode;
    }

    QApplication app(argc, argv);
    // The game's names, so that both find the same settings file.
    QApplication::setOrganizationName(QLatin1String(ui::OrganizationName));
    QApplication::setApplicationName(QLatin1String(ui::ApplicationName));
    QApplication::setApplicationDisplayName(QStringLiteral("Vorlith Lobby"));
    QGuiApplication::setDesktopFileName(QStringLiteral(VORLITH_APP_ID ".lobby"));

    SingleInstance instance(SingleInstance::defaultName());
    std::unique_ptr<GameLauncher> launcher;
    std::unique_ptr<PresenceServer> presence;
    std::unique_ptr<LobbySettings> settings;
    std::unique_ptr<Lobby> lobby;
    std::unique_ptr<LobbyWindow> window;

    QObject::connect(&instance, &SingleInstance::decided, &app, [&](SingleInstance::Role role) {
        if (role == SingleInstance::Role::Second) {
            // The lobby already running shows itself; this start is done.
            QCoreApplication::exit(0);
            return;
        }
        launcher = std::make_unique<GameLauncher>(QCoreApplication::applicationDirPath());
        // The settings file is the one the game that the lobby starts uses.
        ui::setDataFolderOverride(ui::dataFolderOf(launcher->programFolder()));
        settings =
            std::make_unique<LobbySettings>(ui::dataFilePath(QLatin1String(ui::SettingsFileName)));
        presence = std::make_unique<PresenceServer>();
        if (!presence->listen(GameLauncher::DefaultPresencePort))
            qWarning("no presence port: the lobby will not learn when a game ends");
        lobby = std::make_unique<Lobby>(*settings, *launcher, *presence);
        if (!options.name.isEmpty())
            lobby->setName(options.name);
        if (!options.server.isEmpty())
            lobby->useServer(options.server);
        window = std::make_unique<LobbyWindow>(*lobby);
        QObject::connect(&instance, &SingleInstance::raiseRequested, window.get(),
                         &LobbyWindow::bringToFront);
        window->show();
    });
    instance.start();
    const int code = QApplication::exec();
    window.reset();
    lobby.reset();
    return code;
}

} // namespace vorlith::lobby
