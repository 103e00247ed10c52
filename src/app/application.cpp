#include "app/application.h"

#include "app/commandline.h"
#include "app/gameswitch.h"
#include "app/program.h"
#include "net/localgames.h"
#include "ui/deferredicons.h"
#include "ui/paths.h"
#include "ui/resources.h"
#include "ui/theme.h"

#include <QApplication>
#include <QIcon>
#include <QLocalServer>
#include <QLoggingCategory>
#include <QTextStream>

Q_LOGGING_CATEGORY(lcApp, "vorlith.app")

#ifndef VORLITH_APP_ID
#define VORLITH_APP_ID "org.example.vorlith"
#endif

namespace vorlith::app {

namespace {

/// Where the Join dialog asks; VORLITH_LAN_TARGETS (addresses separated by
/// commas) keeps the queries on given addresses, such as this machine in tests.
QList<QHostAddress> lanTargets()
{
    QList<QHostAddress> targets;
    const QStringList texts =
        qEnvironmentVariable("VORLITH_LAN_TARGETS").split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (const QString &text : texts) {
        const QHostAddress address(text.trimmed());
        if (address.isNull())
            qCWarning(lcApp) << "VORLITH_LAN_TARGETS holds no address:" << text;
        else
            targets.append(address);
    }
    return targets;
}

} // namespace

QString portFromEnvironment(const char *variable, const QString &fallback)
{
    if (!qEnvironmentVariableIsSet(variable))
        return fallback;
    const QString text = qEnvironmentVariable(variable).trimmed();
    bool ok = false;
    const uint port = text.toUInt(&ok, 10);
    if (ok && port >= 1 && port <= 65535)
        return QString::number(port);
    qCWarning(lcApp) << variable << "holds no port number:" << text << "- using" << fallback;
    return fallback;
}

int run(int argc, char **argv)
{
    // The command line is read before any window exists, so --help and
    // --version work without a display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const CommandLine commandLine;
    const LaunchRequest asked = commandLine.parse(arguments);
    if (asked.action != LaunchRequest::Action::Play) {
        QTextStream out(asked.action == LaunchRequest::Action::Print ? stdout : stderr);
        out << asked.output;
        return asked.exitCode;
    }

    ui::initResources();
    QApplication app(argc, argv);
    QApplication::setStyle(new ui::DeferredIconStyle(QApplication::style()));
    QApplication::setApplicationName(QLatin1String(ui::ApplicationName));
    QApplication::setOrganizationName(QLatin1String(ui::OrganizationName));
    QApplication::setWindowIcon(QIcon(ui::picture(QStringLiteral("icons/vorlith_64.png"))));
    // Matches the installed desktop entry, so the desktop puts the window
    // under the launcher's icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(VORLITH_APP_ID));
    // Secondary windows may still be open when the main window closes.
    QApplication::setQuitOnLastWindowClosed(false);

    // Marks the running game for other programs on this machine; never tested.
    // A name in the abstract socket namespace lives exactly as long as the
    // process and, unlike a lock file, costs a start no wait for the disk.
    QLocalServer marker;
    marker.setSocketOptions(QLocalServer::AbstractNamespaceOption);
    marker.listen(QStringLiteral("vorlith"));

    // Qt has taken its own options (-platform, -style, ...) out of the list.
    const LaunchRequest launch = commandLine.parse(QApplication::arguments());
    Program::Options options;
    const LaunchRequest &chosen = launch.action == LaunchRequest::Action::Play ? launch : asked;
    options.params = chosen.params;
    options.computerPlayers = chosen.computerPlayers;
    options.strength = chosen.strength;
    options.mayStart = chosen.mayStart;
    options.gamePort = portFromEnvironment("VORLITH_HOST_PORT", options.gamePort);
    options.presencePort = portFromEnvironment("VORLITH_PRESENCE_PORT", options.presencePort);
    options.lanPort =
        portFromEnvironment("VORLITH_LAN_PORT", QString::number(options.lanPort)).toUShort();
    options.lanTargets = lanTargets();
    Relauncher relauncher;
    options.relauncher = &relauncher;

    int exitCode = 0;
    {
        Program program(options);
        QObject::connect(&program, &Program::finished, &app, &QCoreApplication::quit,
                         Qt::QueuedConnection);
        program.start();
        exitCode = QApplication::exec();
    }
    // The game's ports are closed now, so the next program can take them,
    // and the marker too.
    marker.close();
    if (relauncher.isRequested() && !relauncher.startRequested())
        return 1;
    return exitCode;
}

} // namespace vorlith::app
