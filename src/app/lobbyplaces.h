#pragma once

#include <QLoggingCategory>
#include <QString>

Q_DECLARE_LOGGING_CATEGORY(lcDownload)

namespace vorlith::app {

/// Where the lobby program comes from and where it is installed.
///
/// Both are fixed when the program is built; packagers and tests move them at
/// run time with VORLITH_LOBBY_SERVER (host or host:port) and
/// VORLITH_LOBBY_PROGRAM.
struct LobbyPlaces
{
    QString server;  ///< the maker's web server: host, or host:port
    /// Full path of the installed lobby program: what Play with Others and
    /// Play Online start.
    QString program;

    /// The build's places, overridden by the environment where it says so.
    /// A program setting that is a bare file name means the file of that
    /// name beside this program's executable.
    static LobbyPlaces current();

    /// "http://" + server + "/lobby/brakmosetup.exe".
    QString installerAddress() const;
};

/// The installer's file name: the address's text after its last "/".
QString fileNameOf(const QString &address);

} // namespace vorlith::app
