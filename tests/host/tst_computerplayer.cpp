// Computer players: how a strength plans a round on boards dealt as the host
// deals them, and computer players at a real host over loopback, their clocks
// driven by hand, beside a bare participant who holds slot 1.
#include "dict/dictionary.h"
#include "dict/wordfinder.h"
#include "host/computerplan.h"
#include "host/computerplayer.h"
#include "host/computertable.h"
#include "host/gameengine.h"
#include "host/server.h"
#include "net/protocol.h"
#include "net/sock.h"
#include "wireclient.h"

#include <QDeadlineTimer>
#include <QRandomGenerator>
#include <QSet>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace vorlith;
using host::ComputerPlayer;
using host::ComputerTable;
using host::Strength;
using Board = std::array<int, 36>;

namespace {

Board dealtBoard(QRandomGenerator &rng)
{
    return host::GameEngine::deal([&rng](int n) { return int(rng.bounded(n)); });
}

/// The words of a results entry list "CAT:9,DOG:9,".
QStringList wordsOf(const QString &entries)
{
    QStringList words;
    for (const QString &entry : entries.split(QLatin1Char(','), Qt::SkipEmptyParts))
        words << entry.section(QLatin1Char(':'), 0, 0);
    return words;
}

} // namespace

class TestComputerPlayer : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanup();
    void aRoundPlansAsItsStrengthPlays_data();
    void aRoundPlansAsItsStrengthPlays();
    void computerPlayersPlayAGameAtARealHost();
    void aComputerPlayerNeverStaysAsASpy();

private:
    void startHost();
    WireClient *joinAsKim();
    /// Runs the event loop and every queue until every byte sent on every
    /// connection has arrived and been handled.
    void settle();
    void pump();
    bool delivered() const;
    /// One second of game time for the host and every computer player.
    void second(int count = 1);
    QList<QByteArray> chatsFrom(int slot) const;

    dict::Dictionary m_dict;
    std::unique_ptr<dict::WordFinder> m_finder;
    QRandomGenerator m_rng{20240917};
    std::unique_ptr<host::HostServer> m_server;
    std::unique_ptr<host::GameEngine> m_game;
    std::unique_ptr<ComputerTable> m_table;
    std::vector<ComputerPlayer *> m_extra;
    std::unique_ptr<WireClient> m_kim;
};

void TestComputerPlayer::initTestCase()
{
    QVERIFY(m_dict.loadwords(QStringLiteral("/nonexistent-vorlith-folder/English")));
    m_finder = std::make_unique<dict::WordFinder>(m_dict);
}

void TestComputerPlayer::cleanup()
{
    m_kim.reset();
    m_table.reset();
    m_game.reset();
    m_server.reset();
}

void TestComputerPlayer::aRoundPlansAsItsStrengthPlays_data()
{
    QTest::addColumn<Strength>("strength");
    QTest::addColumn<double>("fewestPerMinute");
    QTest::addColumn<double>("mostPerMinute");
    QTest::addColumn<double>("shortestMean");
    QTest::addColumn<double>("longestMean");
    // Means of the accepted lengths tell the strengths apart: an easy player
    // finds short words, a hard one goes for long ones.
    QTest::newRow("easy") << Strength::Easy << 3.5 << 7.0 << 3.0 << 4.0;
    QTest::newRow("normal") << Strength::Normal << 7.0 << 11.0 << 4.0 << 5.5;
    QTest::newRow("hard") << Strength::Hard << 12.0 << 17.0 << 6.0 << 9.0;
}

void TestComputerPlayer::aRoundPlansAsItsStrengthPlays()
{
    QFETCH(Strength, strength);
    QFETCH(double, fewestPerMinute);
    QFETCH(double, mostPerMinute);
    QFETCH(double, shortestMean);
    QFETCH(double, longestMean);
    const host::PlayStyle style = host::playStyle(strength);
    QRandomGenerator rng(7);
    const host::PlanRandom random = [&rng](int n) { return int(rng.bounded(n)); };

    constexpr int Rounds = 60;
    constexpr int Seconds = 60;
    int tries = 0;
    int wrong = 0;
    int goodLetters = 0;
    for (int round = 0; round < Rounds; ++round) {
        const Board board = dealtBoard(m_rng);
        const std::vector<dict::FoundWord> onBoard = m_finder->find(board);
        QSet<QString> words;
        for (const dict::FoundWord &f : onBoard)
            words.insert(f.word);
        const std::vector<host::PlannedWord> plan =
            host::planRound(onBoard, board, Seconds, style, random);

        QSet<QString> tried;
        int last = 0;
        for (const host::PlannedWord &p : plan) {
            // A person's pace: one try at a time, a second or more apart,
            // inside the round and before its board closes.
            QVERIFY2(p.second > last && p.second < Seconds, qPrintable(QString::number(p.second)));
            last = p.second;
            QVERIFY2(host::boardSpells(board, p.word), qPrintable(p.word));
            if (!words.contains(p.word) || tried.contains(p.word)) {
                ++wrong;
            } else {
                QVERIFY2(p.word.size() >= style.shortest && p.word.size() <= style.longest,
                         qPrintable(p.word));
                goodLetters += int(p.word.size());
            }
            tried.insert(p.word);
        }
        tries += int(plan.size());
    }
    const double perMinute = tries * 60.0 / (Rounds * Seconds);
    QVERIFY2(perMinute >= fewestPerMinute && perMinute <= mostPerMinute,
             qPrintable(QString::number(perMinute)));
    const double wrongPercent = 100.0 * wrong / tries;
    QVERIFY2(wrongPercent >= style.wrongPercent / 2.0 && wrongPercent <= style.wrongPercent * 2.0,
             qPrintable(QString::number(wrongPercent)));
    const double meanLength = double(goodLetters) / (tries - wrong);
    QVERIFY2(meanLength >= shortestMean && meanLength <= longestMean,
             qPrintable(QString::number(meanLength)));

    // No words, no time or no pace: nothing to try, and no endless plan.
    QVERIFY(host::planRound({}, dealtBoard(m_rng), Seconds, style, random).size() <= 3);
    QVERIFY(host::planRound(m_finder->find(dealtBoard(m_rng)), dealtBoard(m_rng), 1, style, random)
                .empty());
}

void TestComputerPlayer::startHost()
{
    m_server = std::make_unique<host::HostServer>();
    m_game = std::make_unique<host::GameEngine>(m_server->registry(), *m_server, m_dict,
                                                [this](int n) { return int(m_rng.bounded(n)); });
    m_game->setManual(true);
    m_server->setGame(m_game.get());
    m_server->setPortName(QStringLiteral("0"));
    m_server->startListening();
    m_table = std::make_unique<ComputerTable>(
        *m_server, [this](const Board &board) { return m_finder->find(board); },
        [this](int n) { return int(m_rng.bounded(n)); });
    m_table->setManual(true);
}

WireClient *TestComputerPlayer::joinAsKim()
{
    m_kim = std::make_unique<WireClient>();
    if (!m_kim->connectTo(m_server->listeningPort()) || !m_kim->waitForLine("CMD_sendlogininfo+1"))
        return nullptr;
    m_kim->sendRaw("CMD_logininfo+1+1.0.3+Kim\xff\xff");
    return m_kim->waitForLine("CMD_newplayerinfo+1+Kim+0") ? m_kim.get() : nullptr;
}

void TestComputerPlayer::pump()
{
    QCoreApplication::processEvents();
    if (m_server)
        m_server->dispatcher().drain();
    for (const auto &p : m_table->players())
        p->dispatcher().drain();
    for (ComputerPlayer *p : m_extra)
        p->dispatcher().drain();
}

bool TestComputerPlayer::delivered() const
{
    if (!m_server)
        return true;
    if (m_server->dispatcher().pending() > 0)
        return false;
    std::vector<ComputerPlayer *> players(m_extra);
    for (const auto &p : m_table->players())
        players.push_back(p.get());
    for (int slot : m_server->registry().activeSlots()) {
        const net::Sock *hostEnd = m_server->registry().record(slot)->connection;
        if (!hostEnd || !hostEnd->isConnected())
            continue;
        // Each end has received what the other end wrote.
        qint64 peerSent = -1;
        qint64 peerReceived = -1;
        if (slot == 1 && m_kim) {
            peerSent = m_kim->sent;
            peerReceived = m_kim->raw.size();
        }
        for (ComputerPlayer *p : players) {
            if (p->slot() == slot && p->connection().hasSocket()) {
                if (p->dispatcher().pending() > 0)
                    return false;
                peerSent = p->connection().sock().bytesSent();
                peerReceived = p->connection().sock().bytesReceived();
            }
        }
        if (peerSent < 0)
            continue; // its peer has gone; the host hears of it in its time
        if (peerSent != hostEnd->bytesReceived() || peerReceived != hostEnd->bytesSent())
            return false;
    }
    return true;
}

void TestComputerPlayer::settle()
{
    // Loopback bytes take their time, but only until every one has arrived:
    // each wait ends at the next event (bytes arriving, most often). The
    // timer only wakes a wait that nothing else would.
    QDeadlineTimer deadline(10000);
    QTimer giveUp;
    giveUp.setSingleShot(true);
    giveUp.start(10000);
    for (pump(); !delivered(); pump()) {
        if (deadline.hasExpired()) {
            qWarning("bytes still travel after ten seconds");
            return;
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

void TestComputerPlayer::second(int count)
{
    for (int i = 0; i < count; ++i) {
        m_game->onSecond();
        for (const auto &p : m_table->players())
            p->tick();
        settle();
    }
}

QList<QByteArray> TestComputerPlayer::chatsFrom(int slot) const
{
    QList<QByteArray> chats;
    for (const QByteArray &line : m_kim->lines) {
        if (line.startsWith("CMD_chat+" + QByteArray::number(slot) + "+"))
            chats << line;
    }
    return chats;
}

void TestComputerPlayer::computerPlayersPlayAGameAtARealHost()
{
    startHost();
    WireClient *kim = joinAsKim();
    QVERIFY(kim);
    QSignalSpy settled(m_table.get(), &ComputerTable::settled);
    m_table->setPlayers(2, Strength::Normal);
    QTRY_VERIFY((settle(), settled.count() > 0));
    // Ordinary players to everybody else: announced in seats 2 and 3, with a greeting.
    QVERIFY(kim->lines.contains("CMD_newplayerinfo+2+Robot 1+0"));
    QVERIFY(kim->lines.contains("CMD_newplayerinfo+3+Robot 2+0"));
    for (int slot : {2, 3}) {
        const QList<QByteArray> chats = chatsFrom(slot);
        QCOMPARE(chats.size(), 1);
        QVERIFY2(chats[0].contains(" chats: ") && chats[0].contains("computer player") &&
                     chats[0].endsWith("|clTeal"),
                 chats[0].constData());
    }
    QCOMPARE(m_table->freeSeats(), 3);

    kim->sendLine("CMD_startgame+Kim+1+30+");
    settle();
    ComputerPlayer *first = m_table->players()[0].get();
    const std::vector<host::PlannedWord> plan = first->plan();
    QVERIFY(!plan.empty());
    // The clock sends each try at its second, and nothing else.
    for (int s = 1; s <= 30; ++s) {
        second();
        const auto due =
            std::count_if(plan.begin(), plan.end(), [s](const auto &p) { return p.second <= s; });
        QCOMPARE(qsizetype(first->triesOut()), qsizetype(due));
        QCOMPARE(first->triesSent(), int(due));
    }
    QCOMPARE(first->acceptedWords() + first->refusedWords(), first->triesSent());
    QVERIFY(first->acceptedWords() > 0);

    second(4);
    const auto over = std::find_if(kim->lines.begin(), kim->lines.end(), [](const QByteArray &l) {
        return l.startsWith("CMD_roundover");
    });
    QVERIFY(over != kim->lines.end());
    const QList<net::proto::SeatResult> results =
        net::proto::decode<net::proto::RoundOver>(QString::fromLatin1(over->mid(14))).seats;
    const Board board = m_game->board();
    QSet<QString> onBoard;
    for (const dict::FoundWord &f : m_finder->find(board))
        onBoard.insert(f.word);
    for (int seat : {2, 3}) {
        const QStringList words = wordsOf(results[seat - 1].words);
        QVERIFY(!words.isEmpty());
        for (const QString &w : words)
            QVERIFY2(onBoard.contains(w), qPrintable(w));
    }

    // The game ends, and at once a second starts whose only round closes at
    // the first tick: each says "good game" a moment after the first, and
    // nothing after the second, which comes within half a minute.
    second(20);
    QVERIFY(std::any_of(kim->lines.begin(), kim->lines.end(),
                        [](const QByteArray &l) { return l.startsWith("CMD_winner+"); }));
    kim->sendLine("CMD_startgame+Kim+1+-3+");
    settle();
    const QByteArray boardLine =
        *std::find_if(kim->lines.rbegin(), kim->lines.rend(),
                      [](const QByteArray &l) { return l.startsWith("CMD_makeboard"); });
    const std::vector<dict::FoundWord> kimWords = m_finder->find(
        net::proto::decode<net::proto::MakeBoard>(QString::fromLatin1(boardLine.mid(14))).codes);
    QVERIFY(!kimWords.empty());
    kim->sendLine("CMD_myword+1+" + kimWords.front().word.toLatin1() + "+");
    QTRY_VERIFY((settle(), kim->lines.last().startsWith("CMD_hisscore+1+")));
    second(6);
    for (int slot : {2, 3})
        QCOMPARE(chatsFrom(slot).size(), 2);
    second(15);
    QVERIFY(kim->lines.contains("CMD_winner+Kim+"));
    second(6);
    for (int slot : {2, 3})
        QCOMPARE(chatsFrom(slot).size(), 2);

    // Removed by the hosting player: that one leaves, and its seat is free
    // again for the next, who takes the lowest free name.
    kim->sendLine("CMD_kickhim+1+2+");
    settle();
    QTRY_COMPARE(m_table->count(), 1);
    QVERIFY(kim->lines.contains("CMD_playerdisconnected+2+Robot 1"));
    m_table->setPlayers(5, Strength::Hard);
    QTRY_VERIFY((settle(), m_table->isSettled()));
    QCOMPARE(m_table->count(), 5);
    QStringList names;
    for (const auto &p : m_table->players()) {
        names << p->name();
        QVERIFY(p->strength() == Strength::Hard);
    }
    QCOMPARE(names, (QStringList{"Robot 2", "Robot 1", "Robot 3", "Robot 4", "Robot 5"}));
    QCOMPARE(m_table->freeSeats(), 0);
    m_table->setPlayers(5, Strength::Hard); // a full table takes nobody more
    QCOMPARE(m_table->count(), 5);

    // Fewer asked for: the newest leave. The host gone: everybody leaves.
    m_table->setPlayers(3, Strength::Easy);
    QCOMPARE(m_table->count(), 3);
    QTRY_COMPARE(m_server->registry().activeSlots().size(), 4);
    m_game.reset();
    m_server.reset();
    QTRY_COMPARE(m_table->count(), 0);
}

void TestComputerPlayer::aComputerPlayerNeverStaysAsASpy()
{
    startHost();
    WireClient *kim = joinAsKim();
    QVERIFY(kim);
    m_table->setPlayers(5, Strength::Normal);
    QTRY_VERIFY((settle(), m_table->isSettled()));

    // A participant that comes late finds only spy slots: a computer player
    // that is handed one leaves without logging in.
    ComputerPlayer late(QStringLiteral("Robot 9"), Strength::Easy, {}, {});
    late.setManual(true);
    m_extra = {&late};
    QSignalSpy finished(&late, &ComputerPlayer::finished);
    late.connectTo(QString::number(m_server->listeningPort()));
    QTRY_VERIFY((settle(), finished.count() == 1));
    QCOMPARE(late.slot(), 7);
    settle();
    QVERIFY(!kim->lines.contains("CMD_newplayerinfo+7+Robot 9+0"));
    QVERIFY(!m_server->registry().isActive(7));
    m_extra.clear();
}

QTEST_MAIN(TestComputerPlayer)
#include "tst_computerplayer.moc"
