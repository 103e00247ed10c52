#include "lobby/apiclient.h"
#include "webserver.h"

#include <QTcpServer>
#include <QTest>

using namespace vorlith::lobby;
using Kind = ApiResult::Kind;

namespace {

const QByteArray OneTable =
    R"({"id":"t1","name":"Owls","host":"127.0.0.1","port":7781,"state":"waiting",)"
    R"("round":0,"rounds":5,"time":60,"computers":0,"seated":["Ann"],"spies":0,"held":[]})";

// Runs one request and waits for its one callback.
struct Call
{
    std::optional<ApiResult> result;
    int calls{0};
    ApiClient::Done done()
    {
        return [this](const ApiResult &r) {
            result = r;
            ++calls;
        };
    }
    bool wait()
    {
        return QTest::qWaitFor([this] { return calls > 0; }, 10000);
    }
};

} // namespace

class TestApiClient : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void answersAreSortedIntoWhatAPersonCanActOn_data();
    void answersAreSortedIntoWhatAPersonCanActOn();
    void pathsAndBodiesAreTheApis();
    void aHugeAnswerIsCutOff();
    void anAnnouncedHugeAnswerIsNotRead();
    void aSilentServerRunsOutOfTime();
    void aClosedPortIsUnreachable();
    void changingServerDropsRequestsUnderWay();
};

void TestApiClient::answersAreSortedIntoWhatAPersonCanActOn_data()
{
    QTest::addColumn<int>("request"); // 0 list, 1 table, 2 invite
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("text"); // a piece of the text
    const QByteArray json = "Content-Type: application/json\r\n";
    QTest::newRow("list") << 0 << httpAnswer("200 OK", "[" + OneTable + "]", json) << int(Kind::Ok)
                          << "";
    QTest::newRow("table") << 1 << httpAnswer("200 OK", OneTable, json) << int(Kind::Ok) << "";
    QTest::newRow("table gone") << 1
                                << httpAnswer("404 Not Found", R"({"error":"no such table"})", json)
                                << int(Kind::NotFound) << "no such table";
    QTest::newRow("code unknown") << 2
                                  << httpAnswer("404 Not Found", R"({"error":"no such invite"})",
                                                json)
                                  << int(Kind::NotFound) << "no such invite";
    QTest::newRow("list missing") << 0 << httpAnswer("404 Not Found", "<html>nothing here</html>")
                                  << int(Kind::NotOurApi) << "404";
    QTest::newRow("bad field") << 1
                               << httpAnswer("400 Bad Request", R"({"error":"rounds: 1 to 10"})",
                                             json)
                               << int(Kind::Refused) << "rounds: 1 to 10";
    QTest::newRow("too large") << 1 << httpAnswer("413 Payload Too Large", "") << int(Kind::Refused)
                               << "too large";
    QTest::newRow("web page") << 0 << httpAnswer("200 OK", "<!DOCTYPE html><title>Hi</title>")
                              << int(Kind::NotOurApi) << "not a table server";
    QTest::newRow("json of another kind") << 0 << httpAnswer("200 OK", R"({"status":"ok"})", json)
                                          << int(Kind::NotOurApi) << "not a table server";
    QTest::newRow("proxy without server")
        << 0 << httpAnswer("502 Bad Gateway", "") << int(Kind::Unreachable) << "502";
    QTest::newRow("limit reached")
        << 1
        << httpAnswer("503 Service Unavailable",
                      R"({"error":"the server holds as many tables as it may"})", json)
        << int(Kind::Refused) << "as many tables as it may";
    QTest::newRow("teapot") << 0 << httpAnswer("418 I'm a teapot", "") << int(Kind::NotOurApi)
                            << "418";
    QTest::newRow("not http") << 0 << QByteArray("CMD_something+1+2\xff\xff garbage\r\n\r\n")
                              << int(Kind::NotOurApi) << "does not answer as a table server";
}

void TestApiClient::answersAreSortedIntoWhatAPersonCanActOn()
{
    QFETCH(int, request);
    QFETCH(QByteArray, answer);
    QFETCH(int, kind);
    QFETCH(QString, text);
    WebServer server;
    server.setResponder(WebServer::answer(answer));
    ApiClient client;
    client.setManualDeadlines(true);
    client.setServer(servers::baseUrl(server.hostAndPort()));
    Call call;
    if (request == 0)
        client.listTables(call.done());
    else if (request == 1)
        client.table(QStringLiteral("t1"), call.done());
    else
        client.invite(QStringLiteral("7K3-QF2"), call.done());
    QVERIFY(call.wait());
    QVERIFY2(int(call.result->kind) == kind, qPrintable(call.result->text));
    QVERIFY2(call.result->text.contains(text), qPrintable(call.result->text));
    if (kind == int(Kind::Ok)) {
        const Table t = request == 0 ? call.result->tables.value(0) : *call.result->table;
        QCOMPARE(t.name, QStringLiteral("Owls"));
    }
    QCOMPARE(client.pending(), 0);
    QTRY_COMPARE(call.calls, 1);
}

void TestApiClient::pathsAndBodiesAreTheApis()
{
    WebServer server;
    server.setResponder([](QTcpSocket *peer, int) {
        peer->write(httpAnswer("201 Created",
                               QByteArray(OneTable).replace("}", R"(,"invite":"7K3-QF2"})")));
        peer->disconnectFromHost();
    });
    ApiClient client;
    client.setManualDeadlines(true);
    client.setServer(servers::baseUrl(QStringLiteral("http://%1/sub").arg(server.hostAndPort())));
    Call created, table, invite;
    api::NewTable t;
    t.name = QStringLiteral("Owls");
    client.createTable(t, created.done());
    QVERIFY(created.wait());
    QCOMPARE(created.result->table->invite, QStringLiteral("7K3-QF2"));
    client.table(QStringLiteral("a/b c"), table.done());
    QVERIFY(table.wait());
    client.invite(QStringLiteral("7K3-QF2"), invite.done());
    QVERIFY(invite.wait());

    QCOMPARE(server.received.size(), 3);
    QVERIFY(server.received.at(0).startsWith("POST /sub/api/tables HTTP/1.1\r\n"));
    QVERIFY(server.received.at(0).contains("Content-Type: application/json"));
    QTRY_VERIFY(server.received.at(0).endsWith(api::newTableBody(t)));
    // An id is one path segment whatever it holds.
    QVERIFY2(server.received.at(1).startsWith("GET /sub/api/tables/a%2Fb%20c HTTP/1.1\r\n"),
             server.received.at(1).constData());
    QVERIFY(server.received.at(2).startsWith("GET /sub/api/invites/7K3-QF2 HTTP/1.1\r\n"));
}

void TestApiClient::aHugeAnswerIsCutOff()
{
    WebServer server;
    // No length announced, and more than any list of ours, as long as it is read.
    server.setResponder(server.stream("HTTP/1.0 200 OK\r\n\r\n[", QByteArray(64 * 1024, ' ')));
    ApiClient client;
    client.setManualDeadlines(true);
    client.setMaxAnswerBytes(256 * 1024);
    client.setServer(servers::baseUrl(server.hostAndPort()));
    Call call;
    client.listTables(call.done());
    QVERIFY(call.wait());
    QCOMPARE(call.result->kind, Kind::NotOurApi);
    QVERIFY2(call.result->text.contains(QStringLiteral("too large")),
             qPrintable(call.result->text));
    // Cut off near the limit, not read on and on.
    QVERIFY2(server.streamed < 4 * 1024 * 1024, QByteArray::number(server.streamed).constData());
}

void TestApiClient::anAnnouncedHugeAnswerIsNotRead()
{
    WebServer server;
    server.setResponder(server.stream("HTTP/1.0 200 OK\r\nContent-Length: 900000000\r\n\r\n[",
                                      QByteArray(16 * 1024, ' '), 64 * 1024));
    ApiClient client;
    client.setManualDeadlines(true);
    client.setServer(servers::baseUrl(server.hostAndPort()));
    Call call;
    client.listTables(call.done());
    QVERIFY(call.wait());
    QCOMPARE(call.result->kind, Kind::NotOurApi);
    QVERIFY(call.result->text.contains(QStringLiteral("too large")));
}

void TestApiClient::aSilentServerRunsOutOfTime()
{
    WebServer server;
    server.setResponder([](QTcpSocket *peer, int) { peer->write("HTTP/1.0 200 OK\r\n"); });
    ApiClient client;
    client.setManualDeadlines(true);
    client.setServer(servers::baseUrl(server.hostAndPort()));
    Call call;
    client.listTables(call.done());
    // The request has reached the server, which says no more.
    QTRY_COMPARE(server.received.size(), 1);
    QTRY_VERIFY(server.received.at(0).contains("\r\n\r\n"));
    QCOMPARE(call.calls, 0);
    client.expireDeadlines();
    QVERIFY(call.wait());
    QCOMPARE(call.result->kind, Kind::Unreachable);
    QVERIFY2(call.result->text.contains(QStringLiteral("no answer within 8 seconds")),
             qPrintable(call.result->text));
    QCOMPARE(client.pending(), 0);
}

void TestApiClient::aClosedPortIsUnreachable()
{
    QTcpServer closed;
    QVERIFY(closed.listen(QHostAddress::LocalHost, 0));
    const quint16 port = closed.serverPort();
    closed.close();
    ApiClient client;
    client.setManualDeadlines(true);
    client.setServer(servers::baseUrl(QStringLiteral("127.0.0.1:%1").arg(port)));
    Call call;
    client.listTables(call.done());
    QVERIFY(call.wait());
    QCOMPARE(call.result->kind, Kind::Unreachable);
    QVERIFY2(call.result->text.contains(QStringLiteral("refused"), Qt::CaseInsensitive),
             qPrintable(call.result->text));
}

void TestApiClient::changingServerDropsRequestsUnderWay()
{
    WebServer silent;
    silent.setResponder([](QTcpSocket *, int) {});
    WebServer answering;
    answering.setResponder(WebServer::answer(httpAnswer("200 OK", "[]")));
    ApiClient client;
    client.setManualDeadlines(true);
    client.setServer(servers::baseUrl(silent.hostAndPort()));
    Call first, second;
    client.listTables(first.done());
    QTRY_COMPARE(silent.received.size(), 1);
    client.setServer(servers::baseUrl(answering.hostAndPort()));
    client.listTables(second.done());
    QVERIFY(second.wait());
    QCOMPARE(second.result->kind, Kind::Ok);
    QCOMPARE(first.calls, 0);
    QCOMPARE(client.pending(), 0);
}

QTEST_GUILESS_MAIN(TestApiClient)
#include "tst_apiclient.moc"
