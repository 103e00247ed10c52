#include "client/chatform.h"

#include "chat/chatroom.h"
#include "chat/chatview.h"
#include "chat/chatinput.h"
#include "chat/chatline.h"
#include "chat/phrases.h"
#include "chat/phrasesform.h"
#include "chat/sounds.h"
#include "client/boardroom.h"
#include "client/clientsession.h"
#include "client/gamestartform.h"
#include "client/launcher.h"
#include "client/quickhelp.h"
#include "client/resultspanel.h"
#include "client/reviewroom.h"
#include "client/roster.h"
#include "client/roundflow.h"
#include "client/roundroom.h"
#include "client/seats.h"
#include "client/typinghook.h"
#include "net/protocol.h"
#include "net/sock.h"
#include "tally/tallybook.h"
#include "tally/tallylist.h"
#include "ui/clicklabel.h"
#include "ui/messageboxes.h"
#include "ui/resources.h"
#include "ui/site.h"
#include "ui/theme.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QLoggingCategory>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>
#include <QTimer>

Q_LOGGING_CATEGORY(lcMain, "vorlith.main")

namespace vorlith::client {

namespace proto = net::proto;
using net::LineOrigin;

Tchat::Tchat(chat::SoundOutput *soundOutput, QWidget *parent) : QMainWindow(parent)
{
    ui::initResources();
    if (!soundOutput) {
        m_ownSoundOutput = std::make_unique<chat::EffectSoundOutput>();
        soundOutput = m_ownSoundOutput.get();
    }
    m_sounds = new chat::Sounds(*soundOutput, this);

    setObjectName(QStringLiteral("chat"));
    setWindowTitle(QStringLiteral("Vorlith by Brakmo Software"));

    m_session = new ClientSession(this);
    m_launcher = new Launcher(*m_session, this);
    m_roster = new Roster(this);
    m_board = new BoardModel(this);
    m_flow = new RoundFlow(*m_roster, *m_board, this);

    m_background = ui::backgroundPicture(BoardPanelSize);

    auto *central = new QWidget(this);
    central->setMinimumSize(MinimumClientSize);
    ui::setBackground(central, m_background, QColor(20, 48, 70));
    setCentralWidget(central);
    m_boardPanel = new QWidget(central);
    m_boardPanel->setObjectName(QStringLiteral("panel_board"));
    m_boardPanel->setGeometry(2, 2, BoardPanelSize.width(), BoardPanelSize.height());

    buildMenus();
    buildBoardPanel();
    wireSession();
    wireGame();

    // The window's built-in place and size.
    move(3, 3);
    resize(DefaultSize);
}

Tchat::~Tchat() = default;

void Tchat::buildMenus()
{
    m_fileMenu = menuBar()->addMenu(QStringLiteral("&File"));
    m_startGame = m_fileMenu->addAction(QStringLiteral("Start Game"));
    m_startGame->setObjectName(QStringLiteral("StartGame1"));
    connect(m_startGame, &QAction::triggered, this, &Tchat::button_startClick);
    QAction *online = m_fileMenu->addAction(QStringLiteral("Play Online…"));
    online->setObjectName(QStringLiteral("PlayOnline1"));
    connect(online, &QAction::triggered, this, &Tchat::playOnlineRequested);
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
    connect(quick, &QAction::triggered, this, [this] { m_quickHelp->showInFront(); });
    m_helpMenu->addSeparator();
    QAction *about = m_helpMenu->addAction(QStringLiteral("About"));
    connect(about, &QAction::triggered, this, [this] { showWindow(m_windows.about); });

    QAction *phrases = m_viewMenu->addAction(QStringLiteral("Phrase List"));
    phrases->setObjectName(QStringLiteral("PhraseList1"));
    connect(phrases, &QAction::triggered, this, [this] {
        if (m_windows.phrases)
            m_windows.phrases()->showWith(m_phrases->phrases());
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
}

void Tchat::buildBoardPanel()
{
    m_boardRoom = new BoardRoom(m_boardPanel, *m_board, this);

    auto *logo = new ui::ClickLabel(m_boardPanel);
    logo->setObjectName(QStringLiteral("image_logo"));
    const QPixmap logoPicture = ui::picture(QStringLiteral("logo.png"));
    if (!logoPicture.isNull())
        logo->setPixmap(logoPicture.scaled(330, 44, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    else
        logo->setText(QStringLiteral("<span style='font-size:26px;font-weight:bold;color:#f5b446'>VORLITH</span>"));
    logo->setGeometry(424, 2, 330, 44);
    logo->setAlignment(Qt::AlignCenter);
    logo->setCursor(Qt::PointingHandCursor);
    connect(logo, &ui::ClickLabel::clicked, this, [] { ui::openUrl(ui::makerSiteUrl()); });

    auto *start = new ui::ImageButton(QStringLiteral("START"), QStringLiteral("button_start.png"), m_boardPanel);
    start->setObjectName(QStringLiteral("button_start"));
    start->setAccessibleName(QStringLiteral("Start Game"));
    start->move(164, 432);
    start->hide();
    connect(start, &ui::ImageButton::clicked, this, &Tchat::button_startClick);
    m_startButton = start;

    m_justWatch = new QAction(QStringLiteral("Just Watch"), this);
    m_justWatch->setObjectName(QStringLiteral("JustWatch1"));
    m_justWatch->setCheckable(true);
    connect(m_justWatch, &QAction::triggered, this, [this] {
        // The check mark follows the host's answer, not the click.
        m_justWatch->setChecked(!m_justWatch->isChecked());
        JustWatch1Click();
    });

    m_chat = new chat::ChatRoom(m_boardPanel, this);
    m_chat->mainchat()->setGeometry(419, 168, 342, 309);
    m_chat->mychat()->setGeometry(419, 481, 342, 22);
    QList<QPixmap> smileys;
    for (int k = 0; k < ui::SmileyCount; ++k)
        smileys.append(ui::picture(ui::smileyPath(k)));
    m_chat->mainchat()->setImages(smileys);
    m_chat->mainchat()->setLinkCursor(ui::linkCursor());

    m_seats = new Seats(m_boardPanel, *m_roster, this);
    m_seats->setHostCheck([this] { return m_launcher->isHost(); });
    m_seats->setConnectedCheck([this] { return m_session->isConnected(); });

    m_optionsMenu->addAction(m_chat->textColorAction());
    m_optionsMenu->addMenu(m_chat->createTextSizeMenu(m_optionsMenu));
    m_optionsMenu->addAction(m_chat->scrollChatOffAction());
    m_optionsMenu->addAction(m_chat->clearMainChatAction());
    m_optionsMenu->addSeparator();
    m_optionsMenu->addAction(m_sounds->playSoundsAction());
    m_optionsMenu->addAction(m_sounds->playerPhraseSoundsAction());
    m_optionsMenu->addMenu(m_sounds->createTurnSoundMenu(m_optionsMenu));
    m_optionsMenu->addSeparator();
    m_optionsMenu->addAction(m_justWatch);
    m_optionsMenu->addSeparator();
    QAction *reset = m_optionsMenu->addAction(QStringLiteral("Reset Screen Location"));
    connect(reset, &QAction::triggered, this, &Tchat::resetScreenLocation);

    m_phrases = new chat::PhraseButtons(m_boardPanel, 419, 143, this);

    m_roundRoom = new RoundRoom(m_boardPanel, *m_flow, this);
    m_roundRoom->setChatWidgets({m_chat->mainchat(), m_chat->mychat()});
    m_roundRoom->FlatSpeedButton1Click(1);
    m_reviewRoom = new ReviewRoom(m_boardPanel, *m_board, *m_flow, *m_roundRoom->results(), this);
    m_reviewRoom->setHostCheck([this] { return m_launcher->isHost(); });
    m_viewMenu->addAction(m_reviewRoom->showAction());

    m_quickHelp = new QuickHelp(m_boardPanel);
    m_typingHook = new TypingHook(this, *m_board, m_chat->mychat(), this);
}

void Tchat::wireSession()
{
    ClientSession &s = *m_session;
    const auto on = [&s](const char *word, auto handler) {
        s.setHandler(word, [handler](const QString &fields, const LineOrigin &) { handler(fields); });
    };
    on(proto::cmd::chat, [this](const QString &f) { m_chat->chatrecieved(f); });
    on(proto::cmd::action, [this](const QString &f) { m_chat->chatrecieved(f); });
    on(proto::cmd::newplayerinfo, [this](const QString &f) { m_roster->newplayerinfo(f); });
    on(proto::cmd::existingplayers, [this](const QString &f) { m_roster->newplayerinfo(f); });
    on(proto::cmd::playerdisconnected, [this](const QString &f) { m_roster->playerdisconnected(f); });
    on(proto::cmd::justwatching, [this](const QString &f) { m_roster->justwatching(f); });
    on(proto::cmd::playasound, [this](const QString &f) { playasound(f); });
    on(proto::cmd::startgame, [this](const QString &f) { m_flow->startthegame(f); });
    on(proto::cmd::winner, [this](const QString &f) { m_flow->winner(f); });
    on(proto::cmd::roundstarting, [this](const QString &f) { m_flow->roundstart(f); });
    on(proto::cmd::makeboard, [this](const QString &f) { m_board->makeboard(f); });
    on(proto::cmd::notvalid, [this](const QString &f) { m_flow->notvalid(f); });
    on(proto::cmd::hisword, [this](const QString &f) { m_flow->hisword(f); });
    on(proto::cmd::hisscore, [this](const QString &f) { m_flow->hisscore(f); });
    on(proto::cmd::roundover, [this](const QString &f) { m_flow->roundover(f); });
    on(proto::cmd::gamestats, [this](const QString &f) { m_flow->gamestats(f); });

    connect(&s, &ClientSession::systemLine, this, &Tchat::addSystemLine);
    connect(&s, &ClientSession::handlerFailed, this, [](const QString &text) { ui::showGeneralError(text); });
    connect(&s, &ClientSession::loggedIn, this, [this](int own) {
        m_roster->setOwnNumber(own);
        m_chat->setConnected(true);
        // At a table server's table any seat may start between games.
        if (m_flow->mayStartWithoutHosting()) {
            m_startButton->show();
            m_startGame->setEnabled(true);
        }
    });
    connect(&s, &ClientSession::closed, this, [this] { close(); });
    connect(&s, &ClientSession::gameFull, this, [this] {
        ui::messageBoxes().inform(QStringLiteral("Game is full"));
        close();
    });
    connect(&s, &ClientSession::unreachable, this, [this](const QString &reason) {
        addSystemLine(QStringLiteral("0+Could not reach the host at %1 (%2). Close the game with File > Exit and try again later.")
                          .arg(m_session->sock().hostName(), reason));
    });

    connect(m_launcher, &Launcher::systemLine, this, &Tchat::addSystemLine);
    connect(m_launcher, &Launcher::failed, this, [](const QString &text) { ui::showGeneralError(text); });
    connect(m_launcher, &Launcher::soloStarted, this, [this] {
        if (m_windows.download) {
            QWidget *offer = m_windows.download();
            offer->show();
            offer->raise();
        }
    });
    connect(m_launcher, &Launcher::hostingChanged, this, [this](bool host) {
        m_startButton->setVisible(host);
        m_startGame->setEnabled(host);
    });

    connect(m_roster, &Roster::chatLine, this, &Tchat::addSystemLine);
    connect(m_roster, &Roster::ownArrival, this, &Tchat::loadSettingsRequested);
    connect(m_roster, &Roster::soundRequested, m_sounds, &chat::Sounds::playsounds);
    connect(m_roster, &Roster::ownWatchingChanged, m_justWatch, &QAction::setChecked);
    connect(m_sounds, &chat::Sounds::settingsChanged, this, &Tchat::requestSave);

    connect(m_phrases, &chat::PhraseButtons::actionRequested, this, [this](const QString &text) {
        // The phrase buttons do not wait for the connection.
        m_session->send(proto::action(m_session->ownNumber(), text, chat::colorToText(m_chat->textColor())));
    });
    connect(m_phrases, &chat::PhraseButtons::chatterRequested, this, [this](int number) {
        if (m_session->isConnected())
            m_session->send(proto::playASound(m_session->ownNumber(), QStringLiteral("wave%1").arg(number)));
    });
    connect(m_phrases, &chat::PhraseButtons::smileyChosen, this, &Tchat::smileyChosen);
    connect(m_seats, &Seats::justWatchRequested, this,
            [this](int seat, int mode) { m_session->send(proto::justWatch(seat, mode)); });
    connect(m_seats, &Seats::removeRequested, this, &Tchat::kicking);

    connect(m_chat, &chat::ChatRoom::sendRequested, this, [this](const chat::OutgoingChat &m) {
        const int own = m_session->ownNumber();
        if (m.kind == chat::OutgoingChat::Kind::Chat)
            m_session->send(proto::chat(own, m.text, m.colorText));
        else if (m.kind == chat::OutgoingChat::Kind::Action)
            m_session->send(proto::action(own, m.text, m.colorText));
    });
    connect(m_chat, &chat::ChatRoom::settingsChanged, this, &Tchat::requestSave);
}

void Tchat::wireGame()
{
    m_flow->setHostCheck([this] { return m_launcher->isHost(); });
    m_flow->setTurnSound([this] { return m_sounds->turnSoundName(); });

    connect(m_board, &BoardModel::soundRequested, m_sounds, &chat::Sounds::playsounds);
    connect(m_board, &BoardModel::wordSubmitted, this, [this](const QString &word) {
        if (m_session->isConnected())
            m_session->send(proto::myWord(m_session->ownNumber(), word));
    });

    connect(m_flow, &RoundFlow::soundRequested, m_sounds, &chat::Sounds::playsounds);
    connect(m_flow, &RoundFlow::chatLine, this, &Tchat::addSystemLine);
    connect(m_flow, &RoundFlow::viewChanged, this,
            [this] { m_boardRoom->setControlsShown(m_flow->view().controlsShown); });
    connect(m_flow, &RoundFlow::helpHidden, m_quickHelp, &QWidget::hide);
    connect(m_flow, &RoundFlow::justWatchUnchecked, this, [this] { m_justWatch->setChecked(false); });
    connect(m_flow, &RoundFlow::startButtonShown, m_startButton, &QWidget::setVisible);
    connect(m_flow, &RoundFlow::scorePlaced, m_seats, &Seats::placeAfterName);
    connect(m_flow, &RoundFlow::gameRecorded, this, [this](const QString &result) {
        if (m_windows.tally)
            m_windows.tally()->addgame(result);
    });
    connect(m_flow, &RoundFlow::wordRecorded, this, [this](const QString &word) {
        if (m_windows.tally)
            m_windows.tally()->checkword(word);
    });
}

void Tchat::setRandomSource(RandomSource random)
{
    m_board->setRandomSource(std::move(random));
}

void Tchat::addSystemLine(const QString &line)
{
    m_chat->addlinetochat(line, chat::colorValueOf(m_state.systemColour));
}

void Tchat::showWindow(const std::function<QWidget *()> &make)
{
    QWidget *window = make ? make() : nullptr;
    if (!window)
        return;
    window->show();
    window->raise();
    window->activateWindow();
}

void Tchat::playasound(const QString &fields)
{
    const proto::SoundLine s = proto::readPlayASound(fields);
    if (m_sounds->playerPhraseSounds()) {
        m_sounds->playChatter(s.sound);
        return;
    }
    const QString caption = m_seats->caption(s.slot);
    const QString sound = chat::PhraseButtons::chatterCaptionOf(s.sound);
    if (caption.isEmpty() || sound.isEmpty())
        return;
    addSystemLine(QStringLiteral("0+") + caption + QStringLiteral(": <Chatter Sound> ") + sound);
}

void Tchat::smileyChosen(int number)
{
    chat::ChatInput *input = m_chat->mychat();
    if (input->text() == chat::kInputPlaceholder)
        input->clear();
    input->setText(input->text() + QStringLiteral(":)#") + QString::number(number));
    input->deselect();
    input->setCursorPosition(int(input->text().size()));
}

// ---- launch ------------------------------------------------------------

void Tchat::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (m_launched)
        return;
    m_launched = true;
    // Once the window is on screen, so its chat can show the loading line.
    QTimer::singleShot(0, m_launcher, &Launcher::processparams);
}

// ---- commands ----------------------------------------------------------

void Tchat::button_startClick()
{
    if (!m_session->isConnected()) {
        ui::messageBoxes().inform(QStringLiteral("You are not connected"));
        return;
    }
    if (m_flow->mayStart() && !m_launcher->isHost()) {
        // The table's options are the server's: it puts them into the start
        // it sends to all, so the dialog's values only fill the line.
        auto *options =
            m_windows.gameStart ? qobject_cast<Tgamestart *>(m_windows.gameStart()) : nullptr;
        if (options && m_flow->mayStartWithoutHosting())
            m_session->send(proto::startGame(m_launcher->identity().playerName, options->rounds(),
                                             options->creationTime()));
        return;
    }
    showWindow(m_windows.gameStart);
}

void Tchat::JustWatch1Click()
{
    const int own = m_session->ownNumber();
    if (!m_session->isConnected() || !Roster::isSeat(own))
        return;
    m_session->send(proto::justWatch(own, m_justWatch->isChecked() ? 2 : 1));
}

void Tchat::kicking(int number)
{
    if (m_launcher->isHost() && m_session->isConnected())
        m_session->send(proto::kickHim(m_session->ownNumber(), number));
}

// ---- bounds and closing ------------------------------------------------

QRect Tchat::bounds() const
{
    return QRect(x(), y(), width(), height());
}

void Tchat::setBounds(const QRect &b)
{
    move(b.left(), b.top());
    resize(b.width(), b.height());
}

void Tchat::resetScreenLocation()
{
    setBounds(QRect(QPoint(3, 3), DefaultSize));
}

void Tchat::markSettingsLoaded()
{
    m_state.settingsLoaded = true;
    // What the window became (its minimum size applies) is what a later
    // close compares against.
    m_state.rememberedBounds = bounds();
}

void Tchat::requestSave()
{
    // Before the first load the window only holds its built-in preferences;
    // saving them would overwrite the player's stored ones.
    if (m_state.settingsLoaded)
        Q_EMIT saveSettingsRequested();
}

void Tchat::FormClose()
{
    if (bounds() == m_state.rememberedBounds)
        return;
    const QScreen *screen = this->screen();
    if (screen) {
        const QRect work = screen->availableGeometry();
        if (width() > work.width())
            resize(width() - 15, height());
        if (height() > work.height())
            resize(width(), height() - 15);
    }
    m_state.rememberedBounds = bounds();
    requestSave();
}

void Tchat::closeEvent(QCloseEvent *event)
{
    if (!m_closing) {
        m_closing = true;
        FormClose();
    }
    event->accept();
    Q_EMIT closed();
}

} // namespace vorlith::client
