#pragma once

#include <QString>

#include <optional>

namespace vorlith::net {

/// Where a client dials: a host name or address and a port.
struct HostPort
{
    QString host;
    quint16 port{0};

    bool operator==(const HostPort &) const = default;
};

/// Reads an address as players type it: a bare host ("example.org",
/// "10.0.0.2"), "host:port", "[v6]:port" or "[v6]"; a bare IPv6 address
/// without brackets is a host as a whole, since its colons cannot be told
/// from a port's. A bare host gets \a defaultPort. Refuses an empty host, a
/// port that is not a number from 1 to 65535, unbalanced brackets and
/// spaces; the caller shows its own message.
std::optional<HostPort> parseHostPort(const QString &address, quint16 defaultPort = 7772);

} // namespace vorlith::net
