#pragma once

#include "tally/codec/stringgrid.h"

#include <QString>
#include <QStringList>

namespace vorlith::tally {

/// The result addGame takes for a game the local user won.
QString addToMine();

/// The tally behind the tally window: the local user's games, wins and
/// longest word (row 0) and one row per tallied opponent, kept in a 9-column
/// string grid exactly as the tally file stores it.
///
/// Opponent rows, columns 1..4 all-time and 5..8 this session: games
/// together, games the opponent won, games the local user won, games
/// neither won. Tallied player i (from 0) lives in row i + 1. Count cells
/// are decimal text; an empty or non-numeric one counts as 0.
class TallyBook
{
public:
    static constexpr int kColumns = 9;
    static constexpr int kOwnGames = 1;
    static constexpr int kOwnWins = 2;
    static constexpr int kLongestWord = 3;
    static constexpr int kGames = 1;
    static constexpr int kHisWins = 2;
    static constexpr int kMyWins = 3;
    static constexpr int kNeitherWon = 4;
    static constexpr int kSession = 4; ///< session column = total column + kSession
    /// A tally file whose text would be larger than this holds no tally: a
    /// real one of thousands of players stays far below it. It is refused
    /// before its text is produced.
    static constexpr qint64 kMaxPlainSize = 16 * 1024 * 1024;

    /// A fresh tally: one row of "0"s.
    TallyBook();

    struct LoadOutcome
    {
        bool loaded{false}; ///< the file existed and its tally replaced this one
        QString error;      ///< what to show the player when it could not be read
    };
    /// Loads the tally file at \a path when it exists. A file that cannot be
    /// read leaves this tally as it was and reports why.
    LoadOutcome load(const QString &path);
    /// Writes the tally to \a path, replacing the file only once the new one
    /// is complete. Returns the error text, empty on success.
    QString save(const QString &path) const;

    const StringGrid &grid() const { return m_grid; }
    /// Takes \a grid as the tally, widened to at least kColumns columns.
    void setGrid(const StringGrid &grid);
    QString cell(int column, int row) const { return m_grid.cell(column, row); }

    int playerCount() const { return m_grid.rowCount() - 1; }
    QString playerName(int index) const { return m_grid.cell(0, index + 1); }
    /// Position of the first tallied player called exactly \a name, or -1.
    int indexOfPlayer(const QString &name) const;

    /// Zeroes every player's session counts: a new program run begins.
    void startSession();
    /// Counts a finished game. \a result is the winner's name or addToMine();
    /// \a currentGame lists the other seated players; the tallied ones among
    /// them are counted, in that order.
    void addGame(const QString &result, const QStringList &currentGame);
    /// Keeps \a word as the longest word when it is strictly longer than the
    /// one kept so far; returns whether it did.
    bool checkWord(const QString &word);
    /// Starts tallying \a name with all counts 0; false when already tallied.
    bool addPlayer(const QString &name);
    /// Stops tallying player \a index, dropping its counts.
    void removePlayer(int index);
    /// Empties the own row and drops every tallied player.
    void reset();

private:
    /// Cell (column, row) plus one, stored back.
    void increment(int column, int row);

    StringGrid m_grid{kColumns, 1};
};

} // namespace vorlith::tally
