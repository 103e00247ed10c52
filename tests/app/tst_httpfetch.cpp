#include "app/httpfetch.h"
#include "harness.h"
#include "webserver.h"
#include "wireclient.h"

#include <QBuffer>
#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using vorlith::app::HttpFetch;

namespace {

/// One fetch into a buffer, with every notice recorded.
struct Fetch
{
    Fetch()
        : headers(&fetch, &HttpFetch::headerLine), begins(&fetch, &HttpFetch::bodyBegins),
          progress(&fetch, &HttpFetch::bodyReceived), completed(&fetch, &HttpFetch::completed),
          failed(&fetch, &HttpFetch::failed)
    {
        fetch.setManual(true);
        file.open(QIODevice::WriteOnly);
    }
    bool get(const QUrl &url) { return fetch.get(url, &file); }
    bool waitForEnd()
    {
        return Pump().until([this] { return !completed.isEmpty() || !failed.isEmpty(); }, 10000) &&
               completed.size() + failed.size() == 1;
    }
    QString reason() const { return failed.isEmpty() ? QString() : failed.first().first().toString(); }

    HttpFetch fetch;
    QBuffer file;
    QSignalSpy headers, begins, progress, completed, failed;
};

QUrl installerAt(const WebServer &server)
{
    return server.url(QStringLiteral("/lobby/brakmosetup.exe"));
}

} // namespace

class TestHttpFetch : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void requestLines_data();
    void requestLines();
    void sendsExactlyTheRequestAndNothingElse();
    void bodyLandsInTheFile_data();
    void bodyLandsInTheFile();
    void relocationIsFollowedAndItsBodyDropped_data();
    void relocationIsFollowedAndItsBodyDropped();
    void relocationsAreCounted_data();
    void relocationsAreCounted();
    void failingAnswers_data();
    void failingAnswers();
    void unreachableServerFails();
    void stopBeforeAnyFetchDoesNothing();
    void stopDuringBodyEndsAtOnce();
    void applicationQuitStopsTheFetch();
    void idleServerTimesOut();
    void fileWriteErrorFails();
    void floodingHeadIsCutShort_data();
    void floodingHeadIsCutShort();
};

void TestHttpFetch::requestLines_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QByteArray>("getLine");
    QTest::addColumn<QByteArray>("hostLine");
    QTest::newRow("default port") << "http://www.example.org/lobby/brakmosetup.exe"
                                  << QByteArray("GET /lobby/brakmosetup.exe HTTP/1.0")
                                  << QByteArray("Host: www.example.org");
    QTest::newRow("port 80 given") << "http://www.example.org:80/lobby/brakmosetup.exe"
                                   << QByteArray("GET /lobby/brakmosetup.exe HTTP/1.0")
                                   << QByteArray("Host: www.example.org");
    QTest::newRow("other port") << "http://10.0.0.7:8080/lobby/brakmosetup.exe"
                                << QByteArray("GET /lobby/brakmosetup.exe HTTP/1.0")
                                << QByteArray("Host: 10.0.0.7:8080");
    QTest::newRow("query kept") << "http://h.example/get?file=a%20b&x=1" << QByteArray("GET /get?file=a%20b&x=1 HTTP/1.0")
                                << QByteArray("Host: h.example");
    QTest::newRow("no path") << "http://h.example" << QByteArray("GET / HTTP/1.0") << QByteArray("Host: h.example");
    // A relocation target could try to add lines of its own.
    QTest::newRow("line breaks encoded") << "http://h.example/a%0D%0AX-Evil:%201/b c"
                                         << QByteArray("GET /a%0D%0AX-Evil:%201/b%20c HTTP/1.0")
                                         << QByteArray("Host: h.example");
    QTest::newRow("IPv6 address") << "http://[::1]:8000/f" << QByteArray("GET /f HTTP/1.0")
                                  << QByteArray("Host: [::1]:8000");
}

void TestHttpFetch::requestLines()
{
    QFETCH(QString, url);
    QFETCH(QByteArray, getLine);
    QFETCH(QByteArray, hostLine);
    QCOMPARE(HttpFetch::request(QUrl(url)), getLine + "\r\n"
                                                 "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*\r\n"
                                                 "User-Agent: Mozilla/3.0 (compatible)\r\n"
                                                 + hostLine + "\r\n\r\n");
}

void TestHttpFetch::sendsExactlyTheRequestAndNothingElse()
{
    WebServer server;
    server.setResponder(WebServer::answer(httpAnswer("200 OK", "MZ")));
    Fetch f;
    QVERIFY(f.get(installerAt(server)));
    QVERIFY(f.waitForEnd());
    QCOMPARE(server.received.size(), 1);
    QCOMPARE(server.received.first(), QByteArray("GET /lobby/brakmosetup.exe HTTP/1.0\r\n"
                                                 "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*\r\n"
                                                 "User-Agent: Mozilla/3.0 (compatible)\r\n"
                                                 "Host: 127.0.0.1:"
                                                 + QByteArray::number(server.port()) + "\r\n\r\n"));
}

void TestHttpFetch::bodyLandsInTheFile_data()
{
    QTest::addColumn<QList<QByteArray>>("pieces"); // the server's answer, written piece by piece
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("headLines");
    QTest::addColumn<qint64>("total");
    const QByteArray body = QByteArray(100000, 'x') + "end";
    QTest::newRow("with length") << QList<QByteArray>{httpAnswer("200 OK", body, "Server: t\r\n")} << body << 3
                                 << qint64(body.size());
    QTest::newRow("without length, until close")
        << QList<QByteArray>{"HTTP/1.0 200 OK\r\n\r\n", body.left(7), body.mid(7)} << body << 1 << qint64(-1);
    QTest::newRow("head split inside its line ends")
        << QList<QByteArray>{"HTTP/1.0 200 OK\r", "\nContent-Length: 3\r\n\r", "\nabc"} << QByteArray("abc") << 2
        << qint64(3);
    QTest::newRow("bare line feeds") << QList<QByteArray>{"HTTP/1.0 200 OK\nContent-Length: 2\n\nok"}
                                     << QByteArray("ok") << 2 << qint64(2);
    QTest::newRow("empty body") << QList<QByteArray>{httpAnswer("200 OK", {})} << QByteArray() << 2 << qint64(0);
    QTest::newRow("bytes past the length ignored")
        << QList<QByteArray>{"HTTP/1.0 200 OK\r\nContent-Length: 4\r\n\r\n", "abcdEXTRA"} << QByteArray("abcd") << 2
        << qint64(4);
}

void TestHttpFetch::bodyLandsInTheFile()
{
    QFETCH(QList<QByteArray>, pieces);
    QFETCH(QByteArray, body);
    QFETCH(int, headLines);
    QFETCH(qint64, total);
    // The next piece goes once the reader has taken what came before, so
    // that it sees them apart.
    QPointer<QTcpSocket> peer;
    qsizetype next = 0;
    const auto writeNext = [&] {
        if (!peer || next >= pieces.size())
            return;
        peer->write(pieces.at(next));
        // With a known length the fetch must end without waiting for the close.
        if (++next == pieces.size() && total < 0)
            peer->disconnectFromHost();
    };
    WebServer server;
    Fetch f;
    server.setResponder([&](QTcpSocket *p, int) {
        peer = p;
        // The request came, so the fetch's socket is there by now.
        if (auto *reader = f.fetch.findChild<QTcpSocket *>())
            connect(reader, &QTcpSocket::readyRead, &f.fetch, writeNext);
        writeNext();
    });
    QVERIFY(f.get(installerAt(server)));
    QVERIFY(f.waitForEnd());
    QCOMPARE(f.reason(), QString());
    QCOMPARE(f.file.data(), body);
    QCOMPARE(f.completed.first().first().toLongLong(), qint64(body.size()));
    QCOMPARE(f.headers.size(), headLines);
    QCOMPARE(f.headers.first().first().toByteArray(), QByteArray("HTTP/1.0 200 OK"));
    QCOMPARE(f.begins.size(), 1);
    if (!body.isEmpty()) {
        QCOMPARE(f.progress.last().at(0).toLongLong(), qint64(body.size()));
        QCOMPARE(f.progress.last().at(1).toLongLong(), total);
    }
    QVERIFY(!f.fetch.isRunning());
}

void TestHttpFetch::relocationIsFollowedAndItsBodyDropped_data()
{
    QTest::addColumn<QByteArray>("status");
    QTest::addColumn<bool>("relative");
    QTest::newRow("302 absolute") << QByteArray("302 Found") << false;
    QTest::newRow("301 relative") << QByteArray("301 Moved Permanently") << true;
    // Any status below 400 that names a Location relocates.
    QTest::newRow("200 with Location") << QByteArray("200 OK") << false;
}

void TestHttpFetch::relocationIsFollowedAndItsBodyDropped()
{
    QFETCH(QByteArray, status);
    QFETCH(bool, relative);
    WebServer mirror;
    mirror.setResponder(WebServer::answer(httpAnswer("200 OK", "the installer")));
    WebServer origin;
    const QByteArray target = relative ? QByteArray("/mirror/setup.bin") : mirror.url("/mirror/setup.bin").toEncoded();
    origin.setResponder([&](QTcpSocket *peer, int n) {
        if (n == 0)
            WebServer::answer(httpAnswer(status, "moved, see elsewhere", "Location: " + target + "\r\n"))(peer, n);
        else
            WebServer::answer(httpAnswer("200 OK", "the installer"))(peer, n);
    });
    Fetch f;
    QVERIFY(f.get(installerAt(origin)));
    QVERIFY(f.waitForEnd());
    QCOMPARE(f.reason(), QString());
    QCOMPARE(f.file.data(), QByteArray("the installer"));
    QCOMPARE(f.begins.size(), 1);
    WebServer &second = relative ? origin : mirror;
    QCOMPARE(second.received.size(), relative ? 2 : 1);
    QVERIFY(second.received.last().startsWith("GET /mirror/setup.bin HTTP/1.0\r\n"));
    QVERIFY(second.received.last().endsWith("Host: 127.0.0.1:" + QByteArray::number(second.port()) + "\r\n\r\n"));
}

void TestHttpFetch::relocationsAreCounted_data()
{
    QTest::addColumn<int>("relocations");
    QTest::addColumn<bool>("completes");
    QTest::newRow("ten") << 10 << true;
    QTest::newRow("eleven") << 11 << false;
}

void TestHttpFetch::relocationsAreCounted()
{
    QFETCH(int, relocations);
    QFETCH(bool, completes);
    WebServer server;
    server.setResponder([&](QTcpSocket *peer, int n) {
        const QByteArray answer = n < relocations
                                      ? httpAnswer("302 Found", {}, "Location: /hop" + QByteArray::number(n + 1) + "\r\n")
                                      : httpAnswer("200 OK", "done");
        WebServer::answer(answer)(peer, n);
    });
    Fetch f;
    QVERIFY(f.get(installerAt(server)));
    QVERIFY(f.waitForEnd());
    QCOMPARE(f.completed.size(), completes ? 1 : 0);
    QCOMPARE(server.received.size(), completes ? relocations + 1 : HttpFetch::MaxRelocations + 1);
    if (completes)
        QCOMPARE(f.file.data(), QByteArray("done"));
    else
        QVERIFY2(f.reason().contains(QLatin1String("relocated the file more than 10 times")), qPrintable(f.reason()));
}

void TestHttpFetch::failingAnswers_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<QByteArray>("written");
    QTest::newRow("404") << httpAnswer("404 Not Found", "no such file") << "answered HTTP/1.0 404 Not Found"
                         << QByteArray();
    QTest::newRow("404 with Location") << httpAnswer("404 Not Found", "gone", "Location: /elsewhere\r\n")
                                       << "answered HTTP/1.0 404" << QByteArray();
    QTest::newRow("500") << httpAnswer("500 Internal Server Error", "x") << "answered HTTP/1.0 500" << QByteArray();
    QTest::newRow("truncated body") << QByteArray("HTTP/1.0 200 OK\r\nContent-Length: 100\r\n\r\n0123456789")
                                    << "closed after 10 of 100 bytes" << QByteArray("0123456789");
    QTest::newRow("closed inside the head") << QByteArray("HTTP/1.0 200 OK\r\nContent-Le")
                                            << "before its answer was complete" << QByteArray();
    QTest::newRow("closed without a word") << QByteArray() << "before its answer was complete" << QByteArray();
    QTest::newRow("not HTTP") << QByteArray("SSH-2.0-OpenSSH\r\n\r\n") << "not HTTP" << QByteArray();
    QTest::newRow("empty head") << QByteArray("\r\nbody") << "no status line" << QByteArray();
    QTest::newRow("bad length") << QByteArray("HTTP/1.0 200 OK\r\nContent-Length: -5\r\n\r\nabc")
                                << "unreadable length" << QByteArray();
    QTest::newRow("two lengths") << QByteArray("HTTP/1.0 200 OK\r\nContent-Length: 3\r\nContent-Length: 4\r\n\r\nabc")
                                 << "unreadable length" << QByteArray();
    QTest::newRow("relocated off http") << httpAnswer("302 Found", {}, "Location: ftp://h.example/f\r\n")
                                        << "cannot be fetched" << QByteArray();
}

void TestHttpFetch::failingAnswers()
{
    QFETCH(QByteArray, answer);
    QFETCH(QString, reason);
    QFETCH(QByteArray, written);
    WebServer server;
    server.setResponder(WebServer::answer(answer));
    Fetch f;
    QVERIFY(f.get(installerAt(server)));
    QVERIFY(f.waitForEnd());
    QCOMPARE(f.completed.size(), 0);
    QVERIFY2(f.reason().contains(reason), qPrintable(f.reason()));
    QCOMPARE(f.file.data(), written);
    QCOMPARE(server.received.size(), 1);
    QVERIFY(!f.fetch.isRunning());
}

void TestHttpFetch::unreachableServerFails()
{
    const quint16 port = closedPort();
    QVERIFY(port != 0);
    Fetch f;
    QVERIFY(f.get(QUrl(QStringLiteral("http://127.0.0.1:%1/lobby/brakmosetup.exe").arg(port))));
    QVERIFY(f.waitForEnd());
    QVERIFY2(f.reason().startsWith(QLatin1String("Cannot connect to 127.0.0.1")), qPrintable(f.reason()));
    QCOMPARE(f.headers.size(), 0);
    QCOMPARE(f.begins.size(), 0);
}

void TestHttpFetch::stopBeforeAnyFetchDoesNothing()
{
    Fetch f;
    f.fetch.stop();
    QCoreApplication::processEvents();
    QCOMPARE(f.failed.size(), 0);
    QVERIFY(!f.fetch.isRunning());
}

void TestHttpFetch::stopDuringBodyEndsAtOnce()
{
    WebServer server;
    server.setResponder([](QTcpSocket *peer, int n) {
        if (n == 0)
            peer->write("HTTP/1.0 200 OK\r\nContent-Length: 1000\r\n\r\nfirst part"); // and the rest never comes
        else
            WebServer::answer(httpAnswer("200 OK", "again"))(peer, n);
    });
    Fetch f;
    QVERIFY(f.get(installerAt(server)));
    QTRY_COMPARE(f.progress.size(), 1);
    f.fetch.stop();
    // The connection is gone at once; the failure comes on the next turn.
    QCOMPARE(f.failed.size(), 0);
    QVERIFY(f.fetch.isRunning());
    QVERIFY(!f.get(installerAt(server)));
    f.fetch.stop(); // a second stop changes nothing
    QVERIFY(f.waitForEnd());
    QCOMPARE(f.reason(), QStringLiteral("Connection aborted on request"));
    QTRY_COMPARE(server.closedByPeer, 1);
    QCOMPARE(f.file.data(), QByteArray("first part"));

    // The same fetch is ready for another go.
    f.failed.clear();
    f.file.buffer().clear();
    f.file.seek(0);
    QVERIFY(f.get(installerAt(server)));
    QVERIFY(f.waitForEnd());
    QCOMPARE(f.file.data(), QByteArray("again"));
}

void TestHttpFetch::applicationQuitStopsTheFetch()
{
    WebServer server;
    server.setResponder([](QTcpSocket *peer, int) { peer->write("HTTP/1.0 200 OK\r\n"); });
    Fetch f;
    QVERIFY(f.get(installerAt(server)));
    QTRY_COMPARE(f.headers.size(), 1);
    // Run the application's own loop and quit it, as closing the program does.
    QTimer::singleShot(0, QCoreApplication::instance(), &QCoreApplication::quit);
    QCoreApplication::exec();
    QTRY_COMPARE(server.closedByPeer, 1);
    QVERIFY(f.waitForEnd());
    QCOMPARE(f.reason(), HttpFetch::abortedText());
}

void TestHttpFetch::idleServerTimesOut()
{
    WebServer server;
    QPointer<QTcpSocket> peer;
    server.setResponder([&](QTcpSocket *p, int) { peer = p; });
    Fetch f;
    QVERIFY(f.get(installerAt(server)));
    QTRY_VERIFY(peer);
    for (int i = 1; i < HttpFetch::IdleSeconds; ++i)
        f.fetch.idleTick();
    QVERIFY(f.fetch.isRunning());
    // Anything arriving starts the count again.
    peer->write("HTTP/1.0 200 OK\r\n");
    QTRY_COMPARE(f.headers.size(), 1);
    for (int i = 1; i < HttpFetch::IdleSeconds; ++i)
        f.fetch.idleTick();
    QVERIFY(f.fetch.isRunning());
    f.fetch.idleTick();
    QCOMPARE(f.failed.size(), 1);
    QVERIFY2(f.reason().contains(QLatin1String("for 30 seconds")), qPrintable(f.reason()));
    QTRY_COMPARE(server.closedByPeer, 1);
}

void TestHttpFetch::fileWriteErrorFails()
{
    if (!QFile::exists(QStringLiteral("/dev/full")))
        QSKIP("needs /dev/full to fail writes");
    WebServer server;
    server.setResponder(WebServer::answer(httpAnswer("200 OK", QByteArray(5000, 'z'))));
    Fetch f;
    QFile full(QStringLiteral("/dev/full"));
    QVERIFY(full.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    QVERIFY(f.fetch.get(installerAt(server), &full));
    QVERIFY(f.waitForEnd());
    QVERIFY2(f.reason().startsWith(QLatin1String("Cannot write the downloaded file")), qPrintable(f.reason()));
    QCOMPARE(f.progress.size(), 0);
}

void TestHttpFetch::floodingHeadIsCutShort_data()
{
    QTest::addColumn<QByteArray>("head");
    QTest::addColumn<QByteArray>("filler");
    QTest::addColumn<QString>("reason");
    QTest::newRow("70 MB header line") << QByteArray("HTTP/1.0 200 OK\r\nX-Long: ") << QByteArray(64 * 1024, 'a')
                                       << "longer than 8192 bytes";
    QTest::newRow("70 MB status line") << QByteArray("HTTP/1.0 200 ") << QByteArray(64 * 1024, 'a')
                                       << "longer than 8192 bytes";
    QTest::newRow("headers without end") << QByteArray("HTTP/1.0 200 OK\r\n")
                                         << QByteArray("X-Filler: more and more\r\n").repeated(2000)
                                         << "more than 100 header lines";
}

void TestHttpFetch::floodingHeadIsCutShort()
{
    QFETCH(QByteArray, head);
    QFETCH(QByteArray, filler);
    QFETCH(QString, reason);
    constexpr qint64 seventyMegabytes = 70ll * 1024 * 1024;
    WebServer server;
    server.setResponder(server.stream(head, filler, seventyMegabytes));
    Fetch f;
    QVERIFY(f.get(installerAt(server)));
    QVERIFY(f.waitForEnd());
    QVERIFY2(f.reason().contains(reason), qPrintable(f.reason()));
    QTRY_COMPARE(server.closedByPeer, 1);
    // The reader hung up long before the server was through: it neither read
    // nor kept the flood.
    QVERIFY2(server.streamed < seventyMegabytes / 4, qPrintable(QString::number(server.streamed)));
    QCOMPARE(f.begins.size(), 0);
    QCOMPARE(f.file.size(), 0);
}

QTEST_GUILESS_MAIN(TestHttpFetch)
#include "tst_httpfetch.moc"
