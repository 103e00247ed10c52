#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace vorlith::tally {

/// A grid of text cells: what the tally keeps and what its file stores.
/// Cells outside the grid read as empty text.
class StringGrid
{
public:
    StringGrid(int columns = 1, int rows = 1);

    int colCount() const { return m_columns; }
    int rowCount() const { return static_cast<int>(m_rows.size()); }
    /// Resizing keeps the cells that stay inside; new cells are empty.
    void setColCount(int columns);
    void setRowCount(int rows);

    QString cell(int column, int row) const;
    /// Writes outside the grid are ignored.
    void setCell(int column, int row, const QString &text);

    /// Removes \a row, moving the rows below it up by one.
    void removeRow(int row);

    friend bool operator==(const StringGrid &, const StringGrid &) = default;

private:
    int m_columns{1};
    QList<QStringList> m_rows; // row-major: m_rows[row][column]
};

/// The plain-text dump of \a grid: the column count, the row count, then
/// every cell column by column, each line ended by CR LF, in single-byte text.
/// Line breaks inside a cell would shift every cell after it, so they are
/// written as spaces.
QByteArray savegrid(const StringGrid &grid);

/// Reads a dump written by savegrid. Lines may end in CR LF or LF alone.
/// Returns nothing when the counts are not positive numbers or the text
/// holds fewer cell lines than they announce.
std::optional<StringGrid> loadgrid(QByteArrayView text);

} // namespace vorlith::tally
