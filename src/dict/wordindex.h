#pragma once

#include <QByteArray>
#include <QtEndian>

#include <cstring>

namespace vorlith::dict {

/// What a run of records looks like to the lookup.
struct ListShape
{
    /// Every record's word field already holds its normalised word (see
    /// recordKey()), so the records can be compared as they lie.
    bool normalised{true};
    /// The normalised words never decrease from one record to the next.
    bool sorted{true};
};

/// Examines \a count records at \a records.
ListShape examineRecords(const char *records, qint64 count);

/// A hash table over the words of a sorted list of normalised records, kept
/// in a form that can be written out at build time and used where it lies:
/// the compiled-in list carries one, so a start neither copies nor hashes it.
///
/// The bytes are a header and the slots, every number little-endian and read
/// with unaligned loads, so the table may sit anywhere in memory:
///
/// | offset | size | content |
/// |---|---|---|
/// | 0 | 4 | "VWIX" |
/// | 4 | 4 | format, 1 |
/// | 8 | 8 | the number of records the index was built for |
/// | 16 | 8 | the hash seed |
/// | 24 | 4 | log2 of the number of slots |
/// | 28 | 4 | the longest run of slots any word's search walks |
/// | 32 | 4 per slot | record number + 1 of a word (linear probing), 0 when free |
///
/// Equal neighbours have one entry, the first. A word is looked for in at
/// most "longest run" slots, so even an index that is not what it claims
/// cannot make a lookup run away or read outside the records.
class WordIndex
{
public:
    static constexpr int HeaderSize = 32;
    static constexpr quint32 Format = 1;

    /// The index of \a count records at \a records, which must be normalised
    /// and sorted (examineRecords()). Lists past 2^32 - 2 records are not
    /// indexed: the result is empty.
    static QByteArray build(const char *records, qint64 count, quint64 seed);

    /// Takes \a bytes (an index from build(), kept as it is, not copied) for
    /// a list of \a recordCount records. False, and nothing held, when they
    /// are not a well-formed index of that many records.
    bool attach(QByteArray bytes, qint64 recordCount);
    void clear();
    bool isAttached() const { return m_slots != nullptr; }
    /// The bytes held, for a look at where they lie.
    const QByteArray &bytes() const { return m_bytes; }
    quint64 seed() const { return m_seed; }

    /// True when \a field (14 bytes: a normalised word, space-padded) is the
    /// word field of one of the records at \a records, the list the index
    /// was attached for.
    bool contains(const char *records, const char *field) const;

private:
    quint32 slot(quint64 i) const
    {
        quint32 value;
        std::memcpy(&value, m_slots + i * 4, sizeof value);
        return qFromLittleEndian(value);
    }

    QByteArray m_bytes;
    const uchar *m_slots{nullptr};
    quint64 m_mask{0};
    quint64 m_seed{0};
    quint32 m_longestRun{0};
    qint64 m_recordCount{0};
};

} // namespace vorlith::dict
