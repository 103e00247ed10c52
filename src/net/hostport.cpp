#include "net/hostport.h"

namespace vorlith::net {

namespace {

std::optional<quint16> portOf(QStringView text)
{
    // Digits only: toUInt would also take a sign or surrounding spaces.
    if (text.isEmpty() || text.size() > 5)
        return std::nullopt;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
    }
    const uint port = text.toUInt();
    if (port < 1 || port > 65535)
        return std::nullopt;
    return quint16(port);
}

bool plainHost(QStringView host)
{
    if (host.isEmpty())
        return false;
    for (const QChar c : host) {
        if (c.isSpace() || c == QLatin1Char('[') || c == QLatin1Char(']') || c == QLatin1Char('/'))
            return false;
    }
    return true;
}

} // namespace

std::optional<HostPort> parseHostPort(const QString &address, quint16 defaultPort)
{
    const QStringView text(address);
    if (text.startsWith(QLatin1Char('['))) {
        const qsizetype close = text.indexOf(QLatin1Char(']'));
        if (close < 0)
            return std::nullopt;
        const QStringView host = text.mid(1, close - 1);
        if (!plainHost(host) || !host.contains(QLatin1Char(':')))
            return std::nullopt;
        const QStringView rest = text.mid(close + 1);
        if (rest.isEmpty())
            return HostPort{host.toString(), defaultPort};
        if (!rest.startsWith(QLatin1Char(':')))
            return std::nullopt;
        const std::optional<quint16> port = portOf(rest.mid(1));
        if (!port)
            return std::nullopt;
        return HostPort{host.toString(), *port};
    }
    if (!plainHost(text))
        return std::nullopt;
    const qsizetype colons = text.count(QLatin1Char(':'));
    if (colons != 1)
        return HostPort{address, defaultPort};
    const qsizetype colon = text.indexOf(QLatin1Char(':'));
    const QStringView host = text.left(colon);
    const std::optional<quint16> port = portOf(text.mid(colon + 1));
    if (host.isEmpty() || !port)
        return std::nullopt;
    return HostPort{host.toString(), *port};
}

} // namespace vorlith::net
