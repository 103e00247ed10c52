#include "server/admission.h"
#include "server/httpapi.h"
#include "server/table.h"
#include "server/tables.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>

#include <memory>

using namespace vorlith::server;

namespace {

struct Answer
{
    int status{0};
    QByteArray head;
    QByteArray body;
    QJsonObject object() const { return QJsonDocument::fromJson(body).object(); }
};

} // namespace

class TestHttpApi : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanup();

    void makesFindsAndListsTables();
    void badRequestsNameTheField_data();
    void badRequestsNameTheField();
    void oversizedRequestsGet413_data();
    void oversizedRequestsGet413();
    void creatingIsLimitedPerAddressAndInAll();
    void forwardedAddressCountsOnlyFromATrustedProxy();
    void statusPageListsPublicTablesEscaped();
    void healthAndMetrics();

private:
    void start(Tables::Limits limits = {}, QList<QHostAddress> trusted = {});
    Answer call(const QByteArray &method, const QByteArray &path, const QByteArray &body = {},
                const QByteArray &headers = {});
    Answer post(const QByteArray &body, const QByteArray &headers = {})
    {
        return call("POST", "/api/tables", body, headers);
    }

    Words m_words;
    qint64 m_now{5'000'000};
    std::unique_ptr<Admission> m_admission;
    std::unique_ptr<Tables> m_tables;
    std::unique_ptr<HttpApi> m_api;
};

void TestHttpApi::initTestCase()
{
    QVERIFY(m_words.load(QString()));
}

void TestHttpApi::cleanup()
{
    m_api.reset();
    m_tables.reset();
    m_admission.reset();
}

void TestHttpApi::start(Tables::Limits limits, QList<QHostAddress> trusted)
{
    limits.firstPort = 0; // tests take any free port
    limits.lastPort = 0;
    m_admission = std::make_unique<Admission>();
    m_tables = std::make_unique<Tables>(m_words, *m_admission, limits);
    m_tables->setClock([this] { return m_now; });
    m_tables->setManual(true);
    HttpApi::Settings settings;
    settings.port = 0;
    settings.bind = QHostAddress::LocalHost;
    settings.trustedProxies = std::move(trusted);
    m_api = std::make_unique<HttpApi>(*m_tables, settings);
    QVERIFY(m_api->start());
    QVERIFY(m_api->port() != 0);
}

Answer TestHttpApi::call(const QByteArray &method, const QByteArray &path, const QByteArray &body,
                         const QByteArray &headers)
{
    QTcpSocket socket;
    QByteArray received;
    connect(&socket, &QTcpSocket::readyRead, this, [&] { received += socket.readAll(); });
    QSignalSpy closed(&socket, &QTcpSocket::disconnected);
    socket.connectToHost(QHostAddress::LocalHost, m_api->port());
    QByteArray request =
        method + ' ' + path + " HTTP/1.1\r\nHost: test\r\nConnection: close\r\n" + headers;
    if (!headers.contains("Content-Length") && !headers.contains("Transfer-Encoding"))
        request += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    request += "\r\n" + body;
    socket.write(request);
    if (socket.state() != QAbstractSocket::UnconnectedState && !closed.wait(5000))
        return {};
    received += socket.readAll();
    Answer a;
    const qsizetype split = received.indexOf("\r\n\r\n");
    a.head = received.left(split);
    a.body = received.mid(split + 4);
    const QList<QByteArray> status = a.head.split(' ');
    a.status = status.size() > 1 ? status[1].toInt() : 0;
    return a;
}

void TestHttpApi::makesFindsAndListsTables()
{
    start();
    const Answer made =
        post(R"({"name":"Evening","rounds":3,"time":45,"computers":2,"strength":"hard"})");
    QCOMPARE(made.status, 201);
    QVERIFY(made.head.contains("Content-Type: application/json"));
    const QJsonObject t = made.object();
    QCOMPARE(t.value("name").toString(), QStringLiteral("Evening"));
    QCOMPARE(t.value("host").toString(), QStringLiteral("127.0.0.1"));
    QCOMPARE(t.value("state").toString(), QStringLiteral("waiting"));
    QCOMPARE(t.value("rounds").toInt(), 3);
    QCOMPARE(t.value("time").toInt(), 45);
    QCOMPARE(t.value("computers").toInt(), 2);
    QCOMPARE(t.value("round").toInt(), 0);
    QVERIFY(t.value("port").toInt() > 0);
    QVERIFY(t.value("seated").isArray() && t.value("held").isArray());
    QCOMPARE(t.value("spies").toInt(), 0);
    QVERIFY(!t.contains("invite"));
    const int id = t.value("id").toInt();

    const Answer secret = post(R"({"name":"Secret","private":true})");
    QCOMPARE(secret.status, 201);
    const QString invite = secret.object().value("invite").toString();
    QVERIFY(QRegularExpression(QStringLiteral("^[2-9A-HJ-NP-Z]{3}-[2-9A-HJ-NP-Z]{3}$"))
                .match(invite)
                .hasMatch());

    // The list holds the public table only, its computer players seated.
    Table *evening = m_tables->find(id);
    QTRY_COMPARE(evening->seated().size(), 2);
    const QJsonArray list = QJsonDocument::fromJson(call("GET", "/api/tables").body).array();
    QCOMPARE(list.size(), 1);
    QCOMPARE(list[0].toObject().value("id").toInt(), id);
    QCOMPARE(list[0].toObject().value("seated").toArray().size(), 2);

    QCOMPARE(call("GET", "/api/tables/" + QByteArray::number(id)).object().value("name").toString(),
             QStringLiteral("Evening"));
    const Answer byInvite = call("GET", "/api/invites/" + invite.toLatin1());
    QCOMPARE(byInvite.status, 200);
    QCOMPARE(byInvite.object().value("name").toString(), QStringLiteral("Secret"));
    QCOMPARE(call("GET", "/api/tables/999").status, 404);
    QCOMPARE(call("GET", "/api/invites/AAA-AAA").status, 404);
    QCOMPARE(call("GET", "/api/nothing").status, 404);
    QCOMPARE(call("DELETE", "/api/tables/" + QByteArray::number(id)).status, 405);
}

void TestHttpApi::badRequestsNameTheField_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("field");
    QTest::newRow("not JSON") << QByteArray("{name:") << "body";
    QTest::newRow("an array") << QByteArray("[]") << "body";
    QTest::newRow("unknown field") << QByteArray(R"({"name":"a","host":"x"})") << "host";
    QTest::newRow("no name") << QByteArray(R"({"rounds":3})") << "name";
    QTest::newRow("blank name") << QByteArray(R"({"name":"   "})") << "name";
    QTest::newRow("name of 33") << QByteArray(R"({"name":")" + QByteArray(33, 'n') + R"("})")
                                << "name";
    QTest::newRow("name not text") << QByteArray(R"({"name":7})") << "name";
    QTest::newRow("control in name") << QByteArray(R"({"name":"a\u0007b"})") << "name";
    QTest::newRow("rounds 0") << QByteArray(R"({"name":"a","rounds":0})") << "rounds";
    QTest::newRow("rounds 11") << QByteArray(R"({"name":"a","rounds":11})") << "rounds";
    QTest::newRow("rounds 2.5") << QByteArray(R"({"name":"a","rounds":2.5})") << "rounds";
    QTest::newRow("rounds as text") << QByteArray(R"({"name":"a","rounds":"3"})") << "rounds";
    QTest::newRow("time 29") << QByteArray(R"({"name":"a","time":29})") << "time";
    QTest::newRow("time 121") << QByteArray(R"({"name":"a","time":121})") << "time";
    QTest::newRow("computers 6") << QByteArray(R"({"name":"a","computers":6})") << "computers";
    QTest::newRow("computers -1") << QByteArray(R"({"name":"a","computers":-1})") << "computers";
    QTest::newRow("strength") << QByteArray(R"({"name":"a","strength":"brutal"})") << "strength";
    QTest::newRow("private as text") << QByteArray(R"({"name":"a","private":"yes"})") << "private";
}

void TestHttpApi::badRequestsNameTheField()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, field);
    start();
    const Answer a = post(body);
    QCOMPARE(a.status, 400);
    QCOMPARE(a.object().value("field").toString(), field);
    QVERIFY(!a.object().value("error").toString().isEmpty());
    QVERIFY(m_tables->all().empty());
}

void TestHttpApi::oversizedRequestsGet413_data()
{
    QTest::addColumn<QByteArray>("headers");
    QTest::addColumn<QByteArray>("body");
    const QByteArray chunk = QByteArray(1000, 'x');
    QByteArray chunked;
    for (int i = 0; i < 5; ++i)
        chunked += "3e8\r\n" + chunk + "\r\n";
    chunked += "0\r\n\r\n";
    QTest::newRow("declared body") << QByteArray("Content-Length: 4097\r\n") << QByteArray();
    QTest::newRow("chunked body") << QByteArray("Transfer-Encoding: chunked\r\n") << chunked;
    QTest::newRow("headers") << "X-Padding: " + QByteArray(4200, 'p') + "\r\n" << QByteArray();
}

void TestHttpApi::oversizedRequestsGet413()
{
    QFETCH(QByteArray, headers);
    QFETCH(QByteArray, body);
    start();
    const Answer a = call("POST", "/api/tables", body, headers);
    QCOMPARE(a.status, 413);
    QVERIFY(m_tables->all().empty());
    // A body of exactly the limit is read.
    const QByteArray padded = R"({"name":"a"})" + QByteArray(HttpApi::MaxRequestBytes - 12, ' ');
    QCOMPARE(post(padded).status, 201);
}

void TestHttpApi::creatingIsLimitedPerAddressAndInAll()
{
    Tables::Limits limits;
    limits.maxTables = 7;
    limits.maxTablesPerAddress = 6;
    limits.maxCreationsPerMinute = 5;
    start(limits);
    const QByteArray good = R"({"name":"t"})";
    for (int i = 0; i < 5; ++i) {
        QCOMPARE(post(good).status, 201);
        QCOMPARE(post(R"({"name":""})").status, 400); // refused requests do not count
    }
    QCOMPARE(post(good).status, 429);
    m_now += 60'000; // a minute after the first
    QCOMPARE(post(good).status, 201);
    m_now += 60'000;
    QCOMPARE(post(good).status, 429); // six open tables from this address
    QCOMPARE(post(good).object().value("error").toString().contains("open tables"), true);

    // A table that closes frees a place.
    m_now += Tables::IdleCloseMs;
    m_tables->sweep();
    QVERIFY(m_tables->all().empty());
    for (int i = 0; i < 5; ++i)
        QCOMPARE(post(good).status, 201);
    m_now += 60'000;
    QCOMPARE(post(good).status, 201);
    QCOMPARE(m_tables->all().size(), size_t(6));

    // The server's own total.
    limits.maxTables = 6;
    limits.maxTablesPerAddress = 100;
    start(limits);
    for (int i = 0; i < 5; ++i)
        QCOMPARE(post(good).status, 201);
    m_now += 60'000;
    QCOMPARE(post(good).status, 201);
    const Answer full = post(good);
    QCOMPARE(full.status, 503);
}

void TestHttpApi::forwardedAddressCountsOnlyFromATrustedProxy()
{
    Tables::Limits limits;
    limits.maxTablesPerAddress = 1;
    const QByteArray good = R"({"name":"t"})";

    // Not trusted: the header is the client's own claim and is ignored.
    start(limits);
    QCOMPARE(post(good, "X-Forwarded-For: 10.0.0.1\r\n").status, 201);
    QCOMPARE(post(good, "X-Forwarded-For: 10.0.0.2\r\n").status, 429);

    // From the trusted proxy each client counts for itself; only the entry
    // the proxy added (the last) is believed.
    start(limits, {QHostAddress::LocalHost});
    QCOMPARE(post(good, "X-Forwarded-For: 10.0.0.1\r\n").status, 201);
    QCOMPARE(post(good, "X-Forwarded-For: 10.0.0.2\r\n").status, 201);
    QCOMPARE(post(good, "X-Forwarded-For: 10.0.0.2, 10.0.0.1\r\n").status, 429);
    QCOMPARE(post(good, "X-Forwarded-For: 10.0.0.1, 10.0.0.3\r\n").status, 201);
    QCOMPARE(post(good, "X-Forwarded-For: 10.0.0.3\r\n").status, 429);
}

void TestHttpApi::statusPageListsPublicTablesEscaped()
{
    start();
    QCOMPARE(post(R"({"name":"<script>alert(1)</script> & co"})").status, 201);
    QCOMPARE(post(R"({"name":"Hidden table","private":true})").status, 201);
    const Answer page = call("GET", "/");
    QCOMPARE(page.status, 200);
    QVERIFY(page.head.contains("Content-Type: text/html; charset=utf-8"));
    const QString html = QString::fromUtf8(page.body);
    QVERIFY(html.contains("&lt;script&gt;alert(1)&lt;/script&gt; &amp; co"));
    QVERIFY(!html.contains("<script", Qt::CaseInsensitive));
    QVERIFY(!html.contains("Hidden table"));
    QVERIFY(html.contains("<caption>1 public table</caption>"));
    QVERIFY(html.contains("lang=\"en\""));
}

void TestHttpApi::healthAndMetrics()
{
    start();
    const Answer health = call("GET", "/healthz");
    QCOMPARE(health.status, 200);
    QCOMPARE(health.body, QByteArray("ok\n"));
    QCOMPARE(post(R"({"name":"a"})").status, 201);
    QCOMPARE(post(R"({"name":"b","private":true})").status, 201);
    const Answer m = call("GET", "/metrics");
    QCOMPARE(m.status, 200);
    QVERIFY(m.head.contains("text/plain; version=0.0.4"));
    const QList<QByteArray> lines = m.body.split('\n');
    QVERIFY(lines.contains("vorlith_tables 2"));
    QVERIFY(lines.contains("vorlith_people_seated 0"));
    QVERIFY(lines.contains("vorlith_games_played_total 0"));
    QVERIFY(lines.contains("# TYPE vorlith_verdict_seconds histogram"));
    QVERIFY(lines.contains("vorlith_verdict_seconds_bucket{le=\"+Inf\"} 0"));
    QVERIFY(lines.contains("vorlith_verdict_seconds_count 0"));
}

QTEST_GUILESS_MAIN(TestHttpApi)
#include "tst_httpapi.moc"
