#include "app/application.h"

#include "app/program.h"
#include "ui/resources.h"
#include "ui/theme.h"

#include <QApplication>
#include <QIcon>
#include <QLocalServer>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcApp, "vorlith.app")

namespace vorlith::app {

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
    ui::initResources();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Glyphora"));
    QApplication::setOrganizationName(QStringLiteral("Brakmo"));
    QApplication::setWindowIcon(QIcon(ui::picture(QStringLiteral("icons/vorlith_64.png"))));
    // Secondary windows may still be open when the main window closes.
    QApplication::setQuitOnLastWindowClosed(false);

    // Marks the running game for other programs on this machine; never tested.
    // A name in the abstract socket namespace lives exactly as long as the
    // process and, unlike a lock file, costs a start no wait for the disk.
    QLocalServer marker;
    marker.setSocketOptions(QLocalServer::AbstractNamespaceOption);
    marker.listen(QStringLiteral("vorlith"));

    Program::Options options;
    options.params = QApplication::arguments().mid(1);
    options.gamePort = portFromEnvironment("VORLITH_HOST_PORT", options.gamePort);
    options.presencePort = portFromEnvironment("VORLITH_PRESENCE_PORT", options.presencePort);
    Program program(options);
    QObject::connect(&program, &Program::finished, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    program.start();
    return QApplication::exec();
}

} // namespace vorlith::app
