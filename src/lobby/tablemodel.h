#pragma once

#include "lobby/tables.h"

#include <QAbstractTableModel>
#include <QList>
#include <QSortFilterProxyModel>

namespace vorlith::lobby {

/// The public tables of one server, one row each.
class TableListModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column
    {
        NameColumn,
        SeatedColumn,
        FreeColumn,
        StateColumn,
        ComputersColumn,
        ColumnCount
    };
    /// The table's id, under Qt::UserRole; sorting uses SortRole.
    static constexpr int IdRole = Qt::UserRole;
    static constexpr int SortRole = Qt::UserRole + 1;

    explicit TableListModel(QObject *parent = nullptr);

    /// Takes a fresh list. Rows of tables still listed are updated in place,
    /// so a selection and the screen reader's place survive a refresh.
    void setTables(const QList<Table> &tables);
    const QList<Table> &tables() const { return m_tables; }
    const Table *tableById(const QString &id) const;
    int rowOf(const QString &id) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QList<Table> m_tables;
};

/// The list as shown: sorted by any column, and with "has free seats" only
/// the tables a person can sit at.
class TableFilter : public QSortFilterProxyModel
{
    Q_OBJECT
public:
    explicit TableFilter(QObject *parent = nullptr);

    void setFreeSeatsOnly(bool only);
    bool freeSeatsOnly() const { return m_freeOnly; }

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;

private:
    bool m_freeOnly{false};
};

} // namespace vorlith::lobby
