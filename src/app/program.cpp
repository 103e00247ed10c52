#include "app/program.h"

#include "app/downloaddialog.h"
#include "app/gameswitch.h"
#include "app/lobbyplaces.h"
#include "app/preferences.h"
#include "app/settings.h"
#include "app/strayfiles.h"
#include "chat/phrases.h"
#include "chat/phrasesdialog.h"
#include "client/boardpanel.h"
#include "client/clientsession.h"
#include "client/gameclient.h"
#include "client/gameoptionsdialog.h"
#include "client/launcher.h"
#include "client/mainwindow.h"
#include "client/reviewroom.h"
#include "client/roster.h"
#include "client/roundflow.h"
#include "client/spylistwindow.h"
#include "dict/dictionary.h"
#include "dict/wordfinder.h"
#include "host/computertable.h"
#include "host/gameengine.h"
#include "host/server.h"
#include "net/localgames.h"
#include "net/protocol.h"
#include "net/sock.h"
#include "tally/tallydialog.h"
#include "tally/tallykeeper.h"
#include "ui/aboutdialog.h"
#include "ui/helpwindow.h"
#include "ui/messageboxes.h"
#include "ui/paths.h"

#include <QDateTime>
#include <QFileInfo>
#include <QListWidget>
#include <QProcess>
#include <QRandomGenerator>

namespace vorlith::app {

Program::Program(const Options &options)
    : m_random(static_cast<quint32>(QDateTime::currentMSecsSinceEpoch()))
{
    // Copies of the settings and tally files that a crash left half put in place.
    removeStrayCopies(
        {ui::dataFilePath(Settings::FileName), ui::dataFilePath(tally::TallyKeeper::fileName())});

    // The host engine, with its dictionary; dormant until hosting starts.
    m_dictionary = std::make_unique<dict::Dictionary>();
    if (!m_dictionary->loadwords())
        ui::messageBoxes().inform(m_dictionary->errorText());
    m_server = std::make_unique<host::HostServer>();
    m_server->setPortName(options.gamePort);
    m_game = std::make_unique<host::GameEngine>(m_server->registry(), *m_server, *m_dictionary,
                                                [this](int n) { return draw(n); });
    m_server->setGame(m_game.get());
    // A game this program will host is open to players before its windows
    // are made: they can join as soon as possible, and whoever comes is
    // served once the event loop runs, as ever. The launch step, after the
    // main window shows, finds the port open; should it fail here, the
    // launch step tries again and tells the player, as it always has. Slot 1
    // stays for this program's own player, who comes a little later.
    if (client::Launcher::hostsWith(options.params)) {
        m_server->keepFirstSlotFor(&host::HostServer::isThisMachine);
        try {
            m_server->startListening();
        } catch (const net::SockError &) {
        }
    }
    const auto wordsOn = [this](const std::array<int, 36> &board) {
        return wordFinder().find(board);
    };
    m_computers = std::make_unique<host::ComputerTable>(*m_server, wordsOn,
                                                        [this](int n) { return draw(n); });
    m_wantedComputers = options.computerPlayers;
    m_strength = options.strength;

    // The main window comes next: the others copy its background picture.
    m_client = std::make_unique<client::GameClient>();
    m_chat = std::make_unique<client::MainWindow>(*m_client, options.soundOutput);
    m_background = m_chat->backgroundPicture();

    m_preferences = std::make_unique<WindowPreferences>(
        *m_chat, [this]() -> client::GameOptionsDialog & { return gameStart(); });
    m_settings = std::make_unique<Settings>(ui::dataFilePath(Settings::FileName), *m_preferences);

    client::MainWindow &chat = *m_chat;
    client::GameClient &game = *m_client;
    chat.setWindows({[this] { return &about(); }, [this] { return &download(); },
                     [this] { return &gameStart(); }, [this] { return &help(); },
                     [this] { return &phrases(); }, [this] { return &spyList(); },
                     [this] { return &tally(); }});
    game.setRandomSource([this](int n) { return draw(n); });
    client::Launcher &launcher = game.launcher();
    launcher.setGamePort(options.gamePort);
    launcher.setPresencePort(options.presencePort);
    launcher.setHostStarter([this, &launcher] {
        startHosting();
        // Told to take any free port, the own client joins the one it got.
        launcher.setGamePort(QString::number(m_server->listeningPort()));
    });
    launcher.setLaunchParameters(options.params);
    game.flow().setMayStart(options.mayStart);
    // The hidden windows wait until the game has been started or joined:
    // nobody can see them before, and a start need not wait for them.
    connect(&launcher, &client::Launcher::launched, this, &Program::makeWindows,
            Qt::QueuedConnection);
    connect(&chat, &client::MainWindow::playOnlineRequested, this, [] {
        // The lobby runs on its own: this game goes on whatever it does.
        const QString lobby = LobbyPlaces::current().program;
        if (!QFileInfo(lobby).isExecutable() || !QProcess::startDetached(lobby, {}))
            ui::messageBoxes().inform(
                QStringLiteral("The lobby program could not be started from %1. Install the "
                               "package that brings it with the game.")
                    .arg(lobby));
    });
    connect(&launcher, &client::Launcher::hostingChanged, this, [this](bool host) {
        if (m_spyList)
            m_spyList->popup_kickhim()->setEnabled(host);
    });

    chat.panel().reviewRoom().setWordSource(wordsOn);
    connect(&game.roster(), &client::Roster::ownArrival, this, [this, strength = options.strength] {
        if (m_wantedComputers > 0 && hostsOwnTable())
            m_computers->setPlayers(std::exchange(m_wantedComputers, 0), strength);
    });
    connect(m_computers.get(), &host::ComputerTable::settled, this, [this] {
        if (m_pendingStart)
            sendStart(m_pendingStart->first, std::exchange(m_pendingStart, std::nullopt)->second);
    });
    connect(&game, &client::GameClient::gameRecorded, this,
            [this](const QString &result) { tallyKeeper().addGame(result); });
    connect(&game, &client::GameClient::wordRecorded, this,
            [this](const QString &word) { tallyKeeper().checkWord(word); });
    connect(m_computers.get(), &host::ComputerTable::changed, this, &Program::showComputerChoice);
    connect(&game.roster(), &client::Roster::seatChanged, this, &Program::showComputerChoice);

    connect(&game, &client::GameClient::ownArrival, this, &Program::loadSettings);
    connect(&chat, &client::MainWindow::saveSettingsRequested, this, &Program::saveSettings);
    connect(&chat, &client::MainWindow::closed, this, &Program::finished);

    // Local-network games: answers while hosting, File > Host and Join.
    m_lanPort = options.lanPort;
    const quint32 lanId = QRandomGenerator::global()->generate();
    m_responder = std::make_unique<net::LocalGameResponder>([this, lanId] {
        net::LocalGame game;
        game.id = lanId;
        game.name = host::HostServer::cleanName(m_client->launcher().identity().playerName);
        for (int seat = 1; seat <= net::game::Seats; ++seat)
            game.seatsTaken += m_server->registry().isActive(seat) ? 1 : 0;
        game.running = m_game->gameInProgress();
        return game;
    });
    Relauncher *relauncher = options.relauncher;
    if (!relauncher) {
        m_ownRelauncher = std::make_unique<Relauncher>();
        relauncher = m_ownRelauncher.get();
    }
    GameSwitch::Table table{[&launcher] { return launcher.identity().playerName; },
                            [&launcher] { return launcher.isHost(); },
                            [this] { return othersAtTable(); },
                            [this] { return computerOptions(); }};
    m_switch = std::make_unique<GameSwitch>(m_settings->store(), table, *relauncher, &chat);
    m_switch->finder().setPort(options.lanPort);
    m_switch->finder().setTargets(options.lanTargets);
    m_switch->addTo(chat.fileMenu());
    // Leaving goes through the window's ordinary close, so settings and
    // tally are saved before the next program starts.
    connect(m_switch.get(), &GameSwitch::leaveRequested, &chat, &QWidget::close);
}

void Program::makeWindows()
{
    about();
    download();
    gameStart();
    help();
    phrases();
    spyList();
    tally();
}

ui::AboutDialog &Program::about()
{
    if (!m_about)
        m_about = std::make_unique<ui::AboutDialog>(m_background);
    return *m_about;
}

DownloadDialog &Program::download()
{
    if (!m_download) {
        m_download = std::make_unique<DownloadDialog>();
        // Handing over to the installer or the lobby program ends the game
        // the normal way, so settings and tally are saved.
        connect(m_download.get(), &DownloadDialog::closeProgramRequested, m_chat.get(),
                &QWidget::close);
    }
    return *m_download;
}

client::GameOptionsDialog &Program::gameStart()
{
    if (!m_gameStart) {
        m_gameStart = std::make_unique<client::GameOptionsDialog>(m_background);
        m_gameStart->setCentredOn(m_chat.get());
        m_gameStart->setStrength(host::strengthName(m_strength));
        connect(m_gameStart.get(), &client::GameOptionsDialog::startRequested, this, &Program::startGame);
        connect(m_gameStart.get(), &client::GameOptionsDialog::aboutToShow, this,
                &Program::showComputerChoice);
        // Made late, it learns what the table has come to.
        showComputerChoice();
    }
    return *m_gameStart;
}

ui::HelpWindow &Program::help()
{
    if (!m_help)
        m_help = std::make_unique<ui::HelpWindow>(m_background, &about());
    return *m_help;
}

chat::PhrasesDialog &Program::phrases()
{
    if (!m_phrases) {
        m_phrases = std::make_unique<chat::PhrasesDialog>(m_background);
        connect(m_phrases.get(), &chat::PhrasesDialog::phrasesConfirmed, this,
                &Program::savePhrases);
    }
    return *m_phrases;
}

client::SpyListWindow &Program::spyList()
{
    if (!m_spyList) {
        m_spyList = std::make_unique<client::SpyListWindow>(m_background);
        // The roster holds the spies from the start; the list shows them all.
        m_spyList->observe(m_client->roster());
        m_spyList->popup_kickhim()->setEnabled(m_client->launcher().isHost());
        connect(m_spyList.get(), &client::SpyListWindow::kickRequested, m_client.get(),
                &client::GameClient::removePlayer);
    }
    return *m_spyList;
}

tally::TallyKeeper &Program::tallyKeeper()
{
    if (!m_tallyKeeper) {
        m_tallyKeeper = std::make_unique<tally::TallyKeeper>(&m_client->roster());
        m_tallyKeeper->open();
    }
    return *m_tallyKeeper;
}

tally::TallyDialog &Program::tally()
{
    if (!m_tally)
        m_tally = std::make_unique<tally::TallyDialog>(tallyKeeper(), m_background);
    return *m_tally;
}

Program::~Program()
{
    // The tally is saved as its keeper goes; the computer players leave
    // before the host stops, and the host stops before its game.
    m_tally.reset();
    m_tallyKeeper.reset();
    m_computers.reset();
    m_server->setGame(nullptr);
}

int Program::draw(int n)
{
    return n > 0 ? int(m_random.bounded(n)) : 0;
}

void Program::start()
{
    m_chat->show();
}

void Program::startHosting()
{
    m_server->startListening();
    if (m_settings->store().load().lanAnswers)
        m_responder->start(m_lanPort);
}

int Program::othersAtTable() const
{
    // The computer players go with this program: nobody else loses a game.
    QList<int> ours{m_client->session().ownNumber()};
    for (const auto &player : m_computers->players())
        ours.append(player->slot());
    int others = 0;
    for (int slot : m_server->registry().activeSlots())
        others += ours.contains(slot) ? 0 : 1;
    return others;
}

QStringList Program::computerOptions() const
{
    if (m_computers->count() == 0)
        return {};
    return {QStringLiteral("--computer-players"), QString::number(m_computers->count()),
            QStringLiteral("--strength"), host::strengthName(m_computers->strength()).toLower()};
}

void Program::loadSettings()
{
    try {
        m_settings->load();
    } catch (const SettingsError &e) {
        ui::showGeneralError(e.text());
    }
    m_chat->markSettingsLoaded();
}

void Program::saveSettings()
{
    try {
        m_settings->save();
    } catch (const SettingsError &e) {
        ui::showGeneralError(e.text());
    }
}

void Program::savePhrases(const QStringList &phrases)
{
    for (int n = 1; n <= chat::PhraseButtons::Count; ++n)
        m_chat->panel().phraseButtons().setPhrase(n, phrases.value(n - 1));
    try {
        m_settings->store().savePhrases(phrases);
    } catch (const SettingsError &e) {
        ui::showGeneralError(e.text());
    }
}

const dict::WordFinder &Program::wordFinder()
{
    if (!m_finder)
        m_finder = std::make_unique<dict::WordFinder>(*m_dictionary);
    return *m_finder;
}

bool Program::hostsOwnTable() const
{
    return m_server->isListening() && m_client->launcher().isHost() &&
           m_client->session().ownNumber() == 1;
}

void Program::showComputerChoice()
{
    if (!m_gameStart)
        return; // the dialog catches up when it is made
    const int atTable = m_computers->count();
    m_gameStart->setComputerPlayerLimit(
        hostsOwnTable()
            ? std::min(host::ComputerTable::MaxPlayers, atTable + m_computers->freeSeats())
            : 0);
    // What the player is choosing in the open dialog is left alone.
    if (!m_gameStart->isVisible()) {
        m_gameStart->setComputerPlayers(atTable);
        if (atTable > 0)
            m_gameStart->setStrength(host::strengthName(m_computers->strength()));
    }
}

void Program::startGame(int rounds, int creationTime)
{
    m_gameStart->hide();
    if (m_chat->settingsLoaded())
        saveSettings();
    if (hostsOwnTable()) {
        const std::optional<host::Strength> strength =
            host::strengthFromName(m_gameStart->strength());
        m_computers->setPlayers(m_gameStart->computerPlayers(),
                                strength.value_or(host::Strength::Normal));
    }
    // The game starts once the computer players sit at the table: joining
    // while a round runs, they would sit it out.
    if (m_computers->isSettled())
        sendStart(rounds, creationTime);
    else
        m_pendingStart = {rounds, creationTime};
}

void Program::sendStart(int rounds, int creationTime)
{
    m_client->startGame(rounds, creationTime);
}

} // namespace vorlith::app
