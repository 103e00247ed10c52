#include "app/downloaddialog.h"
#include "app/httpfetch.h"
#include "app/program.h"
#include "client/mainwindow.h"
#include "harness.h"
#include "recordingboxes.h"
#include "recordingsound.h"
#include "ui/jpeg.h"
#include "ui/paths.h"
#include "ui/site.h"
#include "webserver.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

using vorlith::app::HttpFetch;
using vorlith::app::LobbyPlaces;
using vorlith::app::DownloadDialog;

namespace {

struct Started
{
    QString program;
    QStringList arguments;
};

/// The offer window pointed at a local web server and a folder of its own,
/// with programs started into a list and message boxes recorded.
struct Offer
{
    Offer()
    {
        vorlith::ui::setDataFolderOverride(dir.path());
        window = std::make_unique<DownloadDialog>(LobbyPlaces{server.hostAndPort(), dir.filePath(QStringLiteral("BrakmoLobby"))});
        window->setProcessStarter([this](const QString &program, const QStringList &arguments) {
            started.append({program, arguments});
            return startWorks;
        });
        closeRequests = std::make_unique<QSignalSpy>(window.get(), &DownloadDialog::closeProgramRequested);
        // Connected after the window's own handlers: records the status lines
        // as each notice left them.
        auto record = [this] { upperLines.append(upper()); lowerLines.append(lower()); };
        QObject::connect(&window->fetch(), &HttpFetch::headerLine, window.get(), record);
        QObject::connect(&window->fetch(), &HttpFetch::bodyBegins, window.get(), record);
        QObject::connect(&window->fetch(), &HttpFetch::bodyReceived, window.get(), record);
    }
    ~Offer() { vorlith::ui::setDataFolderOverride({}); }

    QPushButton *button(const char *name) const { return window->findChild<QPushButton *>(QLatin1String(name)); }
    QString label(const char *name) const { return window->findChild<QLabel *>(QLatin1String(name))->text(); }
    QString upper() const { return label("infolabel"); }
    QString lower() const { return label("infolabel3"); }
    QProgressBar *progress() const { return window->findChild<QProgressBar *>(QStringLiteral("progress_download")); }
    QString installer() const { return dir.filePath(QStringLiteral("brakmosetup.exe")); }
    QByteArray installerBytes() const
    {
        QFile f(installer());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    bool waitUntilEnded()
    {
        return Pump().until([this] { return !window->fetch().isRunning(); }, 10000);
    }
    void verifyButtonsAfterEnd() const
    {
        QVERIFY(button("button_download")->isEnabled());
        QVERIFY(!button("button_stop")->isEnabled());
    }

    QTemporaryDir dir;
    WebServer server;
    RecordingMessageBoxes boxes;
    std::unique_ptr<DownloadDialog> window;
    QList<Started> started;
    bool startWorks{true};
    std::unique_ptr<QSignalSpy> closeRequests;
    QStringList upperLines;
    QStringList lowerLines;
};

/// Writes \a head and the first half of \a body at once, and the rest
/// once \a reader has taken in the first half.
WebServer::Responder inTwoParts(const QByteArray &head, const QByteArray &body, HttpFetch &reader)
{
    return [head, body, &reader](QTcpSocket *peer, int) {
        const qint64 half = body.size() / 2;
        peer->write(head + body.left(half));
        QObject::connect(&reader, &HttpFetch::bodyReceived, peer,
                         [peer, half, rest = body.mid(half)](qint64 received) {
                             if (received != half)
                                 return;
                             peer->write(rest);
                             peer->disconnectFromHost();
                         });
    };
}

} // namespace

class TestDownload : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void placesFollowTheEnvironment_data();
    void placesFollowTheEnvironment();
    void completedDownloadStartsTheInstaller_data();
    void completedDownloadStartsTheInstaller();
    void relocatedInstallerKeepsTheFirstName();
    void failedDownloadStartsNothingAndCanBeRepeated_data();
    void failedDownloadStartsNothingAndCanBeRepeated();
    void installerThatCannotStartKeepsTheGame();
    void stopBeforeAnyDownload();
    void stopDuringTheDownload();
    void closingMidDownloadLetsGo();
    void fileThatCannotBeCreatedShowsTheError();
    void playWithOthers_data();
    void playWithOthers();
    void enterPlaysSolo();
    void damagedPictureLeavesTheWindowWorking();
    void handOverClosesTheMainWindow();
    void playOnlineStartsTheLobby_data();
    void playOnlineStartsTheLobby();
};

void TestDownload::placesFollowTheEnvironment_data()
{
    QTest::addColumn<QByteArray>("server"); // VORLITH_LOBBY_SERVER; unset when empty
    QTest::addColumn<QString>("expected");  // empty: the build's server
    QTest::newRow("unset") << QByteArray() << QString();
    QTest::newRow("host") << QByteArray("lobby.example.net") << "lobby.example.net";
    QTest::newRow("host and port") << QByteArray("127.0.0.1:8080") << "127.0.0.1:8080";
    QTest::newRow("blank") << QByteArray("  ") << QString();
    QTest::newRow("an address with a path") << QByteArray("http://evil.example/x") << QString();
    QTest::newRow("port out of range") << QByteArray("h.example:99999") << QString();
    QTest::newRow("user part") << QByteArray("me@h.example") << QString();
}

void TestDownload::placesFollowTheEnvironment()
{
    QFETCH(QByteArray, server);
    QFETCH(QString, expected);
    if (server.isEmpty())
        qunsetenv("VORLITH_LOBBY_SERVER");
    else
        qputenv("VORLITH_LOBBY_SERVER", server);
    qputenv("VORLITH_LOBBY_PROGRAM", "/usr/local/games/lobby");
    const LobbyPlaces places = LobbyPlaces::current();
    qunsetenv("VORLITH_LOBBY_SERVER");
    qunsetenv("VORLITH_LOBBY_PROGRAM");
    const QString host = expected.isEmpty() ? vorlith::ui::makerServer() : expected;
    QCOMPARE(places.server, host);
    QCOMPARE(places.installerAddress(), QStringLiteral("http://%1/lobby/brakmosetup.exe").arg(host));
    QCOMPARE(vorlith::app::fileNameOf(places.installerAddress()), QStringLiteral("brakmosetup.exe"));
    QCOMPARE(places.program, QStringLiteral("/usr/local/games/lobby"));
    // The build's own setting names our lobby beside the game, wherever the
    // package put both.
    QCOMPARE(LobbyPlaces::current().program,
             QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("vorlith-lobby")));
}

void TestDownload::completedDownloadStartsTheInstaller_data()
{
    QTest::addColumn<bool>("withLength");
    QTest::newRow("length announced") << true;
    QTest::newRow("length unknown") << false;
}

void TestDownload::completedDownloadStartsTheInstaller()
{
    QFETCH(bool, withLength);
    Offer o;
    const QByteArray body = QByteArray(40000, 'i') + "the installer";
    const QByteArray head = withLength ? "HTTP/1.0 200 OK\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n\r\n"
                                       : QByteArray("HTTP/1.0 200 OK\r\nServer: test\r\n\r\n");
    o.server.setResponder(inTwoParts(head, body, o.window->fetch()));

    QFile old(o.installer()); // an earlier download is replaced
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(90000, 'o'));
    old.close();

    o.button("button_download")->click();
    QCOMPARE(o.upper(), QStringLiteral("Loading"));
    QCOMPARE(o.window->downloadState(), DownloadDialog::Downloading);
    QVERIFY(!o.button("button_download")->isEnabled());
    QVERIFY(o.button("button_stop")->isEnabled());

    QVERIFY(o.closeRequests->wait(10000));
    QCOMPARE(o.upperLines.mid(0, 3), (QStringList{"Loading.", "Loading..", "Loading.."}));
    QCOMPARE(o.lowerLines.at(2), QStringLiteral("Downloading: brakmosetup.exe"));
    QCOMPARE(o.upperLines.at(3), QStringLiteral("%1 bytes").arg(body.size() / 2));
    QCOMPARE(o.upper(), QStringLiteral("Received %1 bytes").arg(body.size()));
    QCOMPARE(o.lower(), QStringLiteral("Installing"));
    QCOMPARE(o.installerBytes(), body);
    QVERIFY(QFileInfo(o.installer()).isExecutable());
    QCOMPARE(o.started.size(), 1);
    QCOMPARE(o.started.first().program, o.installer());
    QCOMPARE(o.started.first().arguments, (QStringList{"/SP-", "/silent", "/noicons"}));
    QCOMPARE(o.closeRequests->size(), 1);
    QVERIFY(o.boxes.shown.isEmpty());
    o.verifyButtonsAfterEnd();
    QCOMPARE(o.progress()->isVisibleTo(o.window.get()), withLength);
    if (withLength)
        QCOMPARE(o.progress()->value(), o.progress()->maximum());
}

void TestDownload::relocatedInstallerKeepsTheFirstName()
{
    Offer o;
    WebServer mirror;
    mirror.setResponder(WebServer::answer(httpAnswer("200 OK", "from the mirror")));
    o.server.setResponder(WebServer::answer(
        httpAnswer("302 Found", "see there", "Location: " + mirror.url("/files/lobby-2.0.bin").toEncoded() + "\r\n")));
    o.button("button_download")->click();
    QVERIFY(o.closeRequests->wait(10000));
    QCOMPARE(o.installerBytes(), QByteArray("from the mirror"));
    QVERIFY(!QFile::exists(o.dir.filePath(QStringLiteral("lobby-2.0.bin"))));
    QCOMPARE(o.started.size(), 1);
    QCOMPARE(o.started.first().program, o.installer());
    // One dot per head line of both answers.
    QCOMPARE(o.upperLines.mid(0, 4), (QStringList{"Loading.", "Loading..", "Loading...", "Loading...."}));
}

void TestDownload::failedDownloadStartsNothingAndCanBeRepeated_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::newRow("404") << httpAnswer("404 Not Found", "no installer here");
    QTest::newRow("403 with Location") << httpAnswer("403 Forbidden", "", "Location: /elsewhere\r\n");
    // Part of the file arrived; starting it would run a broken installer.
    QTest::newRow("truncated body") << QByteArray("HTTP/1.0 200 OK\r\nContent-Length: 5000\r\n\r\nMZ only a part");
}

void TestDownload::failedDownloadStartsNothingAndCanBeRepeated()
{
    QFETCH(QByteArray, answer);
    Offer o;
    o.server.setResponder([&](QTcpSocket *peer, int n) {
        WebServer::answer(n == 0 ? answer : httpAnswer("200 OK", "second go"))(peer, n);
    });
    o.window->startDownload();
    QVERIFY(o.waitUntilEnded());
    QCOMPARE(o.upper(), QStringLiteral("Download Aborted"));
    QCOMPARE(o.window->downloadState(), DownloadDialog::Aborted);
    QVERIFY(o.lower() != QStringLiteral("Installing"));
    QVERIFY(o.started.isEmpty());
    QCOMPARE(o.closeRequests->size(), 0);
    QVERIFY(o.boxes.shown.isEmpty());
    o.verifyButtonsAfterEnd();

    o.window->startDownload();
    QCOMPARE(o.window->downloadState(), DownloadDialog::Downloading);
    QVERIFY(o.closeRequests->wait(10000));
    QCOMPARE(o.installerBytes(), QByteArray("second go"));
    QCOMPARE(o.started.size(), 1);
}

void TestDownload::installerThatCannotStartKeepsTheGame()
{
    Offer o;
    o.startWorks = false;
    o.server.setResponder(WebServer::answer(httpAnswer("200 OK", "not for this system")));
    o.window->startDownload();
    QVERIFY(o.waitUntilEnded());
    QCOMPARE(o.started.size(), 1);
    QCOMPARE(o.boxes.shown, QStringList{"An Error has Occurred."});
    QCOMPARE(o.closeRequests->size(), 0);
    QCOMPARE(o.lower(), QStringLiteral("Installing"));
    o.verifyButtonsAfterEnd();
}

void TestDownload::stopBeforeAnyDownload()
{
    Offer o;
    QVERIFY(o.button("button_stop")->isEnabled());
    o.button("button_stop")->click();
    QCOMPARE(o.upper(), QStringLiteral("Download has been aborted."));
    QCOMPARE(o.lower(), QStringLiteral("Download Aborted"));
    QCOMPARE(o.window->downloadState(), DownloadDialog::Aborted);
    QVERIFY(!o.window->fetch().isRunning()); // nothing was running, so nothing more comes
    QCOMPARE(o.upper(), QStringLiteral("Download has been aborted."));

    o.server.setResponder(WebServer::answer(httpAnswer("200 OK", "fine")));
    o.button("button_download")->click();
    QVERIFY(o.closeRequests->wait(10000));
    QCOMPARE(o.upper(), QStringLiteral("Received 4 bytes"));
    QCOMPARE(o.started.size(), 1);
}

void TestDownload::stopDuringTheDownload()
{
    Offer o;
    o.server.setResponder([](QTcpSocket *peer, int) { peer->write("HTTP/1.0 200 OK\r\nContent-Length: 9000\r\n\r\nMZ"); });
    o.button("button_download")->click();
    QTRY_COMPARE(o.upper(), QStringLiteral("2 bytes"));
    o.button("button_stop")->click();
    QCOMPARE(o.upper(), QStringLiteral("Download has been aborted."));
    QCOMPARE(o.lower(), QStringLiteral("Download Aborted"));
    QVERIFY(o.waitUntilEnded());
    QCOMPARE(o.upper(), QStringLiteral("Download Aborted"));
    QCOMPARE(o.lower(), QStringLiteral("Download Aborted"));
    QCOMPARE(o.window->downloadState(), DownloadDialog::Aborted);
    o.verifyButtonsAfterEnd();
    QVERIFY(o.started.isEmpty());
    QCOMPARE(o.closeRequests->size(), 0);
    QTRY_COMPARE(o.server.closedByPeer, 1);
    QCOMPARE(o.installerBytes(), QByteArray("MZ")); // the partial file stays, never started
}

void TestDownload::closingMidDownloadLetsGo()
{
    Offer o;
    o.server.setResponder([](QTcpSocket *peer, int) { peer->write("HTTP/1.0 200 OK\r\n\r\nMZ"); });
    o.button("button_download")->click();
    QTRY_COMPARE(o.upper(), QStringLiteral("2 bytes"));
    o.window.reset();
    QTRY_COMPARE(o.server.closedByPeer, 1);
    QVERIFY(o.started.isEmpty());
}

void TestDownload::fileThatCannotBeCreatedShowsTheError()
{
    Offer o;
    QVERIFY(QDir(o.dir.path()).mkdir(QStringLiteral("brakmosetup.exe")));
    o.button("button_download")->click();
    QCOMPARE(o.boxes.shown.size(), 1);
    QVERIFY2(o.boxes.shown.first().startsWith(QLatin1String("Cannot create file")), qPrintable(o.boxes.shown.first()));
    QVERIFY(o.button("button_download")->isEnabled());
    QVERIFY(o.button("button_stop")->isEnabled());
    QCOMPARE(o.upper(), QString());
    QVERIFY(!o.window->fetch().isRunning()); // and never asked the server
    QVERIFY(o.server.received.isEmpty());
}

void TestDownload::playWithOthers_data()
{
    QTest::addColumn<bool>("installed");
    QTest::newRow("lobby installed") << true;
    QTest::newRow("no lobby") << false;
}

void TestDownload::playWithOthers()
{
    QFETCH(bool, installed);
    Offer o;
    const QString lobby = o.dir.filePath(QStringLiteral("BrakmoLobby"));
    if (installed) {
        QFile f(lobby);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    o.button("button_others")->click();
    if (installed) {
        QCOMPARE(o.started.size(), 1);
        QCOMPARE(o.started.first().program, lobby);
        QVERIFY(o.started.first().arguments.isEmpty());
        QCOMPARE(o.closeRequests->size(), 1);
        QVERIFY(o.boxes.shown.isEmpty());
    } else {
        QVERIFY(o.started.isEmpty());
        QCOMPARE(o.closeRequests->size(), 0);
        QCOMPARE(o.boxes.shown, QStringList{"Please close the game and open the Brakmo Lobby using the icon on your "
                                            "desktop or using the your Window's start-up menu."});
    }
}

void TestDownload::enterPlaysSolo()
{
    Offer o;
    o.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(o.window.get()));
    QWidget *focus = QApplication::focusWidget();
    QCOMPARE(focus, o.button("button_solo"));
    QTest::keyClick(focus, Qt::Key_Return);
    QVERIFY(!o.window->isVisible());
    QVERIFY(o.started.isEmpty());
    QCOMPARE(o.closeRequests->size(), 0);
}

void TestDownload::damagedPictureLeavesTheWindowWorking()
{
    {
        // A picture given before the first show is the one shown.
        Offer early;
        early.window->setPicture(vorlith::ui::decodeJpeg(QByteArray("\xFF\xD8\xFF\xE0 damaged")));
        early.window->show();
        QVERIFY(!early.window->findChild<QLabel *>(QStringLiteral("image_download"))->isVisible());
    }
    Offer o;
    o.window->show();
    auto *picture = o.window->findChild<QLabel *>(QStringLiteral("image_download"));
    QVERIFY(picture->isVisible());
    QCOMPARE(picture->pixmap().size(), QSize(320, 160));

    o.window->setPicture(vorlith::ui::decodeJpeg(QByteArray("\xFF\xD8\xFF\xE0 damaged")));
    QVERIFY(!picture->isVisible());
    o.server.setResponder(WebServer::answer(httpAnswer("200 OK", "works")));
    o.button("button_download")->click();
    QVERIFY(o.closeRequests->wait(10000));
    QCOMPARE(o.installerBytes(), QByteArray("works"));
}

void TestDownload::handOverClosesTheMainWindow()
{
    QTemporaryDir dir;
    vorlith::ui::setDataFolderOverride(dir.path());
    RecordingMessageBoxes boxes;
    RecordingSoundOutput sound;
    vorlith::app::Program::Options options;
    options.gamePort = QStringLiteral("0");
    options.soundOutput = &sound;
    vorlith::app::Program program(options);
    program.mainWindow().show();
    QSignalSpy closed(&program.mainWindow(), &vorlith::client::MainWindow::closed);
    QSignalSpy finished(&program, &vorlith::app::Program::finished);
    Q_EMIT program.download().closeProgramRequested();
    QCOMPARE(closed.size(), 1);
    QCOMPARE(finished.size(), 1);
    QVERIFY(!program.mainWindow().isVisible());
    vorlith::ui::setDataFolderOverride({});
}

void TestDownload::playOnlineStartsTheLobby_data()
{
    QTest::addColumn<QString>("lobby"); // a file name in the test's folder
    QTest::addColumn<bool>("executable");
    QTest::addColumn<bool>("starts");
    QTest::newRow("installed") << "lobby" << true << true;
    QTest::newRow("missing") << "none" << false << false;
    QTest::newRow("not a program") << "lobby" << false << false;
}

void TestDownload::playOnlineStartsTheLobby()
{
    QFETCH(QString, lobby);
    QFETCH(bool, executable);
    QFETCH(bool, starts);
    QTemporaryDir dir;
    vorlith::ui::setDataFolderOverride(dir.path());
    const QString started = dir.filePath(QStringLiteral("started"));
    QFile script(dir.filePath(QStringLiteral("lobby")));
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\ntouch '" + started.toUtf8() + "'\n");
    script.close();
    if (executable)
        script.setPermissions(script.permissions() | QFileDevice::ExeOwner);
    qputenv("VORLITH_LOBBY_PROGRAM", dir.filePath(lobby).toUtf8());

    RecordingMessageBoxes boxes;
    RecordingSoundOutput sound;
    vorlith::app::Program::Options options;
    options.gamePort = QStringLiteral("0");
    options.soundOutput = &sound;
    vorlith::app::Program program(options);
    auto *playOnline = program.mainWindow().findChild<QAction *>(QStringLiteral("PlayOnline1"));
    QVERIFY(playOnline);
    playOnline->trigger();
    if (starts) {
        QTRY_VERIFY(QFile::exists(started));
        QVERIFY(boxes.shown.isEmpty());
    } else {
        QCOMPARE(boxes.shown.size(), 1);
        QVERIFY(boxes.shown.first().contains(dir.filePath(lobby)));
    }
    qunsetenv("VORLITH_LOBBY_PROGRAM");
    vorlith::ui::setDataFolderOverride({});
}

QTEST_MAIN(TestDownload)
#include "tst_download.moc"
