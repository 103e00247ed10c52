#include "dict/memoryrecords.h"

#include <QRandomGenerator>

#include <bit>
#include <cstring>
#include <limits>

namespace vorlith::dict {

void MemoryRecords::clear()
{
    m_records.clear();
    m_lastIndex = -1;
    m_sorted = false;
    m_shared = false;
    m_slots.clear();
    m_slots.shrink_to_fit();
    m_mask = 0;
}

void MemoryRecords::assign(QByteArray records)
{
    clear();
    const qint64 count = records.size() / RecordSize;

    bool normalised = true;
    bool sorted = true;
    Key previous{};
    for (qint64 i = 0; i < count; ++i) {
        const char *record = records.constData() + i * RecordSize;
        const Key key = recordKey(record);
        // A normalised key never has more than 14 characters, so its last byte is a space.
        normalised = normalised && std::memcmp(key.data(), record + 1, WordFieldSize) == 0;
        sorted = sorted && (i == 0 || std::memcmp(previous.data(), key.data(), KeyWidth) <= 0);
        previous = key;
    }

    if (!normalised) {
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
    m_shared = normalised;
    m_lastIndex = count - 1;
    // The index stores record numbers in 32 bits; a list past that (far beyond
    // any memory limit in use) is simply searched.
    m_sorted = sorted && count < qint64(std::numeric_limits<quint32>::max());
    if (m_sorted)
        buildIndex();
}

quint64 MemoryRecords::hash(const char *field) const
{
    quint64 head = 0;
    quint64 tail = 0;
    std::memcpy(&head, field, 8);
    std::memcpy(&tail, field + 8, WordFieldSize - 8);
    quint64 h = (head ^ m_seed) * 0x9E3779B97F4A7C15ULL;
    h ^= (tail + (h >> 32)) * 0xC2B2AE3D27D4EB4FULL;
    h ^= h >> 29;
    h *= 0xBF58476D1CE4E5B9ULL;
    return h ^ (h >> 32);
}

void MemoryRecords::buildIndex()
{
    const qint64 count = recordCount();
    if (count <= 0)
        return;
    // At most two thirds full keeps misses short.
    const quint64 capacity = std::bit_ceil(quint64(count) + quint64(count) / 2 + 1);
    m_slots.assign(capacity, 0);
    m_mask = capacity - 1;
    // A fresh seed per list: a list made to collide cannot slow every lookup down.
    m_seed = QRandomGenerator::global()->generate64();
    for (qint64 i = 0; i < count; ++i) {
        const auto index = quint32(i);
        // Equal records sit next to each other in a sorted list; one entry will do.
        if (i > 0 && std::memcmp(field(index), field(index - 1), WordFieldSize) == 0)
            continue;
        quint64 slot = hash(field(index)) & m_mask;
        while (m_slots[slot] != 0)
            slot = (slot + 1) & m_mask;
        m_slots[slot] = index + 1;
    }
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
    if (key.longer || key.head[WordFieldSize] != ' ' || m_slots.empty())
        return false;
    for (quint64 slot = hash(key.head.data()) & m_mask;; slot = (slot + 1) & m_mask) {
        const quint32 entry = m_slots[slot];
        if (entry == 0)
            return false;
        if (std::memcmp(field(entry - 1), key.head.data(), WordFieldSize) == 0)
            return true;
    }
}

} // namespace vorlith::dict
