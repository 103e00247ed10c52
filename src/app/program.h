#pragma once

#include "host/computerplan.h"

#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QPixmap>
#include <QStringList>

#include <QRandomGenerator>

#include <memory>
#include <optional>
#include <utility>

namespace vorlith::chat {
class SoundOutput;
class PhrasesDialog;
} // namespace vorlith::chat
namespace vorlith::client {
class GameClient;
class MainWindow;
class GameOptionsDialog;
class SpyListWindow;
} // namespace vorlith::client
namespace vorlith::host {
class ComputerTable;
class GameEngine;
class HostServer;
} // namespace vorlith::host
namespace vorlith::tally {
class TallyKeeper;
class TallyDialog;
} // namespace vorlith::tally
namespace vorlith::dict {
class Dictionary;
class WordFinder;
} // namespace vorlith::dict
namespace vorlith::net {
class LocalGameResponder;
}
namespace vorlith::ui {
class AboutDialog;
class HelpWindow;
} // namespace vorlith::ui

namespace vorlith::app {

class GameSwitch;
class Relauncher;
class Settings;
class DownloadDialog;
class WindowPreferences;

/// The whole program: its nine windows wired together, the host engine beside
/// them. The host engine is made first, and a game this program hosts opens
/// its port before any window exists; the main window follows. The seven
/// windows that start hidden are made, in their order, right after the launch
/// step has run, or earlier the moment one of them is needed.
class Program : public QObject
{
    Q_OBJECT
public:
    struct Options
    {
        QStringList params;                           ///< the launch parameters
        QString gamePort{QStringLiteral("7772")};     ///< the host engine's port
        QString presencePort{QStringLiteral("9001")}; ///< the lobby program's port
        chat::SoundOutput *soundOutput{nullptr};      ///< real sounds when null
        /// Computer players to seat once this program hosts and its own
        /// window holds slot 1, and their strength.
        int computerPlayers{0};
        host::Strength strength{host::Strength::Normal};
        /// A seated player may start games without hosting (--may-start).
        bool mayStart{false};
        /// The UDP port a hosted game answers local-network queries on, and
        /// where the Join dialog asks.
        quint16 lanPort{7772};
        /// Where the Join dialog's queries go; the local networks when empty.
        QList<QHostAddress> lanTargets;
        /// Starts the next program after Host a Game or Join a Game; one of
        /// the program's own when null.
        Relauncher *relauncher{nullptr};
    };

    explicit Program(const Options &options);
    ~Program() override;

    /// Shows the main window, which then acts on the launch parameters.
    void start();

    /// The game as this program's player takes part in it.
    client::GameClient &client() { return *m_client; }
    client::MainWindow &mainWindow() { return *m_chat; }
    host::HostServer &server() { return *m_server; }
    // The hidden windows, each made when first asked for.
    client::GameOptionsDialog &gameStart();
    ui::AboutDialog &about();
    ui::HelpWindow &help();
    DownloadDialog &download();
    client::SpyListWindow &spyList();
    chat::PhrasesDialog &phrases();
    tally::TallyDialog &tally();
    /// The tally itself, loaded when first asked for.
    tally::TallyKeeper &tallyKeeper();
    /// Makes every hidden window not made yet, in their order.
    void makeWindows();
    host::GameEngine &game() { return *m_game; }
    host::ComputerTable &computers() { return *m_computers; }
    /// The words of the program's list, for the review and the computer
    /// players; read from the list at first use.
    const dict::WordFinder &wordFinder();
    Settings &settings() { return *m_settings; }
    GameSwitch &gameSwitch() { return *m_switch; }
    /// Answers local-network queries while this program hosts.
    net::LocalGameResponder &lanResponder() { return *m_responder; }

Q_SIGNALS:
    /// The main window closed: the program ends.
    void finished();

private:
    void loadSettings();
    void saveSettings();
    void savePhrases(const QStringList &phrases);
    void startGame(int rounds, int creationTime);
    void sendStart(int rounds, int creationTime);
    /// True while this program hosts and its own window holds slot 1: the
    /// computer players join only then.
    bool hostsOwnTable() const;
    /// Brings the dialog's computer-player choice in line with the table.
    void showComputerChoice();
    void startHosting();
    /// Players at the hosted table other than this program's own.
    int othersAtTable() const;
    /// The command-line options that seat this table's computer players
    /// again at the next game this program hosts.
    QStringList computerOptions() const;
    /// A number from 0 to n - 1 from the one generator: the host's deal and
    /// the client's shuffle both draw here.
    int draw(int n);

    /// The one generator of the process, seeded from the clock.
    QRandomGenerator m_random;
    std::unique_ptr<client::GameClient> m_client;
    std::unique_ptr<client::MainWindow> m_chat;
    QPixmap m_background;
    std::unique_ptr<ui::AboutDialog> m_about;
    std::unique_ptr<DownloadDialog> m_download;
    std::unique_ptr<client::GameOptionsDialog> m_gameStart;
    std::unique_ptr<ui::HelpWindow> m_help;
    std::unique_ptr<chat::PhrasesDialog> m_phrases;
    std::unique_ptr<dict::Dictionary> m_dictionary;
    std::unique_ptr<host::HostServer> m_server;
    std::unique_ptr<host::GameEngine> m_game;
    std::unique_ptr<dict::WordFinder> m_finder;
    std::unique_ptr<host::ComputerTable> m_computers;
    /// Computer players asked for on the command line, not yet seated.
    int m_wantedComputers{0};
    /// The computer players' strength the game options dialog starts with.
    host::Strength m_strength{host::Strength::Normal};
    /// A start that waits for computer players on their way to the table.
    std::optional<std::pair<int, int>> m_pendingStart;
    std::unique_ptr<client::SpyListWindow> m_spyList;
    std::unique_ptr<tally::TallyKeeper> m_tallyKeeper;
    std::unique_ptr<tally::TallyDialog> m_tally;
    std::unique_ptr<WindowPreferences> m_preferences;
    std::unique_ptr<Settings> m_settings;
    std::unique_ptr<net::LocalGameResponder> m_responder;
    std::unique_ptr<Relauncher> m_ownRelauncher;
    std::unique_ptr<GameSwitch> m_switch;
    quint16 m_lanPort{7772};
};

} // namespace vorlith::app
