#pragma once

#include "dict/wordfinder.h"
#include "host/computerplayer.h"

#include <QObject>

#include <array>
#include <memory>
#include <optional>
#include <vector>

namespace vorlith::host {

class HostServer;

/// The computer players a hosting program seats at its own table. Each is a
/// ComputerPlayer on its own connection to the host engine; the table adds
/// and removes them, names them ("Robot 1", "Robot 2", ...) and forgets them
/// once they have left, whoever removed them. They go with the table, so
/// none outlives the host.
class ComputerTable : public QObject
{
    Q_OBJECT
public:
    /// No more than this many sit at a table of six with its hosting player.
    static constexpr int MaxPlayers = 5;

    /// \a server must be listening before players are added.
    ComputerTable(HostServer &server, ComputerPlayer::WordSource words, PlanRandom random,
                  QObject *parent = nullptr);
    ~ComputerTable() override;

    /// Brings the computer players at the table to \a count (0 to MaxPlayers),
    /// all of them at \a strength: the newest leave first, and no more join
    /// than there are free seats.
    void setPlayers(int count, Strength strength);

    /// The computer players at the table or on their way to it.
    int count() const { return int(m_players.size()); }
    Strength strength() const { return m_strength; }
    /// Seats nobody holds and no computer player is on its way to.
    int freeSeats() const;
    /// True while no computer player is still on its way to its seat.
    bool isSettled() const;
    const std::vector<std::unique_ptr<ComputerPlayer>> &players() const { return m_players; }

    /// Computer players added from now on run with manual timing (tests).
    void setManual(bool manual) { m_manual = manual; }

Q_SIGNALS:
    /// A computer player joined, took its seat or left.
    void changed();
    /// Every computer player on its way has taken its seat or given up.
    void settled();

private:
    void add();
    QString freeName() const;
    void forget(ComputerPlayer *player);

    HostServer &m_server;
    ComputerPlayer::WordSource m_words;
    PlanRandom m_random;
    Strength m_strength{Strength::Normal};
    bool m_manual{false};
    std::vector<std::unique_ptr<ComputerPlayer>> m_players;
    std::array<int, 36> m_lastBoard{};
    std::optional<std::vector<dict::FoundWord>> m_lastWords;
};

} // namespace vorlith::host
