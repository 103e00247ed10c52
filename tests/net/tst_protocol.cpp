#include "net/handlererror.h"
#include "net/protocol.h"

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
    void readsPlayerGroups();
    void readsChatLines();
    void readsBoardResultsAndStats();
    void roundTripsRepeatedGroups();
    void convertsNumbers_data();
    void convertsNumbers();
    void malformedGroupsEndInsteadOfLooping();
};

void TestProtocol::buildsEveryMessage_data()
{
    QTest::addColumn<QByteArray>("built");
    QTest::addColumn<QByteArray>("expected");

    std::array<int, 36> board{};
    QByteArray boardLine = "CMD_makeboard";
    for (int i = 0; i < 36; ++i) {
        board[static_cast<size_t>(i)] = i % 26 + 1;
        boardLine += "+" + QByteArray::number(i + 1) + "+" + QByteArray::number(i % 26 + 1);
    }

    QTest::newRow("sendlogininfo") << proto::sendLoginInfo(1) << QByteArray("CMD_sendlogininfo+1");
    QTest::newRow("full") << proto::full() << QByteArray("CMD_full+");
    QTest::newRow("newplayerinfo") << proto::newPlayerInfo(2, "Ann") << QByteArray("CMD_newplayerinfo+2+Ann+0");
    QTest::newRow("existingplayers")
        << proto::existingPlayers({{1, "Kim", "0"}, {3, "Bob", "1"}})
        << QByteArray("CMD_existingplayers+1+Kim+0+3+Bob+1");
    QTest::newRow("havewrongversion") << proto::haveWrongVersion("Ann") << QByteArray("CMD_havewrongversion+Ann");
    QTest::newRow("wrongversion") << proto::wrongVersion() << QByteArray("CMD_wrongversion+");
    QTest::newRow("playerdisconnected") << proto::playerDisconnected(4, "Bob") << QByteArray("CMD_playerdisconnected+4+Bob");
    QTest::newRow("chat") << proto::chat(3, "a+b", "clBlack") << QByteArray("CMD_chat+3+a+b|clBlack");
    QTest::newRow("chat relay") << proto::chatRelay("3", "Bob", "a+b|clBlack")
                                << QByteArray("CMD_chat+3+Bob chats: a+b|clBlack");
    QTest::newRow("action") << proto::action(3, "waves", "$00FF0000") << QByteArray("CMD_action+3+waves|$00FF0000");
    QTest::newRow("action relay") << proto::actionRelay("3", "Bob", "waves|clRed") << QByteArray("CMD_action+3+Bob waves|clRed");
    QTest::newRow("playasound") << proto::playASound(2, "wave1") << QByteArray("CMD_playasound+2+wave1+");
    QTest::newRow("playasound relay") << proto::playASoundRelay(2, "wave1+") << QByteArray("CMD_playasound+2+wave1+");
    QTest::newRow("justwatch") << proto::justWatch(2, 1) << QByteArray("CMD_justwatch+2+1");
    QTest::newRow("justwatching") << proto::justWatching(2, "2") << QByteArray("CMD_justwatching+2+2");
    QTest::newRow("kickhim") << proto::kickHim(1, 4) << QByteArray("CMD_kickhim+1+4+");
    QTest::newRow("startgame") << proto::startGame("Kim", 3, 60) << QByteArray("CMD_startgame+Kim+3+60+");
    QTest::newRow("makeboard") << proto::makeBoard(board) << boardLine;
    QTest::newRow("roundstarting") << proto::roundStarting(2, 60) << QByteArray("CMD_roundstarting+2+60+");
    QTest::newRow("myword") << proto::myWord(1, "tea") << QByteArray("CMD_myword+1+tea+");
    QTest::newRow("hisword") << proto::hisWord(1, 9, "tea") << QByteArray("CMD_hisword+1+9+tea+");
    QTest::newRow("hisscore") << proto::hisScore(1, 25, 9) << QByteArray("CMD_hisscore+1+25+9+");
    QTest::newRow("notvalid") << proto::notValid(2, 1, "tea") << QByteArray("CMD_notvalid+2+1+tea+");
    QTest::newRow("roundover") << proto::roundOver({{1, 25, 9, "tea:9,"}, {2, 0, 0, ""}})
                               << QByteArray("CMD_roundover+1+25+9+tea:9,+2+0+0+");
    QTest::newRow("winner") << proto::winner("Kim") << QByteArray("CMD_winner+Kim+");
    QTest::newRow("gamestats running") << proto::gameStats(7, 60, 3, 2, true, {{1, 25}, {2, 4}})
                                       << QByteArray("CMD_gamestats+7+60+3+2+t+1+25+2+4");
    QTest::newRow("gamestats between rounds") << proto::gameStats(3, 30, 1, 1, false, {})
                                              << QByteArray("CMD_gamestats+3+30+1+1+f");
}

void TestProtocol::buildsEveryMessage()
{
    QFETCH(QByteArray, built);
    QFETCH(QByteArray, expected);
    QCOMPARE(built, expected);
    QCOMPARE(proto::frame(built), expected + '\xff');
}

void TestProtocol::loginGoesOutWithTwoTerminators()
{
    const QByteArray wire = proto::frame(proto::loginInfo(4, proto::Version, QByteArray("Kim\xff")));
    QCOMPARE(wire, QByteArray("CMD_logininfo+4+1.0.3+Kim\xff\xff"));
    const proto::LoginInfo login = proto::readLoginInfo(QStringLiteral("4+1.0.3+Kim the+Great"));
    QCOMPARE(login.slot, 4);
    QCOMPARE(login.version, QStringLiteral("1.0.3"));
    QCOMPARE(login.name, QStringLiteral("Kim the+Great"));
}

void TestProtocol::readsPlayerGroups()
{
    const auto one = proto::readPlayers(QStringLiteral("2+Ann+0"));
    QCOMPARE(one, (QList<proto::PlayerEntry>{{2, "Ann", "0"}}));
    const auto many = proto::readPlayers(QStringLiteral("1+Kim+0+3+Bob+1+7+Eve+0"));
    QCOMPARE(many.size(), 3);
    QCOMPARE(many[1], (proto::PlayerEntry{3, "Bob", "1"}));
    QCOMPARE(many[2].slot, 7);
}

void TestProtocol::readsChatLines()
{
    const auto c = proto::readChatLine(QStringLiteral("3+a+b|clRed"));
    QCOMPARE(c.slotText, QStringLiteral("3"));
    QCOMPARE(c.rest, QStringLiteral("a+b|clRed"));

    const auto parts = proto::splitChatColour(QStringLiteral("3+Bob chats: x|y|clBlue"));
    QCOMPARE(parts.line, QStringLiteral("3+Bob chats: x"));
    QCOMPARE(parts.colour, QStringLiteral("y|clBlue"));
    QVERIFY(parts.hasColour);
    QVERIFY(!proto::splitChatColour(QStringLiteral("3+no colour")).hasColour);

    const auto s = proto::readPlayASound(QStringLiteral("2+wave7+"));
    QCOMPARE(s.slot, 2);
    QCOMPARE(s.sound, QStringLiteral("wave7"));
}

void TestProtocol::readsBoardResultsAndStats()
{
    std::array<int, 36> board{};
    for (size_t i = 0; i < 36; ++i)
        board[i] = static_cast<int>(26 - i % 26);
    const QString boardFields = QString::fromLatin1(proto::makeBoard(board).mid(14));
    QCOMPARE(proto::readMakeBoard(boardFields), board);

    const auto stats = proto::readGameStats(QStringLiteral("7+60+3+2+t+1+25+2+4+3+0+4+0+5+0+6+0"));
    QCOMPARE(stats.slot, 7);
    QCOMPARE(stats.time, 60);
    QCOMPARE(stats.rounds, 3);
    QCOMPARE(stats.round, 2);
    QCOMPARE(stats.phase, QStringLiteral("t"));
    QCOMPARE(stats.totals.size(), 6);
    QCOMPARE(stats.totals[1], (proto::SeatTotal{2, 4}));

    QCOMPARE(proto::readWinner(QStringLiteral("Kim+")), QStringLiteral("Kim"));
    const auto nv = proto::readNotValid(QStringLiteral("1+3+qqq+"));
    QCOMPARE(nv.verdict, 1);
    QCOMPARE(nv.slot, 3);
    QCOMPARE(nv.word, QStringLiteral("qqq"));
}

void TestProtocol::roundTripsRepeatedGroups()
{
    QList<proto::SeatResult> seats;
    for (int s = 1; s <= 6; ++s)
        seats.append({s, s * 10, s, s % 2 ? QStringLiteral("tea:9,oat:9,") : QString()});
    const QString fields = QString::fromLatin1(proto::roundOver(seats).mid(14));
    QCOMPARE(proto::readRoundOver(fields), seats);
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
    const auto players = proto::readPlayers(QStringLiteral("2+Ann"));
    QCOMPARE(players.size(), 1);
    QCOMPARE(players[0].name, QStringLiteral("Ann"));
    QVERIFY_THROWS_EXCEPTION(HandlerError, proto::readRoundOver(QStringLiteral("x+1+2+")));
}

QTEST_GUILESS_MAIN(TestProtocol)
#include "tst_protocol.moc"
