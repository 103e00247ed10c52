#include "net/hostport.h"

#include <QTest>

using vorlith::net::HostPort;
using vorlith::net::parseHostPort;

class TestHostPort : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void readsAddresses_data();
    void readsAddresses();
};

void TestHostPort::readsAddresses_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("good");
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("port");

    QTest::newRow("bare name") << "example.org" << true << "example.org" << 7772;
    QTest::newRow("bare v4") << "10.0.0.2" << true << "10.0.0.2" << 7772;
    QTest::newRow("name and port") << "example.org:7781" << true << "example.org" << 7781;
    QTest::newRow("v4 and port") << "127.0.0.1:7880" << true << "127.0.0.1" << 7880;
    QTest::newRow("highest port") << "h:65535" << true << "h" << 65535;
    QTest::newRow("lowest port") << "h:1" << true << "h" << 1;
    QTest::newRow("bracketed v6 and port") << "[::1]:7781" << true << "::1" << 7781;
    QTest::newRow("bracketed v6 alone") << "[fe80::1]" << true << "fe80::1" << 7772;
    QTest::newRow("bare v6 is a host") << "2001:db8::7" << true << "2001:db8::7" << 7772;
    QTest::newRow("bare v6 loopback") << "::1" << true << "::1" << 7772;

    QTest::newRow("empty") << "" << false << "" << 0;
    QTest::newRow("port zero") << "h:0" << false << "" << 0;
    QTest::newRow("port too high") << "h:65536" << false << "" << 0;
    QTest::newRow("long port") << "h:000007772" << false << "" << 0;
    QTest::newRow("empty port") << "h:" << false << "" << 0;
    QTest::newRow("signed port") << "h:+80" << false << "" << 0;
    QTest::newRow("word port") << "h:http" << false << "" << 0;
    QTest::newRow("no host") << ":7781" << false << "" << 0;
    QTest::newRow("unclosed bracket") << "[::1:7781" << false << "" << 0;
    QTest::newRow("junk after bracket") << "[::1]7781" << false << "" << 0;
    QTest::newRow("empty brackets") << "[]:7781" << false << "" << 0;
    QTest::newRow("v4 in brackets") << "[10.0.0.2]:7781" << false << "" << 0;
    QTest::newRow("bad bracketed port") << "[::1]:0" << false << "" << 0;
    QTest::newRow("space") << "exa mple.org" << false << "" << 0;
    QTest::newRow("stray bracket") << "host]:7781" << false << "" << 0;
}

void TestHostPort::readsAddresses()
{
    QFETCH(QString, address);
    QFETCH(bool, good);
    QFETCH(QString, host);
    QFETCH(int, port);

    const std::optional<HostPort> read = parseHostPort(address);
    QCOMPARE(read.has_value(), good);
    if (good)
        QCOMPARE(*read, (HostPort{host, quint16(port)}));
}

QTEST_GUILESS_MAIN(TestHostPort)
#include "tst_hostport.moc"
