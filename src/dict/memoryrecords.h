#pragma once

#include "dict/recordsearch.h"

#include <QByteArray>

#include <vector>

namespace vorlith::dict {

/// A word list held in memory, answering exactly as the binary search over
/// its records would.
///
/// Records are kept in their normalised form (the bytes the search compares),
/// which the built-in list already is, so it is not copied. When the list is
/// in order, the binary search finds a word exactly when some record equals
/// it, so a hash table over the records gives the same answers at a fraction
/// of the cost. A list out of order gets the binary search itself, probe for
/// probe, since only that reproduces which of its words it finds.
class MemoryRecords
{
public:
    /// Takes the records of a list (a trailing partial record is ignored).
    void assign(QByteArray records);
    void clear();

    qint64 recordCount() const { return m_lastIndex + 1; }
    /// The records are in non-decreasing order of their normalised words.
    bool isSorted() const { return m_sorted; }
    /// The records were used as they came, without a normalised copy.
    bool isShared() const { return m_shared; }

    bool contains(const SearchKey &key) const;

private:
    const char *field(quint32 index) const
    {
        return m_records.constData() + qsizetype(index) * RecordSize + 1;
    }
    quint64 hash(const char *field) const;
    void buildIndex();

    QByteArray m_records;
    qint64 m_lastIndex{-1};
    bool m_sorted{false};
    bool m_shared{false};
    // Open addressing, linear probing: record index + 1, 0 for a free slot.
    std::vector<quint32> m_slots;
    quint64 m_mask{0};
    quint64 m_seed{0};
};

} // namespace vorlith::dict
