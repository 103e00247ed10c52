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

std::optional<StringGrid> loadgrid(QByteArrayView text)
{
    QList<QByteArrayView> lines;
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = text.indexOf('\n', start);
        if (end < 0)
            end = text.size();
        QByteArrayView line = text.sliced(start, end - start);
        if (line.endsWith('\r'))
            line.chop(1);
        lines.append(line);
        start = end + 1;
    }
    if (lines.size() < 2)
        return std::nullopt;

    bool columnsOk = false;
    bool rowsOk = false;
    const int columns = lines[0].trimmed().toInt(&columnsOk);
    const int rows = lines[1].trimmed().toInt(&rowsOk);
    if (!columnsOk || !rowsOk || columns < 1 || rows < 1)
        return std::nullopt;
    // The counts come from the file: never build more cells than it holds.
    if (qint64{columns} * rows > lines.size() - 2)
        return std::nullopt;

    StringGrid grid(columns, rows);
    qsizetype at = 2;
    for (int column = 0; column < columns; ++column) {
        for (int row = 0; row < rows; ++row)
            grid.setCell(column, row, QString::fromLatin1(lines[at++]));
    }
    return grid;
}

} // namespace vorlith::tally
