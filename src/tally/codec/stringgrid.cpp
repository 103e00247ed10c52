#include "tally/codec/stringgrid.h"

#include <algorithm>

namespace vorlith::tally {

StringGrid::StringGrid(int columns, int rows) : m_columns(std::max(columns, 0))
{
    setRowCount(rows);
}

void StringGrid::setColCount(int columns)
{
    m_columns = std::max(columns, 0);
    for (QStringList &row : m_rows)
        row.resize(m_columns);
}

void StringGrid::setRowCount(int rows)
{
    m_rows.resize(std::max(rows, 0));
    for (QStringList &row : m_rows)
        row.resize(m_columns);
}

QString StringGrid::cell(int column, int row) const
{
    if (column < 0 || column >= m_columns || row < 0 || row >= rowCount())
        return QString();
    return m_rows[row][column];
}

void StringGrid::setCell(int column, int row, const QString &text)
{
    if (column < 0 || column >= m_columns || row < 0 || row >= rowCount())
        return;
    m_rows[row][column] = text;
}

void StringGrid::removeRow(int row)
{
    if (row >= 0 && row < rowCount())
        m_rows.removeAt(row);
}

QByteArray savegrid(const StringGrid &grid)
{
    QByteArray text;
    const auto line = [&text](const QByteArray &bytes) {
        text += bytes;
        text += "\r\n";
    };
    line(QByteArray::number(grid.colCount()));
    line(QByteArray::number(grid.rowCount()));
    for (int column = 0; column < grid.colCount(); ++column) {
        for (int row = 0; row < grid.rowCount(); ++row) {
            QByteArray cell = grid.cell(column, row).toLatin1();
            cell.replace('\r', ' ').replace('\n', ' ');
            line(cell);
        }
    }
    return text;
}

namespace {

// Hands out the lines of a text one at a time; a line may end in CR LF or LF.
class LineReader
{
public:
    explicit LineReader(QByteArrayView text) : m_text(text) {}
    bool atEnd() const { return m_start >= m_text.size(); }
    QByteArrayView next()
    {
        qsizetype end = m_text.indexOf('\n', m_start);
        if (end < 0)
            end = m_text.size();
        QByteArrayView line = m_text.sliced(m_start, end - m_start);
        if (line.endsWith('\r'))
            line.chop(1);
        m_start = end + 1;
        return line;
    }
    /// How many lines are left, counted without taking them.
    qsizetype remaining() const
    {
        if (atEnd())
            return 0;
        const QByteArrayView rest = m_text.sliced(m_start);
        return rest.count('\n') + (rest.endsWith('\n') ? 0 : 1);
    }

private:
    QByteArrayView m_text;
    qsizetype m_start{0};
};

} // namespace

std::optional<StringGrid> loadgrid(QByteArrayView text)
{
    LineReader reader(text);
    if (reader.atEnd())
        return std::nullopt;
    const QByteArrayView columnLine = reader.next();
    if (reader.atEnd())
        return std::nullopt;
    const QByteArrayView rowLine = reader.next();

    bool columnsOk = false;
    bool rowsOk = false;
    const int columns = columnLine.trimmed().toInt(&columnsOk);
    const int rows = rowLine.trimmed().toInt(&rowsOk);
    if (!columnsOk || !rowsOk || columns < 1 || rows < 1)
        return std::nullopt;
    // The counts come from the file: never build more cells than it holds.
    if (qint64{columns} * rows > reader.remaining())
        return std::nullopt;

    StringGrid grid(columns, rows);
    for (int column = 0; column < columns; ++column) {
        for (int row = 0; row < rows; ++row)
            grid.setCell(column, row, QString::fromLatin1(reader.next()));
    }
    return grid;
}

} // namespace vorlith::tally
