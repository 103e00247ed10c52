#pragma once

#include <QByteArrayView>
#include <QString>

namespace vorlith::app {

/// Runs the program: creates the windows, acts on the launch parameters and
/// returns the exit code when the main window has closed.
int run(int argc, char **argv);

/// The port named by the environment variable \a variable when it holds a
/// port number (1 to 65535), else \a fallback. Tests move the program's two
/// ports with VORLITH_HOST_PORT, VORLITH_PRESENCE_PORT and VORLITH_LAN_PORT.
QString portFromEnvironment(const char *variable, const QString &fallback);

} // namespace vorlith::app
