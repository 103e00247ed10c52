#include "tally/tallybook.h"

#include "tally/codec/lzrw1.h"

#include <QFileInfo>

#include <limits>

namespace vorlith::tally {

QString addToMine()
{
    return QStringLiteral("addtomine");
}

TallyBook::TallyBook()
{
    for (int column = 0; column < kColumns; ++column)
        m_grid.setCell(column, 0, QStringLiteral("0"));
}

TallyBook::LoadOutcome TallyBook::load(const QString &path)
{
    LoadOutcome outcome;
    if (!QFileInfo::exists(path))
        return outcome;
    const QString noTally = path + QStringLiteral(" : this file holds no tally !");
    QByteArray text;
    try {
        Tlzrw1 doit;
        doit.setCompressMode(Tlzrw1::Mode::Fast);
        doit.setInputFile(path);
        text = doit.decompressInput(kMaxPlainSize);
    } catch (const ELzrw1TooLarge &) {
        outcome.error = noTally;
        return outcome;
    } catch (const ELzrw1Exception &e) {
        outcome.error = e.message();
        return outcome;
    }
    const std::optional<StringGrid> grid = loadgrid(text);
    if (!grid) {
        outcome.error = noTally;
        return outcome;
    }
    setGrid(*grid);
    outcome.loaded = true;
    return outcome;
}

QString TallyBook::save(const QString &path) const
{
    try {
        Tlzrw1 doit;
        doit.setCompressMode(Tlzrw1::Mode::Fast);
        doit.setOutputFile(path);
        doit.compressToOutput(savegrid(m_grid));
    } catch (const ELzrw1Exception &e) {
        return e.message();
    }
    return QString();
}

void TallyBook::setGrid(const StringGrid &grid)
{
    m_grid = grid;
    if (m_grid.colCount() < kColumns)
        m_grid.setColCount(kColumns);
}

int TallyBook::indexOfPlayer(const QString &name) const
{
    for (int row = 1; row < m_grid.rowCount(); ++row) {
        if (m_grid.cell(0, row) == name)
            return row - 1;
    }
    return -1;
}

void TallyBook::startSession()
{
    for (int row = 1; row < m_grid.rowCount(); ++row) {
        for (int column = kGames + kSession; column <= kNeitherWon + kSession; ++column)
            m_grid.setCell(column, row, QStringLiteral("0"));
    }
}

void TallyBook::increment(int column, int row)
{
    bool ok = false;
    int value = m_grid.cell(column, row).toInt(&ok);
    if (!ok)
        value = 0;
    // A count at the top of the range comes from an edited file; start over
    // rather than overflow.
    value = value == std::numeric_limits<int>::max() ? 1 : value + 1;
    m_grid.setCell(column, row, QString::number(value));
}

void TallyBook::addGame(const QString &result, const QStringList &currentGame)
{
    const bool mine = result == addToMine();
    increment(kOwnGames, 0);
    if (mine)
        increment(kOwnWins, 0);

    for (const QString &name : currentGame) {
        const int index = indexOfPlayer(name);
        if (index < 0)
            continue;
        const int row = index + 1;
        for (int column = kGames; column <= kNeitherWon + kSession; ++column) {
            if (m_grid.cell(column, row).isEmpty())
                m_grid.setCell(column, row, QStringLiteral("0"));
        }
        const int outcome = name == result ? kHisWins : mine ? kMyWins : kNeitherWon;
        for (const int column : {kGames, outcome}) {
            increment(column, row);
            increment(column + kSession, row);
        }
    }
}

bool TallyBook::checkWord(const QString &word)
{
    if (word.size() <= m_grid.cell(kLongestWord, 0).size())
        return false;
    m_grid.setCell(kLongestWord, 0, word);
    return true;
}

bool TallyBook::addPlayer(const QString &name)
{
    if (indexOfPlayer(name) >= 0)
        return false;
    const int row = m_grid.rowCount();
    m_grid.setRowCount(row + 1);
    m_grid.setCell(0, row, name);
    for (int column = kGames; column <= kNeitherWon + kSession; ++column)
        m_grid.setCell(column, row, QStringLiteral("0"));
    return true;
}

void TallyBook::removePlayer(int index)
{
    // Row 0 is the local user's own, never a player's.
    if (index >= 0 && index < playerCount())
        m_grid.removeRow(index + 1);
}

void TallyBook::reset()
{
    for (int column = 0; column < m_grid.colCount(); ++column)
        m_grid.setCell(column, 0, QString());
    m_grid.setRowCount(1);
}

} // namespace vorlith::tally
