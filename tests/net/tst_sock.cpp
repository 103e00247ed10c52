#include "harness.h"
#include "net/liveness.h"
#include "net/sock.h"
#include "net/winsock.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

using namespace vorlith::net;

namespace {

/// Records every info notice of a Sock, and its closes and errors.
struct InfoLog
{
    explicit InfoLog(Sock *s)
    {
        QObject::connect(s, &Sock::info, s,
                         [this](Sock *, SocketInfo, const QString &t) { texts << t; });
        QObject::connect(s, &Sock::closed, s, [this] { ++closes; });
        QObject::connect(s, &Sock::errorRaised, s,
                         [this](Sock *, int, const QString &t) { errors << t; });
    }
    int count(const QString &t) const { return static_cast<int>(texts.count(t)); }
    QStringList texts;
    int closes{0};
    QStringList errors;
};

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

} // namespace

class TestSock : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void connectsAcceptsAndExchanges();
    void refusedConnectIsReportedAsWinsockError();
    void remoteCloseRaisesDisconnectThenSocketClosed();
    void closeTwiceRaisesSocketClosedTwice();
    void portInUseCannotBeBound();
    void listeningTwiceOnlyNotes();
    void listensOnTheChosenAddressesOnly();
    void operationsWithoutSocketFail();
    void slowPeerGetsEveryByteInOrder();
    void errorNamesFollowTheWinsockTable();
    void bothEndsCarryTheLivenessOptions();
};

void TestSock::connectsAcceptsAndExchanges()
{
    Sock listener;
    listener.setPortName(QStringLiteral("0"));
    InfoLog listenerLog(&listener);
    listener.setListen(true);
    QVERIFY(listener.isListening());
    QCOMPARE(listenerLog.texts.last(), QStringLiteral("Listening Started"));

    Sock *accepted = nullptr;
    connect(&listener, &Sock::acceptEvent, this, [&] { QVERIFY(listener.accept(accepted)); });

    Sock client;
    InfoLog clientLog(&client);
    client.setHostName(QStringLiteral("127.0.0.1"));
    client.setPortName(QString::number(listener.localPort()));
    QSignalSpy connected(&client, &Sock::connectEvent);
    QCOMPARE(client.open(), false);
    QVERIFY(connected.wait(5000));
    QVERIFY(client.isConnected());
    QVERIFY(clientLog.texts.contains(QStringLiteral("Lookup Of Host 127.0.0.1")));
    QVERIFY(clientLog.texts.contains(QStringLiteral("Non-Blocking Socket Connected")));
    QTRY_VERIFY(accepted);
    QVERIFY(accepted->isConnected());
    QCOMPARE(accepted->hostName(), QStringLiteral("127.0.0.1"));
    QCOMPARE(accepted->parent(), &listener);
    QVERIFY(listenerLog.texts.contains(QStringLiteral("Created New TSock Structure")));

    QSignalSpy read(accepted, &Sock::readEvent);
    client.send(QByteArray("hello\xffworld"));
    QTRY_COMPARE(accepted->receivedCount(), 11);
    QVERIFY(read.count() >= 1);
    QCOMPARE(accepted->receive(5), QByteArray("hello"));
    QCOMPARE(accepted->receive(), QByteArray("\xffworld"));
    QCOMPARE(accepted->receivedCount(), 0);
}

void TestSock::refusedConnectIsReportedAsWinsockError()
{
    Sock client;
    InfoLog log(&client);
    client.setHostName(QStringLiteral("127.0.0.1"));
    client.setPortName(QString::number(freePort()));
    client.open();
    QTRY_VERIFY(log.texts.contains(QStringLiteral("Error #10061 (WSAECONNREFUSED)")));
    QCOMPARE(log.errors, QStringList{"Error #10061 (WSAECONNREFUSED)"});
    QVERIFY(!client.isConnected());
    QCOMPARE(log.count(QStringLiteral("Socket Closed")), 0);
    QCOMPARE(log.closes, 0);
}

void TestSock::remoteCloseRaisesDisconnectThenSocketClosed()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    Sock client;
    QStringList events;
    connect(&client, &Sock::disconnectEvent, this, [&] { events << "disconnect"; });
    connect(&client, &Sock::closed, this, [&] { events << "closed"; });
    connect(&client, &Sock::readEvent, this, [&] { events << "read"; });
    client.setHostName(QStringLiteral("127.0.0.1"));
    client.setPortName(QString::number(server.serverPort()));
    client.open();
    QVERIFY(server.waitForNewConnection(5000));
    QTcpSocket *peer = server.nextPendingConnection();
    QTRY_VERIFY(client.isConnected());
    peer->write("last words");
    peer->flush();
    peer->disconnectFromHost();
    QTRY_VERIFY(events.contains("disconnect"));
    // The data before the close comes first, then the disconnect, then the close.
    QCOMPARE(events.first(), QStringLiteral("read"));
    QCOMPARE(events.mid(events.indexOf("disconnect")), (QStringList{"disconnect", "closed"}));
    QVERIFY(!client.isConnected());
    QCOMPARE(client.receive(), QByteArray("last words")); // still readable after the close
}

void TestSock::closeTwiceRaisesSocketClosedTwice()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    Sock client;
    InfoLog log(&client);
    client.setHostName(QStringLiteral("127.0.0.1"));
    client.setPortName(QString::number(server.serverPort()));
    client.open();
    QTRY_VERIFY(client.isConnected());
    QVERIFY(client.close());
    QVERIFY(!client.close());
    QCOMPARE(log.count(QStringLiteral("Socket Closed")), 2);
    QCOMPARE(log.closes, 2);
}

void TestSock::portInUseCannotBeBound()
{
    QTcpServer other;
    QVERIFY(other.listen(QHostAddress::Any, 0));
    Sock listener;
    listener.setPortName(QString::number(other.serverPort()));
    try {
        listener.setListen(true);
        QFAIL("the port is taken");
    } catch (const SockError &e) {
        QCOMPARE(e.text(), QStringLiteral("Listen - Error Binding Socket"));
    }
    QVERIFY(!listener.isListening());
}

void TestSock::listeningTwiceOnlyNotes()
{
    Sock listener;
    InfoLog log(&listener);
    listener.setPortName(QStringLiteral("0"));
    listener.setListen(true);
    listener.setListen(true);
    QCOMPARE(log.texts.last(), QStringLiteral("Listening Already Running"));
    listener.setListen(false);
    QCOMPARE(log.texts.mid(log.texts.size() - 2),
             (QStringList{"Socket Closed", "Listening Stopped"}));
    QVERIFY(!listener.isListening());
}

void TestSock::listensOnTheChosenAddressesOnly()
{
    // 127.0.0.2 and 127.0.0.3 are loopback addresses too: a connection to
    // each shows which ones the listener bound.
    Sock listener;
    listener.setPortName(QStringLiteral("0"));
    listener.setListenAddresses({QHostAddress(QStringLiteral("127.0.0.2")),
                                 QHostAddress(QHostAddress::LocalHost),
                                 QHostAddress(QHostAddress::LocalHostIPv6)});
    listener.setListen(true);
    const quint16 port = listener.localPort();
    QVERIFY(port != 0);
    QList<Sock *> accepted;
    connect(&listener, &Sock::acceptEvent, this, [&] {
        Sock *s = nullptr;
        while (listener.accept(s))
            accepted << s;
    });
    const auto reaches = [port](const char *address) {
        QTcpSocket probe;
        probe.connectToHost(QHostAddress(QLatin1String(address)), port);
        return probe.waitForConnected(5000);
    };
    QVERIFY(reaches("127.0.0.2"));
    QVERIFY(reaches("127.0.0.1"));
    QVERIFY(!reaches("127.0.0.3"));
    QTRY_COMPARE(accepted.size(), 2);

    // One address that cannot be had gives the whole port up.
    Sock second;
    second.setPortName(QString::number(port));
    second.setListenAddresses(
        {QHostAddress(QStringLiteral("127.0.0.3")), QHostAddress(QStringLiteral("127.0.0.2"))});
    QVERIFY_THROWS_EXCEPTION(SockError, second.setListen(true));
    QVERIFY(!second.isListening());
    QVERIFY(reaches("127.0.0.2"));
    QVERIFY(!reaches("127.0.0.3"));
}

void TestSock::operationsWithoutSocketFail()
{
    Sock s;
    const auto expectError = [](auto &&call, const QString &text) {
        try {
            call();
        } catch (const SockError &e) {
            return e.text() == text;
        }
        return false;
    };
    QVERIFY(expectError([&] { s.send("x"); }, QStringLiteral("Send - Socket Not Connected")));
    QVERIFY(expectError([&] { s.receive(); }, QStringLiteral("Receive - Socket Not Connected")));
    Sock *out = nullptr;
    QVERIFY(expectError([&] { s.accept(out); },
                        QStringLiteral("Accept - Socket Not In Listening Mode")));
    s.setPortName(QStringLiteral("no-such-service-here"));
    QVERIFY(expectError([&] { s.setListen(true); },
                        QStringLiteral("Port Lookup - Could Not Find Service Entry")));

    Sock listener;
    listener.setPortName(QStringLiteral("0"));
    listener.setListen(true);
    QVERIFY(expectError([&] { listener.send("x"); },
                        QStringLiteral("Send - Cannot Send On A Listener Socket")));
    QVERIFY(expectError([&] { listener.receive(); },
                        QStringLiteral("Receive - Cannot Receive On A Listener Socket")));
}

void TestSock::slowPeerGetsEveryByteInOrder()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    Sock client;
    client.setHostName(QStringLiteral("127.0.0.1"));
    client.setPortName(QString::number(server.serverPort()));
    client.open();
    QVERIFY(server.waitForNewConnection(5000));
    QTcpSocket *peer = server.nextPendingConnection();
    peer->setReadBufferSize(4096); // a peer that reads slowly
    QTRY_VERIFY(client.isConnected());

    QByteArray expected;
    for (int i = 0; i < 400; ++i) {
        const QByteArray block =
            QByteArray::number(i).rightJustified(6, '0') + QByteArray(20000, char('a' + i % 26));
        client.send(block);
        expected += block;
    }
    QVERIFY(client.pendingSendBytes() > 0);
    // Reads a little at every turn of the loop, which is also where our Sock
    // sends what waits.
    QByteArray got;
    QVERIFY(Pump().until(
        [&] {
            got += peer->readAll();
            return got.size() >= expected.size();
        },
        20000));
    QCOMPARE(got.size(), expected.size());
    QCOMPARE(got, expected);
}

void TestSock::errorNamesFollowTheWinsockTable()
{
    QCOMPARE(winsockErrorText(10061), QStringLiteral("Error #10061 (WSAECONNREFUSED)"));
    QCOMPARE(winsockErrorText(10060), QStringLiteral("Error #10060 (WSAETIMEDOUT)"));
    QCOMPARE(winsockErrorText(10048), QStringLiteral("Error #10048 (WSAEADDRINUSE)"));
    QCOMPARE(winsockErrorText(11001), QStringLiteral("Error #11001 (WSAHOST_NOT_FOUND)"));
    QCOMPARE(winsockErrorText(11004), QStringLiteral("Error #11004 (WSANO_DATA)"));
    QCOMPARE(winsockErrorText(10003), QStringLiteral("Error #10003 (UNKNOWN ERROR)"));
    QCOMPARE(winsockCode(QAbstractSocket::ConnectionRefusedError), 10061);
    QCOMPARE(winsockCode(QAbstractSocket::RemoteHostClosedError), 10054);
}

void TestSock::bothEndsCarryTheLivenessOptions()
{
    Sock listener;
    listener.setPortName(QStringLiteral("0"));
    listener.setListen(true);
    Sock *accepted = nullptr;
    connect(&listener, &Sock::acceptEvent, this, [&] { QVERIFY(listener.accept(accepted)); });

    Sock client;
    client.setLocalAddress(QStringLiteral("127.0.0.1"));
    client.setHostName(QStringLiteral("127.0.0.1"));
    client.setPortName(QString::number(listener.localPort()));
    QSignalSpy connected(&client, &Sock::connectEvent);
    client.open();
    // Bound first, the port is known while the connect is still under way:
    // a host tells its own computer players apart by it.
    const quint16 early = client.localPort();
    QVERIFY(early != 0);
    QVERIFY(connected.wait(5000));
    QTRY_VERIFY(accepted);
    QCOMPARE(accepted->peerPort(), early);

    for (const Sock *end :
         {static_cast<const Sock *>(&client), static_cast<const Sock *>(accepted)}) {
        const std::optional<liveness::Options> o = liveness::read(end->socketDescriptor());
        QVERIFY(o);
        QVERIFY(o->keepAlive);
        QCOMPARE(o->keepIdleSeconds, 20);
        QCOMPARE(o->keepIntervalSeconds, 5);
        QCOMPARE(o->userTimeoutMs, 45000);
    }
    QVERIFY(!liveness::read(-1));
}

QTEST_GUILESS_MAIN(TestSock)
#include "tst_sock.moc"
