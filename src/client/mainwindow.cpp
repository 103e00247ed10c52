#include "client/mainwindow.h"

#include "chat/chatinput.h"
#include "chat/chatline.h"
#include "chat/chatroom.h"
#include "chat/chatview.h"
#include "chat/phrases.h"
#include "chat/phrasesdialog.h"
#include "chat/sounds.h"
#include "client/boardpanel.h"
#include "client/boardroom.h"
#include "client/gameclient.h"
#include "client/gameoptionsdialog.h"
#include "client/quickhelp.h"
#include "client/reviewroom.h"
#include "client/roster.h"
#include "client/roundflow.h"
#include "client/seats.h"
#include "client/typinghook.h"
#include "client/windowbounds.h"
#include "tally/tallydialog.h"
#include "ui/messageboxes.h"
#include "ui/resources.h"
#include "ui/theme.h"

#include <QAction>
#include <QCloseEvent>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>

namespace vorlith::client {

namespace {
// The program's own notices are written in this colour.
const QColor SystemColour{Qt::blue};
} // namespace

MainWindow::MainWindow(GameClient &client, chat::SoundOutput *soundOutput, QWidget *parent)
    : QMainWindow(parent), m_client(client)
{
    ui::initResources();
    if (!soundOutput) {
        m_ownSoundOutput = std::make_unique<chat::EffectSoundOutput>();
        soundOutput = m_ownSoundOutput.get();
    }
    m_sounds = new chat::Sounds(*soundOutput, this);

    setObjectName(QStringLiteral("chat"));
    setWindowTitle(QStringLiteral("Vorlith by Brakmo Software"));

    m_background = ui::backgroundPicture(BoardPanel::Size);
    auto *central = new QWidget(this);
    central->setMinimumSize(MinimumClientSize);
    ui::setBackground(central, m_background, QColor(20, 48, 70));
    setCentralWidget(central);
    m_panel = new BoardPanel(m_client, central);
    m_bounds = std::make_unique<WindowBounds>(*this);

    buildMenus();
    connectClient();
    m_typingHook = new TypingHook(this, m_client.board(), m_panel->chatRoom().mychat(), this);

    m_bounds->reset();
}

MainWindow::~MainWindow() = default;

void MainWindow::buildMenus()
{
    chat::ChatRoom &chat = m_panel->chatRoom();

    m_fileMenu = menuBar()->addMenu(QStringLiteral("&File"));
    m_startGame = m_fileMenu->addAction(QStringLiteral("Start Game"));
    m_startGame->setObjectName(QStringLiteral("StartGame1"));
    connect(m_startGame, &QAction::triggered, this, &MainWindow::offerStart);
    QAction *online = m_fileMenu->addAction(QStringLiteral("Play Online…"));
    online->setObjectName(QStringLiteral("PlayOnline1"));
    connect(online, &QAction::triggered, this, &MainWindow::playOnlineRequested);
    m_fileMenu->addSeparator();
    QAction *exit = m_fileMenu->addAction(QStringLiteral("E&xit"));
    connect(exit, &QAction::triggered, this, &QWidget::close);

    m_optionsMenu = menuBar()->addMenu(QStringLiteral("&Options"));
    m_viewMenu = menuBar()->addMenu(QStringLiteral("&View"));
    m_helpMenu = menuBar()->addMenu(QStringLiteral("&Help"));

    QAction *content = m_helpMenu->addAction(QStringLiteral("Content"));
    content->setShortcut(Qt::Key_F1);
    connect(content, &QAction::triggered, this, [this] { showWindow(m_windows.help); });
    QAction *quick = m_helpMenu->addAction(QStringLiteral("Quick Instructions"));
    quick->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_I));
    connect(quick, &QAction::triggered, this, [this] { m_panel->quickHelp().showInFront(); });
    m_helpMenu->addSeparator();
    QAction *about = m_helpMenu->addAction(QStringLiteral("About"));
    connect(about, &QAction::triggered, this, [this] { showWindow(m_windows.about); });

    QAction *phrases = m_viewMenu->addAction(QStringLiteral("Phrase List"));
    phrases->setObjectName(QStringLiteral("PhraseList1"));
    connect(phrases, &QAction::triggered, this, [this] {
        if (m_windows.phrases)
            m_windows.phrases()->showWith(m_panel->phraseButtons().phrases());
    });
    QAction *tally = m_viewMenu->addAction(QStringLiteral("View Tally"));
    tally->setObjectName(QStringLiteral("ViewTally1"));
    connect(tally, &QAction::triggered, this, [this] {
        if (m_windows.tally)
            m_windows.tally()->showTally();
    });
    QAction *spies = m_viewMenu->addAction(QStringLiteral("Spy List"));
    spies->setObjectName(QStringLiteral("SpyList1"));
    connect(spies, &QAction::triggered, this, [this] { showWindow(m_windows.spyList); });
    m_viewMenu->addAction(m_panel->reviewRoom().showAction());

    m_justWatch = new QAction(QStringLiteral("Just Watch"), this);
    m_justWatch->setObjectName(QStringLiteral("JustWatch1"));
    m_justWatch->setCheckable(true);
    connect(m_justWatch, &QAction::triggered, this, [this] {
        // The check mark follows the host's answer, not the click.
        m_justWatch->setChecked(!m_justWatch->isChecked());
        m_client.setWatching(!m_justWatch->isChecked());
    });

    m_optionsMenu->addAction(chat.textColorAction());
    m_optionsMenu->addMenu(chat.createTextSizeMenu(m_optionsMenu));
    m_optionsMenu->addAction(chat.scrollChatOffAction());
    m_optionsMenu->addAction(chat.clearMainChatAction());
    m_optionsMenu->addSeparator();
    m_optionsMenu->addAction(m_sounds->playSoundsAction());
    m_optionsMenu->addAction(m_sounds->playerPhraseSoundsAction());
    m_optionsMenu->addMenu(m_sounds->createTurnSoundMenu(m_optionsMenu));
    m_optionsMenu->addSeparator();
    m_optionsMenu->addAction(m_justWatch);
    m_optionsMenu->addSeparator();
    QAction *reset = m_optionsMenu->addAction(QStringLiteral("Reset Screen Location"));
    connect(reset, &QAction::triggered, this, [this] { m_bounds->reset(); });
}

void MainWindow::connectClient()
{
    GameClient &c = m_client;
    chat::ChatRoom &chat = m_panel->chatRoom();
    c.setTurnSound([this] { return m_sounds->turnSoundName(); });

    connect(&c, &GameClient::systemLine, this, &MainWindow::addSystemLine);
    connect(&c, &GameClient::chatReceived, &chat, &chat::ChatRoom::onChatReceived);
    connect(&c, &GameClient::chatterReceived, this, &MainWindow::showChatter);
    connect(&c, &GameClient::soundRequested, m_sounds, &chat::Sounds::playsounds);
    connect(&c, &GameClient::errorRaised, this,
            [](const QString &text) { ui::showGeneralError(text); });
    connect(&c, &GameClient::loggedIn, this, [this, &chat] {
        chat.setConnected(true);
        // At a table server's table any seat may start between games.
        if (m_client.flow().mayStartWithoutHosting()) {
            m_panel->startButton()->show();
            m_startGame->setEnabled(true);
        }
    });
    connect(&c, &GameClient::connectionLost, this, [this] {
        const QString text = QStringLiteral("The connection to the host was lost.");
        addSystemLine(text);
        ui::messageBoxes().inform(text);
    });
    connect(&c, &GameClient::closed, this, &QWidget::close);
    connect(&c, &GameClient::gameFull, this, [this] {
        ui::messageBoxes().inform(QStringLiteral("Game is full"));
        close();
    });
    connect(&c, &GameClient::soloStarted, this, [this] {
        if (m_windows.download) {
            QWidget *offer = m_windows.download();
            offer->show();
            offer->raise();
        }
    });
    connect(&c, &GameClient::hostingChanged, this, [this](bool host) {
        m_panel->startButton()->setVisible(host);
        m_startGame->setEnabled(host);
    });
    connect(&c, &GameClient::ownWatchingChanged, m_justWatch, &QAction::setChecked);

    RoundFlow &flow = c.flow();
    connect(&flow, &RoundFlow::viewChanged, this, [this] {
        m_panel->boardRoom().setControlsShown(m_client.flow().view().controlsShown);
    });
    connect(&flow, &RoundFlow::helpHidden, &m_panel->quickHelp(), &QWidget::hide);
    connect(&flow, &RoundFlow::startButtonShown, m_panel->startButton(), &QWidget::setVisible);
    connect(&flow, &RoundFlow::scorePlaced, &m_panel->seats(), &Seats::placeAfterName);

    connect(m_panel, &BoardPanel::startClicked, this, &MainWindow::offerStart);
    connect(m_sounds, &chat::Sounds::settingsChanged, this, &MainWindow::requestSave);
    connect(&chat, &chat::ChatRoom::settingsChanged, this, &MainWindow::requestSave);
    connect(&chat, &chat::ChatRoom::sendRequested, this, [this](const chat::OutgoingChat &m) {
        if (m.kind == chat::OutgoingChat::Kind::Chat)
            m_client.sendChat(m.text, m.colorText);
        else if (m.kind == chat::OutgoingChat::Kind::Action)
            m_client.sendAction(m.text, m.colorText);
    });

    chat::PhraseButtons &phrases = m_panel->phraseButtons();
    connect(&phrases, &chat::PhraseButtons::actionRequested, this, [this](const QString &text) {
        m_client.sendAction(text, chat::colorToText(m_panel->chatRoom().textColor()));
    });
    connect(&phrases, &chat::PhraseButtons::chatterRequested, this,
            [this](int number) { m_client.playSound(QStringLiteral("wave%1").arg(number)); });
    connect(&phrases, &chat::PhraseButtons::smileyChosen, this, &MainWindow::insertSmiley);

    Seats &seats = m_panel->seats();
    connect(&seats, &Seats::justWatchRequested, &c, &GameClient::setSeatWatching);
    connect(&seats, &Seats::removeRequested, &c, &GameClient::removePlayer);
}

void MainWindow::addSystemLine(const QString &text)
{
    m_panel->chatRoom().addSystemLine(text, chat::colorValueOf(SystemColour));
}

void MainWindow::showWindow(const std::function<QWidget *()> &make)
{
    QWidget *window = make ? make() : nullptr;
    if (!window)
        return;
    window->show();
    window->raise();
    window->activateWindow();
}

void MainWindow::showChatter(int slot, const QString &sound)
{
    if (m_sounds->playerPhraseSounds()) {
        m_sounds->playChatter(sound);
        return;
    }
    // With the chatter sounds off, the chat says who would have sounded.
    const QString caption = m_panel->seats().caption(slot);
    const QString name = chat::PhraseButtons::chatterCaptionOf(sound);
    if (caption.isEmpty() || name.isEmpty())
        return;
    addSystemLine(caption + QStringLiteral(": <Chatter Sound> ") + name);
}

void MainWindow::insertSmiley(int number)
{
    chat::ChatInput *input = m_panel->chatRoom().mychat();
    if (input->text() == chat::kInputPlaceholder)
        input->clear();
    input->setText(input->text() + QStringLiteral(":)#") + QString::number(number));
    input->deselect();
    input->setCursorPosition(int(input->text().size()));
}

void MainWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (m_launched)
        return;
    m_launched = true;
    // Once the window is on screen, so its chat can show the loading line.
    QTimer::singleShot(0, &m_client, &GameClient::launch);
}

void MainWindow::offerStart()
{
    if (!m_client.isConnected()) {
        ui::messageBoxes().inform(QStringLiteral("You are not connected"));
        return;
    }
    if (m_client.flow().mayStart() && !m_client.isHost()) {
        // The table's options are the server's: it puts them into the start
        // it sends to all, so the dialog's values only fill the line.
        auto *options = m_windows.gameStart ? qobject_cast<GameOptionsDialog *>(m_windows.gameStart())
                                            : nullptr;
        if (options && m_client.flow().mayStartWithoutHosting())
            m_client.startGame(options->rounds(), options->creationTime());
        return;
    }
    showWindow(m_windows.gameStart);
}

void MainWindow::markSettingsLoaded()
{
    m_settingsLoaded = true;
    // What the window became (its minimum size applies) is what a later
    // close compares against.
    m_bounds->remember();
}

void MainWindow::requestSave()
{
    // Before the first load the window only holds its built-in preferences;
    // saving them would overwrite the player's stored ones.
    if (m_settingsLoaded)
        Q_EMIT saveSettingsRequested();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (!m_closing) {
        m_closing = true;
        if (m_bounds->closing())
            requestSave();
    }
    event->accept();
    Q_EMIT closed();
}

} // namespace vorlith::client
