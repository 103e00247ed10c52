#pragma once

#include "lobby/apiclient.h"
#include "lobby/launch.h"
#include "lobby/tables.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <memory>
#include <optional>

class QTimer;

namespace vorlith::net {
class LocalGameFinder;
struct LocalGame;
} // namespace vorlith::net

namespace vorlith::lobby {

class LobbySettings;
class PresenceServer;
class TableFilter;
class TableListModel;

/// The lobby without its window: the servers, the chosen server's tables
/// kept current while the window shows, joining, creating, the game under
/// way and the way back after it.
///
/// Every timer here runs only while there is something to do: the list's
/// refresh while the window shows, a retry while the server cannot be
/// reached, the rejoin offer's countdown while it stands, the look for a
/// held seat while the server may not yet have noticed a game drop.
class Lobby : public QObject
{
    Q_OBJECT
public:
    /// How often the list is fetched while the window shows.
    static constexpr int RefreshMs = 2000;
    /// How often an unreachable server is tried again.
    static constexpr int RetryMs = 5000;
    /// A started game that has not connected by then did not get to a table.
    static constexpr int GameReportMs = 30000;
    /// After a game ends while the table still seats the player, the server
    /// has not yet noticed the drop (a vanished connection takes it up to
    /// 90 s): the table is asked again this often, this many times.
    static constexpr int HeldLookMs = 3000;
    static constexpr int HeldLookTries = 34;

    enum class ServerState
    {
        None,        ///< no server known or chosen
        Loading,     ///< asked, no answer yet
        Listing,     ///< the list is current
        Unreachable, ///< no answer; trying again
        NotOurApi,   ///< an answer, but not a table server's
    };

    Lobby(LobbySettings &settings, GameLauncher &launcher, PresenceServer &presence,
          QObject *parent = nullptr);
    ~Lobby() override;

    ApiClient &api() { return *m_api; }
    TableListModel &tables() { return *m_tables; }
    TableFilter &filter() { return *m_filter; }
    net::LocalGameFinder &localGames() { return *m_finder; }

    /// What is wrong with \a name as a player's name, or empty when nothing.
    static QString nameProblem(const QString &name);
    QString name() const { return m_name; }
    /// Takes and remembers the name; false (with message()) when it is no name.
    bool setName(const QString &name);

    /// The built-in servers and the ones the player added, as shown.
    QStringList servers() const;
    QStringList defaultServers() const { return m_defaults; }
    /// Adds \a address (remembered) and chooses it; false with message()
    /// when it is no server address.
    bool addServer(const QString &address);
    /// Forgets a server the player added.
    void removeServer(const QString &server);
    /// Chooses the server whose tables are listed; empty chooses none.
    void chooseServer(const QString &server);
    /// Chooses \a address for this run only (command line), not remembered.
    bool useServer(const QString &address);
    QString server() const { return m_server; }

    ServerState serverState() const { return m_state; }
    QString statusText() const { return m_status; }

    /// The window shows (refresh runs) or not (nothing runs).
    void setActive(bool active);
    bool isActive() const { return m_active; }
    /// Fetches the list now (what the refresh and retry timers do).
    void refresh();
    bool isPolling() const;
    int pollInterval() const;

    void join(const QString &tableId);
    void joinWithCode(const QString &code);
    void createTable(const api::NewTable &table);
    /// Joins the table as it was described, asking the server first.
    void joinTable(const Table &table);
    void joinLocal(const net::LocalGame &game);
    void hostHere();

    bool isPlaying() const { return m_playing; }
    /// "In a game at <table>".
    QString playingText() const;

    bool hasRejoinOffer() const { return m_rejoin.has_value(); }
    /// "Rejoin <table>".
    QString rejoinText() const;
    int rejoinSeconds() const { return m_rejoinSeconds; }
    void rejoin();
    /// One second of the offer's countdown has passed.
    void rejoinTick();

Q_SIGNALS:
    void serversChanged();
    void statusChanged();
    /// Something the person should read: an error to act on, or a note.
    void message(const QString &text);
    void busyChanged(bool busy);
    void playingChanged();
    /// The game ended: the window should show itself again.
    void showRequested();
    void rejoinChanged();
    /// A private table was created; its invite code is in the table.
    void privateTableCreated(const vorlith::lobby::Table &table);

private:
    void setState(ServerState state, const QString &status);
    void listed(const ApiResult &result);
    void schedule();
    void checkAndLaunch(const Table &table);
    /// Launches the table a join asked for, or says why not; \a notFound
    /// tells of a table the server does not know.
    void launchAnswered(const ApiResult &result, const QString &notFound);
    void launchGame(const Launch &launch, const QString &where, const std::optional<Table> &table);
    void gameConnected();
    void gameEnded(int remaining);
    void leaveGame();
    void lookForHeldSeat();
    void clearRejoin();
    QString unreachableText(const QString &reason) const;
    bool haveName();
    bool haveServer();
    void setBusy(bool busy);

    LobbySettings &m_settings;
    GameLauncher &m_launcher;
    PresenceServer &m_presence;
    std::unique_ptr<ApiClient> m_api;
    TableListModel *m_tables{nullptr};
    TableFilter *m_filter{nullptr};
    net::LocalGameFinder *m_finder{nullptr};
    QTimer *m_poll{nullptr};
    QTimer *m_report{nullptr};
    QTimer *m_countdown{nullptr};
    QTimer *m_heldLook{nullptr};

    QString m_name;
    QStringList m_defaults;
    QString m_server;
    QString m_sessionServer; ///< from the command line, not remembered
    ServerState m_state{ServerState::None};
    QString m_status;
    bool m_active{false};
    bool m_listing{false};
    bool m_busy{false};

    bool m_playing{false};
    bool m_reported{false};
    QString m_playingAt;
    std::optional<Table> m_playingTable;
    QUrl m_playingServer;
    QString m_heldTableId; ///< the table of the game that ended, while it is asked
    int m_heldTriesLeft{0};
    std::optional<Table> m_rejoin;
    int m_rejoinSeconds{0};
};

} // namespace vorlith::lobby
