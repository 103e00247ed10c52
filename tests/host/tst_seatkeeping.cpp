// Who keeps a slot at the host: connections that never log in are closed, one
// address cannot fill the table with them, a player who drops out of a game
// finds the seat held on coming back, and every accepted connection carries
// the liveness options. The clock of the deadlines is driven by hand.
#include "host/server.h"
#include "hostdoubles.h"
#include "net/liveness.h"
#include "net/sock.h"
#include "wireclient.h"

#include <QTest>

#include <memory>
#include <vector>

using namespace vorlith::host;
using namespace std::chrono_literals;
namespace liveness = vorlith::net::liveness;

namespace {

const QHostAddress Here(QStringLiteral("127.0.0.1"));
const QHostAddress Elsewhere(QStringLiteral("127.0.0.2"));

} // namespace

class TestSeatKeeping : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void silentConnectionsAreClosedAfterTheLoginTime();
    void oneAddressWaitsForAtMostThreeLogins();
    void ownComputerPlayersAreExempt();
    void droppedPlayerComesBackToTheHeldSeat_data();
    void droppedPlayerComesBackToTheHeldSeat();
    void acceptedConnectionsCarryTheLivenessOptions();

private:
    WireClient *connectClient(int slot, const QHostAddress &from = Here)
    {
        return m_table.connect(slot, from);
    }
    WireClient *join(int slot, const QByteArray &name, const QHostAddress &from = Here)
    {
        return m_table.join(slot, name, "1.0.3", from);
    }
    /// Sends a login without waiting: the host may ask for another seat.
    static void login(WireClient *c, int slot, const QByteArray &name);
    void advance(std::chrono::milliseconds by);

    std::chrono::milliseconds m_now{1000000};
    std::unique_ptr<HostServer> m_server;
    FakeGame m_game;
    WireTable m_table;
};

void TestSeatKeeping::init()
{
    m_game = FakeGame();
    m_server = std::make_unique<HostServer>();
    m_server->setGame(&m_game);
    m_server->setClock([this] { return m_now; });
    m_server->setPortName(QStringLiteral("0"));
    m_server->startListening();
    QVERIFY(m_server->listeningPort() != 0);
    m_table.port = m_server->listeningPort();
}

void TestSeatKeeping::cleanup()
{
    m_table.clear();
    m_server.reset();
}

void TestSeatKeeping::login(WireClient *c, int slot, const QByteArray &name)
{
    c->sendRaw("CMD_logininfo+" + QByteArray::number(slot) + "+1.0.3+" + name + "\xff\xff");
}

void TestSeatKeeping::advance(std::chrono::milliseconds by)
{
    m_now += by;
    m_server->expireDeadlines();
}

void TestSeatKeeping::silentConnectionsAreClosedAfterTheLoginTime()
{
    WireClient *kim = join(1, "Kim");
    WireClient *silent = connectClient(2);
    QVERIFY(kim && silent);
    QVERIFY(m_server->loginGuard().deadlines().isTimerActive());

    advance(9999ms);
    WireClient *late = connectClient(3); // its ten seconds start now
    QVERIFY(late);
    QVERIFY(!silent->closed);

    advance(1ms);
    QVERIFY(silent->waitForClose());
    // Its departure is told as any other, and its slot is free again.
    QVERIFY(kim->waitForLine("CMD_playerdisconnected+2+"));
    QVERIFY(!m_server->registry().isActive(2));
    QVERIFY(late->logIn(3, "Lee")); // still heard
    // Nothing is waited for any more, so nothing runs.
    QVERIFY(!m_server->loginGuard().deadlines().isTimerActive());
    advance(1h);
    QVERIFY(late->roundTrip({kim})); // both still connected
    QVERIFY(join(2, "Eve"));
}

void TestSeatKeeping::oneAddressWaitsForAtMostThreeLogins()
{
    WireClient *first = connectClient(1);
    QVERIFY(first && connectClient(2) && connectClient(3));
    QCOMPARE(m_server->loginGuard().waitingFrom(QStringLiteral("127.0.0.1")), 3);

    // A fourth is closed at once, before it is given a slot.
    WireClient *fourth = connectClient(0);
    QVERIFY(fourth);
    QVERIFY(fourth->waitForClose());
    QVERIFY(fourth->raw.isEmpty());
    QCOMPARE(m_server->registry().slotCount(), 3);

    // Another address is not held back, and a login makes room again.
    QVERIFY(join(4, "Ann", Elsewhere));
    login(first, 1, "Kim");
    QVERIFY(first->waitForLine("CMD_newplayerinfo+1+Kim+0"));
    QVERIFY(connectClient(5));
    QVERIFY(connectClient(0)->waitForClose());

    // Once the silent ones are gone, the address may try again.
    advance(LoginGuard::LoginTime);
    QTRY_COMPARE(m_server->loginGuard().waitingFrom(QStringLiteral("127.0.0.1")), 0);
    QVERIFY(join(2, "Bob"));
    QVERIFY(!first->closed);
}

void TestSeatKeeping::ownComputerPlayersAreExempt()
{
    QVERIFY(connectClient(1) && connectClient(2) && connectClient(3));
    auto robot = std::make_unique<WireClient>();
    WireClient *r = robot.get();
    m_server->setOwnPlayers([r](quint16 port) { return port == r->socket.localPort(); });
    QVERIFY(r->connectTo(m_server->listeningPort()));
    QVERIFY(r->waitForLine("CMD_sendlogininfo+4"));
    m_table.adopt(std::move(robot));
    // The same address from anybody else is still turned away.
    QVERIFY(connectClient(0)->waitForClose());

    advance(LoginGuard::LoginTime);
    QVERIFY(m_table.at(0)->waitForClose());
    // The host still hears it after the deadline ran.
    QVERIFY(m_server->registry().isActive(4));
    QVERIFY(r->logIn(4, "Robot"));
}

void TestSeatKeeping::droppedPlayerComesBackToTheHeldSeat_data()
{
    QTest::addColumn<bool>("running");
    QTest::addColumn<QString>("drop");      // "close", "reset" or "remove"
    QTest::addColumn<QString>("meanwhile"); // "", "newcomer", "end", or minutes passed
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<bool>("elsewhere");
    QTest::addColumn<int>("acceptedIn"); // slot given at accept
    QTest::addColumn<int>("seatAfter");  // seat the comer plays in

    QTest::newRow("same name") << true << "close"
                               << "" << QByteArray("Bob") << false << 3 << 2;
    QTest::newRow("other letter case, after a reset") << true << "reset"
                                                      << "" << QByteArray("bOB") << false << 3 << 2;
    QTest::newRow("other address") << true << "close"
                                   << "" << QByteArray("Bob") << true << 3 << 3;
    QTest::newRow("other name") << true << "close"
                                << "" << QByteArray("Bobby") << false << 3 << 3;
    QTest::newRow("a newcomer meanwhile") << true << "close"
                                          << "newcomer" << QByteArray("Bob") << false << 4 << 2;
    QTest::newRow("just within three minutes") << true << "close"
                                               << "2:59" << QByteArray("Bob") << false << 3 << 2;
    QTest::newRow("after three minutes") << true << "close"
                                         << "3:00" << QByteArray("Bob") << false << 2 << 2;
    QTest::newRow("game ended") << true << "close"
                                << "end" << QByteArray("Bob") << false << 2 << 2;
    QTest::newRow("removed from the game") << true << "remove"
                                           << "" << QByteArray("Bob") << false << 2 << 2;
    QTest::newRow("no game") << false << "close"
                             << "" << QByteArray("Bob") << false << 2 << 2;
}

void TestSeatKeeping::droppedPlayerComesBackToTheHeldSeat()
{
    QFETCH(bool, running);
    QFETCH(QString, drop);
    QFETCH(QString, meanwhile);
    QFETCH(QByteArray, name);
    QFETCH(bool, elsewhere);
    QFETCH(int, acceptedIn);
    QFETCH(int, seatAfter);

    m_game.running = running;
    WireClient *kim = join(1, "Kim");
    WireClient *bob = join(2, "Bob");
    QVERIFY(kim && bob);
    PlayerRecord *seat2 = m_server->registry().record(2);
    seat2->totalScore = 50;
    seat2->roundWords = QStringLiteral("CAT:9,");

    if (drop == QLatin1String("remove"))
        kim->sendLine("CMD_kickhim+1+2+");
    else if (drop == QLatin1String("reset"))
        bob->socket.abort();
    else
        bob->socket.disconnectFromHost();
    // The others see the departure as ever.
    QVERIFY(kim->waitForLine("CMD_playerdisconnected+2+Bob"));
    QTRY_VERIFY(!m_server->registry().isActive(2));
    m_game.caughtUp.clear();
    const bool held = running && drop != QLatin1String("remove");
    QCOMPARE(m_server->heldSeats().isHeld(2), held);
    QCOMPARE(m_server->isTaken(2), held);
    // Its expiry waits on the timer; nothing runs when nothing is held.
    QCOMPARE(m_server->heldSeats().deadlines().isTimerActive(), held);

    if (meanwhile == QLatin1String("newcomer")) {
        QVERIFY(join(3, "Eve"));
    } else if (meanwhile == QLatin1String("end")) {
        m_game.running = false;
    } else if (!meanwhile.isEmpty()) {
        const QStringList ms = meanwhile.split(QLatin1Char(':'));
        advance(std::chrono::minutes(ms[0].toInt()) + std::chrono::seconds(ms[1].toInt()));
    }

    WireClient *comer = connectClient(acceptedIn, elsewhere ? Elsewhere : Here);
    QVERIFY(comer);
    login(comer, acceptedIn, name);
    const QByteArray announced =
        "CMD_newplayerinfo+" + QByteArray::number(seatAfter) + "+" + name + "+0";
    if (seatAfter != acceptedIn) {
        // Asked to log in again, in the held seat; it answers as any client.
        QVERIFY(comer->waitForLine("CMD_sendlogininfo+" + QByteArray::number(seatAfter)));
        QCOMPARE(comer->lines.size(), 2);
        QVERIFY(!m_server->registry().isActive(acceptedIn));
        login(comer, seatAfter, name);
    }
    QVERIFY(comer->waitForLine(announced));
    QVERIFY(kim->waitForLine(announced));
    // Only the seat it plays in is ever announced.
    if (seatAfter != acceptedIn)
        QVERIFY(!kim->lines.contains("CMD_newplayerinfo+" + QByteArray::number(acceptedIn) + "+" +
                                     name + "+0"));
    QCOMPARE(comer->lines.count("CMD_sendlogininfo+" + QByteArray::number(seatAfter)), 1);
    QCOMPARE(m_server->registry().name(seatAfter), QString::fromLatin1(name));
    if (seatAfter == 2) {
        // The seat goes on with its total and round words.
        QCOMPARE(seat2->totalScore, 50);
        QCOMPARE(seat2->roundWords, QStringLiteral("CAT:9,"));
    }
    QCOMPARE(m_game.caughtUp.contains(seatAfter), running && meanwhile != QLatin1String("end"));
    // A seat given back is held no more; one nobody came back to still is.
    const bool stillHeld = seatAfter != 2 && running;
    QCOMPARE(m_server->heldSeats().isHeld(2), stillHeld);
    QCOMPARE(m_server->heldSeats().deadlines().isTimerActive(), stillHeld);
    comer->sendLine("CMD_chat+" + QByteArray::number(seatAfter) + "+hi|clRed");
    QVERIFY(kim->waitForLine("CMD_chat+" + QByteArray::number(seatAfter) + "+" + name +
                             " chats: hi|clRed"));
}

void TestSeatKeeping::acceptedConnectionsCarryTheLivenessOptions()
{
    QVERIFY(join(1, "Kim"));
    QVERIFY(connectClient(2));
    for (int slot : {1, 2}) {
        const std::optional<liveness::Options> o =
            liveness::read(m_server->registry().record(slot)->connection->socketDescriptor());
        QVERIFY(o);
        QVERIFY(o->keepAlive);
        QCOMPARE(o->keepIdleSeconds, 20);
        QCOMPARE(o->keepIntervalSeconds, 5);
        QCOMPARE(o->userTimeoutMs, 45000);
    }
}

QTEST_GUILESS_MAIN(TestSeatKeeping)
#include "tst_seatkeeping.moc"
