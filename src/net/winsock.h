#pragma once

#include <QAbstractSocket>
#include <QString>

namespace vorlith::net {

/// The classic Winsock name of an error code ("WSAECONNREFUSED" for 10061);
/// "UNKNOWN ERROR" for codes outside the table.
QString winsockErrorName(int code);

/// The Winsock code that corresponds to a Qt socket error (0 when none does).
int winsockCode(QAbstractSocket::SocketError error);

/// The informational text of a socket error: "Error #" code " (" name ")".
QString winsockErrorText(int code);

/// True for the codes that end a standing connection whose peer is gone
/// without a word: timed out (the liveness probes went unanswered), reset,
/// aborted, or no route to it any more.
bool isVanishedPeerError(int code);

} // namespace vorlith::net
