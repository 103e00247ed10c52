#include "app/application.h"

#include "app/program.h"
#include "ui/resources.h"

#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QLockFile>

namespace vorlith::app {

int run(int argc, char **argv)
{
    ui::initResources();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Glyphora"));
    QApplication::setOrganizationName(QStringLiteral("Brakmo"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/images/icons/vorlith_64.png")));
    // Secondary windows may still be open when the main window closes.
    QApplication::setQuitOnLastWindowClosed(false);

    // Marks the running game for other programs on this machine; never tested.
    QLockFile marker(QDir::temp().filePath(QStringLiteral("vorlith.lock")));
    marker.tryLock(0);

    Program::Options options;
    options.params = QApplication::arguments().mid(1);
    Program program(options);
    QObject::connect(&program, &Program::finished, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    program.start();
    return QApplication::exec();
}

} // namespace vorlith::app
