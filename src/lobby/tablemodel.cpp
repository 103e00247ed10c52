#include "lobby/tablemodel.h"

#include <QHash>

namespace vorlith::lobby {

namespace {

bool sameTable(const Table &a, const Table &b)
{
    return a.id == b.id && a.name == b.name && a.host == b.host && a.port == b.port;
}

} // namespace

TableListModel::TableListModel(QObject *parent) : QAbstractTableModel(parent) {}

void TableListModel::setTables(const QList<Table> &tables)
{
    QHash<QString, qsizetype> fresh;
    for (qsizetype i = 0; i < tables.size(); ++i)
        fresh.insert(tables.at(i).id, i);

    // Rows of tables that closed go first, from the end so rows keep their numbers.
    // A server started again numbers its tables anew: an id that now names
    // another table (its name and address are fixed for its life) is a
    // table that closed, so a selection does not pass to the newcomer.
    for (int row = int(m_tables.size()) - 1; row >= 0; --row) {
        const Table &shown = m_tables.at(row);
        const auto it = fresh.constFind(shown.id);
        if (it == fresh.constEnd() || !sameTable(shown, tables.at(*it))) {
            beginRemoveRows({}, row, row);
            m_tables.removeAt(row);
            endRemoveRows();
        }
    }
    QHash<QString, int> known;
    for (int row = 0; row < m_tables.size(); ++row)
        known.insert(m_tables.at(row).id, row);
    for (const Table &table : tables) {
        const auto it = known.constFind(table.id);
        if (it != known.constEnd()) {
            m_tables[*it] = table;
            Q_EMIT dataChanged(index(*it, 0), index(*it, ColumnCount - 1));
        } else if (!known.contains(table.id)) {
            const int row = int(m_tables.size());
            beginInsertRows({}, row, row);
            m_tables.append(table);
            endInsertRows();
            known.insert(table.id, row);
        }
    }
}

const Table *TableListModel::tableById(const QString &id) const
{
    const int row = rowOf(id);
    return row < 0 ? nullptr : &m_tables.at(row);
}

int TableListModel::rowOf(const QString &id) const
{
    for (int row = 0; row < m_tables.size(); ++row) {
        if (m_tables.at(row).id == id)
            return row;
    }
    return -1;
}

int TableListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_tables.size());
}

int TableListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant TableListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_tables.size())
        return {};
    const Table &table = m_tables.at(index.row());
    if (role == IdRole)
        return table.id;
    const bool sorting = role == SortRole;
    if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole && !sorting) {
        if (role == Qt::TextAlignmentRole &&
            (index.column() == FreeColumn || index.column() == ComputersColumn))
            return int(Qt::AlignCenter);
        return {};
    }
    switch (index.column()) {
    case NameColumn:
        return sorting ? QVariant(table.name.toCaseFolded()) : QVariant(table.name);
    case SeatedColumn:
        if (sorting)
            return int(table.seated.size());
        return table.seated.isEmpty() ? QStringLiteral("nobody")
                                      : table.seated.join(QStringLiteral(", "));
    case FreeColumn:
        return table.freeSeats();
    case StateColumn:
        // Waiting tables first, then by how far the game has come.
        return sorting ? QVariant(table.playing ? table.round : -1) : QVariant(table.stateText());
    case ComputersColumn:
        return table.computers;
    default:
        return {};
    }
}

QVariant TableListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case NameColumn:
        return QStringLiteral("Table");
    case SeatedColumn:
        return QStringLiteral("Seated");
    case FreeColumn:
        return QStringLiteral("Free seats");
    case StateColumn:
        return QStringLiteral("State");
    case ComputersColumn:
        return QStringLiteral("Computer players");
    default:
        return {};
    }
}

TableFilter::TableFilter(QObject *parent) : QSortFilterProxyModel(parent)
{
    setSortRole(TableListModel::SortRole);
    setDynamicSortFilter(true);
}

void TableFilter::setFreeSeatsOnly(bool only)
{
    if (only == m_freeOnly)
        return;
    m_freeOnly = only;
    invalidateRowsFilter();
}

bool TableFilter::filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const
{
    if (!m_freeOnly)
        return true;
    const QModelIndex free =
        sourceModel()->index(sourceRow, TableListModel::FreeColumn, sourceParent);
    return free.data(TableListModel::SortRole).toInt() > 0;
}

} // namespace vorlith::lobby
