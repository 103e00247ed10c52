// A peer that stops reading must not make the host keep its data forever:
// once the bytes it left unread pass the bound, the host lets it go, and a
// peer that reads the same stream stays.
#include "host/server.h"
#include "wireclient.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTest>

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace vorlith::host;

namespace {

/// A TCP connection made without Qt, so nothing ever reads from it: the
/// kernel's small receive window fills and stays full.
class SilentPeer
{
public:
    SilentPeer() = default;
    SilentPeer(const SilentPeer &) = delete;
    SilentPeer &operator=(const SilentPeer &) = delete;
    ~SilentPeer()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }

    bool connectTo(quint16 port)
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        if (m_fd < 0)
            return false;
        // As small as the kernel allows: the host's data piles up on its side.
        const int small = 1024;
        ::setsockopt(m_fd, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(port);
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        const int rc = ::connect(m_fd, reinterpret_cast<const sockaddr *>(&to), sizeof to);
        return rc == 0 || errno == EINPROGRESS;
    }

    /// Queues \a bytes for sending; false when the kernel did not take them
    /// all (it always does for a login line on a fresh connection).
    bool send(const QByteArray &bytes)
    {
        const ssize_t n = ::send(m_fd, bytes.constData(), size_t(bytes.size()), MSG_NOSIGNAL);
        return n == bytes.size();
    }

private:
    int m_fd{-1};
};

} // namespace

class TestSlowPeer : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void peerThatStopsReadingIsDroppedAtTheBound();
};

void TestSlowPeer::peerThatStopsReadingIsDroppedAtTheBound()
{
    HostServer server;
    server.setPortName(QStringLiteral("0"));
    server.startListening();

    WireClient kim;
    QVERIFY(kim.connectTo(server.listeningPort()));
    QVERIFY(kim.waitForLine("CMD_sendlogininfo+1"));
    kim.sendRaw("CMD_logininfo+1+1.0.3+Kim\xff\xff");
    QVERIFY(kim.waitForLine("CMD_newplayerinfo+1+Kim+0"));

    SilentPeer slow;
    QVERIFY(slow.connectTo(server.listeningPort()));
    // It sends its login unprompted and never reads a byte.
    QTRY_VERIFY(slow.send("CMD_logininfo+2+1.0.3+Slow\xff\xff"));
    QVERIFY(kim.waitForLine("CMD_newplayerinfo+2+Slow+0"));

    // Long chat lines to everybody, as fast as the host takes them; Kim reads
    // them as they come.
    const QByteArray line = "CMD_chat+1+" + QByteArray(60000, 'x') + "|clRed";
    qint64 sent = 0;
    qsizetype lines = 0;
    const QDeadlineTimer deadline(60000);
    while (server.registry().isActive(2) && !deadline.hasExpired()) {
        server.sendToAll(line);
        sent += line.size() + 1;
        ++lines;
        QCoreApplication::processEvents();
    }
    QVERIFY2(!server.registry().isActive(2), "the silent peer is still seated");
    // Not before its unread data passed the bound.
    QVERIFY(sent > HostServer::MaxUnsentBytes);

    QVERIFY(kim.waitForLine("CMD_playerdisconnected+2+Slow"));
    QVERIFY(server.registry().isActive(1));
    QVERIFY(!kim.closed);
    // Kim read every line of the same stream, in full.
    QTRY_COMPARE(kim.lines.count(line), lines);
}

QTEST_GUILESS_MAIN(TestSlowPeer)
#include "tst_slowpeer.moc"
