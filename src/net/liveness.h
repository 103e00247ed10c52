#pragma once

#include <QtGlobal>

#include <chrono>
#include <optional>

namespace vorlith::net {

/// Keeps a game connection honest about whether its peer is still there. A
/// peer that vanishes without a word (a closed laptop lid, a lost network)
/// leaves the connection looking open for as long as nothing is sent, and
/// for a quarter of an hour after something is. With these options the
/// system probes an idle connection and gives up on unanswered data, so the
/// connection fails within about a minute either way. Nothing new goes on
/// the wire: the probes are the system's own.
namespace liveness {

/// Quiet time before the first probe, and between probes.
inline constexpr std::chrono::seconds KeepIdle{20};
inline constexpr std::chrono::seconds KeepInterval{5};
/// Data (probes included, on Linux) left unacknowledged this long ends the
/// connection.
inline constexpr std::chrono::seconds UserTimeout{45};

/// Sets the options on the connected TCP socket \a descriptor. Returns false
/// when the system refused one of them; the connection works on regardless.
bool apply(qintptr descriptor);

/// The options as the system holds them for \a descriptor; the fields this
/// system has no option for read 0. Empty when the descriptor is no socket.
struct Options
{
    bool keepAlive{false};
    int keepIdleSeconds{0};
    int keepIntervalSeconds{0};
    int userTimeoutMs{0};
};
std::optional<Options> read(qintptr descriptor);

} // namespace liveness
} // namespace vorlith::net
