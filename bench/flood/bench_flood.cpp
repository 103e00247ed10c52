// How the host engine's memory behaves when a peer floods it: 100 MB without a
// terminator, then a burst of complete lines. Prints the resident memory
// before, at its peak and after, and whether the game went on for the others.
#include "host/server.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTcpSocket>

#include <cstdio>

namespace {

long statusKb(const char *field)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> lines = f.readAll().split('\n');
    for (const QByteArray &line : lines) {
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

void pump(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

bool login(QTcpSocket &s, quint16 port, int slot, const QByteArray &name)
{
    s.connectToHost(QHostAddress::LocalHost, port);
    if (!s.waitForConnected(3000))
        return false;
    pump(50);
    s.write("CMD_logininfo+" + QByteArray::number(slot) + "+1.0.3+" + name + "\xff");
    s.flush();
    pump(100);
    s.readAll();
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    vorlith::host::HostServer server;
    server.setPortName(QStringLiteral("0"));
    server.startListening();
    const quint16 port = server.listeningPort();

    QTcpSocket kim;
    QTcpSocket mallory;
    if (!login(kim, port, 1, "Kim") || !login(mallory, port, 2, "Mallory")) {
        std::printf("could not connect\n");
        return 1;
    }
    const long before = statusKb("VmRSS:");

    const QByteArray chunk(1024 * 1024, 'A');
    qint64 sent = 0;
    QElapsedTimer clock;
    clock.start();
    while (sent < 100LL * 1024 * 1024 && mallory.state() == QAbstractSocket::ConnectedState) {
        mallory.write(chunk);
        sent += chunk.size();
        while (mallory.bytesToWrite() > 4 * 1024 * 1024 && mallory.state() == QAbstractSocket::ConnectedState)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QCoreApplication::processEvents();
    }
    pump(300);
    const bool cutOff = mallory.state() != QAbstractSocket::ConnectedState;

    // The game goes on for everybody else.
    kim.write("CMD_chat+1+still here|clBlack\xff");
    kim.flush();
    pump(200);
    const QByteArray kimGot = kim.readAll();

    const long after = statusKb("VmRSS:");
    const long peak = statusKb("VmHWM:");
    std::printf("flood without terminator: %.1f MB queued by the peer in %lld ms, cut off: %s\n",
                double(sent) / (1024 * 1024), static_cast<long long>(clock.elapsed()), cutOff ? "yes" : "no");
    std::printf("host process memory (RSS): before %ld kB, peak %ld kB, after %ld kB\n", before, peak, after);
    std::printf("others told of the departure: %s; chat still relayed: %s\n",
                kimGot.contains("CMD_playerdisconnected+2+Mallory") ? "yes" : "no",
                kimGot.contains("CMD_chat+1+Kim chats: still here|clBlack") ? "yes" : "no");
    std::fflush(stdout);
    return cutOff ? 0 : 1;
}
