#include "server/config.h"

#include <QTemporaryDir>
#include <QTest>

using namespace vorlith::server;

class TestServerConfig : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void fileIsReadAndTheCommandLineWins();
    void badSettingsAreNamed_data();
    void badSettingsAreNamed();
    void helpAndVersionEndAtOnce();
    void tablesListenWhereBoundAndOnLoopback_data();
    void tablesListenWhereBoundAndOnLoopback();

private:
    QString write(const QByteArray &text);
    QTemporaryDir m_dir;
};

QString TestServerConfig::write(const QByteArray &text)
{
    const QString name = m_dir.filePath(QStringLiteral("server.conf"));
    QFile f(name);
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    f.write(text);
    return name;
}

void TestServerConfig::fileIsReadAndTheCommandLineWins()
{
    const QString file = write("# a comment\n"
                               "ports = 9000-9009\n"
                               "api-port=9100   # after a value too\n"
                               "trusted-proxy = 10.0.0.1, ::1\n"
                               "max-tables = 7\n"
                               "\n"
                               "public-host = tables.example.org\n");
    ServerConfig c;
    const ConfigResult r =
        readConfig({QStringLiteral("vorlith-server"), QStringLiteral("--config"), file,
                    QStringLiteral("--max-tables"), QStringLiteral("9"),
                    QStringLiteral("--trusted-proxy"), QStringLiteral("192.0.2.1")},
                   c);
    QVERIFY2(r.action == ConfigResult::Action::Run, qPrintable(r.error));
    QCOMPARE(c.firstPort, quint16(9000));
    QCOMPARE(c.lastPort, quint16(9009));
    QCOMPARE(c.apiPort, quint16(9100));
    QCOMPARE(c.maxTables, 9);
    QCOMPARE(c.publicHost, QStringLiteral("tables.example.org"));
    QCOMPARE(c.trustedProxies, QList<QHostAddress>{QHostAddress(QStringLiteral("192.0.2.1"))});
    QCOMPARE(c.maxConnectionsPerAddress, 16); // untouched: the default

    // A missing default file is no error; a named one must exist.
    ServerConfig d;
    QVERIFY(readConfig({QStringLiteral("s")}, d, m_dir.filePath(QStringLiteral("none"))).action ==
            ConfigResult::Action::Run);
    QVERIFY(readConfig({QStringLiteral("s"), QStringLiteral("--config"),
                        m_dir.filePath(QStringLiteral("none"))},
                       d)
                .action == ConfigResult::Action::Fail);
}

void TestServerConfig::badSettingsAreNamed_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("named");
    QTest::newRow("unknown key") << QByteArray("colour = red\n") << QStringList() << "colour";
    QTest::newRow("no equals") << QByteArray("ports\n") << QStringList() << "ports";
    QTest::newRow("ports reversed")
        << QByteArray("ports = 9009-9000\n") << QStringList() << "ports";
    QTest::newRow("port too large")
        << QByteArray("api-port = 70000\n") << QStringList() << "api-port";
    QTest::newRow("not an address")
        << QByteArray("trusted-proxy = proxy.local\n") << QStringList() << "proxy.local";
    QTest::newRow("option not a number")
        << QByteArray() << QStringList{"--max-connections", "many"} << "max-connections";
    QTest::newRow("unknown option") << QByteArray() << QStringList{"--tables", "3"} << "tables";
    QTest::newRow("positional") << QByteArray() << QStringList{"extra"} << "extra";
}

void TestServerConfig::badSettingsAreNamed()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, options);
    QFETCH(QString, named);
    ServerConfig c;
    const ConfigResult r = readConfig(
        QStringList{QStringLiteral("s"), QStringLiteral("--config"), write(file)} + options, c);
    QVERIFY(r.action == ConfigResult::Action::Fail);
    QVERIFY2(r.error.contains(named), qPrintable(r.error));
}

void TestServerConfig::helpAndVersionEndAtOnce()
{
    ServerConfig c;
    const ConfigResult help = readConfig({QStringLiteral("s"), QStringLiteral("--help")}, c);
    QVERIFY(help.action == ConfigResult::Action::Exit);
    for (const char *option :
         {"--config", "--bind", "--public-host", "--api-port", "--ports", "--max-tables",
          "--max-tables-per-address", "--max-creations-per-minute", "--max-connections",
          "--max-connections-per-address", "--trusted-proxy", "--api-bind", "--version"})
        QVERIFY2(help.output.contains(QLatin1String(option)), option);
    QVERIFY(readConfig({QStringLiteral("s"), QStringLiteral("--version")}, c).action ==
            ConfigResult::Action::Exit);
}

void TestServerConfig::tablesListenWhereBoundAndOnLoopback_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QStringList>("tables");
    QTest::addColumn<QString>("api");
    QTest::newRow("nothing bound") << QStringList() << QStringList() << QString();
    QTest::newRow("one public address")
        << QStringList{"--bind", "192.0.2.10"} << QStringList{"192.0.2.10", "127.0.0.1", "::1"}
        << "192.0.2.10";
    QTest::newRow("loopback given")
        << QStringList{"--bind", "192.0.2.10, ::1, 127.0.0.1"}
        << QStringList{"192.0.2.10", "::1", "127.0.0.1"} << "192.0.2.10";
    QTest::newRow("every IPv4 address")
        << QStringList{"--bind", "0.0.0.0"} << QStringList{"0.0.0.0", "::1"} << "0.0.0.0";
    QTest::newRow("API behind a proxy")
        << QStringList{"--bind", "192.0.2.10", "--api-bind", "127.0.0.1"}
        << QStringList{"192.0.2.10", "127.0.0.1", "::1"} << "127.0.0.1";
}

void TestServerConfig::tablesListenWhereBoundAndOnLoopback()
{
    QFETCH(QStringList, options);
    QFETCH(QStringList, tables);
    QFETCH(QString, api);
    ServerConfig c;
    const ConfigResult r = readConfig(
        QStringList{QStringLiteral("s"), QStringLiteral("--config"), write({})} + options, c);
    QVERIFY2(r.action == ConfigResult::Action::Run, qPrintable(r.error));
    QStringList got;
    for (const QHostAddress &a : c.tableAddresses())
        got << a.toString();
    QCOMPARE(got, tables);
    QCOMPARE(c.apiAddress().toString(), api);
}

QTEST_GUILESS_MAIN(TestServerConfig)
#include "tst_serverconfig.moc"
