// Whole games over the real protocol: a host with its game engine on a free
// port and raw participants on loopback. The dispatch timer runs as in the
// program; the game timer is driven by hand, one call per second of game time.
#include "dict/dictionary.h"
#include "host/gameengine.h"
#include "host/server.h"
#include "hostdoubles.h"
#include "wireclient.h"

#include <QTest>

#include <memory>
#include <vector>

using namespace vorlith;
using host::GameEngine;
using host::HostServer;

namespace {

const QByteArray Board = "tearsdlonhikbmpcugwfyvaoiusdlnhkbmpc";
const QByteArray BoardLine = "CMD_makeboard+1+20+2+5+3+1+4+18+5+19+6+4+7+12+8+15+9+14+10+8+11+9+12+11+13+2+14+13+15+16+16+3"
                             "+17+21+18+7+19+23+20+6+21+25+22+22+23+1+24+15+25+9+26+21+27+19+28+4+29+12+30+14+31+8+32+11"
                             "+33+2+34+13+35+16+36+3";

} // namespace

class TestGame : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void oneRoundGameStartedByAParticipant();
    void tieAfterTheLastRoundPlaysAnotherRound();
    void replyLeavesWithTheTickThatDispatchesTheWord();
    void wordOfADepartedPlayerStillScores();
    void theWinnerFreesTheSeatsHeldForThoseWhoLeft();

private:
    WireClient *join(int slot, const QByteArray &name) { return m_table.join(slot, name); }
    /// Lets \a seconds pass on the game timer.
    void tick(int seconds);
    /// A round trip from \a from to every participant: whatever the host
    /// sent before it has arrived by then.
    void sync(WireClient *from) { QVERIFY(from->roundTrip(m_table.connected())); }
    /// What \a c received since the last call, without the round trips.
    QList<QByteArray> got(WireClient *c);

    dict::Dictionary m_dict;
    std::unique_ptr<HostServer> m_server;
    std::unique_ptr<GameEngine> m_game;
    WireTable m_table;
    QHash<WireClient *, qsizetype> m_seen;
};

void TestGame::initTestCase()
{
    QVERIFY(m_dict.loadwords(QStringLiteral("/nonexistent-vorlith-folder/English")));
}

void TestGame::init()
{
    m_server = std::make_unique<HostServer>();
    m_game = std::make_unique<GameEngine>(m_server->registry(), *m_server, m_dict, riggedDeal(Board));
    m_game->setManual(true);
    m_server->setGame(m_game.get());
    m_server->setPortName(QStringLiteral("0"));
    m_server->startListening();
    QVERIFY(m_server->listeningPort() != 0);
    m_table.port = m_server->listeningPort();
}

void TestGame::cleanup()
{
    m_table.clear();
    m_seen.clear();
    m_game.reset();
    m_server.reset();
}

void TestGame::tick(int seconds)
{
    for (int i = 0; i < seconds; ++i)
        m_game->onSecond();
}

QList<QByteArray> TestGame::got(WireClient *c)
{
    const qsizetype from = m_seen.value(c, 0);
    m_seen[c] = c->lines.size();
    QList<QByteArray> lines;
    for (qsizetype i = from; i < c->lines.size(); ++i) {
        const QByteArray &l = c->lines[i];
        if (!WireClient::isRoundTrip(l))
            lines.append(l);
    }
    return lines;
}

void TestGame::oneRoundGameStartedByAParticipant()
{
    WireClient *kim = join(1, "Kim");
    WireClient *ann = join(2, "Ann");
    QVERIFY(kim && ann);
    sync(kim);
    got(kim);
    got(ann);

    ann->sendLine("CMD_startgame+Ann+1+60+");
    sync(ann);
    const QList<QByteArray> start{"CMD_startgame+Ann+1+60+", BoardLine, "CMD_roundstarting+1+60+"};
    QCOMPARE(got(kim), start);
    QCOMPARE(got(ann), start);
    QVERIFY(m_game->gameInProgress());

    kim->sendLine("CMD_myword+2+HOLD+"); // in somebody else's name: ignored
    sync(kim);
    ann->sendLine("CMD_myword+2+TEAR+");
    ann->sendLine("CMD_myword+2+AETR+");  // on the board, not a word
    ann->sendLine("CMD_myword+2+ZEBRA+"); // a word, not on the board
    ann->sendLine("CMD_myword+2+TEAR+");  // again
    sync(ann);
    QCOMPARE(got(ann), (QList<QByteArray>{"CMD_hisword+2+16+TEAR+", "CMD_hisscore+2+16+16+", "CMD_notvalid+1+2+AETR+",
                                          "CMD_notvalid+1+2+ZEBRA+", "CMD_notvalid+2+2+TEAR+"}));
    QCOMPARE(got(kim), QList<QByteArray>{"CMD_hisscore+2+16+16+"});

    // Joining during the round: the same board, and the state of the game.
    WireClient *bob = join(3, "Bob");
    QVERIFY(bob);
    sync(bob);
    QCOMPARE(got(bob), (QList<QByteArray>{"CMD_sendlogininfo+3", "CMD_newplayerinfo+3+Bob+0",
                                          "CMD_existingplayers+1+Kim+0+2+Ann+0", BoardLine,
                                          "CMD_gamestats+3+60+1+1+t+1+0+2+16+3+0+4+0+5+0+6+0"}));
    QCOMPARE(got(kim), QList<QByteArray>{"CMD_newplayerinfo+3+Bob+0"});
    bob->sendLine("CMD_myword+3+HOLD+");
    bob->sendLine("CMD_myword+3+BLIND+");
    sync(bob);
    QCOMPARE(got(bob), (QList<QByteArray>{"CMD_hisword+3+16+HOLD+", "CMD_hisscore+3+16+16+", "CMD_hisword+3+25+BLIND+",
                                          "CMD_hisscore+3+41+25+"}));
    QCOMPARE(got(kim), (QList<QByteArray>{"CMD_hisscore+3+16+16+", "CMD_hisscore+3+41+25+"}));
    got(ann);

    tick(63);
    sync(kim);
    QCOMPARE(got(kim), QList<QByteArray>());
    tick(1);
    sync(kim);
    const QByteArray over = "CMD_roundover+1+0+0++2+16+16+TEAR:16,+3+41+41+HOLD:16,BLIND:25,+4+0+0++5+0+0++6+0+0+";
    for (WireClient *c : {kim, ann, bob})
        QCOMPARE(got(c), QList<QByteArray>{over});

    tick(19);
    sync(kim);
    QCOMPARE(got(kim), QList<QByteArray>());
    tick(1);
    sync(kim);
    for (WireClient *c : {kim, ann, bob})
        QCOMPARE(got(c), QList<QByteArray>{"CMD_winner+Bob+"});
    QVERIFY(!m_game->gameInProgress());
    QVERIFY(!m_game->isTimerEnabled());

    // After the game a newcomer is not caught up with anything.
    WireClient *cat = join(4, "Cat");
    QVERIFY(cat);
    sync(cat);
    QCOMPARE(got(cat), (QList<QByteArray>{"CMD_sendlogininfo+4", "CMD_newplayerinfo+4+Cat+0",
                                          "CMD_existingplayers+1+Kim+0+2+Ann+0+3+Bob+0"}));
}

void TestGame::tieAfterTheLastRoundPlaysAnotherRound()
{
    WireClient *kim = join(1, "Kim");
    WireClient *ann = join(2, "Ann");
    QVERIFY(kim && ann);
    kim->sendLine("CMD_startgame+Kim+1+30+");
    kim->sendLine("CMD_myword+1+HOLD+");
    sync(kim);
    ann->sendLine("CMD_myword+2+COLD+");
    sync(ann);
    got(kim);
    got(ann);
    tick(34 + 20);
    sync(kim);
    QCOMPARE(got(ann), (QList<QByteArray>{"CMD_roundover+1+16+16+HOLD:16,+2+16+16+COLD:16,+3+0+0++4+0+0++5+0+0++6+0+0+",
                                          BoardLine, "CMD_roundstarting+2+30+"}));
    ann->sendLine("CMD_myword+2+HOLD+");
    sync(ann);
    QCOMPARE(got(ann), (QList<QByteArray>{"CMD_hisword+2+16+HOLD+", "CMD_hisscore+2+32+16+"}));
    got(kim);
    tick(34 + 20);
    sync(kim);
    QCOMPARE(got(kim), (QList<QByteArray>{"CMD_roundover+1+16+0++2+32+16+HOLD:16,+3+0+0++4+0+0++5+0+0++6+0+0+",
                                          "CMD_winner+Ann+"}));
}

void TestGame::replyLeavesWithTheTickThatDispatchesTheWord()
{
    WireClient *kim = join(1, "Kim");
    QVERIFY(kim);
    kim->sendLine("CMD_startgame+Kim+3+60+");
    QVERIFY(kim->waitForLine("CMD_roundstarting+1+60+"));

    m_server->dispatcher().setManual(true);
    kim->sendLine("CMD_myword+1+TEAR+");
    QTRY_COMPARE(m_server->dispatcher().pending(), 1);
    const qsizetype before = kim->lines.size();
    QVERIFY(m_server->dispatcher().tick());
    // No further tick: the reply is already on its way.
    QVERIFY(kim->waitForLines(int(before) + 2));
    QCOMPARE(kim->lines.mid(before), (QList<QByteArray>{"CMD_hisword+1+16+TEAR+", "CMD_hisscore+1+16+16+"}));
    QCOMPARE(m_server->dispatcher().pending(), 0);
}

void TestGame::wordOfADepartedPlayerStillScores()
{
    WireClient *kim = join(1, "Kim");
    WireClient *ann = join(2, "Ann");
    QVERIFY(kim && ann);
    kim->sendLine("CMD_startgame+Kim+3+60+");
    sync(kim);
    got(kim);

    m_server->dispatcher().setManual(true);
    ann->sendLine("CMD_myword+2+TEAR+");
    QTRY_COMPARE(m_server->dispatcher().pending(), 1);
    ann->socket.disconnectFromHost();
    QVERIFY(kim->waitForLine("CMD_playerdisconnected+2+Ann"));
    m_server->dispatcher().setManual(false);
    sync(kim);
    // Only the reply to the sender is lost with its connection.
    QCOMPARE(got(kim), (QList<QByteArray>{"CMD_playerdisconnected+2+Ann", "CMD_hisscore+2+16+16+"}));
    QCOMPARE(m_server->registry().record(2)->totalScore, 16);
}

void TestGame::theWinnerFreesTheSeatsHeldForThoseWhoLeft()
{
    WireClient *kim = join(1, "Kim");
    WireClient *ann = join(2, "Ann");
    QVERIFY(kim && ann);
    kim->sendLine("CMD_startgame+Kim+1+30+");
    kim->sendLine("CMD_myword+1+HOLD+");
    sync(kim);
    ann->socket.disconnectFromHost();
    QVERIFY(kim->waitForLine("CMD_playerdisconnected+2+Ann"));
    QVERIFY(m_server->heldSeats().isHeld(2));
    tick(34 + 20);
    sync(kim);
    QVERIFY(kim->lines.contains("CMD_winner+Kim+"));
    QVERIFY(m_server->heldSeats().isEmpty());
    QVERIFY(!m_server->heldSeats().deadlines().isTimerActive());
}

QTEST_GUILESS_MAIN(TestGame)
#include "tst_game.moc"
