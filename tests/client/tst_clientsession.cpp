#include "client/clientsession.h"
#include "net/liveness.h"
#include "net/protocol.h"
#include "net/sock.h"
#include "net/winsock.h"
#include "ui/messageboxes.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <memory>

using vorlith::client::ClientSession;

namespace {

/// A box that stays open, as a real one does, until a condition holds or a
/// second has passed; the event loop runs meanwhile.
class LingeringBoxes final : public vorlith::ui::MessageBoxes
{
public:
    LingeringBoxes() { vorlith::ui::setMessageBoxes(this); }
    ~LingeringBoxes() override { vorlith::ui::setMessageBoxes(nullptr); }

    void inform(const QString &text) override
    {
        shown.append(text);
        QElapsedTimer clock;
        clock.start();
        while (!closeWhen() && clock.elapsed() < 1000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        closedByCondition.append(closeWhen());
    }
    bool ask(const QString &) override { return false; }

    std::function<bool()> closeWhen{[] { return false; }};
    QStringList shown;
    QList<bool> closedByCondition;
};

} // namespace

/// The client's connection against a stand-in host the test speaks for.
class TestClientSession : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void fullHostIsHeardBeforeTheClose();
    void closeWaitsForWhatArrivedBeforeIt();
    void dispatchGoesOnWhileTheErrorBoxIsOpen();
    void aVanishedHostIsToldApartFromAClose_data();
    void aVanishedHostIsToldApartFromAClose();
    void theConnectionCarriesTheLivenessOptions();

private:
    QTcpSocket *connectSession();

    std::unique_ptr<QTcpServer> m_host;
    std::unique_ptr<ClientSession> m_session;
};

void TestClientSession::init()
{
    m_host = std::make_unique<QTcpServer>();
    QVERIFY(m_host->listen(QHostAddress::LocalHost, 0));
    m_session = std::make_unique<ClientSession>();
}

void TestClientSession::cleanup()
{
    m_session.reset();
    m_host.reset();
}

QTcpSocket *TestClientSession::connectSession()
{
    m_session->connectTo(QStringLiteral("127.0.0.1"), QString::number(m_host->serverPort()));
    if (!QTest::qWaitFor([this] { return m_host->hasPendingConnections(); }, 5000))
        return nullptr;
    return m_host->nextPendingConnection();
}

void TestClientSession::fullHostIsHeardBeforeTheClose()
{
    QStringList events;
    connect(m_session.get(), &ClientSession::gameFull, this, [&] { events << "full"; });
    connect(m_session.get(), &ClientSession::closed, this, [&] { events << "closed"; });
    QTcpSocket *peer = connectSession();
    QVERIFY(peer);
    // What a full host does: one line, then the close at once.
    peer->write("CMD_full+\xff");
    peer->disconnectFromHost();
    QTRY_VERIFY(events.contains("closed"));
    QCOMPARE(events, (QStringList{"full", "closed"}));
}

void TestClientSession::closeWaitsForWhatArrivedBeforeIt()
{
    QStringList heard;
    bool closed = false;
    m_session->router().route<vorlith::net::proto::Chat>(
        [&](const vorlith::net::proto::Chat &chat) {
            QVERIFY(!closed);
            heard << chat.slot + "+" + chat.body;
        });
    connect(m_session.get(), &ClientSession::closed, this, [&] { closed = true; });
    m_session->dispatcher().setManual(true);
    QTcpSocket *peer = connectSession();
    QVERIFY(peer);
    peer->write("CMD_chat+1+a|clRed\xff" "CMD_chat+1+b|clRed\xff");
    peer->disconnectFromHost();
    QTRY_VERIFY(!m_session->sock().isConnected() && m_session->dispatcher().pending() == 2);
    QVERIFY(!closed);
    QVERIFY(m_session->dispatcher().tick());
    QVERIFY(!closed);
    QVERIFY(m_session->dispatcher().tick());
    QVERIFY(closed);
    QCOMPARE(heard, (QStringList{"1+a|clRed", "1+b|clRed"}));
}

void TestClientSession::dispatchGoesOnWhileTheErrorBoxIsOpen()
{
    LingeringBoxes boxes;
    QStringList heard;
    m_session->router().route<vorlith::net::proto::Chat>(
        [&](const vorlith::net::proto::Chat &chat) { heard << chat.slot + "+" + chat.body; });
    // As the main window shows it: through the general error display.
    connect(m_session.get(), &ClientSession::handlerFailed, this, &vorlith::ui::showGeneralError);
    boxes.closeWhen = [&] { return heard.size() == 2; };
    QTcpSocket *peer = connectSession();
    QVERIFY(peer);
    peer->write("CMD_sendlogininfo+two\xff" "CMD_chat+1+a|clRed\xff" "CMD_chat+1+b|clRed\xff");
    peer->flush();
    QTRY_COMPARE(boxes.shown.size(), 1);
    QVERIFY(boxes.shown.first().contains(QStringLiteral("two")));
    // The lines after the failed one were handled while the box was open.
    QTRY_COMPARE(boxes.closedByCondition, QList<bool>{true});
    QCOMPARE(heard, (QStringList{"1+a|clRed", "1+b|clRed"}));
}

void TestClientSession::aVanishedHostIsToldApartFromAClose_data()
{
    QTest::addColumn<int>("error"); // the socket's error before the close, 0 for none
    QTest::addColumn<bool>("lost");
    QTest::newRow("the host closed") << 0 << false;
    QTest::newRow("probes unanswered") << 10060 << true;
    QTest::newRow("reset") << 10054 << true;
    QTest::newRow("no route any more") << 10065 << true;
    QTest::newRow("out of buffers") << 10055 << false;
}

void TestClientSession::aVanishedHostIsToldApartFromAClose()
{
    QFETCH(int, error);
    QFETCH(bool, lost);
    QStringList events;
    connect(m_session.get(), &ClientSession::connectionLost, this, [&] { events << "lost"; });
    connect(m_session.get(), &ClientSession::closed, this, [&] { events << "closed"; });
    QTcpSocket *peer = connectSession();
    QVERIFY(peer);
    QTRY_VERIFY(m_session->sock().isConnected());
    peer->write("CMD_chat+1+last words|clRed\xff");
    QTRY_VERIFY(m_session->dispatcher().pending() == 0);

    // The socket reports how the connection ended, as it does when the
    // system gives up on the peer, and then closes.
    vorlith::net::Sock &sock = m_session->sock();
    if (error)
        Q_EMIT sock.errorRaised(&sock, error, vorlith::net::winsockErrorText(error));
    sock.close();
    QTRY_VERIFY(events.contains("closed"));
    const QStringList expected = lost ? QStringList{"lost", "closed"} : QStringList{"closed"};
    QCOMPARE(events, expected);
}

void TestClientSession::theConnectionCarriesTheLivenessOptions()
{
    QVERIFY(connectSession());
    QTRY_VERIFY(m_session->sock().isConnected());
    const auto o = vorlith::net::liveness::read(m_session->sock().socketDescriptor());
    QVERIFY(o);
    QVERIFY(o->keepAlive);
    QCOMPARE(o->keepIdleSeconds, 20);
    QCOMPARE(o->keepIntervalSeconds, 5);
    QCOMPARE(o->userTimeoutMs, 45000);
}

QTEST_MAIN(TestClientSession)
#include "tst_clientsession.moc"
