#include "tally/tallykeeper.h"

#include "tally/seatnamesource.h"
#include "ui/messageboxes.h"
#include "ui/paths.h"

#include <QLoggingCategory>

namespace vorlith::tally {

Q_LOGGING_CATEGORY(lcTally, "vorlith.tally")

QString TallyKeeper::fileName()
{
    return QStringLiteral("Vorlithtally.tld");
}

QString TallyKeeper::defaultPath()
{
    return ui::dataFilePath(fileName());
}

TallyKeeper::TallyKeeper(const SeatNameSource *seats, QString path, QObject *parent)
    : QObject(parent), m_path(std::move(path)), m_seats(seats)
{
}

TallyKeeper::~TallyKeeper()
{
    save();
}

void TallyKeeper::open()
{
    const TallyBook::LoadOutcome outcome = m_book.load(m_path);
    if (!outcome.error.isEmpty()) {
        // Told once the program has started: a box opened while the windows
        // are still being made would hold up the start of the game.
        QMetaObject::invokeMethod(
            this, [error = outcome.error] { ui::messageBoxes().inform(error); },
            Qt::QueuedConnection);
    }
    m_book.startSession();
}

bool TallyKeeper::save()
{
    const QString error = m_book.save(m_path);
    if (error.isEmpty())
        return true;
    // The player is not bothered with it: the previous tally file stays.
    qCWarning(lcTally) << "tally not saved:" << error;
    return false;
}

QStringList TallyKeeper::currentGame() const
{
    QStringList players;
    if (!m_seats)
        return players;
    const QStringList names = m_seats->seatNames();
    const int own = m_seats->ownNumber();
    for (int seat = 1; seat <= 6 && seat <= names.size(); ++seat) {
        const QString &name = names[seat - 1];
        if (seat != own && name != emptySeatName())
            players.append(name);
    }
    return players;
}

void TallyKeeper::addGame(const QString &result)
{
    m_book.addGame(result, currentGame());
    Q_EMIT gameAdded(result == addToMine());
}

void TallyKeeper::checkWord(const QString &word)
{
    if (m_book.checkWord(word))
        Q_EMIT longestWordChanged(word);
}

void TallyKeeper::addPlayer(const QString &name)
{
    if (m_book.addPlayer(name))
        Q_EMIT playerAdded(name);
}

void TallyKeeper::removePlayer(int index)
{
    if (index < 0 || index >= m_book.playerCount())
        return;
    m_book.removePlayer(index);
    Q_EMIT playerRemoved(index);
}

void TallyKeeper::reset()
{
    m_book.reset();
    Q_EMIT tallyReset();
}

} // namespace vorlith::tally
