// The game engine on its own: the deal, the round clock, the winner, word
// judging and the late-joiner catch-up, with the messages recorded as they
// would leave the host ("all:" line, or slot ":" line).
#include "dict/dictionary.h"
#include "host/gameengine.h"
#include "host/registry.h"
#include "hostdoubles.h"
#include "net/protocol.h"

#include <QSignalSpy>
#include <QTest>

#include <random>

using namespace vorlith;
using host::GameEngine;
namespace proto = net::proto;

namespace {

class RecordingOutbox final : public host::Outbox
{
public:
    void sendTo(int slot, const QByteArray &line) override { sent.append(QByteArray::number(slot) + ':' + line); }
    void sendToAll(const QByteArray &line) override { sent.append("all:" + line); }
    /// What was sent since the last call.
    QList<QByteArray> take() { return std::exchange(sent, {}); }

    QList<QByteArray> sent;
};

// One "e" only, and no j, q, x or z.
const QByteArray Board = "tearsdlonhikbmpcugwfyvaoiusdlnhkbmpc";

QByteArray makeboardOf(const QByteArray &letters)
{
    QByteArray line = "CMD_makeboard";
    for (int i = 0; i < letters.size(); ++i)
        line += '+' + QByteArray::number(i + 1) + '+' + QByteArray::number(letters[i] - 'a' + 1);
    return line;
}

} // namespace

class TestGameEngine : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();

    void dealWeighsLettersInSixtieths();
    void wordNeedsACellForEachLetter_data();
    void wordNeedsACellForEachLetter();

    void wordsAreJudged_data();
    void wordsAreJudged();
    void wordsCountOnlyWhileARoundRuns_data();
    void wordsCountOnlyWhileARoundRuns();

    void startNumbersAndFallbacks_data();
    void startNumbersAndFallbacks();
    void roundClosesAfterCreationTimePlusFour_data();
    void roundClosesAfterCreationTimePlusFour();
    void largestCreationTimeKeepsCounting();
    void roundsToPlayDecideWhenTheWinnerIsNamed_data();
    void roundsToPlayDecideWhenTheWinnerIsNamed();

    void threeRoundGameNamesTheUniqueLeader();
    void nobodyScoringNeverEnds();
    void lastSeatsCanWin_data();
    void lastSeatsCanWin();
    void roundOverListsAllSixSeats();
    void newStartgameRestartsFromScratch();
    void lateJoinerIsCaughtUp();

private:
    void makeEngine(const QByteArray &letters = Board);
    void start(const QByteArray &rounds, const QByteArray &time);
    /// Lets \a seconds pass on the game timer.
    void tick(int seconds);
    void word(int slot, const QByteArray &word)
    {
        m_game->playWord(slot, QString::fromLatin1(word));
    }

    dict::Dictionary m_dict;
    host::Registry m_registry;
    RecordingOutbox m_out;
    std::unique_ptr<GameEngine> m_game;
};

void TestGameEngine::initTestCase()
{
    QVERIFY(m_dict.loadwords(QStringLiteral("/nonexistent-vorlith-folder/English")));
    for (const char *w : {"TEAR", "TREE", "ZEBRA", "HOLD", "OLD", "BLIND", "COLD"})
        QVERIFY2(m_dict.isword(QByteArrayView(w)), w);
    QVERIFY(!m_dict.isword(QByteArrayView("AETR")));
}

void TestGameEngine::init()
{
    m_registry = host::Registry();
    const QStringList names{"Kim", "Ann", "Bob", "Cat", "Dan", "Eve", "Spy"};
    for (int slot = 1; slot <= 7; ++slot) {
        host::PlayerRecord *r = m_registry.record(slot);
        r->active = true;
        r->name = names[slot - 1];
    }
    m_registry.setSlotCount(7);
    m_out.sent.clear();
    makeEngine();
}

void TestGameEngine::makeEngine(const QByteArray &letters)
{
    m_game = std::make_unique<GameEngine>(m_registry, m_out, m_dict, riggedDeal(letters));
    m_game->setManual(true);
}

void TestGameEngine::start(const QByteArray &rounds, const QByteArray &time)
{
    m_game->startGame(QStringLiteral("Kim"), proto::toNumber(QString::fromLatin1(rounds)),
                      proto::toNumber(QString::fromLatin1(time)));
}

void TestGameEngine::tick(int seconds)
{
    for (int i = 0; i < seconds; ++i)
        m_game->onSecond();
}

// ---- the deal ----------------------------------------------------------

void TestGameEngine::dealWeighsLettersInSixtieths()
{
    // e 5; t 4; a d h i k l n o r s 3; b c g m p u w 2; f j q v x y z 1.
    const QByteArray weights = "32235123313323321334212111"; // a..z
    int sum = 0;
    for (char w : weights)
        sum += w - '0';
    QCOMPARE(sum, 60);
    // Each cell draws a column of six and a row of ten of the table.
    std::mt19937 rng(1234);
    int badDraws = 0;
    GameEngine game(m_registry, m_out, m_dict, [&](int n) {
        badDraws += n == 6 || n == 10 ? 0 : 1;
        return int(rng() % unsigned(n));
    });
    game.setManual(true);
    std::array<qint64, 27> counts{};
    const int boards = 5000;
    game.startGame(QStringLiteral("Kim"), 0, 0); // nobody scores: the game never ends
    for (int b = 0; b < boards; ++b) {
        const QByteArray line = m_out.take().value(1);
        proto::MakeBoard dealt;
        dealt.codes = game.board();
        QCOMPARE(line, "all:" + proto::encode(dealt));
        for (int code : game.board()) {
            QVERIFY(code >= 1 && code <= 26);
            ++counts[size_t(code)];
        }
        for (int i = 0; i < 4 + 20; ++i) // the round, the break, and the next round's deal
            game.onSecond();
    }
    const double draws = 36.0 * boards;
    for (int code = 1; code <= 26; ++code) {
        const double p = (weights[code - 1] - '0') / 60.0;
        const double sd = std::sqrt(draws * p * (1 - p));
        QVERIFY2(std::abs(double(counts[size_t(code)]) - draws * p) < 5 * sd,
                 qPrintable(QStringLiteral("letter %1: %2 of %3").arg(QChar(u'a' + code - 1)).arg(counts[size_t(code)]).arg(draws)));
    }
    QCOMPARE(badDraws, 0);
}

void TestGameEngine::wordNeedsACellForEachLetter_data()
{
    QTest::addColumn<QByteArray>("board");
    QTest::addColumn<QString>("word");
    QTest::addColumn<bool>("fits");
    const QByteArray mixed = "abcdefghijklmnopqrstuvwxyzeeetaoinsh";
    QTest::newRow("letters anywhere") << Board << "TEAR" << true;
    QTest::newRow("lower case") << Board << "tear" << true;
    QTest::newRow("mixed case") << Board << "TeAr" << true;
    QTest::newRow("letter needed twice, one on the board") << Board << "TREE" << false;
    QTest::newRow("letter twice on the board, used twice") << mixed << "TEETH" << true;
    QTest::newRow("four e wanted, four on the board") << mixed << "EEEE" << true;
    QTest::newRow("five e wanted, four on the board") << mixed << "EEEEE" << false;
    QTest::newRow("letter not on the board") << Board << "ZEBRA" << false;
    QTest::newRow("whole board") << mixed << QString::fromLatin1(mixed).toUpper() << true;
    QTest::newRow("one more than the board") << mixed << QString::fromLatin1(mixed + "a") << false;
    QTest::newRow("empty") << Board << QString() << true;
    QTest::newRow("space") << Board << "TE AR" << false;
    QTest::newRow("hyphen") << Board << "TE-AR" << false;
    QTest::newRow("digit") << Board << "TEA1" << false;
    QTest::newRow("latin-1 letter") << Board << QStringLiteral("T\u00c9AR") << false;
    QTest::newRow("byte 0xFF") << Board << QStringLiteral("TEA\u00ff") << false;
}

void TestGameEngine::wordNeedsACellForEachLetter()
{
    QFETCH(QByteArray, board);
    QFETCH(QString, word);
    QFETCH(bool, fits);
    makeEngine(board);
    start("3", "60");
    QCOMPARE(m_game->isOnBoard(word), fits);
}

// ---- word judging ------------------------------------------------------

void TestGameEngine::wordsAreJudged_data()
{
    QTest::addColumn<QList<QByteArray>>("words"); // slot "+" word
    QTest::addColumn<QList<QByteArray>>("replies");
    QTest::addColumn<QString>(
        "setup"); // "no game", "no dictionary", "3 watches"; empty: a game runs
    QTest::newRow("accepted four letters")
        << QList<QByteArray>{"2+TEAR"}
        << QList<QByteArray>{"2:CMD_hisword+2+16+TEAR+", "all:CMD_hisscore+2+16+16+"} << QString();
    QTest::newRow("accepted five letters, total grows")
        << QList<QByteArray>{"3+TEAR", "3+BLIND"}
        << QList<QByteArray>{"3:CMD_hisword+3+16+TEAR+", "all:CMD_hisscore+3+16+16+",
                             "3:CMD_hisword+3+25+BLIND+", "all:CMD_hisscore+3+41+25+"}
        << QString();
    QTest::newRow("not a word") << QList<QByteArray>{"2+AETR"}
                                << QList<QByteArray>{"2:CMD_notvalid+1+2+AETR+"} << QString();
    QTest::newRow("a word, not on the board")
        << QList<QByteArray>{"2+ZEBRA"} << QList<QByteArray>{"2:CMD_notvalid+1+2+ZEBRA+"}
        << QString();
    QTest::newRow("a letter short") << QList<QByteArray>{"2+TREE"}
                                    << QList<QByteArray>{"2:CMD_notvalid+1+2+TREE+"} << QString();
    QTest::newRow("twice from one seat")
        << QList<QByteArray>{"2+TEAR", "2+TEAR"}
        << QList<QByteArray>{"2:CMD_hisword+2+16+TEAR+", "all:CMD_hisscore+2+16+16+",
                             "2:CMD_notvalid+2+2+TEAR+"}
        << QString();
    QTest::newRow("once from each of two seats")
        << QList<QByteArray>{"2+TEAR", "4+TEAR"}
        << QList<QByteArray>{"2:CMD_hisword+2+16+TEAR+", "all:CMD_hisscore+2+16+16+",
                             "4:CMD_hisword+4+16+TEAR+", "all:CMD_hisscore+4+16+16+"}
        << QString();
    QTest::newRow("letter case makes no new word")
        << QList<QByteArray>{"2+tear", "2+TEAR", "2+TeAr"}
        << QList<QByteArray>{"2:CMD_hisword+2+16+tear+", "all:CMD_hisscore+2+16+16+",
                             "2:CMD_notvalid+2+2+TEAR+", "2:CMD_notvalid+2+2+TeAr+"}
        << QString();
    QTest::newRow("a word inside an earlier one is no duplicate")
        << QList<QByteArray>{"2+HOLD", "2+OLD", "2+HOLD"}
        << QList<QByteArray>{"2:CMD_hisword+2+16+HOLD+", "all:CMD_hisscore+2+16+16+",
                             "2:CMD_hisword+2+9+OLD+", "all:CMD_hisscore+2+25+9+",
                             "2:CMD_notvalid+2+2+HOLD+"}
        << QString();
    QTest::newRow("blanks around the word")
        << QList<QByteArray>{"2+ TEAR "} << QList<QByteArray>{"2:CMD_notvalid+1+2+ TEAR +"}
        << QString();
    QTest::newRow("missing word") << QList<QByteArray>{"2"}
                                  << QList<QByteArray>{"2:CMD_notvalid+1+2++"} << QString();
    QTest::newRow("slot 7 is a spy")
        << QList<QByteArray>{"7+TEAR"} << QList<QByteArray>{} << QString();
    QTest::newRow("slot 0") << QList<QByteArray>{"0+TEAR"} << QList<QByteArray>{} << QString();
    QTest::newRow("negative slot")
        << QList<QByteArray>{"-2+TEAR"} << QList<QByteArray>{} << QString();
    QTest::newRow("slot outside the registry")
        << QList<QByteArray>{"2147483647+TEAR"} << QList<QByteArray>{} << QString();
    QTest::newRow("no game runs") << QList<QByteArray>{"2+TEAR"} << QList<QByteArray>{}
                                  << "no game";
    QTest::newRow("without a word list every word is refused")
        << QList<QByteArray>{"2+TEAR"} << QList<QByteArray>{"2:CMD_notvalid+1+2+TEAR+"}
        << "no dictionary";
    // Watching only changes what the seat's client lets its player do.
    QTest::newRow("a watching seat is judged like any other")
        << QList<QByteArray>{"3+TEAR"}
        << QList<QByteArray>{"3:CMD_hisword+3+16+TEAR+", "all:CMD_hisscore+3+16+16+"}
        << "3 watches";
}

void TestGameEngine::wordsAreJudged()
{
    QFETCH(QList<QByteArray>, words);
    QFETCH(QList<QByteArray>, replies);
    QFETCH(QString, setup);
    static dict::Dictionary missing(QStringLiteral(":/no-such-word-list"));
    if (setup == QLatin1String("no dictionary")) {
        QVERIFY(!missing.loadwords(QStringLiteral("/nonexistent-vorlith-folder/English")));
        m_game = std::make_unique<GameEngine>(m_registry, m_out, missing, riggedDeal(Board));
        m_game->setManual(true);
    }
    if (setup != QLatin1String("no game"))
        start("3", "60");
    m_registry.record(3)->watching = setup == QLatin1String("3 watches");
    m_out.take();
    for (const QByteArray &w : words) {
        const auto line = proto::decode<proto::MyWord>(QString::fromLatin1(w));
        m_game->playWord(line.slot, line.word);
    }
    QCOMPARE(m_out.take(), replies);
    if (replies.isEmpty())
        QCOMPARE(m_registry.record(2)->totalScore, 0);
}

void TestGameEngine::wordsCountOnlyWhileARoundRuns_data()
{
    QTest::addColumn<int>("seconds"); // after the start of a one-round game
    QTest::addColumn<bool>("judged");
    QTest::newRow("first second") << 0 << true;
    QTest::newRow("last second of the grace") << 63 << true;
    QTest::newRow("round over") << 64 << false;
    QTest::newRow("late in the break") << 64 + 19 << false;
    QTest::newRow("winner named") << 64 + 20 << false;
    QTest::newRow("long after") << 64 + 200 << false;
}

void TestGameEngine::wordsCountOnlyWhileARoundRuns()
{
    QFETCH(int, seconds);
    QFETCH(bool, judged);
    start("1", "60");
    word(3, "HOLD"); // seat 3 leads, so the game is decided after one round
    tick(seconds);
    m_out.take();
    word(2, "TEAR");
    word(2, "AETR");
    const QList<QByteArray> replies = m_out.take();
    if (judged) {
        QCOMPARE(replies, (QList<QByteArray>{"2:CMD_hisword+2+16+TEAR+", "all:CMD_hisscore+2+16+16+",
                                              "2:CMD_notvalid+1+2+AETR+"}));
        return;
    }
    QCOMPARE(replies, QList<QByteArray>());
    QCOMPARE(m_registry.record(2)->totalScore, 0);
    QCOMPARE(m_registry.record(2)->roundWords, QString());
    if (seconds >= 64 + 20)
        QVERIFY(!m_game->gameInProgress());
}

// ---- the clock and the numbers of a game ---------------------------------

void TestGameEngine::startNumbersAndFallbacks_data()
{
    QTest::addColumn<QByteArray>("rounds");
    QTest::addColumn<QByteArray>("time");
    QTest::addColumn<QByteArray>("echo");
    QTest::addColumn<qint64>("countdown");
    QTest::newRow("numbers") << QByteArray("3") << QByteArray("60") << QByteArray("3+60+") << qint64(64);
    QTest::newRow("not numbers") << QByteArray("three") << QByteArray("1m") << QByteArray("5+60+") << qint64(64);
    QTest::newRow("empty") << QByteArray("") << QByteArray("") << QByteArray("5+60+") << qint64(64);
    QTest::newRow("too large for 32 bits") << QByteArray("2147483648") << QByteArray("-2147483649")
                                           << QByteArray("5+60+") << qint64(64);
    QTest::newRow("hexadecimal") << QByteArray("$10") << QByteArray("0x1E") << QByteArray("16+30+") << qint64(34);
    QTest::newRow("hexadecimal wraps") << QByteArray("$FFFFFFFF") << QByteArray("$80000000")
                                       << QByteArray("-1+-2147483648+") << qint64(-2147483644);
    QTest::newRow("largest") << QByteArray("2147483647") << QByteArray("2147483647")
                             << QByteArray("2147483647+2147483647+") << qint64(2147483651);
    QTest::newRow("smallest") << QByteArray("-2147483648") << QByteArray("-2147483648")
                              << QByteArray("-2147483648+-2147483648+") << qint64(-2147483644);
    QTest::newRow("zero") << QByteArray("0") << QByteArray("0") << QByteArray("0+0+") << qint64(4);
    QTest::newRow("leading blanks") << QByteArray(" 2") << QByteArray("  90") << QByteArray("2+90+")
                                             << qint64(94);
}

void TestGameEngine::startNumbersAndFallbacks()
{
    QFETCH(QByteArray, rounds);
    QFETCH(QByteArray, time);
    QFETCH(QByteArray, echo);
    QFETCH(qint64, countdown);
    m_registry.record(4)->totalScore = 99;
    m_registry.record(4)->watching = true;
    start(rounds, time);
    const QList<QByteArray> sent = m_out.take();
    QCOMPARE(sent.size(), 3);
    QCOMPARE(sent[0], "all:CMD_startgame+Kim+" + echo);
    QCOMPARE(sent[1], "all:" + makeboardOf(Board));
    QCOMPARE(sent[2], "all:CMD_roundstarting+1+" + echo.mid(echo.indexOf('+') + 1));
    QCOMPARE(m_game->phaseCountdown(), countdown);
    QVERIFY(m_game->isTimerEnabled());
    QVERIFY(m_game->gameInProgress());
    QCOMPARE(m_registry.record(4)->totalScore, 0);
    QVERIFY(!m_registry.record(4)->watching);
}

void TestGameEngine::roundClosesAfterCreationTimePlusFour_data()
{
    QTest::addColumn<QByteArray>("time");
    QTest::addColumn<int>("ticks");
    QTest::newRow("60 s") << QByteArray("60") << 64;
    QTest::newRow("30 s") << QByteArray("30") << 34;
    QTest::newRow("not a number") << QByteArray("x") << 64;
    QTest::newRow("0 s") << QByteArray("0") << 4;
    QTest::newRow("-2 s") << QByteArray("-2") << 2;
    QTest::newRow("-3 s") << QByteArray("-3") << 1;
    QTest::newRow("smallest") << QByteArray("-2147483648") << 1;
}

void TestGameEngine::roundClosesAfterCreationTimePlusFour()
{
    QFETCH(QByteArray, time);
    QFETCH(int, ticks);
    start("3", time);
    m_out.take();
    tick(ticks - 1);
    QCOMPARE(m_out.take(), QList<QByteArray>());
    QCOMPARE(m_game->phase(), GameEngine::Phase::Round);
    tick(1);
    QCOMPARE(m_out.take(), QList<QByteArray>{"all:CMD_roundover+1+0+0++2+0+0++3+0+0++4+0+0++5+0+0++6+0+0+"});
    QCOMPARE(m_game->phase(), GameEngine::Phase::Break);
    tick(19);
    QCOMPARE(m_out.take(), QList<QByteArray>());
    tick(1);
    const QList<QByteArray> next = m_out.take();
    QCOMPARE(next.size(), 2);
    QVERIFY(next[1].startsWith("all:CMD_roundstarting+2+"));
}

void TestGameEngine::largestCreationTimeKeepsCounting()
{
    start("3", "2147483647");
    m_out.take();
    tick(1000);
    QCOMPARE(m_game->phaseCountdown(), qint64(2147483651) - 1000);
    QCOMPARE(m_out.take(), QList<QByteArray>());
    QCOMPARE(m_game->phase(), GameEngine::Phase::Round);
}

void TestGameEngine::roundsToPlayDecideWhenTheWinnerIsNamed_data()
{
    QTest::addColumn<QByteArray>("rounds");
    QTest::addColumn<QByteArray>("afterFirstBreak"); // the line that follows the first break
    QTest::newRow("one round") << QByteArray("1") << QByteArray("all:CMD_winner+Bob+");
    QTest::newRow("no rounds") << QByteArray("0") << QByteArray("all:CMD_winner+Bob+");
    QTest::newRow("negative") << QByteArray("-5") << QByteArray("all:CMD_winner+Bob+");
    QTest::newRow("smallest") << QByteArray("-2147483648") << QByteArray("all:CMD_winner+Bob+");
    QTest::newRow("two rounds") << QByteArray("2") << QByteArray("all:" + makeboardOf(Board));
    QTest::newRow("largest") << QByteArray("2147483647") << QByteArray("all:" + makeboardOf(Board));
    QTest::newRow("not a number: five") << QByteArray("many") << QByteArray("all:" + makeboardOf(Board));
}

void TestGameEngine::roundsToPlayDecideWhenTheWinnerIsNamed()
{
    QFETCH(QByteArray, rounds);
    QFETCH(QByteArray, afterFirstBreak);
    start(rounds, "60");
    QSignalSpy ended(m_game.get(), &GameEngine::gameEnded);
    // Even with no rounds to play, a tie at 0 means round 1 is played.
    QCOMPARE(m_game->roundCounter(), 1);
    word(3, "TEAR");
    tick(64 + 20);
    const QList<QByteArray> sent = m_out.take();
    QCOMPARE(sent.value(sent.size() - (afterFirstBreak.contains("winner") ? 1 : 2)), afterFirstBreak);
    QCOMPARE(m_game->gameInProgress(), !afterFirstBreak.contains("winner"));
    // Decided: told so once, with a winner.
    QCOMPARE(ended.size(), m_game->gameInProgress() ? 0 : 1);
    if (!ended.isEmpty())
        QCOMPARE(ended.front().front().toBool(), true);
    QCOMPARE(m_game->isTimerEnabled(), m_game->gameInProgress());
}

// ---- whole games -------------------------------------------------------

void TestGameEngine::threeRoundGameNamesTheUniqueLeader()
{
    start("3", "60");
    QCOMPARE(m_out.take(), (QList<QByteArray>{"all:CMD_startgame+Kim+3+60+", "all:" + makeboardOf(Board),
                                               "all:CMD_roundstarting+1+60+"}));
    word(2, "TEAR");
    word(5, "HOLD");
    m_out.take();
    tick(64);
    QCOMPARE(m_out.take(), QList<QByteArray>{"all:CMD_roundover+1+0+0++2+16+16+TEAR:16,+3+0+0++4+0+0++5+16+16+HOLD:16,+6+0+0+"});
    tick(20);
    QCOMPARE(m_out.take(), (QList<QByteArray>{"all:" + makeboardOf(Board), "all:CMD_roundstarting+2+60+"}));
    word(2, "COLD");
    m_out.take();
    tick(64);
    QCOMPARE(m_out.take(), QList<QByteArray>{"all:CMD_roundover+1+0+0++2+32+16+COLD:16,+3+0+0++4+0+0++5+16+0++6+0+0+"});
    tick(20);
    QCOMPARE(m_out.take(), (QList<QByteArray>{"all:" + makeboardOf(Board), "all:CMD_roundstarting+3+60+"}));
    tick(64);
    QCOMPARE(m_out.take(), QList<QByteArray>{"all:CMD_roundover+1+0+0++2+32+0++3+0+0++4+0+0++5+16+0++6+0+0+"});
    tick(19);
    QCOMPARE(m_out.take(), QList<QByteArray>());
    tick(1);
    QCOMPARE(m_out.take(), QList<QByteArray>{"all:CMD_winner+Ann+"});
    QVERIFY(!m_game->gameInProgress());
    QVERIFY(!m_game->isTimerEnabled());
    tick(100);
    QCOMPARE(m_out.take(), QList<QByteArray>());
    QCOMPARE(m_game->roundCounter(), 4);
}

void TestGameEngine::nobodyScoringNeverEnds()
{
    start("2", "0");
    tick(10 * (4 + 20));
    QVERIFY(m_game->gameInProgress());
    QCOMPARE(m_game->roundCounter(), 11);
    for (const QByteArray &line : std::as_const(m_out.sent))
        QVERIFY(!line.contains("CMD_winner"));
}

void TestGameEngine::lastSeatsCanWin_data()
{
    QTest::addColumn<int>("seat");
    QTest::addColumn<QByteArray>("winner");
    QTest::newRow("seat 5") << 5 << QByteArray("all:CMD_winner+Dan+");
    QTest::newRow("seat 6") << 6 << QByteArray("all:CMD_winner+Eve+");
    QTest::newRow("seat 1") << 1 << QByteArray("all:CMD_winner+Kim+");
}

void TestGameEngine::lastSeatsCanWin()
{
    QFETCH(int, seat);
    QFETCH(QByteArray, winner);
    start("1", "60");
    word(2, "TEAR");
    word(seat, "BLIND");
    tick(64 + 20);
    QCOMPARE(m_out.take().last(), winner);
}

void TestGameEngine::roundOverListsAllSixSeats()
{
    m_registry.record(3)->active = false; // an empty seat is listed all the same
    m_registry.record(3)->name.clear();
    m_registry.record(6)->active = false;
    start("3", "60");
    word(4, "TEAR");
    word(4, "HOLD");
    word(4, "BLIND");
    word(4, "TEAR");
    word(6, "COLD"); // a seat that has gone still scores
    m_out.take();
    tick(64);
    QCOMPARE(m_out.take(),
             QList<QByteArray>{"all:CMD_roundover+1+0+0++2+0+0++3+0+0++4+57+57+TEAR:16,HOLD:16,BLIND:25,+5+0+0++6+16+16+COLD:16,"});
}

void TestGameEngine::newStartgameRestartsFromScratch()
{
    start("3", "60");
    word(2, "TEAR");
    tick(64 + 20 + 10);
    m_registry.record(2)->watching = true;
    m_out.take();
    m_game->startGame(QStringLiteral("Ann"), 2, 30);
    QCOMPARE(m_out.take(), (QList<QByteArray>{"all:CMD_startgame+Ann+2+30+", "all:" + makeboardOf(Board),
                                               "all:CMD_roundstarting+1+30+"}));
    QCOMPARE(m_game->roundCounter(), 1);
    QCOMPARE(m_game->phaseCountdown(), 34);
    QVERIFY(!m_registry.record(2)->watching);
    tick(34);
    QCOMPARE(m_out.take(), QList<QByteArray>{"all:CMD_roundover+1+0+0++2+0+0++3+0+0++4+0+0++5+0+0++6+0+0+"});
}

void TestGameEngine::lateJoinerIsCaughtUp()
{
    const QByteArray board = makeboardOf(Board);
    m_game->catchUp(3); // no game yet: nothing to catch up with
    QCOMPARE(m_out.take(), QList<QByteArray>());

    start("3", "45");
    word(2, "TEAR");
    m_out.take();
    m_game->catchUp(3);
    QCOMPARE(m_out.take(), (QList<QByteArray>{"3:" + board, "3:CMD_gamestats+3+45+3+1+t+1+0+2+16+3+0+4+0+5+0+6+0"}));

    tick(49);
    m_out.take();
    m_game->catchUp(7);
    QCOMPARE(m_out.take(), (QList<QByteArray>{"7:" + board, "7:CMD_gamestats+7+45+3+1+f+1+0+2+16+3+0+4+0+5+0+6+0"}));

    m_game->catchUp(8); // not active
    QCOMPARE(m_out.take(), QList<QByteArray>());
}

QTEST_GUILESS_MAIN(TestGameEngine)
#include "tst_gameengine.moc"
