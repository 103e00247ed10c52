#include "client/chatform.h"

#include "chat/chatroom.h"
#include "chat/chatview.h"
#include "chat/chatinput.h"
#include "chat/chatline.h"
#include "chat/phrases.h"
#include "chat/phrasesform.h"
#include "chat/sounds.h"
#include "client/clientsession.h"
#include "client/quickhelp.h"
#include "client/seats.h"
#include "net/protocol.h"
#include "net/sock.h"
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

namespace {

/// The empty board shown before the first deal: 36 blank tiles on blue.
class IdleBoard : public QWidget
{
public:
    explicit IdleBoard(QWidget *parent) : QWidget(parent) {}

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.fillRect(rect(), ui::colors::BoardBlue);
        const QPixmap blank = ui::picture(QStringLiteral("tiles/tile00.png"));
        for (int c = 0; c < 6; ++c) {
            for (int r = 0; r < 6; ++r) {
                const QRect cell(3 + c * 65, 3 + r * 65, 65, 65);
                if (!blank.isNull()) {
                    p.drawPixmap(cell, blank);
                } else {
                    p.setPen(QColor(160, 140, 90));
                    p.setBrush(QColor(246, 238, 210));
                    p.drawRoundedRect(cell.adjusted(3, 3, -3, -3), 8, 8);
                }
            }
        }
    }
};

} // namespace

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
    m_presence = new net::Sock(this);
    m_presence->setHostName(QStringLiteral("127.0.0.1"));

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
            m_windows.phrases->showWith(m_phrases->phrases());
    });
    QAction *tally = m_viewMenu->addAction(QStringLiteral("View Tally"));
    tally->setObjectName(QStringLiteral("ViewTally1"));
    connect(tally, &QAction::triggered, this, [this] {
        if (m_windows.tally)
            m_windows.tally->showTally();
    });
    QAction *spies = m_viewMenu->addAction(QStringLiteral("Spy List"));
    spies->setObjectName(QStringLiteral("SpyList1"));
    connect(spies, &QAction::triggered, this, [this] { showWindow(m_windows.spyList); });
}

void Tchat::buildBoardPanel()
{
    auto *board = new IdleBoard(m_boardPanel);
    board->setObjectName(QStringLiteral("panel_boardframe"));
    board->setGeometry(16, 31, 397, 397);

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

    m_status = new QLabel(QStringLiteral("Welcome to Vorlith by Brakmo Software"), m_boardPanel);
    m_status->setObjectName(QStringLiteral("label_status"));
    m_status->setGeometry(9, 502, 416, 16);
    m_status->setAlignment(Qt::AlignCenter);
    m_status->setFont(ui::arial(13, true));
    m_status->setStyleSheet(QStringLiteral("color: #1f4a6d;"));

    auto *start = new ui::ImageButton(QStringLiteral("START"), QStringLiteral("button_start.png"), m_boardPanel);
    start->setObjectName(QStringLiteral("button_start"));
    start->move(164, 432);
    start->hide();
    connect(start, &ui::ClickLabel::clicked, this, &Tchat::button_startClick);
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
        smileys.append(QPixmap(ui::smileyPath(k)));
    m_chat->mainchat()->setImages(smileys);
    m_chat->mainchat()->setLinkCursor(ui::linkCursor());

    m_seats = new Seats(m_boardPanel, *m_session, nullptr, m_justWatch, this);
    m_seats->setHostCheck([this] { return m_state.host; });

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

    m_quickHelp = new QuickHelp(m_boardPanel);
}

void Tchat::wireSession()
{
    ClientSession &s = *m_session;
    const auto on = [&s](const char *word, auto handler) {
        s.setHandler(word, [handler](const QString &fields, const LineOrigin &) { handler(fields); });
    };
    on(proto::cmd::chat, [this](const QString &f) { m_chat->chatrecieved(f); });
    on(proto::cmd::action, [this](const QString &f) { m_chat->chatrecieved(f); });
    on(proto::cmd::newplayerinfo, [this](const QString &f) { m_seats->newplayerinfo(f); });
    on(proto::cmd::existingplayers, [this](const QString &f) { m_seats->newplayerinfo(f); });
    on(proto::cmd::playerdisconnected, [this](const QString &f) { m_seats->playerdisconnected(f); });
    on(proto::cmd::justwatching, [this](const QString &f) { m_seats->justwatching(f); });
    on(proto::cmd::playasound, [this](const QString &f) { playasound(f); });

    connect(&s, &ClientSession::systemLine, this, &Tchat::addSystemLine);
    connect(&s, &ClientSession::handlerFailed, this, [](const QString &text) { ui::showGeneralError(text); });
    connect(&s, &ClientSession::loggedIn, this, [this] { m_chat->setConnected(true); });
    connect(&s, &ClientSession::closed, this, [this] { close(); });
    connect(&s, &ClientSession::gameFull, this, [this] {
        ui::messageBoxes().inform(QStringLiteral("Game is full"));
        close();
    });
    connect(&s, &ClientSession::unreachable, this, [this](const QString &reason) {
        addSystemLine(QStringLiteral("0+Could not reach the host at %1 (%2). Close the game with File > Exit and try again later.")
                          .arg(m_session->sock().hostName(), reason));
    });

    connect(m_seats, &Seats::chatLine, this, &Tchat::addSystemLine);
    connect(m_seats, &Seats::ownArrival, this, &Tchat::loadSettingsRequested);
    connect(m_seats, &Seats::soundRequested, m_sounds, &chat::Sounds::playsounds);
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

QStringList Tchat::seatNames() const
{
    return m_seats->captions();
}

int Tchat::ownNumber() const
{
    return m_session->ownNumber();
}

void Tchat::addSystemLine(const QString &line)
{
    m_chat->addlinetochat(line, chat::colorValueOf(m_state.systemColour));
}

void Tchat::showWindow(QWidget *window)
{
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
    QTimer::singleShot(0, this, &Tchat::processparams);
}

void Tchat::processparams()
{
    m_startButton->hide();
    m_startGame->setEnabled(false);
    m_state.loginName.clear();

    if (m_params.isEmpty()) {
        addSystemLine(QStringLiteral("0+Loading Solo Game..Please wait."));
        if (m_windows.download) {
            m_windows.download->show();
            m_windows.download->raise();
        }
        m_state.hostAddress = QStringLiteral("127.0.0.1");
        m_state.playerName = QStringLiteral("You");
        try {
            hostpress();
        } catch (const net::SockError &e) {
            ui::showGeneralError(e.text());
        }
        Q_EMIT launched();
        return;
    }

    addSystemLine(QStringLiteral("0+Loading Multi-player Game.. Please Wait."));
    if (m_params.size() >= 3) {
        m_state.playerName = m_params.at(0);
        m_state.hostAddress = m_params.at(1);
        try {
            if (m_params.at(2) == QLatin1String("true"))
                hostpress();
            else
                joinpress();
            m_presence->setPortName(m_presencePort);
            m_presence->open();
        } catch (const net::SockError &e) {
            ui::showGeneralError(e.text());
        }
    }
    Q_EMIT launched();
}

void Tchat::hostpress()
{
    if (m_startHost)
        m_startHost();
    m_state.loginName = proto::bytes(m_state.playerName) + '\xff';
    m_state.host = true;
    m_session->setLoginName(m_state.loginName);
    m_session->connectTo(QStringLiteral("127.0.0.1"), m_gamePort);
    m_startButton->show();
    m_startGame->setEnabled(true);
    if (auto *spies = m_windows.spyList) {
        if (auto *kick = spies->findChild<QAction *>(QStringLiteral("popup_kickhim")))
            kick->setEnabled(true);
    }
}

void Tchat::joinpress()
{
    m_state.loginName = proto::bytes(m_state.playerName) + '\xff';
    m_session->setLoginName(m_state.loginName);
    m_session->connectTo(m_state.hostAddress, m_gamePort);
    m_startButton->hide();
    m_startGame->setEnabled(false);
}

// ---- commands ----------------------------------------------------------

void Tchat::button_startClick()
{
    if (!m_session->isConnected()) {
        ui::messageBoxes().inform(QStringLiteral("You are not connected"));
        return;
    }
    showWindow(m_windows.gameStart);
}

void Tchat::JustWatch1Click()
{
    const int own = m_session->ownNumber();
    if (!m_session->isConnected() || !m_session->isSeat(own))
        return;
    m_session->send(proto::justWatch(own, m_justWatch->isChecked() ? 2 : 1));
}

void Tchat::kicking(int number)
{
    if (m_state.host && m_session->isConnected())
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
