#include "dict/memoryrecords.h"

#include <QRandomGenerator>

#include <cstring>

namespace vorlith::dict {

void MemoryRecords::clear()
{
    m_records.clear();
    m_lastIndex = -1;
    m_sorted = false;
    m_shared = false;
    m_adopted = false;
    m_index.clear();
}

void MemoryRecords::assign(QByteArray records)
{
    clear();
    const qint64 count = records.size() / RecordSize;
    const ListShape shape = examineRecords(records.constData(), count);

    if (!shape.normalised) {
        QByteArray copy(qsizetype(count * RecordSize), Qt::Uninitialized);
        for (qint64 i = 0; i < count; ++i) {
            const Key key = recordKey(records.constData() + i * RecordSize);
            char *out = copy.data() + i * RecordSize;
            out[0] = char(0x1E);
            std::memcpy(out + 1, key.data(), WordFieldSize);
        }
        records = std::move(copy);
    }
    m_records = std::move(records);
    m_shared = shape.normalised;
    m_lastIndex = count - 1;
    if (shape.sorted) {
        // A fresh seed per list: a list made to collide cannot slow every lookup down.
        const quint64 seed = QRandomGenerator::global()->generate64();
        // A list too long for the index (far beyond any memory limit in use)
        // is simply searched.
        m_sorted = m_index.attach(WordIndex::build(m_records.constData(), count, seed), count);
    }
}

bool MemoryRecords::adopt(QByteArray records, QByteArray index)
{
    clear();
    const qint64 count = records.size() / RecordSize;
    if (!m_index.attach(std::move(index), count))
        return false;
    m_records = std::move(records);
    m_lastIndex = count - 1;
    m_sorted = true;
    m_shared = true;
    m_adopted = true;
    return true;
}

bool MemoryRecords::contains(const SearchKey &key) const
{
    if (key.empty)
        return false;
    if (!m_sorted) {
        const char *records = m_records.constData();
        return searchRecords(key, m_lastIndex,
                             [records](qint64 index) { return records + index * RecordSize; });
    }
    // A record's word has at most 14 characters; a key of 15 or more matches none.
    if (key.longer || key.head[WordFieldSize] != ' ')
        return false;
    return m_index.contains(m_records.constData(), key.head.data());
}

} // namespace vorlith::dict
