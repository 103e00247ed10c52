// Runs the real program as players meet it, its files in the folder it is
// started from. Its two ports are moved to free ones through the environment,
// so the test runs whatever else uses 7772 and 9001 on this machine.
#include "harness.h"
#include "wireclient.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

// A port nobody listens on just now.
quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::Any, 0);
    return probe.serverPort();
}

/// A copy of the program in a folder of its own, so its settings and tally
/// files land there.
struct ProgramCopy
{
    ProgramCopy()
    {
        path = dir.filePath(QStringLiteral("vorlith"));
        QFile::copy(QStringLiteral(VORLITH_BINARY), path);
    }
    std::unique_ptr<QProcess> start(const QStringList &args, quint16 hostPort, quint16 presencePort)
    {
        auto p = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("VORLITH_HOST_PORT"), QString::number(hostPort));
        env.insert(QStringLiteral("VORLITH_PRESENCE_PORT"), QString::number(presencePort));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        // The program says when its launch step is over.
        env.insert(QStringLiteral("QT_LOGGING_RULES"),
                   QStringLiteral("vorlith.client.launch.info=true"));
        env.insert(QStringLiteral("HOME"), dir.path());
        env.insert(QStringLiteral("XDG_DATA_HOME"), dir.filePath(QStringLiteral("data")));
        p->setProcessEnvironment(env);
        p->setWorkingDirectory(dir.path());
        p->start(path, args);
        return p;
    }
    QTemporaryDir dir;
    QString path;
};

void stop(QProcess &p)
{
    if (p.state() != QProcess::NotRunning) {
        p.kill();
        p.waitForFinished(5000);
    }
}

} // namespace

class TestProgram : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void hostingProcessServesTheRealProtocol();
    void joiningProcessLogsInAndEndsWithItsHost();
    void oneParameterConnectsNowhere();
};

void TestProgram::hostingProcessServesTheRealProtocol()
{
    QTcpServer lobby;
    QVERIFY(lobby.listen(QHostAddress::LocalHost, 0));
    const quint16 port = freePort();
    ProgramCopy copy;
    auto kim = copy.start({"Kim", "192.0.2.1", "true"}, port, lobby.serverPort());
    QVERIFY(kim->waitForStarted());
    // The presence connection follows the host's own client.
    QTRY_VERIFY_WITH_TIMEOUT(lobby.hasPendingConnections(), 15000);

    WireClient ann;
    QVERIFY(ann.connectTo(port));
    QVERIFY(ann.waitForLine("CMD_sendlogininfo+2"));
    ann.sendRaw("CMD_logininfo+2+1.0.3+Ann\xff\xff");
    // Kim's own login may be handled after Ann connected, even after Ann
    // logged in (a busy machine): Ann hears of Kim either way, in one of
    // these orders.
    const QList<QList<QByteArray>> orders{
        {"CMD_sendlogininfo+2", "CMD_newplayerinfo+2+Ann+0", "CMD_existingplayers+1+Kim+0"},
        {"CMD_sendlogininfo+2", "CMD_newplayerinfo+1+Kim+0", "CMD_newplayerinfo+2+Ann+0",
         "CMD_existingplayers+1+Kim+0"},
        {"CMD_sendlogininfo+2", "CMD_newplayerinfo+2+Ann+0", "CMD_existingplayers+1++0",
         "CMD_newplayerinfo+1+Kim+0"}};
    (void)Pump().until([&] { return orders.contains(ann.lines); });
    QVERIFY2(orders.contains(ann.lines), ann.lines.join(' ').constData());
    ann.sendLine("CMD_chat+2+a+b|clRed");
    QVERIFY(ann.waitForLine("CMD_chat+2+Ann chats: a+b|clRed"));

    // A second hosting process cannot listen and connects nowhere.
    ProgramCopy other;
    auto second = other.start({"Kim2", "127.0.0.1", "true"}, port, lobby.serverPort());
    QVERIFY(second->waitForStarted());
    QByteArray errors;
    QTRY_VERIFY_WITH_TIMEOUT((errors += second->readAllStandardError()).contains("Listen - Error Binding Socket"), 15000);
    // The error ends its launch step before the own client would connect;
    // Ann's chat coming back shows the host has handled all it was sent.
    ann.sendLine("CMD_chat+2+still+here|clRed");
    QVERIFY(ann.waitForLine("CMD_chat+2+Ann chats: still+here|clRed"));
    QVERIFY(!ann.lines.contains("CMD_sendlogininfo+3"));
    QVERIFY(!ann.lines.contains("CMD_newplayerinfo+3+Kim2+0"));
    stop(*second);

    // The host's program ending closes the connection.
    kim->terminate();
    QVERIFY(ann.waitForClose(10000));
    stop(*kim);
}

void TestProgram::joiningProcessLogsInAndEndsWithItsHost()
{
    QTcpServer host;
    QVERIFY(host.listen(QHostAddress::Any, 0));
    QTcpServer lobby;
    QVERIFY(lobby.listen(QHostAddress::LocalHost, 0));
    ProgramCopy copy;
    auto ann = copy.start({"Ann", "127.0.0.1", "join"}, host.serverPort(), lobby.serverPort());
    QVERIFY(ann->waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(host.hasPendingConnections(), 15000);
    QTcpSocket *peer = host.nextPendingConnection();
    QTRY_VERIFY_WITH_TIMEOUT(lobby.hasPendingConnections(), 5000);
    peer->write("CMD_sendlogininfo+4\xff");
    QByteArray got;
    QTRY_VERIFY_WITH_TIMEOUT((got += peer->readAll()).size() >= 26, 5000);
    QCOMPARE(got, QByteArray("CMD_logininfo+4+1.0.3+Ann\xff\xff"));
    peer->close();
    QVERIFY(ann->waitForFinished(10000));
    QCOMPARE(ann->exitStatus(), QProcess::NormalExit);
    QCOMPARE(ann->exitCode(), 0);
    // Nothing was loaded, so nothing was saved.
    QVERIFY(!QFile::exists(copy.dir.filePath(QStringLiteral("brakmolobby.ini"))));
}

void TestProgram::oneParameterConnectsNowhere()
{
    QTcpServer host;
    QVERIFY(host.listen(QHostAddress::Any, 0));
    QTcpServer lobby;
    QVERIFY(lobby.listen(QHostAddress::LocalHost, 0));
    ProgramCopy copy;
    auto p = copy.start({"Ann"}, host.serverPort(), lobby.serverPort());
    QVERIFY(p->waitForStarted());
    // Once the launch step is over, no connection of it is still to come.
    QByteArray errors;
    QTRY_VERIFY_WITH_TIMEOUT((errors += p->readAllStandardError()).contains("launch step done"),
                             15000);
    QVERIFY(!host.hasPendingConnections());
    QVERIFY(!lobby.hasPendingConnections());
    QCOMPARE(p->state(), QProcess::Running);
    stop(*p);
}

QTEST_GUILESS_MAIN(TestProgram)
#include "tst_program.moc"
