#include "net/localgames.h"

#include <QNetworkDatagram>
#include <QTest>
#include <QUdpSocket>

using vorlith::net::AnswerLimiter;
using vorlith::net::LocalGame;
using vorlith::net::LocalGameFinder;
using vorlith::net::LocalGameResponder;
namespace localgames = vorlith::net::localgames;

namespace {

LocalGame game(quint32 id, const QString &name, int seats, bool running)
{
    LocalGame g;
    g.id = id;
    g.name = name;
    g.seatsTaken = seats;
    g.running = running;
    return g;
}

const QHostAddress Loopback(QHostAddress::LocalHost);

} // namespace

class TestLocalGames : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void answerBytes_data();
    void answerBytes();
    void malformedAnswersAreRefused_data();
    void malformedAnswersAreRefused();
    void onlyTheExactQueryIsAnswered();
    void limiterKeepsAnswersFew();
    void finderIgnoresJunk();
};

void TestLocalGames::answerBytes_data()
{
    QTest::addColumn<quint32>("id");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("seats");
    QTest::addColumn<bool>("running");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("readName");

    QTest::newRow("waiting") << 0x1a2bu << "Kim" << 2 << false
                             << QByteArray("VORLITH!00001a2b+2+0+Kim") << "Kim";
    QTest::newRow("running") << 0xffffffffu << "Ann Lee" << 6 << true
                             << QByteArray("VORLITH!ffffffff+6+1+Ann Lee") << "Ann Lee";
    QTest::newRow("bytes that would spoil it")
        << 1u << QString("a+b\x01|\u00ff") << 1 << false
        << QByteArray("VORLITH!00000001+1+0+a_b_|_") << "a_b_|_";
    QTest::newRow("name cut to 32 bytes")
        << 1u << QString(40, 'x') << 0 << false << "VORLITH!00000001+0+0+" + QByteArray(32, 'x')
        << QString(32, 'x');
    QTest::newRow("blank name") << 1u << "  " << 0 << false
                                << QByteArray("VORLITH!00000001+0+0+Player") << "Player";
    QTest::newRow("seats held to 0..6")
        << 1u << "K" << 9 << false << QByteArray("VORLITH!00000001+6+0+K") << "K";
}

void TestLocalGames::answerBytes()
{
    QFETCH(quint32, id);
    QFETCH(QString, name);
    QFETCH(int, seats);
    QFETCH(bool, running);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, readName);

    const QByteArray answer = localgames::answer(game(id, name, seats, running));
    QCOMPARE(answer, bytes);
    QVERIFY(answer.size() <= localgames::MaxAnswerSize);
    const std::optional<LocalGame> read = localgames::readAnswer(answer);
    QVERIFY(read);
    QCOMPARE(read->id, id);
    QCOMPARE(read->name, readName);
    QCOMPARE(read->seatsTaken, qBound(0, seats, 6));
    QCOMPARE(read->running, running);
}

void TestLocalGames::malformedAnswersAreRefused_data()
{
    QTest::addColumn<QByteArray>("datagram");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("query") << localgames::query();
    QTest::newRow("magic only") << QByteArray("VORLITH!");
    QTest::newRow("other magic") << QByteArray("VORLITX!00000001+1+0+Kim");
    QTest::newRow("no name") << QByteArray("VORLITH!00000001+1+0+");
    QTest::newRow("blank name") << QByteArray("VORLITH!00000001+1+0+   ");
    QTest::newRow("short id") << QByteArray("VORLITH!0001+1+0+Kim");
    QTest::newRow("id not hex") << QByteArray("VORLITH!0000000g+1+0+Kim");
    QTest::newRow("seven seats") << QByteArray("VORLITH!00000001+7+0+Kim");
    QTest::newRow("running 2") << QByteArray("VORLITH!00000001+1+2+Kim");
    QTest::newRow("plus in name") << QByteArray("VORLITH!00000001+1+0+K+m");
    QTest::newRow("control in name") << QByteArray("VORLITH!00000001+1+0+K\nm");
    QTest::newRow("terminator in name") << QByteArray("VORLITH!00000001+1+0+K\xffm");
    QTest::newRow("too long") << "VORLITH!00000001+1+0+" + QByteArray(33, 'x');
    QTest::newRow("huge") << "VORLITH!00000001+1+0+" + QByteArray(65000, 'x');
}

void TestLocalGames::malformedAnswersAreRefused()
{
    QFETCH(QByteArray, datagram);
    QVERIFY(!localgames::readAnswer(datagram));
}

void TestLocalGames::onlyTheExactQueryIsAnswered()
{
    LocalGameResponder responder([] { return game(7, "Kim", 3, true); });
    const QHostAddress a("192.0.2.1");
    QCOMPARE(responder.answerTo("VORLITH?", a, 0), QByteArray("VORLITH!00000007+3+1+Kim"));
    for (const QByteArray &junk : {QByteArray(), QByteArray("VORLITH"), QByteArray("VORLITH??"),
                                   QByteArray("vorlith?"), QByteArray("VORLITH!00000007+3+1+Kim")})
        QVERIFY(responder.answerTo(junk, QHostAddress("192.0.2.2"), 1000).isEmpty());

    // Only this machine and its own networks are answered.
    const QList<QPair<QHostAddress, int>> lan{{QHostAddress("192.168.1.20"), 24}};
    QVERIFY(LocalGameResponder::isNeighbour(QHostAddress("127.0.0.1"), lan));
    QVERIFY(LocalGameResponder::isNeighbour(QHostAddress("::ffff:192.168.1.7"), lan));
    QVERIFY(!LocalGameResponder::isNeighbour(QHostAddress("192.168.2.7"), lan));
    QVERIFY(!LocalGameResponder::isNeighbour(QHostAddress("203.0.113.9"), lan));
}

void TestLocalGames::limiterKeepsAnswersFew()
{
    AnswerLimiter limiter;
    const QHostAddress a("192.0.2.1");
    QVERIFY(limiter.allow(a, 1000));
    QVERIFY(!limiter.allow(a, 1000 + AnswerLimiter::SenderGapMs - 1));
    QVERIFY(limiter.allow(a, 1000 + AnswerLimiter::SenderGapMs));

    // Many senders at once: no more than PerSecond answers in any second.
    AnswerLimiter flood;
    int answered = 0;
    for (int n = 0; n < 1000; ++n)
        answered += flood.allow(QHostAddress(quint32(0xC0000200 + n)), 5000 + n / 2) ? 1 : 0;
    QCOMPARE(answered, AnswerLimiter::PerSecond);
    QVERIFY(!flood.allow(QHostAddress("198.51.100.1"), 5999));
    // A second later there is room again.
    QVERIFY(flood.allow(QHostAddress("198.51.100.1"), 6000));

    // The senders remembered stay few however many there are.
    AnswerLimiter spread;
    int spreadAnswers = 0;
    for (int n = 0; n < 2000; ++n)
        spreadAnswers +=
            spread.allow(QHostAddress(quint32(0xC6336400 + n)), qint64(n) * 101) ? 1 : 0;
    QCOMPARE(spreadAnswers, 2000);
}

void TestLocalGames::finderIgnoresJunk()
{
    // A stand-in for a broken or hostile host.
    QUdpSocket junkHost;
    QVERIFY(junkHost.bind(Loopback, 0));
    LocalGameFinder junkFinder;
    junkFinder.setPort(junkHost.localPort());
    junkFinder.setTargets({Loopback});
    junkFinder.search();
    QTRY_VERIFY(junkHost.hasPendingDatagrams());
    const QNetworkDatagram query = junkHost.receiveDatagram();
    QCOMPARE(query.data(), localgames::query());
    const auto toFinder = [&](QUdpSocket &from, const QByteArray &bytes) {
        from.writeDatagram(bytes, query.senderAddress(), quint16(query.senderPort()));
    };
    // A good answer from a port nobody asked, junk, then the same game
    // twice and a last one; loopback keeps them in order, so once the last
    // is listed everything before it has been judged.
    QUdpSocket stranger;
    toFinder(stranger, localgames::answer(game(6, "Eve", 1, true)));
    for (const QByteArray &junk : {QByteArray("garbage"), QByteArray(4000, '\xff'),
                                   QByteArray("VORLITH!00000001+9+0+Bad"), localgames::query()})
        toFinder(junkHost, junk);
    toFinder(junkHost, localgames::answer(game(5, "Ann", 1, true)));
    toFinder(junkHost, localgames::answer(game(5, "Ann", 1, true)));
    toFinder(junkHost, localgames::answer(game(9, "Zed", 0, false)));
    QTRY_COMPARE(junkFinder.games().size(), 2);
    QCOMPARE(junkFinder.games().at(0).name, QString("Ann"));
    QCOMPARE(junkFinder.games().at(0).address, Loopback);
    QCOMPARE(junkFinder.games().at(1).name, QString("Zed"));
}

QTEST_GUILESS_MAIN(TestLocalGames)
#include "tst_localgames.moc"
