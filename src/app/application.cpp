#include "app/application.h"

#include "app/downloadform.h"
#include "client/chatform.h"
#include "client/gamestartform.h"
#include "client/seats.h"
#include "client/spylistform.h"
#include "host/server.h"
#include "ui/aboutform.h"
#include "ui/helpform.h"

#include <QApplication>
#include <QDir>
#include <QLockFile>

#include <memory>

namespace vorlith::app {

int run(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Glyphora"));
    QApplication::setOrganizationName(QStringLiteral("Brakmo"));
    QApplication::setQuitOnLastWindowClosed(false);

    QStringList params = QApplication::arguments().mid(1);

    // Marks the running game for other programs on this machine; never tested.
    QLockFile marker(QDir::temp().filePath(QStringLiteral("vorlith.lock")));
    marker.tryLock(0);

    // The windows, in their order of creation: the main window first, since
    // the others take its background picture.
    auto chat = std::make_unique<client::Tchat>();
    const QPixmap background = chat->backgroundPicture();
    auto about = std::make_unique<ui::Tabout>(background);
    auto download = std::make_unique<Tdownload>();
    auto gameStart = std::make_unique<client::Tgamestart>(background);
    auto help = std::make_unique<ui::Thelp>(background, about.get());
    auto server = std::make_unique<host::TServer>();
    auto spyList = std::make_unique<client::Tspylist>(background);

    chat->seats().setSpyList(spyList->listbox_spys());
    QObject::connect(spyList.get(), &client::Tspylist::kickRequested, chat.get(),
                     [c = chat.get()](int number) { c->seats().removeRequested(number); });
    chat->setWindows({about.get(), download.get(), gameStart.get(), help.get(), nullptr, spyList.get(), nullptr});
    chat->setHostStarter([s = server.get()] { s->startListening(); });
    chat->setLaunchParameters(params);
    QObject::connect(chat.get(), &client::Tchat::closed, &app, &QCoreApplication::quit, Qt::QueuedConnection);

    chat->show();
    const int code = QApplication::exec();

    // Everything goes in reverse order of creation; sockets close with their owners.
    spyList.reset();
    server.reset();
    help.reset();
    gameStart.reset();
    download.reset();
    about.reset();
    chat.reset();
    return code;
}

} // namespace vorlith::app
