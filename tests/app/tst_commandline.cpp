#include "app/commandline.h"

#include <QTest>

using vorlith::app::CommandLine;
using vorlith::app::LaunchRequest;
using Action = LaunchRequest::Action;
using vorlith::host::Strength;

Q_DECLARE_METATYPE(LaunchRequest::Action)
Q_DECLARE_METATYPE(Strength)

class TestCommandLine : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void argumentsGiveLaunchModes_data();
    void argumentsGiveLaunchModes();
    void computerPlayersJoinAHostedGame_data();
    void computerPlayersJoinAHostedGame();
};

void TestCommandLine::argumentsGiveLaunchModes_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<Action>("action");
    QTest::addColumn<QStringList>("params");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("outputHas");

    const QStringList none;
    // The lobby's positional forms, exactly as they come.
    QTest::newRow("solo") << none << Action::Play << none << 0 << "";
    QTest::newRow("host") << QStringList{"Kim", "127.0.0.1", "true"} << Action::Play
                          << QStringList{"Kim", "127.0.0.1", "true"} << 0 << "";
    QTest::newRow("one parameter")
        << QStringList{"Kim"} << Action::Play << QStringList{"Kim"} << 0 << "";
    QTest::newRow("two parameters") << QStringList{"Kim", "10.0.0.1"} << Action::Play
                                    << QStringList{"Kim", "10.0.0.1"} << 0 << "";
    QTest::newRow("fourth kept for the launch step to ignore")
        << QStringList{"Kim", "h", "TRUE", "x"} << Action::Play
        << QStringList{"Kim", "h", "TRUE", "x"} << 0 << "";
    QTest::newRow("single dash is a name") << QStringList{"-Kim", "h", "true"} << Action::Play
                                           << QStringList{"-Kim", "h", "true"} << 0 << "";
    QTest::newRow("options after a parameter are parameters")
        << QStringList{"Kim", "--help", "--bogus"} << Action::Play
        << QStringList{"Kim", "--help", "--bogus"} << 0 << "";
    QTest::newRow("double dash ends options")
        << QStringList{"--", "--Kim", "h", "true"} << Action::Play
        << QStringList{"--Kim", "h", "true"} << 0 << "";

    // Our options.
    QTest::newRow("--help") << QStringList{"--help"} << Action::Print << none << 0
                            << "--join <NAME> <ADDRESS>";
    QTest::newRow("--version") << QStringList{"--version"} << Action::Print << none << 0
                               << "vorlith 1.0.3\n";
    QTest::newRow("--host") << QStringList{"--host", "Kim"} << Action::Play
                            << QStringList{"Kim", "127.0.0.1", "true"} << 0 << "";
    QTest::newRow("--host=") << QStringList{"--host=Kim Lee"} << Action::Play
                             << QStringList{"Kim Lee", "127.0.0.1", "true"} << 0 << "";
    QTest::newRow("--host with a dashed name") << QStringList{"--host", "-K"} << Action::Play
                                               << QStringList{"-K", "127.0.0.1", "true"} << 0 << "";
    QTest::newRow("--join") << QStringList{"--join", "Ann", "192.0.2.7"} << Action::Play
                            << QStringList{"Ann", "192.0.2.7", "join"} << 0 << "";
    QTest::newRow("--join a table server's port")
        << QStringList{"--may-start", "--join", "Ann", "127.0.0.1:7781"} << Action::Play
        << QStringList{"Ann", "127.0.0.1:7781", "join"} << 0 << "";
    QTest::newRow("--join bracketed v6")
        << QStringList{"--join", "Ann", "[::1]:7781"} << Action::Play
        << QStringList{"Ann", "[::1]:7781", "join"} << 0 << "";
    QTest::newRow("positional join with a port")
        << QStringList{"Ann", "example.org:7790", "join"} << Action::Play
        << QStringList{"Ann", "example.org:7790", "join"} << 0 << "";
    QTest::newRow("hosting ignores the address")
        << QStringList{"Kim", "h:0", "true"} << Action::Play << QStringList{"Kim", "h:0", "true"}
        << 0 << "";

    // Mistakes: the usage on standard error, exit code 2.
    QTest::newRow("unknown option") << QStringList{"--bogus", "Kim", "h", "true"} << Action::Fail
                                    << none << 2 << "Unknown option 'bogus'";
    QTest::newRow("--host without a name")
        << QStringList{"--host"} << Action::Fail << none << 2 << "Usage:";
    QTest::newRow("--host and parameters") << QStringList{"--host", "Kim", "Ann", "h", "true"}
                                           << Action::Fail << none << 2 << "--host";
    QTest::newRow("--join without address")
        << QStringList{"--join", "Ann"} << Action::Fail << none << 2 << "NAME and an ADDRESS";
    QTest::newRow("--join with too much") << QStringList{"--join", "Ann", "h", "x"} << Action::Fail
                                          << none << 2 << "NAME and an ADDRESS";
    QTest::newRow("--host and --join") << QStringList{"--host", "Kim", "--join", "Ann", "h"}
                                       << Action::Fail << none << 2 << "either";
    QTest::newRow("--join with a bad port") << QStringList{"--join", "Ann", "h:70000"}
                                            << Action::Fail << none << 2 << "\"h:70000\" is not";
    QTest::newRow("positional join with a bad address")
        << QStringList{"Ann", "[::1:7781", "join"} << Action::Fail << none << 2 << "not an address";
    QTest::newRow("--may-start takes no value")
        << QStringList{"--may-start=yes", "--join", "Ann", "h"} << Action::Fail << none << 2
        << "Usage:";
}

void TestCommandLine::argumentsGiveLaunchModes()
{
    QFETCH(QStringList, arguments);
    QFETCH(Action, action);
    QFETCH(QStringList, params);
    QFETCH(int, exitCode);
    QFETCH(QString, outputHas);

    const LaunchRequest r = CommandLine().parse(QStringList{"/usr/bin/vorlith"} + arguments);
    QCOMPARE(r.action, action);
    QCOMPARE(r.exitCode, exitCode);
    if (action == Action::Play) {
        QCOMPARE(r.params, params);
        QCOMPARE(r.mayStart, arguments.contains("--may-start"));
    }
    // The help and every mistake show the usage; the version is one line.
    if (action == Action::Fail || arguments == QStringList{"--help"})
        QVERIFY(r.output.contains("Usage: vorlith [options] [NAME HOST MODE]\n"));
    QVERIFY2(r.output.contains(outputHas), qPrintable(r.output));
}

void TestCommandLine::computerPlayersJoinAHostedGame_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("params");
    QTest::addColumn<int>("players");
    QTest::addColumn<Strength>("strength");
    QTest::addColumn<QString>("error"); // empty: the program plays

    const QStringList none;
    const QStringList kim{"Kim", "127.0.0.1", "true"};
    QTest::newRow("solo") << QStringList{"--computer-players", "2"} << none << 2 << Strength::Normal
                          << "";
    QTest::newRow("hosting, strength in any case")
        << QStringList{"--computer-players", "2", "--strength", "HARD", "Kim", "127.0.0.1", "true"}
        << kim << 2 << Strength::Hard << "";
    QTest::newRow("with --host, = forms")
        << QStringList{"--strength=easy", "--host", "Kim", "--computer-players=5"} << kim << 5
        << Strength::Easy << "";
    QTest::newRow("none asked") << QStringList{"--computer-players", "0"} << none << 0
                                << Strength::Normal << "";
    QTest::newRow("strength alone")
        << QStringList{"--strength", "hard"} << none << 0 << Strength::Hard << "";
    QTest::newRow("after the parameters they are parameters")
        << QStringList{"Kim", "127.0.0.1", "true", "--computer-players", "2"}
        << QStringList{"Kim", "127.0.0.1", "true", "--computer-players", "2"} << 0
        << Strength::Normal << "";

    QTest::newRow("six") << QStringList{"--computer-players", "6"} << none << 0 << Strength::Normal
                         << "a number from 0 to 5";
    QTest::newRow("negative") << QStringList{"--computer-players=-1"} << none << 0
                              << Strength::Normal << "a number from 0 to 5";
    QTest::newRow("not a number") << QStringList{"--computer-players", "two"} << none << 0
                                  << Strength::Normal << "a number from 0 to 5";
    QTest::newRow("no number") << QStringList{"--computer-players"} << none << 0 << Strength::Normal
                               << "Usage:";
    QTest::newRow("joining") << QStringList{"--computer-players", "1", "Ann", "h", "join"} << none
                             << 0 << Strength::Normal << "only at a game this program hosts";
    QTest::newRow("with --join") << QStringList{"--join", "Ann", "--computer-players", "1", "h"}
                                 << none << 0 << Strength::Normal << "this program hosts";
    QTest::newRow("unknown strength") << QStringList{"--strength", "expert"} << none << 0
                                      << Strength::Normal << "easy, normal or hard";
}

void TestCommandLine::computerPlayersJoinAHostedGame()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, params);
    QFETCH(int, players);
    QFETCH(Strength, strength);
    QFETCH(QString, error);

    const LaunchRequest r = CommandLine().parse(QStringList{"vorlith"} + arguments);
    if (!error.isEmpty()) {
        QCOMPARE(r.action, Action::Fail);
        QCOMPARE(r.exitCode, 2);
        QVERIFY2(r.output.contains(error), qPrintable(r.output));
        return;
    }
    QCOMPARE(r.action, Action::Play);
    QCOMPARE(r.params, params);
    QCOMPARE(r.computerPlayers, players);
    QVERIFY(r.strength == strength);
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
