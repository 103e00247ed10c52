#include "lobby/lobby.h"
#include "lobby/lobbysettings.h"
#include "lobby/options.h"
#include "lobby/presence.h"
#include "lobby/singleinstance.h"
#include "lobby/tablemodel.h"
#include "net/localgames.h"
#include "webserver.h"

#include <QFile>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace vorlith::lobby;

namespace {

QByteArray tableJson(const QByteArray &id, const QByteArray &name, const QByteArray &seated,
                     const QByteArray &held = "[]")
{
    return R"({"id":")" + id + R"(","name":")" + name +
           R"(","host":"::1","port":7781,"state":"waiting",)"
           R"("round":0,"rounds":5,"time":60,"computers":0,"seated":)" +
           seated + R"(,"spies":0,"held":)" + held + "}";
}

// A table server answering each path from a table the test sets.
struct FakeServer
{
    WebServer web;
    QHash<QByteArray, QByteArray> answers; // path -> whole answer
    QList<QByteArray> paths;
    bool down{false};

    FakeServer()
    {
        web.setResponder([this](QTcpSocket *peer, int n) {
            const QByteArray line = web.received.at(n).left(web.received.at(n).indexOf("\r\n"));
            const QByteArray path = line.split(' ').value(1);
            paths.append(path);
            peer->write(answers.value(path, httpAnswer("404 Not Found", R"({"error":"unknown"})")));
            peer->disconnectFromHost();
        });
    }
    void list(const QByteArray &tables)
    {
        answers.insert("/api/tables", httpAnswer("200 OK", "[" + tables + "]"));
    }
};

// The lobby with its settings in a folder of the test's, a game program
// that is only recorded, and a presence port of its own.
struct Rig
{
    QTemporaryDir dir;
    LobbySettings settings{dir.filePath(QStringLiteral("brakmolobby.ini"))};
    GameLauncher launcher{dir.path()};
    PresenceServer presence;
    QList<Launch> started;
    std::unique_ptr<Lobby> lobby;
    QStringList messages;

    Rig()
    {
        QFile game(dir.filePath(QStringLiteral("vorlith")));
        game.open(QIODevice::WriteOnly);
        game.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        launcher.setStarter([this](const Launch &l) {
            started.append(l);
            return true;
        });
        presence.listen(0);
        lobby = std::make_unique<Lobby>(settings, launcher, presence);
        lobby->api().setManualDeadlines(true);
        QObject::connect(lobby.get(), &Lobby::message, lobby.get(),
                         [this](const QString &m) { messages.append(m); });
    }
};

} // namespace

class TestLobby : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void withoutServersItSaysHowToGetOne();
    void theListIsFetchedOnlyWhileTheWindowShows();
    void anUnreachableServerIsRetriedAndRecovers();
    void aServerThatIsNotOursIsNamed();
    void nameAndServersAreRememberedBesideOtherSections();
    void joiningChecksTheTableFirst_data();
    void joiningChecksTheTableFirst();
    void aCodeFindsItsTable();
    void thePresenceConnectionTellsWhenTheGameEnded();
    void aHeldSeatIsOfferedBackAndCountsDown();
    void aSeatTheServerStillGivesIsAskedForAgain();
    void aGameThatNeverReportsGivesTheLobbyBack();
    void theCommandLineIsRead_data();
    void theCommandLineIsRead();
    void aSecondLobbyRaisesTheFirst();
    void presenceTakesAnotherPortWhenTaken();
};

void TestLobby::withoutServersItSaysHowToGetOne()
{
    Rig rig;
    QCOMPARE(rig.lobby->serverState(), Lobby::ServerState::None);
    QVERIFY(rig.lobby->statusText().contains(QStringLiteral("vorlith-server")));
    rig.lobby->setActive(true);
    QVERIFY(!rig.lobby->isPolling());
    rig.lobby->setName(QStringLiteral("Ann"));
    rig.lobby->join(QStringLiteral("x"));
    QVERIFY(rig.messages.last().contains(QStringLiteral("Add Server")));
    QVERIFY(!rig.lobby->addServer(QStringLiteral("ftp://x")));
    QVERIFY(rig.messages.last().contains(QStringLiteral("not a server address")));
}

void TestLobby::theListIsFetchedOnlyWhileTheWindowShows()
{
    Rig rig;
    FakeServer server;
    server.list(tableJson("1", "Owls", R"(["Bo"])"));
    rig.lobby->useServer(server.web.hostAndPort());
    QCOMPARE(rig.lobby->serverState(), Lobby::ServerState::Loading);
    QVERIFY(server.paths.isEmpty());
    QVERIFY(!rig.lobby->isPolling());

    rig.lobby->setActive(true);
    QTRY_COMPARE(rig.lobby->serverState(), Lobby::ServerState::Listing);
    QCOMPARE(rig.lobby->tables().rowCount(), 1);
    QCOMPARE(rig.lobby->statusText(),
             QStringLiteral("1 public table at %1.").arg(server.web.hostAndPort()));
    QVERIFY(rig.lobby->isPolling());
    QCOMPARE(rig.lobby->pollInterval(), Lobby::RefreshMs);

    // The refresh timer's turn: a new table shows up.
    server.list(tableJson("1", "Owls", R"(["Bo"])") + "," + tableJson("2", "Larks", "[]"));
    rig.lobby->refresh();
    QTRY_COMPARE(rig.lobby->tables().rowCount(), 2);

    rig.lobby->setActive(false);
    QVERIFY(!rig.lobby->isPolling());
}

void TestLobby::anUnreachableServerIsRetriedAndRecovers()
{
    Rig rig;
    auto server = std::make_unique<FakeServer>();
    server->list(tableJson("1", "Owls", "[]"));
    const QString address = server->web.hostAndPort();
    rig.lobby->useServer(address);
    rig.lobby->setActive(true);
    QTRY_COMPARE(rig.lobby->serverState(), Lobby::ServerState::Listing);

    server.reset(); // the server stops
    rig.lobby->refresh();
    QTRY_COMPARE(rig.lobby->serverState(), Lobby::ServerState::Unreachable);
    QVERIFY2(rig.lobby->statusText().startsWith(
                 QStringLiteral("Cannot reach the table server %1: ").arg(address)),
             qPrintable(rig.lobby->statusText()));
    QVERIFY(rig.lobby->statusText().endsWith(QStringLiteral("Trying again every 5 seconds.")));
    QCOMPARE(rig.lobby->pollInterval(), Lobby::RetryMs);
    QVERIFY(rig.lobby->isPolling());
    // What was listed stays listed meanwhile.
    QCOMPARE(rig.lobby->tables().rowCount(), 1);
}

void TestLobby::aServerThatIsNotOursIsNamed()
{
    Rig rig;
    WebServer web;
    web.setResponder(WebServer::answer(httpAnswer("200 OK", "<html>router login</html>")));
    rig.lobby->useServer(web.hostAndPort());
    rig.lobby->setActive(true);
    QTRY_COMPARE(rig.lobby->serverState(), Lobby::ServerState::NotOurApi);
    QVERIFY(rig.lobby->statusText().startsWith(web.hostAndPort() +
                                               QStringLiteral(" is not a table server")));
    QCOMPARE(rig.lobby->pollInterval(), Lobby::RetryMs);
}

void TestLobby::nameAndServersAreRememberedBesideOtherSections()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("brakmolobby.ini"));
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[Vorlith]\r\nPlayername=Ann\r\n; kept\r\n[Other]\r\nX = 1\r\n");
    }
    {
        Rig rig;
        LobbySettings settings(path);
        Lobby lobby(settings, rig.launcher, rig.presence);
        QVERIFY(!lobby.setName(QStringLiteral("-rf")));
        QVERIFY(!lobby.setName(QStringLiteral("A+B")));
        QVERIFY(lobby.setName(QStringLiteral("Ann")));
        QVERIFY(lobby.addServer(QStringLiteral("play.example.org")));
        QVERIFY(lobby.addServer(QStringLiteral("https://tables.example/v")));
        QVERIFY(lobby.addServer(QStringLiteral("play.example.org:7780"))); // the same one
        lobby.chooseServer(QStringLiteral("play.example.org"));
        QVERIFY(lobby.useServer(QStringLiteral("10.0.0.9"))); // this run only
    }
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(),
             QByteArray("[Vorlith]\r\nPlayername=Ann\r\n; kept\r\n[Other]\r\nX = 1\r\n"
                        "[Vorlith Lobby]\r\nName=Ann\r\n"
                        "Servers=play.example.org https://tables.example/v\r\n"
                        "Server=play.example.org\r\n"));
    Rig rig;
    LobbySettings settings(path);
    Lobby again(settings, rig.launcher, rig.presence);
    QCOMPARE(again.name(), QStringLiteral("Ann"));
    QCOMPARE(again.servers(), QStringList({"play.example.org", "https://tables.example/v"}));
    QCOMPARE(again.server(), QStringLiteral("play.example.org"));

    // Forgetting the chosen server chooses the next; a server of this run only
    // is forgotten too.
    again.useServer(QStringLiteral("10.0.0.9"));
    again.removeServer(QStringLiteral("10.0.0.9"));
    QCOMPARE(again.server(), QStringLiteral("play.example.org"));
    again.removeServer(QStringLiteral("play.example.org"));
    QCOMPARE(again.servers(), QStringList({"https://tables.example/v"}));
    QCOMPARE(again.server(), QStringLiteral("https://tables.example/v"));
    QCOMPARE(LobbySettings(path).servers(), QStringList({"https://tables.example/v"}));
}

void TestLobby::joiningChecksTheTableFirst_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<bool>("launched");
    QTest::addColumn<QString>("message"); // a piece of it, or empty for none
    QTest::newRow("free seat") << httpAnswer("200 OK", tableJson("1", "Owls", R"(["Bo"])")) << true
                               << "";
    QTest::newRow("full: watch") << httpAnswer("200 OK", tableJson("1", "Owls",
                                                                   R"(["a","b","c","d","e","f"])"))
                                 << true << "you will watch the game as a spy";
    QTest::newRow("name taken") << httpAnswer("200 OK", tableJson("1", "Owls", R"(["bo","ANN"])"))
                                << false << "Somebody named Ann already sits at";
    QTest::newRow("own held seat")
        << httpAnswer("200 OK", tableJson("1", "Owls", R"(["a","b","c","d","e","Ann"])",
                                          R"([{"name":"Ann","seconds":99}])"))
        << true << "";
    QTest::newRow("gone") << httpAnswer("404 Not Found", R"({"error":"unknown table"})") << false
                          << "The table \u201cOwls\u201d is gone";
    QTest::newRow("strange") << httpAnswer("200 OK", "hello") << false << "answered strangely";
}

void TestLobby::joiningChecksTheTableFirst()
{
    QFETCH(QByteArray, answer);
    QFETCH(bool, launched);
    QFETCH(QString, message);
    Rig rig;
    FakeServer server;
    server.list(tableJson("1", "Owls", R"(["Bo"])"));
    server.answers.insert("/api/tables/1", answer);
    rig.lobby->setName(QStringLiteral("Ann"));
    rig.lobby->useServer(server.web.hostAndPort());
    rig.lobby->setActive(true);
    QTRY_COMPARE(rig.lobby->tables().rowCount(), 1);
    rig.lobby->join(QStringLiteral("1"));
    QTRY_VERIFY(server.paths.contains("/api/tables/1"));
    QTRY_VERIFY(rig.lobby->isPlaying() || !rig.messages.isEmpty());
    QCOMPARE(rig.started.size(), launched ? 1 : 0);
    QCOMPARE(rig.lobby->isPlaying(), launched);
    if (message.isEmpty())
        QVERIFY2(rig.messages.isEmpty(), qPrintable(rig.messages.join(QLatin1Char('\n'))));
    else
        QVERIFY2(rig.messages.value(0).contains(message), qPrintable(rig.messages.value(0)));
    if (launched) {
        const Launch &l = rig.started.first();
        QCOMPARE(l.program, rig.dir.filePath(QStringLiteral("vorlith")));
        QCOMPARE(l.arguments, QStringList({"--may-start", "--join", "Ann", "[::1]:7781"}));
        QCOMPARE(l.environment.value(QStringLiteral("VORLITH_PRESENCE_PORT")),
                 QString::number(rig.presence.port()));
        QCOMPARE(rig.lobby->playingText(), QStringLiteral("In a game at Owls"));
    }
}

void TestLobby::aCodeFindsItsTable()
{
    Rig rig;
    FakeServer server;
    server.answers.insert("/api/invites/7K3-QF2",
                          httpAnswer("200 OK", tableJson("9", "Secret", "[]")));
    rig.lobby->setName(QStringLiteral("Ann"));
    rig.lobby->useServer(server.web.hostAndPort());
    rig.lobby->joinWithCode(QStringLiteral("nope"));
    QTRY_COMPARE(rig.messages.size(), 1);
    QVERIFY2(rig.messages.first().contains(QStringLiteral("has the code NOPE")),
             qPrintable(rig.messages.first()));
    rig.lobby->joinWithCode(QStringLiteral("a b/../"));
    QCOMPARE(rig.messages.size(), 2);
    QVERIFY(rig.messages.last().contains(QStringLiteral("is not an invite code")));
    rig.lobby->joinWithCode(QStringLiteral(" 7k3-qf2 "));
    QTRY_VERIFY(rig.lobby->isPlaying());
    QCOMPARE(rig.lobby->playingText(), QStringLiteral("In a game at Secret"));
    QCOMPARE(server.paths, QList<QByteArray>({"/api/invites/NOPE", "/api/invites/7K3-QF2"}));
}

void TestLobby::thePresenceConnectionTellsWhenTheGameEnded()
{
    Rig rig;
    rig.lobby->setName(QStringLiteral("Ann"));
    QSignalSpy shown(rig.lobby.get(), &Lobby::showRequested);
    rig.lobby->hostHere();
    QVERIFY(rig.lobby->isPlaying());
    QCOMPARE(rig.started.value(0).arguments, QStringList({"--host", "Ann"}));
    // A second game while one runs is not started.
    rig.lobby->hostHere();
    QCOMPARE(rig.started.size(), 1);

    QTcpSocket game;
    game.connectToHost(QHostAddress::LocalHost, rig.presence.port());
    QTRY_COMPARE(rig.presence.connections(), 1);
    game.write("noise the lobby ignores");
    // Sent before the close on the same stream: the lobby reads it first.
    QTRY_COMPARE(game.bytesToWrite(), qint64(0));
    QVERIFY(rig.lobby->isPlaying());
    game.disconnectFromHost();
    QVERIFY(shown.wait());
    QVERIFY(!rig.lobby->isPlaying());
    QCOMPARE(rig.lobby->playingText(), QString());
    QCOMPARE(rig.presence.connections(), 0);
}

void TestLobby::aHeldSeatIsOfferedBackAndCountsDown()
{
    Rig rig;
    FakeServer server;
    server.list(tableJson("1", "Owls", R"(["Ann"])"));
    server.answers.insert("/api/tables/1",
                          httpAnswer("200 OK", tableJson("1", "Owls", R"(["Ann"])")));
    rig.lobby->setName(QStringLiteral("Ann"));
    rig.lobby->useServer(server.web.hostAndPort());
    rig.lobby->setActive(true);
    QTRY_COMPARE(rig.lobby->tables().rowCount(), 1);
    server.answers.insert("/api/tables/1",
                          httpAnswer("200 OK", tableJson("1", "Owls", R"(["Bo"])")));
    rig.lobby->join(QStringLiteral("1"));
    QTRY_VERIFY(rig.lobby->isPlaying());

    // The game drops; the server holds the seat.
    server.answers.insert("/api/tables/1",
                          httpAnswer("200 OK", tableJson("1", "Owls", R"(["Bo","Ann"])",
                                                         R"([{"name":"ann","seconds":3}])")));
    auto *game = new QTcpSocket(this);
    game->connectToHost(QHostAddress::LocalHost, rig.presence.port());
    QTRY_COMPARE(rig.presence.connections(), 1);
    game->abort();
    delete game;
    QTRY_VERIFY(rig.lobby->hasRejoinOffer());
    QCOMPARE(rig.lobby->rejoinText(), QStringLiteral("Rejoin Owls"));
    QCOMPARE(rig.lobby->rejoinSeconds(), 3);
    rig.lobby->rejoinTick();
    QCOMPARE(rig.lobby->rejoinSeconds(), 2);

    rig.lobby->rejoin();
    QVERIFY(!rig.lobby->hasRejoinOffer());
    QTRY_COMPARE(rig.started.size(), 2);
    QCOMPARE(rig.started.last().arguments, rig.started.first().arguments);
    QVERIFY(rig.messages.isEmpty());

    // An offer nobody takes runs out.
    QTcpSocket second;
    second.connectToHost(QHostAddress::LocalHost, rig.presence.port());
    QTRY_COMPARE(rig.presence.connections(), 1);
    second.abort();
    QTRY_VERIFY(rig.lobby->hasRejoinOffer());
    for (int i = 0; i < 3; ++i)
        rig.lobby->rejoinTick();
    QVERIFY(!rig.lobby->hasRejoinOffer());
}

void TestLobby::aSeatTheServerStillGivesIsAskedForAgain()
{
    Rig rig;
    FakeServer server;
    const QByteArray free = httpAnswer("200 OK", tableJson("1", "Owls", R"(["Bo"])"));
    const QByteArray seated = httpAnswer("200 OK", tableJson("1", "Owls", R"(["Bo","Ann"])"));
    server.list(tableJson("1", "Owls", R"(["Bo"])"));
    rig.lobby->setName(QStringLiteral("Ann"));
    rig.lobby->useServer(server.web.hostAndPort());
    QTimer *look = nullptr;
    for (QTimer *t : rig.lobby->findChildren<QTimer *>()) {
        if (t->interval() == Lobby::HeldLookMs)
            look = t;
    }
    QVERIFY(look);
    const auto asked = [&server] { return int(server.paths.count("/api/tables/1")); };
    // Ann joins; her game's end finds the table answering \a afterwards.
    const auto playAndDrop = [&](const QByteArray &afterwards) {
        server.answers.insert("/api/tables/1", free);
        rig.lobby->join(QStringLiteral("1"));
        QTRY_VERIFY(rig.lobby->isPlaying());
        server.answers.insert("/api/tables/1", afterwards);
        QTcpSocket game;
        game.connectToHost(QHostAddress::LocalHost, rig.presence.port());
        QTRY_COMPARE(rig.presence.connections(), 1);
        const int before = asked();
        game.abort();
        QTRY_VERIFY(!rig.lobby->isPlaying());
        QTRY_COMPARE(asked(), before + 1);
        QTRY_COMPARE(rig.lobby->api().pending(), 0);
    };

    // The game's connection vanished without a word: the server still seats
    // Ann, and holds her seat only once it notices.
    playAndDrop(seated);
    QVERIFY(look->isActive());
    QVERIFY(!rig.lobby->hasRejoinOffer());
    look->start(0);
    QTRY_COMPARE(rig.lobby->api().pending(), 0);
    QVERIFY(look->isActive());
    server.answers.insert("/api/tables/1",
                          httpAnswer("200 OK", tableJson("1", "Owls", R"(["Bo","Ann"])",
                                                         R"([{"name":"Ann","seconds":170}])")));
    look->start(0);
    QTRY_VERIFY(rig.lobby->hasRejoinOffer());
    QCOMPARE(rig.lobby->rejoinSeconds(), 170);
    QVERIFY(!look->isActive());

    // Gone from the seats without a hold (she left between games): nothing
    // to offer and nothing more to ask.
    playAndDrop(free);
    QVERIFY(!look->isActive());
    QVERIFY(!rig.lobby->hasRejoinOffer());

    // A server that never lets go is asked a bounded number of times.
    const int first = asked() + 1; // the join asks too
    playAndDrop(seated);
    for (int n = 1; n < Lobby::HeldLookTries; ++n) {
        QVERIFY2(look->isActive(), qPrintable(QString::number(n)));
        look->start(0);
        QTRY_COMPARE(asked(), first + n + 1);
        QTRY_COMPARE(rig.lobby->api().pending(), 0);
    }
    QVERIFY(!look->isActive());
    QCOMPARE(asked(), first + Lobby::HeldLookTries);
    QVERIFY(!rig.lobby->hasRejoinOffer());
}

void TestLobby::aGameThatNeverReportsGivesTheLobbyBack()
{
    Rig rig;
    rig.lobby->setName(QStringLiteral("Ann"));
    vorlith::net::LocalGame game;
    game.name = QStringLiteral("Bo");
    game.address = QHostAddress(QStringLiteral("::ffff:10.0.0.7"));
    QSignalSpy shown(rig.lobby.get(), &Lobby::showRequested);
    rig.lobby->joinLocal(game);
    QCOMPARE(rig.started.value(0).arguments, QStringList({"--join", "Ann", "10.0.0.7"}));
    QCOMPARE(rig.lobby->playingText(), QStringLiteral("In a game at Bo's table"));
    // The report timer's turn, half a minute on.
    auto timers = rig.lobby->findChildren<QTimer *>();
    QTimer *report = nullptr;
    for (QTimer *t : timers) {
        if (t->interval() == Lobby::GameReportMs)
            report = t;
    }
    QVERIFY(report && report->isActive());
    report->start(0);
    QVERIFY(shown.wait());
    QVERIFY(!rig.lobby->isPlaying());
}

void TestLobby::theCommandLineIsRead_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("environment");
    QTest::addColumn<int>("action");
    QTest::addColumn<QString>("server");
    QTest::addColumn<QString>("name");
    QTest::newRow("nothing") << QStringList() << "" << int(Options::Action::Run) << ""
                             << "";
    QTest::newRow("both") << QStringList({"--server", "a.example:8000", "--name", "Ann"}) << ""
                          << int(Options::Action::Run) << "a.example:8000"
                          << "Ann";
    QTest::newRow("environment") << QStringList() << " https://t.example "
                                 << int(Options::Action::Run) << "https://t.example"
                                 << "";
    QTest::newRow("option over environment") << QStringList({"--server=b.example"}) << "a.example"
                                             << int(Options::Action::Run) << "b.example"
                                             << "";
    QTest::newRow("help") << QStringList({"--help"}) << "" << int(Options::Action::Print) << ""
                          << "";
    QTest::newRow("version") << QStringList({"--version"}) << "" << int(Options::Action::Print)
                             << ""
                             << "";
    QTest::newRow("bad server") << QStringList({"--server", "ftp://x"}) << ""
                                << int(Options::Action::Fail) << ""
                                << "";
    QTest::newRow("bad name") << QStringList({"--name", "a+b"}) << "" << int(Options::Action::Fail)
                              << ""
                              << "";
    QTest::newRow("unknown") << QStringList({"--frobnicate"}) << "" << int(Options::Action::Fail)
                             << ""
                             << "";
    QTest::newRow("positional") << QStringList({"Ann"}) << "" << int(Options::Action::Fail) << ""
                                << "";
}

void TestLobby::theCommandLineIsRead()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, environment);
    QFETCH(int, action);
    QFETCH(QString, server);
    QFETCH(QString, name);
    arguments.prepend(QStringLiteral("vorlith-lobby"));
    const Options o = parseOptions(arguments, environment);
    QCOMPARE(int(o.action), action);
    if (o.action == Options::Action::Run) {
        QCOMPARE(o.server, server);
        QCOMPARE(o.name, name);
    } else {
        QVERIFY(!o.output.isEmpty());
        QCOMPARE(o.exitCode, o.action == Options::Action::Print ? 0 : 2);
    }
    if (arguments.contains(QStringLiteral("--help")))
        QVERIFY(o.output.startsWith(QStringLiteral("Usage: vorlith-lobby [options]\n")) &&
                o.output.contains(QStringLiteral("--server <ADDRESS>")));
}

void TestLobby::aSecondLobbyRaisesTheFirst()
{
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("lobby"));
    SingleInstance first(name);
    QSignalSpy firstDecided(&first, &SingleInstance::decided);
    first.start();
    QTRY_COMPARE(firstDecided.size(), 1);
    QCOMPARE(first.role(), SingleInstance::Role::First);

    QSignalSpy raised(&first, &SingleInstance::raiseRequested);
    SingleInstance second(name);
    QSignalSpy secondDecided(&second, &SingleInstance::decided);
    second.start();
    QTRY_COMPARE(secondDecided.size(), 1);
    QCOMPARE(second.role(), SingleInstance::Role::Second);
    QTRY_COMPARE(raised.size(), 1);

    // A stranger saying something else raises nothing.
    QLocalSocket stranger;
    stranger.connectToServer(name);
    QTRY_COMPARE(stranger.state(), QLocalSocket::ConnectedState);
    stranger.write("hello!\n");
    QTRY_COMPARE(stranger.state(), QLocalSocket::UnconnectedState);
    QCOMPARE(raised.size(), 1);
}

void TestLobby::presenceTakesAnotherPortWhenTaken()
{
    PresenceServer first;
    QVERIFY(first.listen(0));
    PresenceServer second;
    QVERIFY(second.listen(first.port()));
    QVERIFY(second.port() != 0 && second.port() != first.port());
}

QTEST_MAIN(TestLobby)
#include "tst_lobby.moc"
