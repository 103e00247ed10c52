#include "client/boardmodel.h"

#include "net/protocol.h"

#include <QRandomGenerator>

namespace vorlith::client {

namespace {

/// A shuffle that cannot find a free cell by drawing this often takes the
/// first free one: a broken random source must not hang the window.
constexpr int MaxDrawsPerTile = 10000;

bool isLetter(int value)
{
    return value >= 1 && value <= 26;
}

} // namespace

BoardModel::BoardModel(QObject *parent) : QObject(parent)
{
    m_letters.fill(NoTile);
    const auto place = [this](const QString &word, int row, int firstColumn) {
        for (int i = 0; i < word.size(); ++i)
            letterAt({firstColumn + i, row}) = word.at(i).unicode() - u'A' + 1;
    };
    place(IdleTop, 3, 3);
    place(IdleBottom, 4, 1);
}

int BoardModel::letter(int column, int row) const
{
    if (column < 1 || column > Size || row < 1 || row > Size)
        return NoTile;
    return m_letters[index({column, row})];
}

int BoardModel::mark(int column, int row) const
{
    if (column < 1 || column > Size || row < 1 || row > Size)
        return 0;
    return m_marks[index({column, row})];
}

QString BoardModel::myletter(int value)
{
    return isLetter(value) ? QString(QChar(u'A' + (value - 1))) : QString();
}

std::optional<BoardModel::Cell> BoardModel::cellAt(int x, int y)
{
    // The grid covers 390 by 390; the surface's last two pixels belong to no cell.
    if (x < 0 || y < 0 || x >= Size * CellPixels || y >= Size * CellPixels)
        return std::nullopt;
    return Cell{x / CellPixels + 1, y / CellPixels + 1};
}

BoardModel::Cell BoardModel::cellOfPosition(int position)
{
    return {(position - 1) / Size + 1, (position - 1) % Size + 1};
}

QStringList BoardModel::selected() const
{
    QStringList lines;
    for (const Cell &c : m_selected)
        lines.append(QString::number(c.column) + QString::number(c.row));
    return lines;
}

void BoardModel::setTyping(bool on)
{
    if (m_typing == on)
        return;
    m_typing = on;
    Q_EMIT typingChanged(on);
}

void BoardModel::setOpen(bool open)
{
    if (m_open == open)
        return;
    m_open = open;
    Q_EMIT openChanged(open);
}

QString BoardModel::rowText(int row) const
{
    QStringList cells;
    for (int column = 1; column <= Size; ++column) {
        const QString l = myletter(letter(column, row));
        QString text = l.isEmpty() ? QStringLiteral("empty") : l;
        if (mark(column, row) != 0)
            text += QStringLiteral(" used");
        cells.append(text);
    }
    return QStringLiteral("Row %1: ").arg(row) + cells.join(QStringLiteral(", "));
}

void BoardModel::onBoardDealt(const net::game::Board &codes)
{
    // A letter outside 1..26 (or a cell the deal did not name) changes nothing.
    bool changed = false;
    for (int position = 1; position <= Cells; ++position) {
        const int code = codes[static_cast<size_t>(position - 1)];
        if (!isLetter(code))
            continue;
        const Cell c = cellOfPosition(position);
        letterAt(c) = code;
        markAt(c) = 0;
        m_dealt[static_cast<size_t>(position - 1)] = code;
        changed = true;
    }
    if (changed)
        Q_EMIT boardChanged();
}

void BoardModel::choose(const Cell &c)
{
    m_word += myletter(letterAt(c));
    markAt(c) = Cross;
    m_selected.push_back(c);
    Q_EMIT boardChanged();
    Q_EMIT wordChanged(m_word);
}

void BoardModel::chooseCell(bool rightButton, int x, int y)
{
    if (!m_open)
        return;
    if (rightButton) {
        submitWord();
        return;
    }
    const std::optional<Cell> c = cellAt(x, y);
    // A cell without a letter tile has nothing to give to the word.
    if (!c || !isLetter(letterAt(*c)))
        return;
    if (markAt(*c) != 0) {
        Q_EMIT soundRequested(QStringLiteral("invalid"));
        return;
    }
    choose(*c);
    Q_EMIT soundRequested(QStringLiteral("puttile"));
}

bool BoardModel::chooseLetter(int code)
{
    const int wanted = code - 64;
    if (!isLetter(wanted))
        return false;
    for (int column = 1; column <= Size; ++column) {
        for (int row = 1; row <= Size; ++row) {
            const Cell c{column, row};
            if (letterAt(c) == wanted && markAt(c) == 0) {
                choose(c);
                return true;
            }
        }
    }
    return false;
}

void BoardModel::removeLastLetter()
{
    if (m_selected.empty())
        return;
    const Cell c = m_selected.back();
    m_selected.pop_back();
    markAt(c) = 0;
    m_word.chop(1);
    Q_EMIT boardChanged();
    Q_EMIT wordChanged(m_word);
    Q_EMIT soundRequested(QStringLiteral("clear"));
}

void BoardModel::clearWord()
{
    const bool hadMarks = std::any_of(m_marks.begin(), m_marks.end(), [](int m) { return m != 0; });
    m_marks.fill(0);
    m_selected.clear();
    const bool hadWord = !m_word.isEmpty();
    m_word.clear();
    if (hadMarks)
        Q_EMIT boardChanged();
    if (hadWord)
        Q_EMIT wordChanged(m_word);
}

void BoardModel::submitWord()
{
    if (!m_open)
        return;
    Q_EMIT wordSubmitted(m_word);
    clearWord();
}

int BoardModel::draw(int n)
{
    const int value = m_random ? m_random(n) : int(QRandomGenerator::global()->bounded(n));
    if (value >= 0 && value < n)
        return value;
    return ((value % n) + n) % n;
}

void BoardModel::shuffle()
{
    if (!m_open)
        return;
    clearWord();
    // No input is taken while the tiles move.
    m_open = false;
    const std::array<int, Cells> saved = m_letters;
    m_letters.fill(FreeCell);
    for (int value : saved) {
        Cell c;
        int draws = 0;
        do {
            c.column = draw(Size) + 1;
            c.row = draw(Size) + 1;
        } while (letterAt(c) != FreeCell && ++draws < MaxDrawsPerTile);
        if (letterAt(c) != FreeCell) {
            const auto free = std::find(m_letters.begin(), m_letters.end(), FreeCell);
            c = cellOfPosition(int(free - m_letters.begin()) + 1);
        }
        letterAt(c) = value;
    }
    m_open = true;
    Q_EMIT boardChanged();
    Q_EMIT soundRequested(QStringLiteral("shuffle"));
}

void BoardModel::clearWordAloud()
{
    clearWord();
    Q_EMIT soundRequested(QStringLiteral("clear"));
}

} // namespace vorlith::client
