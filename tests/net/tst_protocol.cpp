#include "net/dispatcher.h"
#include "net/handlererror.h"
#include "net/protocol.h"
#include "net/router.h"

#include <QSignalSpy>
#include <QTest>

using namespace vorlith::net;
namespace proto = vorlith::net::proto;

class TestProtocol : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void buildsEveryMessage_data();
    void buildsEveryMessage();
    void loginGoesOutWithTwoTerminators();
    void readsFieldsAsTheyCome();
    void roundTripsRepeatedGroups();
    void malformedLinesFailWithTheNumberText_data();
    void malformedLinesFailWithTheNumberText();
    void routesEachLineToItsHandler();
    void convertsNumbers_data();
    void convertsNumbers();
    void malformedGroupsEndInsteadOfLooping();
};

namespace {

/// \a line read as an M and written again: equal to \a line only when every
/// field was read into the struct.
template <proto::Message M> QByteArray reread(const QByteArray &line)
{
    const QByteArray word = QByteArray(M::Word) + '+';
    if (!line.startsWith(word))
        return "wrong command word";
    return proto::encode(proto::decode<M>(QString::fromLatin1(line.mid(word.size()))));
}

} // namespace

void TestProtocol::buildsEveryMessage_data()
{
    QTest::addColumn<QByteArray>("built");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<QByteArray>("reread");

    proto::MakeBoard board;
    QByteArray boardLine = "CMD_makeboard";
    for (int i = 0; i < 36; ++i) {
        board.codes[static_cast<size_t>(i)] = i % 26 + 1;
        boardLine += "+" + QByteArray::number(i + 1) + "+" + QByteArray::number(i % 26 + 1);
    }
    const auto row = [](const char *name, const auto &message, const QByteArray &expected) {
        using M = std::decay_t<decltype(message)>;
        QTest::newRow(name) << proto::encode(message) << expected << reread<M>(expected);
    };

    row("sendlogininfo", proto::SendLoginInfo{1}, "CMD_sendlogininfo+1");
    row("full", proto::Full{}, "CMD_full+");
    row("logininfo", proto::LoginInfo{4, "1.0.3", "Kim the+Great"},
        "CMD_logininfo+4+1.0.3+Kim the+Great");
    row("newplayerinfo", proto::NewPlayerInfo{{{2, "Ann", false}}}, "CMD_newplayerinfo+2+Ann+0");
    row("existingplayers", proto::ExistingPlayers{{{1, "Kim", false}, {3, "Bob", true}}},
        "CMD_existingplayers+1+Kim+0+3+Bob+1");
    row("havewrongversion", proto::HaveWrongVersion{"Ann"}, "CMD_havewrongversion+Ann");
    row("wrongversion", proto::WrongVersion{}, "CMD_wrongversion+");
    row("playerdisconnected", proto::PlayerDisconnected{4, "Bob"}, "CMD_playerdisconnected+4+Bob");
    row("chat", proto::Chat{"3", "a+b|clBlack"}, "CMD_chat+3+a+b|clBlack");
    row("action", proto::Action{"3", "waves|$00FF0000"}, "CMD_action+3+waves|$00FF0000");
    row("playasound", proto::PlayASound{2, "wave1"}, "CMD_playasound+2+wave1+");
    row("justwatch watch", proto::JustWatch{2, proto::WatchMode::Watch}, "CMD_justwatch+2+1");
    row("justwatch play", proto::JustWatch{2, proto::WatchMode::Play}, "CMD_justwatch+2+2");
    row("justwatching", proto::JustWatching{2, true}, "CMD_justwatching+2+1");
    row("playing again", proto::JustWatching{5, false}, "CMD_justwatching+5+2");
    row("kickhim", proto::KickHim{1, 4}, "CMD_kickhim+1+4+");
    row("startgame", proto::StartGame{"Kim", "3", "60"}, "CMD_startgame+Kim+3+60+");
    row("makeboard", board, boardLine);
    row("roundstarting", proto::RoundStarting{2, 60}, "CMD_roundstarting+2+60+");
    row("myword", proto::MyWord{1, "tea"}, "CMD_myword+1+tea+");
    row("hisword", proto::HisWord{1, 9, "tea"}, "CMD_hisword+1+9+tea+");
    row("hisscore", proto::HisScore{1, 25, 9}, "CMD_hisscore+1+25+9+");
    row("notvalid", proto::NotValid{proto::NotValid::AlreadyFound, 1, "tea"},
        "CMD_notvalid+2+1+tea+");
    row("roundover", proto::RoundOver{{{1, 25, 9, "tea:9,"}, {2, 0, 0, ""}}},
        "CMD_roundover+1+25+9+tea:9,+2+0+0+");
    row("winner", proto::Winner{"Kim"}, "CMD_winner+Kim+");
    row("gamestats running", proto::GameStats{7, 60, 3, 2, true, {{1, 25}, {2, 4}}},
        "CMD_gamestats+7+60+3+2+t+1+25+2+4");
    row("gamestats between rounds", proto::GameStats{3, 30, 1, 1, false, {}},
        "CMD_gamestats+3+30+1+1+f");

    // The host's relays are made of what it received.
    const auto relayed = proto::Chat::relayed(proto::decode<proto::Chat>("03+a+b|clBlack"), "Bob");
    row("chat relay", relayed, "CMD_chat+03+Bob chats: a+b|clBlack");
    row("action relay", proto::Action::relayed(proto::Action::said(3, "waves", "clRed"), "Bob"),
        "CMD_action+3+Bob waves|clRed");
    row("chat said", proto::Chat::said(3, "a+b", "clBlack"), "CMD_chat+3+a+b|clBlack");
}

void TestProtocol::buildsEveryMessage()
{
    QFETCH(QByteArray, built);
    QFETCH(QByteArray, expected);
    QFETCH(QByteArray, reread);
    QCOMPARE(built, expected);
    QCOMPARE(proto::frame(built), expected + '\xff');
    QCOMPARE(reread, expected);
}

void TestProtocol::loginGoesOutWithTwoTerminators()
{
    // The name carries a terminator of its own.
    const QByteArray wire =
        proto::frame(proto::LoginInfo{4, proto::Version, QStringLiteral("Kim\u00ff")});
    QCOMPARE(wire, QByteArray("CMD_logininfo+4+1.0.3+Kim\xff\xff"));
}

void TestProtocol::readsFieldsAsTheyCome()
{
    // What a peer may send besides the lines we write ourselves.
    const auto players =
        proto::decode<proto::ExistingPlayers>(QStringLiteral("1+Kim+7+3+Bob+1+8+Eve"));
    QCOMPARE(players.players,
             (QList<proto::PlayerEntry>{{1, "Kim", false}, {3, "Bob", true}, {8, "Eve", false}}));

    QCOMPARE(proto::decode<proto::JustWatch>(QStringLiteral("2+ 1")).mode, proto::WatchMode::Other);
    QCOMPARE(proto::decode<proto::JustWatch>(QStringLiteral("2+3")).mode, proto::WatchMode::Other);
    QCOMPARE(proto::decode<proto::JustWatch>(QStringLiteral("$2+2+x")),
             (proto::JustWatch{2, proto::WatchMode::Play}));
    QVERIFY(!proto::decode<proto::JustWatching>(QStringLiteral("2+01")).watching);

    QCOMPARE(proto::decode<proto::PlayerDisconnected>(QStringLiteral("4+Bob+Al")).name,
             QStringLiteral("Bob+Al"));
    QCOMPARE(proto::decode<proto::HaveWrongVersion>(QStringLiteral("Ann+x")).name,
             QStringLiteral("Ann+x"));
    QCOMPARE(proto::decode<proto::Chat>(QStringLiteral("x7")), (proto::Chat{"x7", ""}));
    QCOMPARE(proto::decode<proto::PlayASound>(QStringLiteral("2+wave7")).sound,
             QStringLiteral("wave7"));
    QCOMPARE(proto::decode<proto::StartGame>(QStringLiteral("Kim+<i>3</i>")),
             (proto::StartGame{"Kim", "<i>3</i>", ""}));
    QCOMPARE(proto::decode<proto::Winner>(QStringLiteral("Kim")).name, QStringLiteral("Kim"));
    QVERIFY(!proto::decode<proto::GameStats>(QStringLiteral("7+60+3+2+x+1+25")).running);

    // Cells outside the board are passed over; cells not named stay 0.
    const auto board = proto::decode<proto::MakeBoard>(QStringLiteral("40+3+2+5+0+9"));
    game::Board expected{};
    expected[1] = 5;
    QCOMPARE(board.codes, expected);

    const auto stats =
        proto::decode<proto::GameStats>(QStringLiteral("7+60+3+2+t+1+25+2+4+3+0+4+0+5+0+6+0"));
    QVERIFY(stats.running);
    QCOMPARE(stats.totals.size(), 6);
    QCOMPARE(stats.totals[1], (proto::SeatTotal{2, 4}));
}

void TestProtocol::roundTripsRepeatedGroups()
{
    proto::RoundOver over;
    for (int s = 1; s <= 6; ++s)
        over.seats.append({s, s * 10, s, s % 2 ? QStringLiteral("tea:9,oat:9,") : QString()});
    const QString fields = QString::fromLatin1(proto::encode(over).mid(14));
    QCOMPARE(proto::decode<proto::RoundOver>(fields), over);
}

void TestProtocol::malformedLinesFailWithTheNumberText_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("error");
    QTest::newRow("slot") << QByteArray("CMD_hisword+x+9+tea+")
                          << "'x' is not a valid integer value";
    QTest::newRow("points") << QByteArray("CMD_hisword+1++tea+")
                            << "'' is not a valid integer value";
    QTest::newRow("login slot") << QByteArray("CMD_sendlogininfo+3+x")
                                << "'3+x' is not a valid integer value";
    QTest::newRow("kick target") << QByteArray("CMD_kickhim+1+four+")
                                 << "'four' is not a valid integer value";
    QTest::newRow("board cell") << QByteArray("CMD_makeboard+1+2+b+3")
                                << "'b' is not a valid integer value";
    QTest::newRow("results") << QByteArray("CMD_roundover+x+1+2+")
                             << "'x' is not a valid integer value";
    QTest::newRow("stats total") << QByteArray("CMD_gamestats+7+60+3+2+t+1+lots")
                                 << "'lots' is not a valid integer value";
}

void TestProtocol::malformedLinesFailWithTheNumberText()
{
    QFETCH(QByteArray, line);
    QFETCH(QString, error);
    Dispatcher dispatcher;
    dispatcher.setManual(true);
    MessageRouter router(dispatcher);
    int handled = 0;
    router.route<proto::HisWord>([&](const proto::HisWord &) { ++handled; });
    router.route<proto::SendLoginInfo>([&](const proto::SendLoginInfo &) { ++handled; });
    router.route<proto::KickHim>([&](const proto::KickHim &) { ++handled; });
    router.route<proto::MakeBoard>([&](const proto::MakeBoard &) { ++handled; });
    router.route<proto::RoundOver>([&](const proto::RoundOver &) { ++handled; });
    router.route<proto::GameStats>([&](const proto::GameStats &) { ++handled; });
    QStringList errors;
    dispatcher.setErrorHandler([&](const QString &text) { errors.append(text); });

    dispatcher.enqueue(line);
    QCOMPARE(dispatcher.drain(), 1);
    QCOMPARE(handled, 0);
    QCOMPARE(errors, QStringList{error});
}

void TestProtocol::routesEachLineToItsHandler()
{
    Dispatcher dispatcher;
    dispatcher.setManual(true);
    QSignalSpy dropped(&dispatcher, &Dispatcher::lineDropped);
    // A word the table had before keeps its handler's place and gets the new one.
    dispatcher.addCommand(proto::cmd::winner, {});
    MessageRouter router(dispatcher);
    QList<proto::HisWord> words;
    QList<int> wordSenders;
    QStringList winners;
    router.route<proto::HisWord>([&](const proto::HisWord &w, const LineOrigin &from) {
        words.append(w);
        wordSenders.append(from.slot);
    });
    router.route<proto::Winner>([&](const proto::Winner &w) { winners.append(w.name); });
    router.ignore<proto::Chat>();
    // Only slot 2's lines are taken, and a line not taken is not even read.
    router.setGuard([](const char *, const LineOrigin &from) { return from.slot == 2; });
    QStringList errors;
    dispatcher.setErrorHandler([&](const QString &text) { errors.append(text); });

    dispatcher.enqueue("CMD_hisword+2+16+TEAS+", {2, 7});
    dispatcher.enqueue("CMD_hisword+x+y+", {3, 8});
    dispatcher.enqueue("CMD_winner+Kim+", {2, 7});
    dispatcher.enqueue("CMD_chat+x+anything", {2, 7});
    dispatcher.enqueue("CMD_myword+2+tea+", {2, 7});
    dispatcher.drain();

    QCOMPARE(words, (QList<proto::HisWord>{{2, 16, "TEAS"}}));
    QCOMPARE(wordSenders, QList<int>{2});
    QCOMPARE(winners, QStringList{"Kim"});
    QVERIFY(errors.isEmpty());
    // Only the word nobody routed is dropped as unknown.
    QCOMPARE(dropped.size(), 1);
    QCOMPARE(dropped[0][0].toByteArray(), QByteArray("CMD_myword+2+tea+"));
}

void TestProtocol::convertsNumbers_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("value");
    QTest::newRow("plain") << "42" << true << 42;
    QTest::newRow("negative") << "-7" << true << -7;
    QTest::newRow("plus sign") << "+7" << true << 7;
    QTest::newRow("leading blanks") << "  5" << true << 5;
    QTest::newRow("hex dollar") << "$1F" << true << 31;
    QTest::newRow("hex 0x") << "0x10" << true << 16;
    QTest::newRow("max") << "2147483647" << true << 2147483647;
    QTest::newRow("min") << "-2147483648" << true << int(-2147483647 - 1);
    QTest::newRow("too big") << "2147483648" << false << 0;
    QTest::newRow("huge") << "99999999999999999999" << false << 0;
    QTest::newRow("empty") << "" << false << 0;
    QTest::newRow("trailing blank") << "5 " << false << 0;
    QTest::newRow("letters") << "abc" << false << 0;
    QTest::newRow("sign only") << "-" << false << 0;
}

void TestProtocol::convertsNumbers()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(int, value);
    if (ok) {
        QCOMPARE(proto::toInt(text), value);
        return;
    }
    try {
        proto::toInt(text);
        QFAIL("expected an error");
    } catch (const HandlerError &e) {
        QCOMPARE(e.text(), QStringLiteral("'%1' is not a valid integer value").arg(text));
    }
}

void TestProtocol::malformedGroupsEndInsteadOfLooping()
{
    // A group cut short must end the reading, not spin forever.
    const auto players = proto::decode<proto::NewPlayerInfo>(QStringLiteral("2+Ann")).players;
    QCOMPARE(players, (QList<proto::PlayerEntry>{{2, "Ann", false}}));
    QVERIFY_THROWS_EXCEPTION(HandlerError,
                             proto::decode<proto::RoundOver>(QStringLiteral("x+1+2+")));
}

QTEST_GUILESS_MAIN(TestProtocol)
#include "tst_protocol.moc"
