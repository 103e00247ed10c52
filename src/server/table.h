#pragma once

#include "host/computerplan.h"
#include "host/hostrules.h"

#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <map>
#include <memory>

namespace vorlith::net {
class Sock;
}
namespace vorlith::host {
class ComputerTable;
class GameEngine;
class HostServer;
} // namespace vorlith::host

namespace vorlith::server {

class Admission;

/// The word list every table judges by, loaded once for the whole server,
/// and the finder its computer players look words up with.
class Words
{
public:
    Words();
    ~Words();
    Words(const Words &) = delete;
    Words &operator=(const Words &) = delete;

    /// Loads \a fileName, or the built-in list when it is empty. False with
    /// errorText() when nothing could be loaded.
    bool load(const QString &fileName);
    QString errorText() const;
    bool isWord(QStringView word) const;

    struct Impl;

private:
    friend class Table;
    std::unique_ptr<Impl> m_impl;
};

/// What a table is made with; fixed for its whole life.
struct TableOptions
{
    static constexpr int MaxNameLength = 32;
    QString name;
    int rounds{5};
    int time{60};
    int computers{0};
    host::Strength strength{host::Strength::Normal};
    bool isPrivate{false};
};

/// One table of the server: a host engine, its game engine and its computer
/// players, listening on a port of its own. Nobody at the table hosts it:
/// the table's rules stand in for the hosting player (see rules()).
class Table : public QObject, private host::HostRules
{
    Q_OBJECT
public:
    using RandomSource = std::function<int(int n)>;

    Table(int id, TableOptions options, Words &words, Admission &admission, RandomSource random,
          QObject *parent = nullptr);
    ~Table() override;

    /// Starts listening on \a port (0: any free one) at \a addresses (none:
    /// every address) and seats the computer players. False when the port
    /// cannot be had.
    bool open(quint16 port, const QList<QHostAddress> &addresses = {});
    quint16 port() const;

    int id() const { return m_id; }
    const TableOptions &options() const { return m_options; }

    bool isPlaying() const;
    /// The round running or last run; 0 before the first.
    qint64 round() const;
    /// The names in seats 1-6 (computer players included), in seat order.
    QStringList seated() const;
    /// Seats kept for players who dropped out of the running game: their
    /// names and the whole seconds left to come back.
    QList<QPair<QString, qint64>> held() const;
    /// Participants in slots 7-9.
    int spies() const;
    /// People (not computer players) connected now.
    int people() const { return int(m_people.size()); }
    /// People in seats 1-6 now.
    int peopleSeated() const;
    /// Games started at this table.
    int gamesStarted() const { return m_gamesStarted; }
    /// Games played to a winner here.
    int gamesPlayed() const { return m_gamesPlayed; }

    /// Drives the game's one-second clock by hand (tests).
    void setManual(bool manual);
    host::GameEngine &game() { return *m_game; }
    host::HostServer &engine() { return *m_server; }
    /// The rules the host engine consults (tests ask them directly).
    host::HostRules &rules() { return *this; }

    /// Times every handled line by its command word (the server's figures).
    void setLineTimer(std::function<void(const QByteArray &, std::chrono::nanoseconds)> timer);

Q_SIGNALS:
    /// A person came or went.
    void peopleChanged();
    /// A game started here.
    void gameStarted();

private:
    // host::HostRules
    bool admits(net::Sock &connection) override;
    bool mayStartGame(int slot, bool gameRunning) const override;
    net::proto::StartGame startRequest(const net::proto::StartGame &request, int slot) override;
    bool hasHostingPowers(int slot) const override;
    bool endsQuietly(const host::Registry &registry, qint64 round,
                     qint32 roundsToPlay) const override;

    /// Counts \a connection as a person's until it closes.
    void follow(net::Sock &connection, const QString &address);
    void release(net::Sock *connection);
    void computersSettled();

    int m_id;
    TableOptions m_options;
    Words &m_words;
    Admission &m_admission;
    RandomSource m_random;
    // People's connections by the address they were counted under. Declared
    // before the engines, so that it outlives their closing connections.
    std::map<net::Sock *, QString> m_people;
    bool m_closing{false};
    int m_computersExpected{0};
    int m_gamesStarted{0};
    int m_gamesPlayed{0};
    std::unique_ptr<host::HostServer> m_server;
    std::unique_ptr<host::GameEngine> m_game;
    std::unique_ptr<host::ComputerTable> m_computers;
};

} // namespace vorlith::server
