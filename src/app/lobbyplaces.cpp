#include "app/lobbyplaces.h"

#include "ui/site.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

#ifndef VORLITH_LOBBY_PROGRAM
#define VORLITH_LOBBY_PROGRAM "vorlith-lobby"
#endif

Q_LOGGING_CATEGORY(lcDownload, "vorlith.app.download")

namespace vorlith::app {

namespace {

// A server setting is a host name or address, optionally with ":port"; the
// URL parser checks both once it is put behind "http://".
bool isServerName(const QString &server)
{
    if (server.isEmpty() || server.contains(QLatin1Char('/')) || server.contains(QLatin1Char('@')))
        return false;
    const QUrl url(QStringLiteral("http://") + server + QLatin1Char('/'), QUrl::StrictMode);
    return url.isValid() && !url.host().isEmpty();
}

} // namespace

LobbyPlaces LobbyPlaces::current()
{
    LobbyPlaces places{ui::makerServer(), QStringLiteral(VORLITH_LOBBY_PROGRAM)};
    // Packages choose their prefix after the build: the lobby installed
    // beside the game is found wherever that is.
    if (QFileInfo(places.program).isRelative())
        places.program = QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(places.program);
    const QString server = qEnvironmentVariable("VORLITH_LOBBY_SERVER").trimmed();
    if (isServerName(server))
        places.server = server;
    else if (!server.isEmpty())
        qCWarning(lcDownload) << "VORLITH_LOBBY_SERVER is not a host or host:port, ignored:" << server;
    const QString program = qEnvironmentVariable("VORLITH_LOBBY_PROGRAM");
    if (!program.isEmpty())
        places.program = program;
    return places;
}

QString LobbyPlaces::installerAddress() const
{
    return QStringLiteral("http://") + server + QStringLiteral("/lobby/brakmosetup.exe");
}

QString fileNameOf(const QString &address)
{
    return address.mid(address.lastIndexOf(QLatin1Char('/')) + 1);
}

} // namespace vorlith::app
