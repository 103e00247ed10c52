#include "app/commandline.h"

#include <QTest>

using vorlith::app::CommandLine;
using vorlith::app::LaunchRequest;
using Action = LaunchRequest::Action;

Q_DECLARE_METATYPE(LaunchRequest::Action)

class TestCommandLine : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void argumentsGiveLaunchModes_data();
    void argumentsGiveLaunchModes();
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
    if (action == Action::Play)
        QCOMPARE(r.params, params);
    // The help and every mistake show the usage; the version is one line.
    if (action == Action::Fail || arguments == QStringList{"--help"})
        QVERIFY(r.output.contains("Usage: vorlith [options] [NAME HOST MODE]\n"));
    QVERIFY2(r.output.contains(outputHas), qPrintable(r.output));
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
