#include "host/server.h"
#include "hostdoubles.h"
#include "net/framing.h"
#include "wireclient.h"

#include <QSignalSpy>
#include <QTest>

#include <memory>
#include <vector>

using namespace vorlith::host;
namespace net = vorlith::net;

class TestServer : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void hostPlayerLogsInFirstInSlotOne();
    void newcomerLearnsAboutEverybody();
    void versionMismatchIsReportedNotEnforced();
    void relaysChatActionsAndSounds();
    void departureIsAnnouncedExactlyOnce();
    void freedSlotIsReusedLowestFirst();
    void slotOneWaitsForThisMachine();
    void tenthConnectionIsRefused();
    void onlySlotOneRemovesParticipants();
    void justWatchFollowsTheGame();
    void spoofedSlotsChangeNothing_data();
    void spoofedSlotsChangeNothing();
    void namesThatBreakTheProtocolAreCleaned_data();
    void namesThatBreakTheProtocolAreCleaned();
    void floodingConnectionIsCutOff_data();
    void floodingConnectionIsCutOff();
    void linesOfAClosedConnectionAreStillHandled();
    void gameMessagesReachTheEngineFromTheirSender();
    void onlyALoginIsHonouredBeforeLoggingIn_data();
    void onlyALoginIsHonouredBeforeLoggingIn();
    void longLinesFromParticipantsAreCut();
    void floodingConnectionDoesNotDelayOthers();
    void fullQueueClosesTheLargestBacklogFirst();

private:
    WireClient *connectClient(int expectedSlot) { return m_table.connect(expectedSlot); }
    WireClient *join(int slot, const QByteArray &name, const QByteArray &version = "1.0.3")
    {
        return m_table.join(slot, name, version);
    }

    std::unique_ptr<HostServer> m_server;
    FakeGame m_game;
    WireTable m_table;
};

void TestServer::init()
{
    m_game = FakeGame();
    m_server = std::make_unique<HostServer>();
    m_server->setGame(&m_game);
    m_server->setPortName(QStringLiteral("0"));
    m_server->startListening();
    QVERIFY(m_server->listeningPort() != 0);
    m_table.port = m_server->listeningPort();
}

void TestServer::cleanup()
{
    m_table.clear();
    m_server.reset();
}

void TestServer::hostPlayerLogsInFirstInSlotOne()
{
    WireClient *kim = connectClient(1);
    QVERIFY(kim);
    QCOMPARE(kim->raw, QByteArray("CMD_sendlogininfo+1\xff"));
    QVERIFY(kim->logIn(1, "Kim"));
    // Alone at the table: no list of existing players follows.
    QVERIFY(kim->roundTrip());
    QVERIFY(kim->raw.startsWith("CMD_sendlogininfo+1\xff"
                                "CMD_newplayerinfo+1+Kim+0\xff"
                                "CMD_action+1+Kim ~"));
    QCOMPARE(m_server->registry().name(1), QStringLiteral("Kim"));
    QCOMPARE(m_server->registry().slotCount(), 1);
}

void TestServer::newcomerLearnsAboutEverybody()
{
    WireClient *kim = join(1, "Kim");
    QVERIFY(kim);
    WireClient *ann = join(2, "Ann");
    QVERIFY(ann);
    QVERIFY(ann->waitForLines(3));
    QCOMPARE(ann->lines, (QList<QByteArray>{"CMD_sendlogininfo+2", "CMD_newplayerinfo+2+Ann+0", "CMD_existingplayers+1+Kim+0"}));
    QVERIFY(kim->waitForLine("CMD_newplayerinfo+2+Ann+0"));

    WireClient *bob = join(3, "Bob");
    QVERIFY(bob);
    QVERIFY(bob->waitForLine("CMD_existingplayers+1+Kim+0+2+Ann+0"));
    QCOMPARE(m_game.caughtUp, QList<int>()); // no game runs
}

void TestServer::versionMismatchIsReportedNotEnforced()
{
    WireClient *kim = join(1, "Kim");
    QVERIFY(kim);
    WireClient *old = join(2, "Old", "1.0.2");
    QVERIFY(old);
    QVERIFY(kim->waitForLine("CMD_havewrongversion+Old"));
    QVERIFY(old->waitForLine("CMD_wrongversion+"));
    QVERIFY(m_server->registry().isActive(2));
    QCOMPARE(m_server->registry().name(2), QStringLiteral("Old"));
}

void TestServer::relaysChatActionsAndSounds()
{
    WireClient *kim = join(1, "Kim");
    WireClient *ann = join(2, "Ann");
    QVERIFY(kim && ann);
    ann->sendLine("CMD_chat+2+1+1=2, right?|clRed");
    ann->sendLine("CMD_action+2+waves|$00FF0000");
    ann->sendLine("CMD_playasound+02+wave3+");
    const QList<QByteArray> expected{"CMD_chat+2+Ann chats: 1+1=2, right?|clRed", "CMD_action+2+Ann waves|$00FF0000",
                                     "CMD_playasound+2+wave3+"};
    for (WireClient *c : {kim, ann}) {
        QVERIFY(c->waitForLine(expected.last()));
        const qsizetype at = c->lines.indexOf(expected.first());
        QVERIFY(at >= 0);
        QCOMPARE(c->lines.mid(at, 3), expected);
    }
}

void TestServer::departureIsAnnouncedExactlyOnce()
{
    WireClient *kim = join(1, "Kim");
    WireClient *ann = join(2, "Ann");
    WireClient *bob = join(3, "Bob");
    QVERIFY(kim && ann && bob);
    ann->socket.disconnectFromHost();
    QVERIFY(kim->waitForLine("CMD_playerdisconnected+2+Ann"));
    QVERIFY(bob->waitForLine("CMD_playerdisconnected+2+Ann"));
    QVERIFY(kim->roundTrip({bob}));
    QCOMPARE(kim->lines.count("CMD_playerdisconnected+2+Ann"), 1);
    QCOMPARE(bob->lines.count("CMD_playerdisconnected+2+Ann"), 1);
    QVERIFY(!m_server->registry().isActive(2));
    QVERIFY(m_server->registry().name(2).isEmpty());
}

void TestServer::freedSlotIsReusedLowestFirst()
{
    QVERIFY(join(1, "Kim"));
    WireClient *ann = join(2, "Ann");
    QVERIFY(ann && join(3, "Bob"));
    m_server->registry().record(2)->totalScore = 40;
    ann->socket.disconnectFromHost();
    QTRY_VERIFY(!m_server->registry().isActive(2));
    WireClient *eve = join(2, "Eve");
    QVERIFY(eve);
    QCOMPARE(m_server->registry().slotCount(), 3);
    // The seat keeps its total until a game starts.
    QCOMPARE(m_server->registry().record(2)->totalScore, 40);
    QVERIFY(join(4, "Dan"));
}

void TestServer::slotOneWaitsForThisMachine()
{
    // Every peer counts as elsewhere until the own player is let in, as if
    // others were quicker than the hosting program's own window.
    bool ownTurn = false;
    m_server->keepFirstSlotFor([&ownTurn](const QString &) { return ownTurn; });
    QVERIFY(join(2, "Ann"));
    WireClient *bob = join(3, "Bob");
    QVERIFY(bob);
    bob->socket.disconnectFromHost();
    QTRY_VERIFY(!m_server->registry().isActive(3));
    QVERIFY(join(3, "Eve")); // a freed seat is reused, still not slot 1
    QVERIFY(!m_server->registry().isActive(1));

    ownTurn = true;
    QVERIFY(join(1, "Kim"));
    // Once taken, slot 1 is an ordinary seat again: when it frees, the next
    // newcomer gets it, wherever it comes from.
    ownTurn = false;
    m_table.at(3)->socket.disconnectFromHost();
    QTRY_VERIFY(!m_server->registry().isActive(1));
    QVERIFY(join(1, "Dan"));
    QVERIFY(HostServer::isThisMachine(QStringLiteral("127.0.0.1")));
    QVERIFY(!HostServer::isThisMachine(QStringLiteral("192.0.2.7")));
}

void TestServer::tenthConnectionIsRefused()
{
    for (int slot = 1; slot <= 9; ++slot)
        QVERIFY(join(slot, "P" + QByteArray::number(slot)));
    WireClient *tenth = connectClient(0);
    QVERIFY(tenth);
    QVERIFY(tenth->waitForClose());
    QCOMPARE(tenth->raw, QByteArray("CMD_full+\xff"));
    QCOMPARE(m_server->registry().slotCount(), 9);
    QVERIFY(!m_server->registry().isActive(10));
    QCOMPARE(m_server->registry().activeSlots().size(), 9);
    // Nobody was told about the refused connection.
    WireClient *first = m_table.at(0);
    QVERIFY(first->roundTrip());
    QVERIFY(!first->lines.contains("CMD_playerdisconnected+10+"));
}

void TestServer::onlySlotOneRemovesParticipants()
{
    WireClient *kim = join(1, "Kim");
    WireClient *ann = join(2, "Ann");
    WireClient *bob = join(3, "Bob");
    QVERIFY(kim && ann && bob);
    bob->sendLine("CMD_kickhim+3+2+");
    bob->sendLine("CMD_kickhim+1+2+"); // pretending to be the host player
    QVERIFY(bob->roundTrip({ann}));    // Ann still hears Bob: not removed
    kim->sendLine("CMD_kickhim+1+2+");
    QVERIFY(ann->waitForClose());
    QVERIFY(kim->waitForLine("CMD_playerdisconnected+2+Ann"));
    QVERIFY(bob->waitForLine("CMD_playerdisconnected+2+Ann"));
    kim->sendLine("CMD_kickhim+1+77+"); // outside the registry: nothing happens
    QVERIFY(kim->roundTrip({bob}));
    QCOMPARE(kim->lines.count("CMD_playerdisconnected+2+Ann"), 1);
}

void TestServer::justWatchFollowsTheGame()
{
    WireClient *kim = join(1, "Kim");
    WireClient *ann = join(2, "Ann");
    QVERIFY(kim && ann);
    ann->sendLine("CMD_justwatch+2+1");
    QVERIFY(ann->roundTrip({kim}));
    QVERIFY(!ann->lines.contains("CMD_justwatching+2+1")); // no game runs
    QVERIFY(!kim->lines.contains("CMD_justwatching+2+1"));

    m_game.running = true;
    ann->sendLine("CMD_justwatch+2+1");
    QVERIFY(kim->waitForLine("CMD_justwatching+2+1"));
    QVERIFY(m_server->registry().record(2)->watching);

    // A newcomer sees Ann watching, and is caught up with the running game.
    WireClient *bob = join(3, "Bob");
    QVERIFY(bob);
    QVERIFY(bob->waitForLine("CMD_existingplayers+1+Kim+0+2+Ann+1"));
    QCOMPARE(m_game.caughtUp, QList<int>{3});

    kim->sendLine("CMD_justwatch+2+2"); // the host player may switch any seat
    QVERIFY(ann->waitForLine("CMD_justwatching+2+2"));
    QVERIFY(!m_server->registry().record(2)->watching);
    kim->sendLine("CMD_justwatch+7+1");
    kim->sendLine("CMD_justwatch+2+5");
    QVERIFY(kim->roundTrip({ann}));
    QCOMPARE(ann->lines.count("CMD_justwatching+2+1"), 1);
}

void TestServer::spoofedSlotsChangeNothing_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("chat as slot 1") << QByteArray("CMD_chat+1+I am the host|clRed");
    QTest::newRow("action as slot 1") << QByteArray("CMD_action+1+gives up|clRed");
    QTest::newRow("sound as slot 1") << QByteArray("CMD_playasound+1+wave1+");
    QTest::newRow("login as slot 1") << QByteArray("CMD_logininfo+1+1.0.3+Mallory");
    QTest::newRow("kick as slot 1") << QByteArray("CMD_kickhim+1+1+");
    QTest::newRow("watch for slot 1") << QByteArray("CMD_justwatch+1+2");
    QTest::newRow("word for slot 1") << QByteArray("CMD_myword+1+tea+");
}

void TestServer::spoofedSlotsChangeNothing()
{
    QFETCH(QByteArray, line);
    m_game.running = true;
    WireClient *kim = join(1, "Kim");
    WireClient *mal = join(2, "Mal");
    QVERIFY(kim && mal);
    QVERIFY(kim->waitForLine("CMD_newplayerinfo+2+Mal+0"));
    const qsizetype before = kim->lines.size();
    mal->sendLine(line);
    mal->sendLine("CMD_chat+2+still here|clRed");
    QVERIFY(kim->waitForLine("CMD_chat+2+Mal chats: still here|clRed"));
    QCOMPARE(kim->lines.mid(before), QList<QByteArray>{"CMD_chat+2+Mal chats: still here|clRed"});
    QVERIFY(!kim->closed);
    QCOMPARE(m_server->registry().name(1), QStringLiteral("Kim"));
    QVERIFY(m_game.words.isEmpty());
}

void TestServer::namesThatBreakTheProtocolAreCleaned_data()
{
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<QByteArray>("kept");
    QTest::newRow("plus") << QByteArray("A+B") << QByteArray("A_B");
    QTest::newRow("bar") << QByteArray("A|B") << QByteArray("A_B");
    QTest::newRow("control") << QByteArray("A\tB\x01") << QByteArray("A_B_");
    QTest::newRow("empty") << QByteArray("") << QByteArray("Player");
    QTest::newRow("blank") << QByteArray("   ") << QByteArray("Player");
    QTest::newRow("long") << QByteArray(200, 'x') << QByteArray(HostServer::MaxNameLength, 'x');
    QTest::newRow("latin-1 kept") << QByteArray("Zo\xeb") << QByteArray("Zo\xeb");
}

void TestServer::namesThatBreakTheProtocolAreCleaned()
{
    QFETCH(QByteArray, sent);
    QFETCH(QByteArray, kept);
    WireClient *c = connectClient(1);
    QVERIFY(c);
    c->sendRaw("CMD_logininfo+1+1.0.3+" + sent + "\xff");
    QVERIFY(c->waitForLine("CMD_newplayerinfo+1+" + kept + "+0"));
}

void TestServer::floodingConnectionIsCutOff_data()
{
    QTest::addColumn<QByteArray>("piece");
    QTest::addColumn<int>("times");                                    // sent until closed
    QTest::newRow("endless line") << QByteArray(64 * 1024, 'A') << 64; // 4 MB, no terminator
    QByteArray burst;
    for (int i = 0; i < 3000; ++i)
        burst += "CMD_chat+2+spam|clRed\xff";
    QTest::newRow("flood of lines") << burst << 1;
}

void TestServer::floodingConnectionIsCutOff()
{
    QFETCH(QByteArray, piece);
    QFETCH(int, times);
    WireClient *kim = join(1, "Kim");
    WireClient *mal = join(2, "Mal");
    QVERIFY(kim && mal);
    for (int i = 0; i < times && !mal->closed; ++i) {
        mal->sendRaw(piece);
        QCoreApplication::processEvents();
    }
    QVERIFY(mal->waitForClose());
    QVERIFY(kim->waitForLine("CMD_playerdisconnected+2+Mal"));
    QVERIFY(!m_server->registry().isActive(2));
    // The game goes on for everybody else, and what was queued is gone.
    QVERIFY(kim->roundTrip());
    QCOMPARE(m_server->dispatcher().pending(), 0);
    QVERIFY(kim->lines.count("CMD_chat+2+Mal chats: spam|clRed") < 1000);
}

void TestServer::linesOfAClosedConnectionAreStillHandled()
{
    WireClient *kim = join(1, "Kim");
    WireClient *ann = join(2, "Ann");
    QVERIFY(kim && ann);
    m_server->dispatcher().setManual(true);
    m_server->dispatcher().drain(); // what the logins left
    QByteArray last;
    for (int i = 1; i <= 40; ++i)
        last += "CMD_chat+2+bye " + QByteArray::number(i) + "|clRed\xff";
    ann->sendRaw(last);
    QTRY_COMPARE(m_server->dispatcher().pending(), 40);
    ann->socket.disconnectFromHost();
    QVERIFY(kim->waitForLine("CMD_playerdisconnected+2+Ann"));
    // Only the next lines of a closed connection are kept, and they still
    // count as the logged-in player's, though the seat is free by now.
    QCOMPARE(m_server->dispatcher().pending(), HostServer::LinesAfterClose);
    m_server->dispatcher().drain();
    m_server->dispatcher().setManual(false);
    QVERIFY(kim->roundTrip());
    QList<QByteArray> relayed;
    for (const QByteArray &line : std::as_const(kim->lines)) {
        if (line.startsWith("CMD_chat+2+"))
            relayed.append(line);
    }
    QCOMPARE(relayed.size(), HostServer::LinesAfterClose);
    QCOMPARE(relayed.first(), QByteArray("CMD_chat+2+Ann chats: bye 1|clRed"));
    QCOMPARE(relayed.last(), QByteArray("CMD_chat+2+Ann chats: bye 16|clRed"));
}

void TestServer::gameMessagesReachTheEngineFromTheirSender()
{
    QSignalSpy failed(m_server.get(), &HostServer::handlerFailed);
    WireClient *kim = join(1, "Kim");
    WireClient *ann = join(2, "Ann");
    QVERIFY(kim && ann);
    ann->sendLine("CMD_startgame+Ann+3+60+");
    ann->sendLine("CMD_startgame+<b>+lots+$1E+");
    // A slot that is no number fails the line: the engine never sees it.
    ann->sendLine("CMD_myword+two+TEAR+");
    ann->sendLine("CMD_myword+2+tea+");
    QTRY_COMPARE(m_game.words.size(), 1);
    QCOMPARE(m_game.starts, (QStringList{"Ann 3 60", "<b> none 30"}));
    QCOMPARE(m_game.words, QStringList{"2:tea"});
    QCOMPARE(failed.size(), 1);
    QCOMPARE(failed[0][0].toString(), QStringLiteral("'two' is not a valid integer value"));
}

void TestServer::onlyALoginIsHonouredBeforeLoggingIn_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("chat") << QByteArray("CMD_chat+2+hello|clRed");
    QTest::newRow("action") << QByteArray("CMD_action+2+waves|clRed");
    QTest::newRow("sound") << QByteArray("CMD_playasound+2+wave1+");
    QTest::newRow("start") << QByteArray("CMD_startgame+X+3+60+");
    QTest::newRow("word") << QByteArray("CMD_myword+2+TEAR+");
    QTest::newRow("watch") << QByteArray("CMD_justwatch+2+2");
}

void TestServer::onlyALoginIsHonouredBeforeLoggingIn()
{
    QFETCH(QByteArray, line);
    m_game.running = true;
    WireClient *kim = join(1, "Kim");
    WireClient *mal = connectClient(2);
    QVERIFY(kim && mal);
    QSignalSpy handled(&m_server->dispatcher(), &net::Dispatcher::drained);
    mal->sendLine(line);
    QVERIFY(handled.wait());
    QCOMPARE(m_server->dispatcher().pending(), 0);
    QVERIFY(kim->roundTrip());
    QCOMPARE(kim->heard(), (QList<QByteArray>{"CMD_sendlogininfo+1", "CMD_newplayerinfo+1+Kim+0"}));
    QVERIFY(m_game.starts.isEmpty() && m_game.words.isEmpty());

    // Once logged in, the same connection is heard.
    mal->sendLine("CMD_logininfo+2+1.0.3+Mal");
    mal->sendLine("CMD_chat+2+now|clRed");
    QVERIFY(kim->waitForLine("CMD_chat+2+Mal chats: now|clRed"));
}

void TestServer::longLinesFromParticipantsAreCut()
{
    WireClient *kim = join(1, "Kim");
    WireClient *ann = join(2, "Ann");
    QVERIFY(kim && ann);
    const QByteArray head = "CMD_chat+2+";
    const QByteArray text(6000, 'w');
    ann->sendLine(head + text + "|clRed");
    ann->sendLine("CMD_chat+2+next|clRed");
    QVERIFY(kim->waitForLine("CMD_chat+2+Ann chats: next|clRed"));
    // The line was handled with its first 4096 bytes; the colour was beyond.
    const QByteArray cut = "CMD_chat+2+Ann chats: " + text.left(net::HostLineLength - head.size());
    QVERIFY(kim->lines.contains(cut));
    QVERIFY(!ann->closed);
    QVERIFY(m_server->registry().isActive(2));
}

void TestServer::floodingConnectionDoesNotDelayOthers()
{
    WireClient *kim = join(1, "Kim");
    WireClient *ann = join(2, "Ann");
    WireClient *mal = join(3, "Mal");
    QVERIFY(kim && ann && mal);
    m_server->dispatcher().setManual(true);
    m_server->dispatcher().drain(); // what the logins left
    QByteArray burst;
    for (int i = 0; i < 900; ++i)
        burst += "CMD_chat+3+spam|clRed\xff";
    mal->sendRaw(burst);
    QTRY_COMPARE(m_server->dispatcher().pending(), 900);
    ann->sendLine("CMD_chat+2+my turn|clRed");
    QTRY_COMPARE(m_server->dispatcher().pending(), 901);
    // One tick for the flooder's line in turn, then Ann's.
    QVERIFY(m_server->dispatcher().tick());
    QVERIFY(m_server->dispatcher().tick());
    QVERIFY(kim->waitForLine("CMD_chat+2+Ann chats: my turn|clRed"));
    QCOMPARE(kim->lines.count("CMD_chat+3+Mal chats: spam|clRed"), 1);
    QVERIFY(!mal->closed);
}

void TestServer::fullQueueClosesTheLargestBacklogFirst()
{
    WireClient *kim = join(1, "Kim");
    QVERIFY(kim);
    QList<WireClient *> flooders;
    for (int slot = 2; slot <= 4; ++slot) {
        flooders.append(join(slot, "F" + QByteArray::number(slot)));
        QVERIFY(flooders.last());
    }
    m_server->dispatcher().setManual(true);
    m_server->dispatcher().drain(); // what the logins left
    // Three backlogs, each within its own bound, together over the bound of all.
    const QList<int> counts{700, 760, 650};
    const QByteArray line = "CMD_chat+X+" + QByteArray(4000, 'q') + "|clRed\xff";
    qsizetype queued = 0;
    for (int i = 0; i < counts.size(); ++i) {
        const int slot = i + 2;
        WireClient *c = flooders[i];
        QByteArray burst;
        QByteArray own = line;
        own.replace("+X+", "+" + QByteArray::number(slot) + "+");
        for (int n = 0; n < counts[i]; ++n)
            burst += own;
        c->sendRaw(burst);
        if (i + 1 < counts.size()) {
            queued += counts[i];
            QTRY_COMPARE(m_server->dispatcher().pending(), queued);
        }
    }
    QVERIFY(flooders[1]->waitForClose());
    // Every line of the others has been read, and nobody else was closed.
    QTRY_COMPARE(m_server->dispatcher().pending(), qsizetype(counts[0] + counts[2]));
    QVERIFY(m_server->dispatcher().pendingBytes() <= HostServer::MaxQueuedBytes);
    QCOMPARE(m_server->dispatcher().pendingFrom(m_server->registry().record(3)->connectionSerial), 0);
    QVERIFY(!m_server->registry().isActive(3));
    QVERIFY(m_server->registry().isActive(2) && m_server->registry().isActive(4));
    QVERIFY(!flooders[0]->closed && !flooders[2]->closed);
}

QTEST_GUILESS_MAIN(TestServer)
#include "tst_server.moc"
