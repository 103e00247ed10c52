#include "host/gameengine.h"
#include "host/registry.h"
#include "host/server.h"
#include "server/admission.h"
#include "server/table.h"
#include "server/tables.h"
#include "wireclient.h"

#include <QTest>

#include <memory>
#include <vector>

using namespace vorlith::server;
namespace host = vorlith::host;

class TestTableRules : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void onlyASeatedPlayerStartsAndOnlyBetweenGames();
    void everybodyIsToldTheTablesOwnOptions();
    void nobodyHoldsHostingPowers();
    void connectionsAreBoundedPerAddressAndInAll();
    void computerPlayersCountAgainstNoLimit();
    void gameWithNoPersonSeatedEnds();
    void aDroppedPlayersSeatIsListedAsHeld();
    void silentGameEndsWithoutAWinnerAndTheTableWaits();
    void tablesCloseTenMinutesAfterTheLastPersonLeft();

private:
    Table &makeTable(int rounds = 1, int time = 30, int computers = 0);
    WireClient *join(Table &table, int slot, const QByteArray &name);
    void runSeconds(Table &table, int seconds);

    Words m_words;
    std::unique_ptr<Admission> m_admission;
    std::vector<std::unique_ptr<Table>> m_tables;
    std::vector<std::unique_ptr<WireClient>> m_clients;
};

void TestTableRules::initTestCase()
{
    QVERIFY(m_words.load(QString()));
}

void TestTableRules::init()
{
    m_admission = std::make_unique<Admission>();
}

void TestTableRules::cleanup()
{
    m_clients.clear();
    m_tables.clear();
    QCOMPARE(m_admission->total(), 0); // every connection counted was released
}

Table &TestTableRules::makeTable(int rounds, int time, int computers)
{
    TableOptions options;
    options.name = QStringLiteral("Test");
    options.rounds = rounds;
    options.time = time;
    options.computers = computers;
    m_tables.push_back(std::make_unique<Table>(int(m_tables.size()) + 1, options, m_words,
                                               *m_admission, [](int n) { return n / 2; }));
    Table &t = *m_tables.back();
    t.setManual(true);
    if (!t.open(0))
        qFatal("no port");
    return t;
}

WireClient *TestTableRules::join(Table &table, int slot, const QByteArray &name)
{
    m_clients.push_back(std::make_unique<WireClient>());
    WireClient *c = m_clients.back().get();
    if (!c->connectTo(table.port()) ||
        !c->waitForLine("CMD_sendlogininfo+" + QByteArray::number(slot)) || !c->logIn(slot, name))
        return nullptr;
    return c;
}

void TestTableRules::runSeconds(Table &table, int seconds)
{
    for (int i = 0; i < seconds; ++i)
        table.game().onSecond();
}

void TestTableRules::onlyASeatedPlayerStartsAndOnlyBetweenGames()
{
    Table &table = makeTable(2, 30);
    WireClient *ann = join(table, 1, "Ann");
    QVERIFY(ann);
    // Slots 7-9 are spies: fill the seats' slots first.
    std::vector<WireClient *> seats;
    for (int slot = 2; slot <= 6; ++slot) {
        seats.push_back(join(table, slot, "P" + QByteArray::number(slot)));
        QVERIFY(seats.back());
    }
    WireClient *spy = join(table, 7, "Spy");
    QVERIFY(spy);
    m_clients.push_back(std::make_unique<WireClient>());
    WireClient *stranger = m_clients.back().get(); // connected, never logged in
    QVERIFY(stranger->connectTo(table.port()));
    QVERIFY(stranger->waitForLine("CMD_sendlogininfo+8"));

    spy->sendLine("CMD_startgame+Spy+5+60+");
    stranger->sendLine("CMD_startgame+X+5+60+");
    QVERIFY(spy->roundTrip());
    QVERIFY(!table.isPlaying());

    seats[2]->sendLine("CMD_startgame+P4+9+99+");
    QVERIFY(ann->waitForLine("CMD_startgame+P4+2+30+"));
    QVERIFY(table.isPlaying());
    QCOMPARE(table.round(), 1);
    QCOMPARE(table.gamesStarted(), 1);

    // Mid-game, a start from a seated player changes nothing either.
    runSeconds(table, 34); // round 1 closes
    QCOMPARE(table.game().phase(), host::GameEngine::Phase::Break);
    ann->sendLine("CMD_startgame+Ann+2+30+");
    QVERIFY(ann->roundTrip());
    QCOMPARE(table.round(), 1);
    QCOMPARE(table.game().phase(), host::GameEngine::Phase::Break);
    QCOMPARE(table.gamesStarted(), 1);
}

void TestTableRules::everybodyIsToldTheTablesOwnOptions()
{
    Table &table = makeTable(3, 45);
    WireClient *ann = join(table, 1, "Ann");
    WireClient *bob = join(table, 2, "Bob");
    QVERIFY(ann && bob);
    // The name comes from the login, not from whatever the line claims.
    bob->sendLine("CMD_startgame+Somebody+Else+10+120+");
    QVERIFY(ann->waitForLine("CMD_startgame+Bob+3+45+"));
    QVERIFY(bob->waitForLine("CMD_roundstarting+1+45+"));
    QCOMPARE(table.game().roundsToPlay(), 3);
    QCOMPARE(table.game().creationTime(), 45);
}

void TestTableRules::nobodyHoldsHostingPowers()
{
    Table &table = makeTable();
    WireClient *ann = join(table, 1, "Ann");
    WireClient *bob = join(table, 2, "Bob");
    QVERIFY(ann && bob);
    ann->sendLine("CMD_startgame+Ann+1+30+");
    QVERIFY(bob->waitForLine("CMD_roundstarting+1+30+"));

    ann->sendLine("CMD_kickhim+1+2");
    ann->sendLine("CMD_justwatch+2+1");
    QVERIFY(ann->roundTrip());
    QVERIFY(!bob->closed);
    QVERIFY(!table.engine().registry().record(2)->watching);
    QVERIFY(!bob->lines.contains("CMD_justwatching+2+1"));

    // Everybody still moves his own seat.
    bob->sendLine("CMD_justwatch+2+1");
    QVERIFY(ann->waitForLine("CMD_justwatching+2+1"));
}

void TestTableRules::connectionsAreBoundedPerAddressAndInAll()
{
    m_admission->setLimits(2, 3);
    Table &one = makeTable();
    Table &two = makeTable();
    QVERIFY(join(one, 1, "A"));
    QVERIFY(join(two, 1, "B"));
    QCOMPARE(m_admission->from(QStringLiteral("127.0.0.1")), 2);

    // A third from the same address, at either table, is closed unserved.
    m_clients.push_back(std::make_unique<WireClient>());
    WireClient *third = m_clients.back().get();
    QVERIFY(third->connectTo(one.port()));
    QVERIFY(third->waitForClose());
    QVERIFY(third->lines.isEmpty());
    QCOMPARE(one.people(), 1);

    // Once one leaves, another may come.
    m_clients[0]->socket.disconnectFromHost();
    QTRY_COMPARE(m_admission->total(), 1);
    QVERIFY(join(one, 1, "C"));

    // Counting is by address, an IPv4 peer seen through IPv6 included.
    QCOMPARE(Admission::key(QStringLiteral("::ffff:10.0.0.1")), QStringLiteral("10.0.0.1"));
    Admission all(16, 3);
    QVERIFY(all.take(QStringLiteral("10.0.0.1")));
    QVERIFY(all.take(QStringLiteral("::ffff:10.0.0.2")));
    QVERIFY(all.take(QStringLiteral("10.0.0.3")));
    QVERIFY(!all.take(QStringLiteral("10.0.0.4")));
    all.release(QStringLiteral("10.0.0.2"));
    QVERIFY(all.take(QStringLiteral("10.0.0.4")));
}

void TestTableRules::computerPlayersCountAgainstNoLimit()
{
    m_admission->setLimits(1, 1);
    Table &table = makeTable(1, 30, 3);
    QTRY_COMPARE(table.seated().size(), 3);
    QCOMPARE(m_admission->total(), 0);
    QCOMPARE(table.people(), 0);
    QVERIFY(join(table, 4, "Ann"));
    QCOMPARE(table.people(), 1);
    QCOMPARE(table.peopleSeated(), 1);
}

void TestTableRules::gameWithNoPersonSeatedEnds()
{
    Table &table = makeTable(5, 30, 1);
    QTRY_COMPARE(table.seated().size(), 1);
    WireClient *ann = join(table, 2, "Ann");
    WireClient *spy = nullptr;
    for (int slot = 3; slot <= 6; ++slot)
        QVERIFY(join(table, slot, "P" + QByteArray::number(slot)));
    spy = join(table, 7, "Spy");
    QVERIFY(ann && spy);
    ann->sendLine("CMD_startgame+Ann+1+1+");
    QVERIFY(spy->waitForLine("CMD_roundstarting+1+30+"));

    // Every person in a seat leaves; the computer player and a spy stay.
    for (int i = 0; i < 5; ++i)
        m_clients[size_t(i)]->socket.disconnectFromHost();
    QTRY_COMPARE(table.peopleSeated(), 0);
    QVERIFY(table.isPlaying());
    runSeconds(table, 1);
    QVERIFY(!table.isPlaying());
    QVERIFY(!table.game().isTimerEnabled());
    QVERIFY(!spy->lines.contains("CMD_winner+Robot 1"));
}

void TestTableRules::aDroppedPlayersSeatIsListedAsHeld()
{
    Table &table = makeTable(3, 30, 0);
    WireClient *ann = join(table, 1, "Ann");
    WireClient *bob = join(table, 2, "Bob");
    QVERIFY(ann && bob);
    QVERIFY(table.held().isEmpty());
    ann->sendLine("CMD_startgame+Ann+1+1+");
    QVERIFY(bob->waitForLine("CMD_roundstarting+1+30+"));

    bob->socket.disconnectFromHost();
    QVERIFY(ann->waitForLine("CMD_playerdisconnected+2+Bob"));
    const auto held = table.held();
    QCOMPARE(held.size(), 1);
    QCOMPARE(held.first().first, QStringLiteral("Bob"));
    QVERIFY(held.first().second > 170 && held.first().second <= 180);
}

void TestTableRules::silentGameEndsWithoutAWinnerAndTheTableWaits()
{
    Table &table = makeTable(2, 30);
    WireClient *ann = join(table, 1, "Ann");
    WireClient *bob = join(table, 2, "Bob");
    QVERIFY(ann && bob);
    ann->sendLine("CMD_startgame+Ann+2+30+");
    QVERIFY(ann->waitForLine("CMD_roundstarting+1+30+"));
    // Bob drops out: his seat is held for the rest of this game only.
    bob->socket.disconnectFromHost();
    QVERIFY(ann->waitForLine("CMD_playerdisconnected+2+Bob"));
    QCOMPARE(table.held().size(), 1);
    // Rounds 1 and 2 and tie-breaks 3, 4 and 5 pass with no word.
    for (int round = 1; round <= 5; ++round) {
        QVERIFY(table.isPlaying());
        runSeconds(table, 34 + 20);
    }
    QCOMPARE(table.round(), 6);
    QVERIFY(!table.isPlaying());
    QVERIFY(!table.game().isTimerEnabled());
    QVERIFY(ann->roundTrip());
    const auto winners =
        std::count_if(ann->lines.begin(), ann->lines.end(),
                      [](const QByteArray &l) { return l.startsWith("CMD_winner"); });
    QCOMPARE(winners, 0);
    QVERIFY(!ann->lines.contains("CMD_roundstarting+6+30+"));
    QVERIFY(table.held().isEmpty());

    // The table waits: the next start is honoured.
    ann->sendLine("CMD_startgame+Ann+2+30+");
    QTRY_VERIFY(table.isPlaying());
    QCOMPARE(table.round(), 1);
    QCOMPARE(table.gamesStarted(), 2);
    QCOMPARE(table.gamesPlayed(), 0); // a game nobody scored in was not played to a winner
}

void TestTableRules::tablesCloseTenMinutesAfterTheLastPersonLeft()
{
    qint64 now = 1'000'000;
    Tables::Limits anyPort;
    anyPort.firstPort = 0;
    anyPort.lastPort = 0;
    Tables tables(m_words, *m_admission, anyPort);
    tables.setClock([&now] { return now; });
    tables.setManual(true);
    const QString here = QStringLiteral("127.0.0.1");
    TableOptions options;
    options.name = QStringLiteral("t");
    Table *empty = tables.make(options, here).table;
    options.computers = 2;
    Table *robots = tables.make(options, here).table;
    options.computers = 0;
    Table *visited = tables.make(options, here).table;
    QVERIFY(empty && robots && visited);
    const int visitedId = visited->id();
    QTRY_COMPARE(robots->seated().size(), 2);

    now += 60'000;
    WireClient *ann = join(*visited, 1, "Ann");
    QVERIFY(ann);
    QCOMPARE(tables.closesAt(visitedId), std::nullopt);

    now = 1'000'000 + Tables::IdleCloseMs - 1;
    tables.sweep();
    QCOMPARE(tables.all().size(), size_t(3));
    now += 1;
    tables.sweep();
    // Nobody came to the first two: computer players keep nothing open.
    QCOMPARE(tables.all().size(), size_t(1));
    QCOMPARE(tables.all().front()->id(), visitedId);

    now += 2 * 60'000;
    ann->socket.disconnectFromHost();
    const qint64 left = now;
    QTRY_VERIFY(tables.closesAt(visitedId).has_value());
    QCOMPARE(*tables.closesAt(visitedId), left + Tables::IdleCloseMs);
    now = left + Tables::IdleCloseMs - 1;
    tables.sweep();
    QVERIFY(tables.find(visitedId));
    now += 1;
    tables.sweep();
    QVERIFY(!tables.find(visitedId));
    QTRY_COMPARE(m_admission->total(), 0);
}

QTEST_GUILESS_MAIN(TestTableRules)
#include "tst_tablerules.moc"
