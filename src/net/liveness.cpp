#include "net/liveness.h"

#include <QLoggingCategory>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

Q_LOGGING_CATEGORY(lcLiveness, "vorlith.sock.liveness")

namespace vorlith::net::liveness {

namespace {

bool setInt(qintptr descriptor, int level, int name, int value)
{
    return ::setsockopt(static_cast<int>(descriptor), level, name, &value, sizeof value) == 0;
}

int getInt(qintptr descriptor, int level, int name, bool &ok)
{
    int value = 0;
    socklen_t size = sizeof value;
    ok = ::getsockopt(static_cast<int>(descriptor), level, name, &value, &size) == 0;
    return ok ? value : 0;
}

} // namespace

bool apply(qintptr descriptor)
{
    if (descriptor < 0)
        return false;
    bool ok = setInt(descriptor, SOL_SOCKET, SO_KEEPALIVE, 1);
#if defined(TCP_KEEPIDLE)
    ok = setInt(descriptor, IPPROTO_TCP, TCP_KEEPIDLE, int(KeepIdle.count())) && ok;
#elif defined(TCP_KEEPALIVE)
    ok = setInt(descriptor, IPPROTO_TCP, TCP_KEEPALIVE, int(KeepIdle.count())) && ok;
#endif
#if defined(TCP_KEEPINTVL)
    ok = setInt(descriptor, IPPROTO_TCP, TCP_KEEPINTVL, int(KeepInterval.count())) && ok;
#endif
#if defined(TCP_USER_TIMEOUT)
    const auto timeoutMs = std::chrono::duration_cast<std::chrono::milliseconds>(UserTimeout);
    ok = setInt(descriptor, IPPROTO_TCP, TCP_USER_TIMEOUT, int(timeoutMs.count())) && ok;
#endif
    if (!ok)
        qCInfo(lcLiveness) << "the system refused a liveness option on socket" << descriptor;
    return ok;
}

std::optional<Options> read(qintptr descriptor)
{
    if (descriptor < 0)
        return std::nullopt;
    bool ok = false;
    Options o;
    o.keepAlive = getInt(descriptor, SOL_SOCKET, SO_KEEPALIVE, ok) != 0;
    if (!ok)
        return std::nullopt;
#if defined(TCP_KEEPIDLE)
    o.keepIdleSeconds = getInt(descriptor, IPPROTO_TCP, TCP_KEEPIDLE, ok);
#elif defined(TCP_KEEPALIVE)
    o.keepIdleSeconds = getInt(descriptor, IPPROTO_TCP, TCP_KEEPALIVE, ok);
#endif
#if defined(TCP_KEEPINTVL)
    o.keepIntervalSeconds = getInt(descriptor, IPPROTO_TCP, TCP_KEEPINTVL, ok);
#endif
#if defined(TCP_USER_TIMEOUT)
    o.userTimeoutMs = getInt(descriptor, IPPROTO_TCP, TCP_USER_TIMEOUT, ok);
#endif
    return o;
}

} // namespace vorlith::net::liveness
