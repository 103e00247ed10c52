// Names and chat from other players are shown as the text they are, never read
// as markup, in every window that shows them. Widgets are reached by their
// object names, as a screen reader or a script would find them.
#include "app/program.h"
#include "chat/chatview.h"
#include "client/gameclient.h"
#include "client/launcher.h"
#include "client/mainwindow.h"
#include "client/spylistwindow.h"
#include "recordingboxes.h"
#include "recordingsound.h"
#include "tally/tallydialog.h"
#include "ui/paths.h"

#include <QLabel>
#include <QListWidget>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using vorlith::app::Program;
using vorlith::chat::ChatView;

class TestPlainText : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void peerTextIsShownAsItCame_data();
    void peerTextIsShownAsItCame();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QTcpServer> m_host;
    RecordingSoundOutput m_sound;
    RecordingMessageBoxes m_boxes;
    std::unique_ptr<Program> m_program;
};

void TestPlainText::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    vorlith::ui::setDataFolderOverride(m_dir->path());
    m_host = std::make_unique<QTcpServer>();
    QVERIFY(m_host->listen(QHostAddress::LocalHost, 0));
    QTcpServer lobby;
    lobby.listen(QHostAddress::LocalHost, 0);
    Program::Options options;
    options.params = {"Bob", "127.0.0.1", "join"};
    options.gamePort = QString::number(m_host->serverPort());
    options.presencePort = QString::number(lobby.serverPort());
    options.soundOutput = &m_sound;
    m_program = std::make_unique<Program>(options);
}

void TestPlainText::cleanup()
{
    m_program.reset();
    m_host.reset();
    vorlith::ui::setDataFolderOverride(QString());
    m_dir.reset();
}

void TestPlainText::peerTextIsShownAsItCame_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::newRow("image") << QByteArray("<img src=/dev/zero>");
    QTest::newRow("bold") << QByteArray("<b>x</b>");
    QTest::newRow("entity") << QByteArray("&amp;");
}

void TestPlainText::peerTextIsShownAsItCame()
{
    QFETCH(QByteArray, name);
    const QString text = QString::fromLatin1(name);
    auto &main = m_program->mainWindow();
    main.show();
    m_program->client().launcher().run();
    QTRY_VERIFY(m_host->hasPendingConnections());
    QTcpSocket *peer = m_host->nextPendingConnection();
    peer->write("CMD_sendlogininfo+3\xff" "CMD_newplayerinfo+3+Bob+0\xff");
    peer->write("CMD_newplayerinfo+2+" + name + "+0\xff");
    peer->write("CMD_newplayerinfo+7+" + name + "+0\xff");
    peer->write("CMD_chat+2+" + name + " chats: " + name + "|clBlack\xff");
    peer->flush();

    // The seat.
    auto *seat = main.findChild<QLabel *>(QStringLiteral("label_playername2"));
    QVERIFY(seat);
    QTRY_COMPARE(seat->text(), text);
    QCOMPARE(seat->textFormat(), Qt::PlainText);

    // The spy list.
    auto *spies = m_program->spyList().findChild<QListWidget *>(QStringLiteral("listbox_spys"));
    QVERIFY(spies);
    QTRY_COMPARE(spies->count(), 1);
    QCOMPARE(spies->item(0)->text(), QStringLiteral("7: ") + text);

    // The chat: the lead-in and the body keep every character.
    auto *chat = main.findChild<ChatView *>(QStringLiteral("mainchat"));
    QVERIFY(chat);
    const auto chatText = [chat] {
        chat->selectAll();
        return chat->selectedText();
    };
    QTRY_VERIFY(chatText().contains(text + QStringLiteral(" chats:  ") + text + QLatin1Char(' ')));

    // The tally: tallied from the current game, then selected.
    auto &tally = m_program->tally();
    tally.showTally();
    auto *game = tally.findChild<QListWidget *>(QStringLiteral("checklist"));
    auto *tallied = tally.findChild<QListWidget *>(QStringLiteral("listbox_tally"));
    QVERIFY(game && tallied);
    const QList<QListWidgetItem *> found = game->findItems(text, Qt::MatchExactly);
    QCOMPARE(found.size(), 1);
    found.first()->setCheckState(Qt::Checked);
    QCOMPARE(tallied->count(), 1);
    QCOMPARE(tallied->item(0)->text(), text);
    tallied->setCurrentRow(0);
    for (const char *label : {"label_hisnametop", "label_hisname"}) {
        auto *l = tally.findChild<QLabel *>(QString::fromLatin1(label));
        QVERIFY(l);
        QVERIFY(l->text().startsWith(text));
        QCOMPARE(l->textFormat(), Qt::PlainText);
    }

    // Drawing them all: a label that took the name for markup would load
    // the "image" and end the program here.
    for (QWidget *w : std::initializer_list<QWidget *>{&main, &m_program->spyList(), &tally}) {
        w->show();
        QVERIFY(!w->grab().isNull());
    }
    QVERIFY(m_boxes.shown.isEmpty());
}

QTEST_MAIN(TestPlainText)
#include "tst_plaintext.moc"
