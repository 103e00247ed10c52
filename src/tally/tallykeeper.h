#pragma once

#include "tally/tallybook.h"

#include <QObject>
#include <QString>
#include <QStringList>

namespace vorlith::tally {

class SeatNameSource;

/// The tally of this program: its book and its file. It loads the file when
/// opened, counts finished games and the local user's words, starts and
/// stops tallying players, and writes the file when it goes. The tally
/// window only shows what the keeper holds and hands the player's choices
/// to it.
class TallyKeeper : public QObject
{
    Q_OBJECT

public:
    /// Name of the tally file in the program's data folder.
    static QString fileName();
    /// The tally file in the program's data folder.
    static QString defaultPath();

    /// \a seats (not owned, may be null) must outlive the keeper.
    explicit TallyKeeper(const SeatNameSource *seats, QString path = defaultPath(),
                         QObject *parent = nullptr);
    /// Saves the tally.
    ~TallyKeeper() override;

    /// Loads the tally file when there is one and begins a new session.
    /// A file that cannot be read leaves a fresh tally, and the player is
    /// told once the program runs.
    void open();
    /// Writes the tally file now; false (and the old file kept) on failure.
    bool save();

    const TallyBook &book() const { return m_book; }
    QString path() const { return m_path; }

    /// The players of the current game the tally can count: every seated
    /// player but the local user, seat 1 first.
    QStringList currentGame() const;

    /// Records a finished game: \a result is the winner's name, or
    /// addToMine() when the winner is the local user. The tallied players of
    /// the current game are counted.
    void addGame(const QString &result);
    /// Offers an accepted word of the local user as the longest word.
    void checkWord(const QString &word);
    /// Starts tallying \a name; nothing when already tallied.
    void addPlayer(const QString &name);
    /// Stops tallying player \a index, dropping its counts.
    void removePlayer(int index);
    /// Forgets the whole tally.
    void reset();

Q_SIGNALS:
    /// A game was counted; \a mine when the local user won it.
    void gameAdded(bool mine);
    void longestWordChanged(const QString &word);
    void playerAdded(const QString &name);
    void playerRemoved(int index);
    void tallyReset();

private:
    TallyBook m_book;
    QString m_path;
    const SeatNameSource *m_seats{nullptr};
};

} // namespace vorlith::tally
