// The round flow without a window: game and round start, the countdown,
// verdicts, scores, results, late joining and the winner, with the roster
// and the board it drives.
#include "client/boardmodel.h"
#include "client/roster.h"
#include "client/roundflow.h"
#include "client/roundtexts.h"
#include "net/dispatcher.h"
#include "net/protocol.h"
#include "net/router.h"

#include <QSignalSpy>
#include <QTest>

#include <map>

using namespace vorlith::client;
namespace proto = vorlith::net::proto;

namespace {

/// A flow for a client with own number \a own; Kim sits in seat 1, Ann in 2.
/// What the host says reaches it as the program routes it.
struct Table
{
    explicit Table(int own = 2)
    {
        dispatcher.setManual(true);
        dispatcher.setErrorHandler([this](const QString &text) { errors << text; });
        router.route<proto::NewPlayerInfo>(
            [this](const proto::NewPlayerInfo &m) { roster.onPlayersArrived(m.players); });
        router.route<proto::MakeBoard>(
            [this](const proto::MakeBoard &m) { board.onBoardDealt(m.codes); });
        router.route(&flow, &RoundFlow::onGameStarted);
        router.route(&flow, &RoundFlow::onRoundStarting);
        router.route(&flow, &RoundFlow::onWordAccepted);
        router.route(&flow, &RoundFlow::onWordRefused);
        router.route(&flow, &RoundFlow::onScore);
        router.route(&flow, &RoundFlow::onRoundOver);
        router.route(&flow, &RoundFlow::onGameStats);
        router.route(&flow, &RoundFlow::onWinner);
        roster.setOwnNumber(own);
        hear(proto::NewPlayerInfo::Word, QStringLiteral("1+Kim+0+2+Ann+0+7+Zed+0"));
        flow.setManual(true);
        flow.setHostCheck([this] { return host; });
    }
    /// The host's line \a word "+" \a fields arrives and is handled.
    void hear(const char *word, const QString &fields)
    {
        dispatcher.enqueue(QByteArray(word) + '+' + fields.toLatin1());
        dispatcher.drain();
    }
    QStringList sounds() const
    {
        QStringList names;
        for (const auto &s : soundSpy)
            names << s.at(0).toString();
        return names;
    }
    Roster roster;
    BoardModel board;
    RoundFlow flow{roster, board};
    vorlith::net::Dispatcher dispatcher;
    vorlith::net::MessageRouter router{dispatcher};
    QStringList errors;
    bool host{false};
    QSignalSpy soundSpy{&flow, &RoundFlow::soundRequested};
};

QStringList firstArguments(const QSignalSpy &spy)
{
    QStringList values;
    for (const auto &args : spy)
        values << args.at(0).toString();
    return values;
}

} // namespace

class TestRoundFlow : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void countdownShowsMinutesAndSeconds_data();
    void countdownShowsMinutesAndSeconds();
    void lastSecondsTickAndTimeUpIsSilent();
    void anyCreationTimeEndsAndTheBarStaysInItsFrame_data();
    void anyCreationTimeEndsAndTheBarStaysInItsFrame();
    void roundStartOpensTheBoardForSeatsOnly();
    void gameStartResetsScoresAndTellsWhoStarted_data();
    void gameStartResetsScoresAndTellsWhoStarted();
    void verdictsOnOwnWords_data();
    void verdictsOnOwnWords();
    void scoresOfAnySeat_data();
    void scoresOfAnySeat();
    void roundResultsFillTheSixColumns();
    void lateJoinerGetsAnOpenBoardWithoutClock();
    void winnerBannerAndTally_data();
    void winnerBannerAndTally();
    void seatedPlayerMayStartBetweenGames_data();
    void seatedPlayerMayStartBetweenGames();
    void malformedFieldsChangeNothing_data();
    void malformedFieldsChangeNothing();
};

void TestRoundFlow::countdownShowsMinutesAndSeconds_data()
{
    QTest::addColumn<int>("ticks");
    QTest::addColumn<QString>("clock");
    QTest::addColumn<int>("bar");
    QTest::newRow("first tick") << 1 << "Time: 1:29" << 89;
    QTest::newRow("1:05") << 25 << "Time: 1:05" << 65;
    QTest::newRow("1:00") << 30 << "Time: 1:00" << 60;
    QTest::newRow("0:59") << 31 << "Time: 0:59" << 59;
    QTest::newRow("0:09") << 81 << "Time: 0:09" << 9;
    QTest::newRow("0:01") << 89 << "Time: 0:01" << 1;
    QTest::newRow("time up") << 90 << "Time: 0:00" << 1;
}

void TestRoundFlow::countdownShowsMinutesAndSeconds()
{
    QFETCH(int, ticks);
    QFETCH(QString, clock);
    QFETCH(int, bar);
    Table t;
    t.hear(proto::RoundStarting::Word, QStringLiteral("1+90+"));
    QCOMPARE(clockText(t.flow.view().clock),
             QStringLiteral("Time: 0:00")); // first changed at the first tick
    QCOMPARE(t.flow.view().barWidth, 90);
    for (int i = 0; i < ticks; ++i)
        t.flow.tickCountdown();
    QCOMPARE(clockText(t.flow.view().clock), clock);
    QCOMPARE(t.flow.view().barWidth, bar);
    QCOMPARE(t.flow.isCounting(), ticks < 90);
    QCOMPARE(t.board.isOpen(), ticks < 90);
}

void TestRoundFlow::lastSecondsTickAndTimeUpIsSilent()
{
    Table t;
    t.hear(proto::RoundStarting::Word, QStringLiteral("1+90+"));
    t.soundSpy.clear();
    QStringList heard;
    for (int second = 89; second >= 0; --second) {
        t.soundSpy.clear();
        t.flow.tickCountdown();
        const QStringList s = t.sounds();
        if (second == 20 || second == 0 || second > 9)
            QCOMPARE(s, second == 20 ? QStringList{"tick"} : QStringList());
        else
            QCOMPARE(s, (QStringList{"tick", "timer"}));
    }
    QCOMPARE(t.flow.view().status, QStringLiteral("Time Up!"));
    QVERIFY(!t.flow.view().controlsShown);
    QCOMPARE(t.flow.activeSeat(), 0);
    // A stopped countdown does nothing more.
    t.soundSpy.clear();
    t.flow.tickCountdown();
    QCOMPARE(t.flow.countdown(), 0);
    QVERIFY(t.sounds().isEmpty());
}

void TestRoundFlow::anyCreationTimeEndsAndTheBarStaysInItsFrame_data()
{
    QTest::addColumn<QString>("time");
    QTest::addColumn<int>("barAtStart");
    QTest::addColumn<int>("ticksToEnd"); // -1: still running after three ticks
    QTest::addColumn<QString>("clockAfterOneTick");
    QTest::newRow("0") << "0" << 0 << 1 << "Time: 0:00";
    QTest::newRow("-5") << "-5" << 0 << 1 << "Time: 0:00";
    QTest::newRow("lowest") << "-2147483648" << 0 << 1 << "Time: 0:00";
    QTest::newRow("1") << "1" << 1 << 1 << "Time: 0:00";
    QTest::newRow("6") << "6" << 6 << 6 << "Time: 0:05";
    QTest::newRow("120") << "120" << 120 << -1 << "Time: 1:59";
    QTest::newRow("121") << "121" << 120 << -1 << "Time: 2:00";
    QTest::newRow("largest") << "2147483647" << 120 << -1 << "Time: 35791394:06";
}

void TestRoundFlow::anyCreationTimeEndsAndTheBarStaysInItsFrame()
{
    QFETCH(QString, time);
    QFETCH(int, barAtStart);
    QFETCH(int, ticksToEnd);
    QFETCH(QString, clockAfterOneTick);
    Table t;
    t.hear(proto::RoundStarting::Word, QStringLiteral("1+") + time + QStringLiteral("+"));
    QCOMPARE(t.flow.view().barWidth, barAtStart);
    QVERIFY(t.board.isOpen());
    t.flow.tickCountdown();
    QCOMPARE(clockText(t.flow.view().clock), clockAfterOneTick);
    QVERIFY(t.flow.view().barWidth >= 0 && t.flow.view().barWidth <= RoundFlow::BarMaxWidth);
    for (int i = 1; i < std::max(ticksToEnd, 3); ++i)
        t.flow.tickCountdown();
    if (ticksToEnd < 0) {
        QVERIFY(t.flow.isCounting());
        QCOMPARE(t.flow.countdown(), time.toLongLong() - 3); // the countdown keeps the whole value
    } else {
        QVERIFY(!t.flow.isCounting());
        QVERIFY(!t.board.isOpen());
        QCOMPARE(t.flow.view().status, QStringLiteral("Time Up!"));
    }
}

void TestRoundFlow::roundStartOpensTheBoardForSeatsOnly()
{
    for (int own : {2, 7}) {
        Table t(own);
        t.hear(proto::MakeBoard::Word, QStringLiteral("1+3"));
        t.board.chooseLetter('C');
        QSignalSpy help(&t.flow, &RoundFlow::helpHidden);
        QSignalSpy cleared(&t.flow, &RoundFlow::wordListCleared);
        t.hear(proto::StartGame::Word, QStringLiteral("Kim+3+60+"));
        t.hear(proto::RoundStarting::Word, QStringLiteral("4+60+"));
        QCOMPARE(roundText(t.flow.view()), QStringLiteral("Round: 4 of 3")); // a tie-break round
        QCOMPARE(t.board.word(), QString());
        QCOMPARE(help.count(), 2);
        QCOMPARE(cleared.count(), 1);
        QVERIFY(t.flow.isCounting()); // spies watch the clock too
        QCOMPARE(t.flow.countdown(), 60);
        const bool seat = own == 2;
        QCOMPARE(t.board.isOpen(), seat);
        QCOMPARE(t.board.typing(), seat);
        QCOMPARE(t.flow.view().controlsShown, seat);
        QCOMPARE(t.flow.activeSeat(), seat ? 2 : 0);
        QCOMPARE(t.flow.view().status,
                 seat ? QStringLiteral("Find Words!")
                      : QStringLiteral("Welcome to Vorlith by Brakmo Software"));
        QCOMPARE(t.sounds(), seat ? QStringList{"turn"} : QStringList());
    }
    Table t;
    t.flow.setTurnSound([] { return QStringLiteral("turnnew"); });
    t.hear(proto::RoundStarting::Word, QStringLiteral("1+60+"));
    QCOMPARE(t.sounds(), QStringList{"turnnew"});
}

void TestRoundFlow::gameStartResetsScoresAndTellsWhoStarted_data()
{
    QTest::addColumn<int>("own");
    QTest::addColumn<QString>("starter");
    QTest::addColumn<QString>("line");
    QTest::newRow("own start") << 2 << "Ann"
                               << "You have started a game.";
    QTest::newRow("another seat") << 2 << "Kim"
                                  << "Kim has started a game.";
    QTest::newRow("a spy named like a seat") << 7 << "Ann"
                                             << "Ann has started a game.";
}

void TestRoundFlow::gameStartResetsScoresAndTellsWhoStarted()
{
    QFETCH(int, own);
    QFETCH(QString, starter);
    QFETCH(QString, line);
    Table t(own);
    t.roster.setScore(1, 45);
    t.roster.setBonus(1, 9);
    t.hear(proto::Winner::Word, QStringLiteral("Kim+"));
    QVERIFY(t.flow.view().winnerShown);
    QSignalSpy chat(&t.flow, &RoundFlow::systemLine);
    QSignalSpy start(&t.flow, &RoundFlow::startButtonShown);
    QSignalSpy watch(&t.flow, &RoundFlow::justWatchUnchecked);
    t.soundSpy.clear();
    t.hear(proto::StartGame::Word, starter + QStringLiteral("+5+45+"));
    QCOMPARE(firstArguments(chat), QStringList{line});
    QCOMPARE(t.roster.seat(1)->score, 0);
    QCOMPARE(t.roster.seat(1)->bonus, std::nullopt);
    QCOMPARE(creationTimeText(t.flow.view()), QStringLiteral("Time: 45secs"));
    QCOMPARE(t.flow.view().rounds, QStringLiteral("5"));
    QVERIFY(!t.flow.view().winnerShown);
    QVERIFY(!t.flow.view().resultsShown);
    QCOMPARE(start.count(), 1);
    QCOMPARE(start.at(0).at(0).toBool(), false);
    QCOMPARE(watch.count(), 1);
    QVERIFY(t.sounds().isEmpty());
}

void TestRoundFlow::verdictsOnOwnWords_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("fields");
    QTest::addColumn<QString>("status"); // empty: nothing happens
    QTest::addColumn<QString>("row");
    QTest::addColumn<QString>("sound");
    QTest::newRow("accepted") << "hisword"
                              << "2+9+cat+"
                              << "cat for 9 points."
                              << "9 : CAT"
                              << "goodword";
    QTest::newRow("accepted for another") << "hisword"
                                          << "1+9+CAT+"
                                          << ""
                                          << ""
                                          << "";
    QTest::newRow("not valid") << "notvalid"
                               << "1+2+qzx+"
                               << "qzx is not a valid word."
                               << "QZX : Not Valid"
                               << "badword";
    QTest::newRow("repeat") << "notvalid"
                            << "2+2+CAT+"
                            << "You already found: CAT."
                            << "CAT : Repeat"
                            << "badword";
    QTest::newRow("unknown verdict") << "notvalid"
                                     << "3+2+CAT+"
                                     << "Find Words!"
                                     << ""
                                     << "badword";
    QTest::newRow("refused for another") << "notvalid"
                                         << "1+3+QZX+"
                                         << ""
                                         << ""
                                         << "";
}

void TestRoundFlow::verdictsOnOwnWords()
{
    QFETCH(QString, command);
    QFETCH(QString, fields);
    QFETCH(QString, status);
    QFETCH(QString, row);
    QFETCH(QString, sound);
    Table t;
    t.hear(proto::RoundStarting::Word, QStringLiteral("1+60+"));
    t.soundSpy.clear();
    QSignalSpy recorded(&t.flow, &RoundFlow::wordRecorded);
    t.hear(command == QLatin1String("hisword") ? proto::HisWord::Word : proto::NotValid::Word,
           fields);
    QCOMPARE(t.flow.view().status, status.isEmpty() ? QStringLiteral("Find Words!") : status);
    QCOMPARE(t.flow.wordList(), row.isEmpty() ? QStringList() : QStringList{row});
    QCOMPARE(t.sounds(), sound.isEmpty() ? QStringList() : QStringList{sound});
    QCOMPARE(firstArguments(recorded),
             sound == QLatin1String("goodword") ? QStringList{"cat"} : QStringList());
}

void TestRoundFlow::scoresOfAnySeat_data()
{
    QTest::addColumn<QString>("fields");
    QTest::addColumn<int>("seat"); // 0: nothing changes
    QTest::newRow("seat 2") << "2+45+9+" << 2;
    QTest::newRow("another seat") << "6+4+4+" << 6;
    QTest::newRow("seat 0") << "0+45+9+" << 0;
    QTest::newRow("a spy") << "7+45+9+" << 0;
    QTest::newRow("seat 99") << "99+45+9+" << 0;
    QTest::newRow("negative seat") << "-1+45+9+" << 0;
}

void TestRoundFlow::scoresOfAnySeat()
{
    QFETCH(QString, fields);
    QFETCH(int, seat);
    Table t;
    QSignalSpy placed(&t.flow, &RoundFlow::scorePlaced);
    QSignalSpy changed(&t.roster, &Roster::seatChanged);
    t.hear(proto::HisScore::Word, fields);
    if (!seat) {
        QCOMPARE(changed.count(), 0);
        QCOMPARE(placed.count(), 0);
        return;
    }
    const QStringList parts = fields.split(QLatin1Char('+'));
    QCOMPARE(t.roster.seat(seat)->score, parts.at(1).toLongLong());
    QCOMPARE(t.roster.seat(seat)->bonus, parts.at(2).toLongLong());
    QCOMPARE(placed.count(), 1);
    QCOMPARE(placed.at(0).at(0).toInt(), seat);
}

void TestRoundFlow::roundResultsFillTheSixColumns()
{
    Table t;
    t.hear(proto::RoundOver::Word,
           QStringLiteral("1+20+9+CAT:9,+2+45+18+CAT:9,DOG:9,+3+0+0++4+0+0++5+0+0++6+7+0+"));
    const RoundResults &r = t.flow.results();
    QCOMPARE(r[0], (SeatResults{"Kim", {"CAT:9"}}));
    QCOMPARE(r[1], (SeatResults{"Ann", {"CAT:9", "DOG:9"}}));
    QCOMPARE(r[2], (SeatResults{"<Waiting>", {}}));
    QCOMPARE(t.roster.seat(2)->score, 45);
    QCOMPARE(t.roster.seat(2)->bonus, 18);
    QCOMPARE(t.roster.seat(6)->score, 7);
    QCOMPARE(t.roster.seat(6)->bonus, std::nullopt); // a round score of 0 shows no bonus
    QCOMPARE(t.flow.view().status, QStringLiteral("Posting Scores.. Please Wait!"));
    QVERIFY(t.flow.view().resultsShown);

    // Round 2: Kim found nothing; a record for seat 9 and a missing seat 6
    // change nothing beyond what they name, and an empty entry or a missing
    // last comma make no row of their own.
    t.roster.setBonus(6, 3);
    t.hear(proto::RoundOver::Word, QStringLiteral("1+20+0++2+63+18+EEL:9,,ODE:9+9+5+5+X:1,"));
    QCOMPARE(t.flow.results()[0].rows, QStringList());
    QCOMPARE(t.flow.results()[1].rows, (QStringList{"EEL:9", "ODE:9"}));
    QCOMPARE(t.flow.results()[5].name, QStringLiteral("<Waiting>"));
    QCOMPARE(t.roster.seat(6)->bonus, std::nullopt); // every bonus is emptied first
    QCOMPARE(t.roster.seat(6)->score, 7);
    t.flow.closeResults();
    QVERIFY(!t.flow.view().resultsShown);
}

void TestRoundFlow::lateJoinerGetsAnOpenBoardWithoutClock()
{
    for (const char *phase : {"t", "f"}) {
        Table t;
        t.hear(proto::GameStats::Word,
               QStringLiteral("1+90+5+2+t+1+20+2+45+3+0+4+0+5+0+6+0")); // for another number
        QCOMPARE(roundText(t.flow.view()), QStringLiteral("Round: 0 of 0"));
        t.hear(
            proto::GameStats::Word,
            QStringLiteral("2+90+5+2+%1+1+20+2+45+3+0+4+0+5+0+6+0+9+99").arg(QLatin1String(phase)));
        QCOMPARE(roundText(t.flow.view()), QStringLiteral("Round: 2 of 5"));
        QCOMPARE(creationTimeText(t.flow.view()), QStringLiteral("Time: 90secs"));
        QCOMPARE(t.roster.seat(1)->score, 20);
        QCOMPARE(t.roster.seat(2)->score, 45);
        const bool open = QLatin1String(phase) == QLatin1String("t");
        QCOMPARE(t.board.isOpen(), open);
        QCOMPARE(t.flow.view().controlsShown, open);
        QVERIFY(!t.flow.isCounting());
        // The board stays open while the round runs, and closes with it.
        t.flow.tickCountdown();
        QCOMPARE(t.board.isOpen(), open);
        t.hear(proto::RoundOver::Word,
               QStringLiteral("1+20+0++2+45+0++3+0+0++4+0+0++5+0+0++6+0+0+"));
        QVERIFY(!t.board.isOpen());
        QVERIFY(!t.flow.view().controlsShown);
    }
    Table spy(7);
    spy.hear(proto::GameStats::Word, QStringLiteral("7+90+5+2+t+1+20"));
    QVERIFY(!spy.board.isOpen());
}

void TestRoundFlow::winnerBannerAndTally_data()
{
    QTest::addColumn<int>("own");
    QTest::addColumn<bool>("host");
    QTest::addColumn<QString>("winner");
    QTest::addColumn<QString>("banner");
    QTest::addColumn<QString>("recorded"); // empty: nothing recorded
    QTest::newRow("own win") << 2 << false << "Ann"
                             << "You have Won the Game!"
                             << "addtomine";
    QTest::newRow("host sees another win") << 1 << true << "Ann"
                                           << "Ann has Won the Game!"
                                           << "Ann";
    QTest::newRow("spy") << 7 << false << "Ann"
                         << "Ann has Won the Game!"
                         << "";
}

void TestRoundFlow::winnerBannerAndTally()
{
    QFETCH(int, own);
    QFETCH(bool, host);
    QFETCH(QString, winner);
    QFETCH(QString, banner);
    QFETCH(QString, recorded);
    Table t(own);
    t.host = host;
    t.hear(proto::RoundOver::Word, QStringLiteral("1+0+0+"));
    t.soundSpy.clear();
    QSignalSpy chat(&t.flow, &RoundFlow::systemLine);
    QSignalSpy start(&t.flow, &RoundFlow::startButtonShown);
    QSignalSpy games(&t.flow, &RoundFlow::gameRecorded);
    t.hear(proto::Winner::Word, winner + QStringLiteral("+"));
    QCOMPARE(t.flow.view().winner, banner);
    QVERIFY(t.flow.view().winnerShown);
    QVERIFY(!t.flow.view().resultsShown);
    QCOMPARE(t.flow.view().status, QStringLiteral("Game Over!"));
    QCOMPARE(firstArguments(chat), QStringList{banner});
    QCOMPARE(t.sounds(), QStringList{"gameover"});
    QCOMPARE(start.count(), host ? 1 : 0);
    QCOMPARE(firstArguments(games), recorded.isEmpty() ? QStringList() : QStringList{recorded});
}

void TestRoundFlow::seatedPlayerMayStartBetweenGames_data()
{
    QTest::addColumn<int>("own");
    QTest::addColumn<bool>("mayStart");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<bool>("allowed");
    QTest::addColumn<QString>("lastShown"); // the last startButtonShown, "" for none

    const QStringList none;
    const QStringList game{"start", "round", "winner"};
    QTest::newRow("seated, before any game") << 2 << true << none << true << "";
    QTest::newRow("without the option") << 2 << false << none << false << "";
    QTest::newRow("a spy") << 7 << true << none << false << "";
    QTest::newRow("game started") << 2 << true << QStringList{"start"} << false << "false";
    QTest::newRow("joined during a round") << 2 << true << QStringList{"round"} << false << "false";
    QTest::newRow("after the winner") << 2 << true << game << true << "true";
    QTest::newRow("next game started")
        << 2 << true << game + QStringList{"start"} << false << "false";
    QTest::newRow("a spy after the winner") << 7 << true << game << false << "false";
    QTest::newRow("without the option after the winner") << 2 << false << game << false << "false";
    // A server's table ends a game nobody scored in after its 3 rounds and 3
    // tie-breaks, naming no winner.
    const QStringList silent{"start",  "round:1", "over:0", "round:2", "over:0", "round:3",
                             "over:0", "round:4", "over:0", "round:5", "over:0", "round:6"};
    QTest::newRow("silent game, last tie-break running") << 2 << true << silent << false << "false";
    QTest::newRow("silent game over")
        << 2 << true << silent + QStringList{"over:0"} << true << "true";
    QTest::newRow("silent game over, without the option")
        << 2 << false << silent + QStringList{"over:0"} << false << "false";
    QTest::newRow("somebody scored")
        << 2 << true << silent + QStringList{"over:5"} << false << "false";
}

void TestRoundFlow::seatedPlayerMayStartBetweenGames()
{
    QFETCH(int, own);
    QFETCH(bool, mayStart);
    QFETCH(QStringList, lines);
    QFETCH(bool, allowed);
    QFETCH(QString, lastShown);

    Table t(own);
    t.flow.setMayStart(mayStart);
    QSignalSpy shown(&t.flow, &RoundFlow::startButtonShown);
    for (const QString &line : lines) {
        if (line == QLatin1String("start"))
            t.hear(proto::StartGame::Word, QStringLiteral("Kim+3+60+"));
        else if (line == QLatin1String("round"))
            t.hear(proto::RoundStarting::Word, QStringLiteral("1+60+"));
        else if (line.startsWith(QLatin1String("round:")))
            t.hear(proto::RoundStarting::Word, line.mid(6) + QStringLiteral("+60+"));
        else if (line.startsWith(QLatin1String("over:")))
            t.hear(proto::RoundOver::Word, QStringLiteral("1+%1+0++2+0+0+").arg(line.mid(5)));
        else
            t.hear(proto::Winner::Word, QStringLiteral("Ann+"));
    }
    QCOMPARE(t.flow.mayStartWithoutHosting(), allowed);
    QCOMPARE(shown.isEmpty() ? QString() : shown.last().at(0).toString(), lastShown);
}

void TestRoundFlow::malformedFieldsChangeNothing_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("fields");
    QTest::newRow("round start") << "roundstart"
                                 << "x+60+";
    QTest::newRow("round start time") << "roundstart"
                                      << "2+sixty+";
    QTest::newRow("score") << "hisscore"
                           << "2+lots+9+";
    QTest::newRow("results") << "roundover"
                             << "1+20+9+CAT:9,+2+x+0+";
    QTest::newRow("late join") << "gamestats"
                               << "2+90+5+2+t+1+y";
}

void TestRoundFlow::malformedFieldsChangeNothing()
{
    QFETCH(QString, command);
    QFETCH(QString, fields);
    Table t;
    QSignalSpy view(&t.flow, &RoundFlow::viewChanged);
    QSignalSpy seats(&t.roster, &Roster::seatChanged);
    const std::map<QString, const char *> words{{"roundstart", proto::RoundStarting::Word},
                                                {"hisscore", proto::HisScore::Word},
                                                {"roundover", proto::RoundOver::Word},
                                                {"gamestats", proto::GameStats::Word}};
    t.hear(words.at(command), fields);
    QCOMPARE(t.errors.size(), 1);
    QVERIFY(t.errors[0].endsWith(QStringLiteral("is not a valid integer value")));
    QCOMPARE(view.count(), 0);
    QCOMPARE(seats.count(), 0);
    QVERIFY(!t.board.isOpen());
    QVERIFY(!t.flow.isCounting());
}

QTEST_GUILESS_MAIN(TestRoundFlow)
#include "tst_roundflow.moc"
