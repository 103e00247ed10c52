#include "chat/chatinput.h"
#include "chat/chatroom.h"
#include "chat/chatview.h"
#include "chat/phrases.h"
#include "chat/sounds.h"
#include "client/boardpanel.h"
#include "client/clientsession.h"
#include "client/gameclient.h"
#include "client/launcher.h"
#include "client/mainwindow.h"
#include "client/roster.h"
#include "client/seats.h"
#include "client/spylistwindow.h"
#include "harness.h"
#include "recordingboxes.h"
#include "recordingsound.h"

#include "net/protocol.h"

#include <QAction>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using vorlith::client::GameClient;
using vorlith::client::MainWindow;

namespace {
/// Sent by the client after the steps under test: what the host hears
/// before it is what those steps sent.
const QByteArray Barrier = "barrier";
} // namespace

/// A main window joined to a stand-in host that the test speaks for.
class TestSeats : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void arrivalsFillSeatsAndListSpies();
    void ownSpyRecordSaysSpying();
    void departuresEmptySeatsOnce();
    void spyDepartureNeedsTheExactEntry();
    void justWatchingShowsEyesAndChecksOwnItem();
    void seatMenuFollowsHostAndSeat();
    void chatterSoundsPlayOrBecomeChatLines();
    void phraseButtonsSendOneActionPerPause();
    void smileyGoesIntoTheInputBox();
    void numbersNoHostGivesNameNobody();

private:
    void hostSays(const QByteArray &lines);
    QByteArray hostHears();
    QString chatText();

    vorlith::client::BoardPanel &panel() { return m_window->panel(); }

    std::unique_ptr<FakeHost> m_host;
    std::unique_ptr<RecordingSoundOutput> m_sound;
    std::unique_ptr<GameClient> m_client;
    std::unique_ptr<MainWindow> m_window;
    std::unique_ptr<vorlith::client::SpyListWindow> m_spyWindow;
    QListWidget *m_spies{nullptr};
    RecordingMessageBoxes m_boxes;
};

void TestSeats::init()
{
    m_host = std::make_unique<FakeHost>();
    m_sound = std::make_unique<RecordingSoundOutput>();
    m_client = std::make_unique<GameClient>();
    m_window = std::make_unique<MainWindow>(*m_client, m_sound.get());
    m_spyWindow = std::make_unique<vorlith::client::SpyListWindow>(QPixmap());
    m_spyWindow->observe(m_client->roster());
    m_spies = m_spyWindow->listbox_spys();
    m_client->launcher().setGamePort(QString::number(m_host->port()));
    FakeHost lobby;
    m_client->launcher().setPresencePort(QString::number(lobby.port()));
    m_client->launcher().setLaunchParameters({"Bob", "127.0.0.1", "join"});
    m_client->launcher().run();
    QVERIFY(m_host->accept());
}

void TestSeats::cleanup()
{
    m_window.reset();
    m_client.reset();
    m_spyWindow.reset();
    m_host.reset();
}

void TestSeats::hostSays(const QByteArray &lines)
{
    m_host->peer()->write(lines);
    m_host->peer()->flush();
}

QByteArray TestSeats::hostHears()
{
    m_client->session().send(Barrier);
    return m_host->hearUntil(Barrier);
}

QString TestSeats::chatText()
{
    auto *view = panel().chatRoom().mainchat();
    view->selectAll();
    const QString text = view->selectedText();
    view->deselect();
    // Line breaks and the spaces between the drawn items do not matter here.
    return text.simplified();
}

void TestSeats::arrivalsFillSeatsAndListSpies()
{
    QSignalSpy loads(m_client.get(), &GameClient::ownArrival);
    hostSays("CMD_sendlogininfo+3\xff"
             "CMD_newplayerinfo+3+Bob+0\xff"
             "CMD_existingplayers+1+Kim+0+2+Ann+1+7+Eve+0\xff");
    QTRY_COMPARE(m_spies->count(), 1);
    auto &seats = panel().seats();
    QCOMPARE(seats.captions(),
             (QStringList{"Kim", "Ann", "Bob", "<Waiting>", "<Waiting>", "<Waiting>"}));
    QVERIFY(seats.eyes(2)->isVisibleTo(m_window.get()));
    QVERIFY(!seats.eyes(1)->isVisibleTo(m_window.get()));
    QCOMPARE(m_spies->item(0)->text(), QStringLiteral("7: Eve"));
    QVERIFY((m_client->roster().spies() ==
             QList<vorlith::client::Roster::Spy>{{7, QStringLiteral("Eve")}}));
    QCOMPARE(m_client->roster().seatNames(), seats.captions());
    QCOMPARE(loads.count(), 1);
    const QString text = chatText();
    QVERIFY(text.contains(
        QStringLiteral("You are Connected. Click \"CTRL-i\" for Quick Instructions")));
    QVERIFY(text.contains(QStringLiteral("Kim is Connected.")));
    QVERIFY(text.contains(QStringLiteral("Ann is Connected.")));
    QVERIFY(text.contains(QStringLiteral("Eve is Connected. Eve is spying.")));
    QCOMPARE(m_sound->played, (QStringList{"entered", "entered"})); // once per message

    // A later record with flag 0 does not hide the eyes.
    hostSays("CMD_newplayerinfo+2+Ann+0\xff");
    QTRY_VERIFY(chatText().count(QStringLiteral("Ann is Connected.")) == 2);
    QVERIFY(seats.eyes(2)->isVisibleTo(m_window.get()));
}

void TestSeats::ownSpyRecordSaysSpying()
{
    QSignalSpy loads(m_client.get(), &GameClient::ownArrival);
    hostSays("CMD_sendlogininfo+8\xff"
             "CMD_newplayerinfo+8+Bob+0\xff");
    QTRY_COMPARE(m_spies->count(), 1);
    QCOMPARE(m_spies->item(0)->text(), QStringLiteral("8: Bob"));
    QVERIFY(chatText().contains(QStringLiteral("You are Connected.")));
    QVERIFY(chatText().contains(QStringLiteral("You are spying.")));
    QCOMPARE(loads.count(), 1);
}

void TestSeats::departuresEmptySeatsOnce()
{
    hostSays("CMD_sendlogininfo+1\xff"
             "CMD_newplayerinfo+1+Bob+0\xff"
             "CMD_newplayerinfo+5+Zoe+1\xff");
    QTRY_COMPARE(panel().seats().caption(5), QStringLiteral("Zoe"));
    QVERIFY(panel().seats().eyes(5)->isVisibleTo(m_window.get()));
    m_client->roster().setScore(5, 49);
    // The caption, not the name in the message, is announced.
    hostSays("CMD_playerdisconnected+5+Someone Else\xff"
             "CMD_playerdisconnected+5+Zoe\xff");
    // Lines are handled in order: the first was handled before the second.
    QTRY_COMPARE(panel().seats().caption(5), QStringLiteral("<Waiting>"));
    QCOMPARE(chatText().count(QStringLiteral("disconnected.")), 1);
    QVERIFY(chatText().contains(QStringLiteral("Zoe disconnected.")));
    QVERIFY(!panel().seats().eyes(5)->isVisibleTo(m_window.get()));
    QCOMPARE(panel().seats().scoreLabel(5)->text(), QStringLiteral("49"));
}

void TestSeats::spyDepartureNeedsTheExactEntry()
{
    hostSays("CMD_sendlogininfo+1\xff"
             "CMD_newplayerinfo+7+Ann+0\xff");
    QTRY_COMPARE(m_spies->count(), 1);
    // A later arrival shows that the departure before it was handled.
    hostSays("CMD_playerdisconnected+7+Anne\xff"
             "CMD_newplayerinfo+8+Zed+0\xff");
    QTRY_COMPARE(m_spies->count(), 2);
    QCOMPARE(m_spies->item(0)->text(), QStringLiteral("7: Ann"));
    QVERIFY(!chatText().contains(QStringLiteral("has left.")));
    hostSays("CMD_playerdisconnected+7+Ann\xff");
    QTRY_COMPARE(m_spies->count(), 1);
    QVERIFY(chatText().contains(QStringLiteral("Ann has left.")));
}

void TestSeats::justWatchingShowsEyesAndChecksOwnItem()
{
    hostSays("CMD_sendlogininfo+3\xff"
             "CMD_newplayerinfo+3+Bob+0\xff");
    QTRY_COMPARE(panel().seats().caption(3), QStringLiteral("Bob"));
    hostHears();
    // Asking does not tick the item: the host's answer does.
    m_window->justWatchAction()->trigger();
    QCOMPARE(hostHears(), QByteArray("CMD_justwatch+3+1\xff"));
    QVERIFY(!m_window->justWatchAction()->isChecked());
    hostSays("CMD_justwatching+3+1\xff");
    QTRY_VERIFY(m_window->justWatchAction()->isChecked());
    QVERIFY(panel().seats().eyes(3)->isVisibleTo(m_window.get()));
    QVERIFY(chatText().contains(QStringLiteral("Bob is just watching")));
    m_window->justWatchAction()->trigger();
    QCOMPARE(hostHears(), QByteArray("CMD_justwatch+3+2\xff"));
    hostSays("CMD_justwatching+3+2\xff"
             "CMD_justwatching+9+1\xff");
    QTRY_VERIFY(!m_window->justWatchAction()->isChecked());
    QVERIFY(!panel().seats().eyes(3)->isVisibleTo(m_window.get()));
    QVERIFY(chatText().contains(QStringLiteral("Bob is now playing again")));
}

void TestSeats::seatMenuFollowsHostAndSeat()
{
    auto &seats = panel().seats();
    seats.preparePopup(2);
    const QList<QAction *> items = seats.popupKick()->actions();
    QCOMPARE(items.size(), 3);
    for (QAction *a : items)
        QVERIFY(!a->isEnabled()); // not the hosting player
    m_client->launcher().identity().host = true;
    seats.preparePopup(2); // an empty seat cannot be removed
    QVERIFY(!items[0]->isEnabled());
    QVERIFY(items[1]->isEnabled() && items[2]->isEnabled());
    hostSays("CMD_sendlogininfo+1\xff"
             "CMD_newplayerinfo+2+Ann+0\xff");
    QTRY_COMPARE(seats.caption(2), QStringLiteral("Ann"));
    hostHears();
    seats.preparePopup(2);
    QVERIFY(items[0]->isEnabled());
    items[0]->trigger();
    items[1]->trigger();
    QCOMPARE(hostHears(), QByteArray("CMD_kickhim+1+2+\xff"
                                     "CMD_justwatch+2+1\xff"));
}

void TestSeats::chatterSoundsPlayOrBecomeChatLines()
{
    auto &phrases = panel().phraseButtons();
    phrases.chooseChatter(1); // not connected yet: nothing goes out
    QCOMPARE(hostHears(), QByteArray());
    hostSays("CMD_sendlogininfo+3\xff"
             "CMD_newplayerinfo+3+Bob+0\xff");
    QTRY_VERIFY(m_client->session().isConnected());
    hostHears();
    phrases.popupSounds()->actions().first()->trigger(); // <Cancel>
    phrases.chooseChatter(1);
    QCOMPARE(hostHears(), QByteArray("CMD_playasound+3+wave1+\xff"));

    m_sound->played.clear();
    m_window->sounds().setPlaySounds(false);
    hostSays("CMD_playasound+3+wave1+\xff");
    QTRY_COMPARE(m_sound->played, QStringList{"wave1"}); // chatter plays without Play Sounds
    m_window->sounds().playsounds(QStringLiteral("goodword"));
    QCOMPARE(m_sound->played, QStringList{"wave1"});

    m_window->sounds().setPlayerPhraseSounds(false);
    // The spy's arrival after them shows that all three were handled.
    hostSays("CMD_playasound+3+wave1+\xff"
             "CMD_playasound+8+wave2+\xff"
             "CMD_playasound+3+wave99+\xff"
             "CMD_newplayerinfo+7+Eve+0\xff");
    QTRY_COMPARE(m_spies->count(), 1);
    QVERIFY(chatText().contains(QStringLiteral("Bob: <Chatter Sound> Doh")));
    QCOMPARE(chatText().count(QStringLiteral("<Chatter Sound>")), 1);
    QCOMPARE(m_sound->played, QStringList{"wave1"});
}

void TestSeats::phraseButtonsSendOneActionPerPause()
{
    hostSays("CMD_sendlogininfo+3\xff");
    QTRY_VERIFY(m_client->session().isConnected());
    hostHears();
    auto &phrases = panel().phraseButtons();
    phrases.lock().setManual(true);
    phrases.setPhrase(2, QStringLiteral("/me waves"));
    phrases.setPhrase(3, QStringLiteral("/me"));
    phrases.sayPhrase(1);
    for (int i = 0; i < 5; ++i)
        phrases.lock().tick();
    phrases.sayPhrase(2); // still in the pause
    QCOMPARE(hostHears(), QByteArray("CMD_action+3+says: Way To Go!|clBlack\xff"));
    for (int i = 5; i < 100; ++i)
        phrases.lock().tick();
    phrases.sayPhrase(2);
    QCOMPARE(hostHears(), QByteArray()); // the 101st tick opens the lock
    phrases.lock().tick();
    phrases.sayPhrase(2);
    QCOMPARE(hostHears(), QByteArray("CMD_action+3+waves|clBlack\xff"));
    for (int i = 0; i < 101; ++i)
        phrases.lock().tick();
    phrases.sayPhrase(3);
    QCOMPARE(hostHears(), QByteArray("CMD_action+3+says: /me|clBlack\xff"));
}

void TestSeats::smileyGoesIntoTheInputBox()
{
    auto *input = panel().chatRoom().mychat();
    QCOMPARE(input->text(), QStringLiteral("<Enter Chat Here>"));
    Q_EMIT panel().phraseButtons().smileyChosen(12);
    QCOMPARE(input->text(), QStringLiteral(":)#12"));
    Q_EMIT panel().phraseButtons().smileyChosen(27);
    QCOMPARE(input->text(), QStringLiteral(":)#12:)#27"));
    QCOMPARE(input->cursorPosition(), int(input->text().size()));
    QCOMPARE(hostHears(), QByteArray()); // nothing is sent before Enter
}

void TestSeats::numbersNoHostGivesNameNobody()
{
    vorlith::client::Roster roster;
    QSignalSpy changed(&roster, &vorlith::client::Roster::seatChanged);
    roster.onPlayersArrived(vorlith::net::proto::decode<vorlith::net::proto::NewPlayerInfo>(
                                QStringLiteral("0+Ghost+1+10+Far+0+-1+Neg+1+2147483647+Big+0"))
                                .players);
    QCOMPARE(changed.count(), 0);
    QVERIFY(roster.spies().isEmpty());
    QCOMPARE(roster.seatNames(), QStringList(6, QStringLiteral("<Waiting>")));
    // The same spy announced again and again is listed up to a bound.
    for (int i = 0; i < 150; ++i)
        roster.onPlayersArrived(vorlith::net::proto::decode<vorlith::net::proto::NewPlayerInfo>(
                                    QStringLiteral("8+Zed+0"))
                                    .players);
    QCOMPARE(roster.spies().size(), vorlith::client::Roster::MaxSpyEntries);
}

QTEST_MAIN(TestSeats)
#include "tst_seats.moc"
