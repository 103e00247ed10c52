#include "dict/wordindex.h"

#include "dict/recordsearch.h"

#include <QtEndian>

#include <bit>
#include <cstring>
#include <limits>
#include <vector>

namespace vorlith::dict {

namespace {

constexpr char Magic[4] = {'V', 'W', 'I', 'X'};

quint64 hashField(const char *field, quint64 seed)
{
    quint64 head = 0;
    quint64 tail = 0;
    std::memcpy(&head, field, 8);
    std::memcpy(&tail, field + 8, WordFieldSize - 8);
    // The same value on any host: the bytes are taken little-endian.
    head = qFromLittleEndian(head);
    tail = qFromLittleEndian(tail);
    quint64 h = (head ^ seed) * 0x9E3779B97F4A7C15ULL;
    h ^= (tail + (h >> 32)) * 0xC2B2AE3D27D4EB4FULL;
    h ^= h >> 29;
    h *= 0xBF58476D1CE4E5B9ULL;
    return h ^ (h >> 32);
}

const char *fieldOf(const char *records, quint64 index)
{
    return records + index * RecordSize + 1;
}

} // namespace

ListShape examineRecords(const char *records, qint64 count)
{
    ListShape shape;
    Key previous{};
    for (qint64 i = 0; i < count; ++i) {
        const char *record = records + i * RecordSize;
        const Key key = recordKey(record);
        // A normalised key never has more than 14 characters, so its last byte is a space.
        shape.normalised =
            shape.normalised && std::memcmp(key.data(), record + 1, WordFieldSize) == 0;
        shape.sorted =
            shape.sorted && (i == 0 || std::memcmp(previous.data(), key.data(), KeyWidth) <= 0);
        previous = key;
    }
    return shape;
}

QByteArray WordIndex::build(const char *records, qint64 count, quint64 seed)
{
    if (count < 0 || count >= qint64(std::numeric_limits<quint32>::max()))
        return {};
    // At most two thirds full keeps misses short.
    const quint64 capacity = std::bit_ceil(quint64(count) + quint64(count) / 2 + 1);
    const quint64 mask = capacity - 1;
    std::vector<quint32> slots(capacity, 0);
    quint32 longestRun = 1;
    for (qint64 i = 0; i < count; ++i) {
        const auto index = quint64(i);
        // Equal records sit next to each other in a sorted list; one entry will do.
        if (i > 0 &&
            std::memcmp(fieldOf(records, index), fieldOf(records, index - 1), WordFieldSize) == 0)
            continue;
        quint64 slot = hashField(fieldOf(records, index), seed) & mask;
        quint32 run = 1;
        while (slots[slot] != 0) {
            slot = (slot + 1) & mask;
            ++run;
        }
        slots[slot] = quint32(index + 1);
        longestRun = std::max(longestRun, run);
    }

    QByteArray bytes(qsizetype(HeaderSize + capacity * 4), Qt::Uninitialized);
    uchar *out = reinterpret_cast<uchar *>(bytes.data());
    std::memcpy(out, Magic, 4);
    qToLittleEndian<quint32>(Format, out + 4);
    qToLittleEndian<quint64>(quint64(count), out + 8);
    qToLittleEndian<quint64>(seed, out + 16);
    qToLittleEndian<quint32>(quint32(std::countr_zero(capacity)), out + 24);
    qToLittleEndian<quint32>(longestRun, out + 28);
    for (quint64 i = 0; i < capacity; ++i)
        qToLittleEndian<quint32>(slots[i], out + HeaderSize + i * 4);
    return bytes;
}

bool WordIndex::attach(QByteArray bytes, qint64 recordCount)
{
    clear();
    if (bytes.size() < HeaderSize || std::memcmp(bytes.constData(), Magic, 4) != 0)
        return false;
    const auto *head = reinterpret_cast<const uchar *>(bytes.constData());
    const quint32 slotBits = qFromLittleEndian<quint32>(head + 24);
    if (qFromLittleEndian<quint32>(head + 4) != Format ||
        qFromLittleEndian<quint64>(head + 8) != quint64(recordCount) || slotBits > 32)
        return false;
    const quint64 capacity = quint64(1) << slotBits;
    const quint32 longestRun = qFromLittleEndian<quint32>(head + 28);
    if (quint64(bytes.size()) != HeaderSize + capacity * 4 || longestRun == 0 ||
        longestRun > capacity)
        return false;
    m_bytes = std::move(bytes);
    m_slots = reinterpret_cast<const uchar *>(m_bytes.constData()) + HeaderSize;
    m_mask = capacity - 1;
    m_seed = qFromLittleEndian<quint64>(head + 16);
    m_longestRun = longestRun;
    m_recordCount = recordCount;
    return true;
}

void WordIndex::clear()
{
    m_bytes.clear();
    m_slots = nullptr;
    m_mask = 0;
    m_seed = 0;
    m_longestRun = 0;
    m_recordCount = 0;
}

bool WordIndex::contains(const char *records, const char *field) const
{
    if (!m_slots)
        return false;
    quint64 at = hashField(field, m_seed) & m_mask;
    for (quint32 run = 0; run < m_longestRun; ++run, at = (at + 1) & m_mask) {
        const quint32 entry = slot(at);
        if (entry == 0)
            return false;
        if (entry <= m_recordCount &&
            std::memcmp(fieldOf(records, entry - 1), field, WordFieldSize) == 0)
            return true;
    }
    return false;
}

} // namespace vorlith::dict
