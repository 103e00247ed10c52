#pragma once

#include "dict/recordsearch.h"
#include "dict/wordindex.h"

#include <QByteArray>
#include <QByteArrayView>

namespace vorlith::dict {

/// A word list held in memory, answering exactly as the binary search over
/// its records would.
///
/// Records are kept in their normalised form (the bytes the search compares),
/// which the built-in list already is, so it is not copied. When the list is
/// in order, the binary search finds a word exactly when some record equals
/// it, so a hash table over the records (WordIndex) gives the same answers at
/// a fraction of the cost. A list out of order gets the binary search itself,
/// probe for probe, since only that reproduces which of its words it finds.
class MemoryRecords
{
public:
    /// Takes the records of a list (a trailing partial record is ignored),
    /// looks at their shape and builds their index when they are in order.
    void assign(QByteArray records);
    /// Takes a sorted, normalised list together with the index made for it
    /// beforehand (WordIndex::build()), both used where they lie: nothing is
    /// scanned, copied or hashed. False, and nothing held, when \a index is
    /// not an index of that many records; the caller may assign() instead.
    bool adopt(QByteArray records, QByteArray index);
    void clear();

    qint64 recordCount() const { return m_lastIndex + 1; }
    /// The records are in non-decreasing order of their normalised words.
    bool isSorted() const { return m_sorted; }
    /// The records were used as they came, without a normalised copy.
    bool isShared() const { return m_shared; }
    /// The index came with the records (adopt()) rather than being built here.
    bool isIndexAdopted() const { return m_adopted; }
    /// The records as the lookup compares them.
    QByteArrayView records() const
    {
        return QByteArrayView(m_records).first(qsizetype(recordCount() * RecordSize));
    }
    const WordIndex &index() const { return m_index; }

    bool contains(const SearchKey &key) const;

private:
    QByteArray m_records;
    qint64 m_lastIndex{-1};
    bool m_sorted{false};
    bool m_shared{false};
    bool m_adopted{false};
    WordIndex m_index;
};

} // namespace vorlith::dict
