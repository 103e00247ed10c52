#include "tally/codec/tlzr.h"

#include <algorithm>
#include <cstring>

namespace vorlith::tally {

namespace {

constexpr int kMaxRun = 4095;
constexpr int kMinRun = 16;
constexpr int kMaxMatch = 18;
constexpr int kMinMatch = 3;
constexpr int kWindow = 4096;
constexpr int kItemsPerGroup = 16;

} // namespace

TLZR::TLZR() : m_in(kBufferSize, 0), m_out(kBufferSize, 0) {}

QByteArray TLZR::compressBlock(QByteArrayView chunk)
{
    const int n = static_cast<int>(std::min<qsizetype>(chunk.size(), kChunkSize));
    // The hash of the last two positions looks at up to two bytes past the
    // chunk. Those bytes never take part in a match, but they must be defined.
    if (n > 0)
        std::memcpy(m_in.data(), chunk.data(), static_cast<size_t>(n));
    std::fill(m_in.begin() + n, m_in.end(), std::uint8_t{0});
    const std::uint8_t *in = m_in.data();
    std::uint8_t *out = m_out.data();

    m_hash.fill(-1);
    out[0] = kFlagCompressed;
    int controlAt = 1;
    int y = 3;
    unsigned control = 0;
    int items = 0;
    int p = 0;

    while (p < n && y <= n) {
        if (items == kItemsPerGroup) {
            out[controlAt] = static_cast<std::uint8_t>(control >> 8);
            out[controlAt + 1] = static_cast<std::uint8_t>(control);
            controlAt = y;
            y += 2;
            control = 0;
            items = 0;
        }

        unsigned bit = 1;
        const std::uint8_t c = in[p];
        int run = 1;
        while (run < kMaxRun && p + run < n && in[p + run] == c)
            ++run;

        if (run >= kMinRun) {
            const int stored = run - kMinRun;
            out[y] = 0;
            out[y + 1] = static_cast<std::uint8_t>(stored >> 8);
            out[y + 2] = static_cast<std::uint8_t>(stored);
            out[y + 3] = c;
            y += 4;
            p += run;
        } else {
            const unsigned h = (((unsigned{in[p]} << 4) ^ in[p + 1]) << 4) ^ in[p + 2];
            const int index = static_cast<int>(((h * 40543u) >> 4) & 0x0FFFu);
            const int q = m_hash[static_cast<size_t>(index)];
            m_hash[static_cast<size_t>(index)] = static_cast<std::int16_t>(p);
            int length = 0;
            if (q != -1 && p - q < kWindow) {
                while (length < kMaxMatch && p + length < n && in[q + length] == in[p + length])
                    ++length;
            }
            if (length >= kMinMatch) {
                const unsigned v = static_cast<unsigned>(p - q) * 16u + static_cast<unsigned>(length - kMinMatch);
                out[y] = static_cast<std::uint8_t>(v >> 8);
                out[y + 1] = static_cast<std::uint8_t>(v);
                y += 2;
                p += length;
            } else {
                out[y++] = c;
                ++p;
                bit = 0;
            }
        }
        control = (control << 1) | bit;
        ++items;
    }
    control <<= (kItemsPerGroup - items);
    out[controlAt] = static_cast<std::uint8_t>(control >> 8);
    out[controlAt + 1] = static_cast<std::uint8_t>(control);

    if (y > n) {
        QByteArray stored(n + 1, Qt::Uninitialized);
        stored[0] = static_cast<char>(kFlagStored);
        if (n > 0)
            std::memcpy(stored.data() + 1, in, static_cast<size_t>(n));
        return stored;
    }
    return QByteArray(reinterpret_cast<const char *>(out), y);
}

bool TLZR::decompressBlock(QByteArrayView block, QByteArray &out) const
{
    out.clear();
    const qsizetype size = block.size();
    if (size < 2)
        return true;
    const auto *src = reinterpret_cast<const std::uint8_t *>(block.data());

    if (src[0] == kFlagStored) {
        if (size - 1 > kChunkSize)
            return false;
        out = block.sliced(1).toByteArray();
        return true;
    }

    // Decode into a fixed chunk-sized buffer; every write and every
    // back-reference is checked against it before it happens.
    std::array<std::uint8_t, kChunkSize> dest;
    qsizetype x = 1;
    int y = 0;
    unsigned control = 0;
    int bits = 0;
    while (x < size) {
        if (bits == 0) {
            if (x + 2 > size)
                return false;
            control = (unsigned{src[x]} << 8) | src[x + 1];
            x += 2;
            bits = kItemsPerGroup;
            // A control word at the very end announces nothing.
            if (x == size)
                break;
        }
        if ((control & 0x8000u) == 0) {
            if (y >= kChunkSize)
                return false;
            dest[static_cast<size_t>(y++)] = src[x++];
        } else {
            if (x + 2 > size)
                return false;
            const int offset = (src[x] << 4) | (src[x + 1] >> 4);
            if (offset == 0) {
                if (x + 4 > size)
                    return false;
                const int length = ((src[x + 1] << 8) | src[x + 2]) + kMinRun;
                if (length > kChunkSize - y)
                    return false;
                std::fill_n(dest.begin() + y, length, src[x + 3]);
                y += length;
                x += 4;
            } else {
                const int length = (src[x + 1] & 0x0F) + kMinMatch;
                if (offset > y || length > kChunkSize - y)
                    return false;
                // Byte by byte: an overlapping reference repeats its pattern.
                for (int k = 0; k < length; ++k, ++y)
                    dest[static_cast<size_t>(y)] = dest[static_cast<size_t>(y - offset)];
                x += 2;
            }
        }
        control <<= 1;
        --bits;
    }
    out = QByteArray(reinterpret_cast<const char *>(dest.data()), y);
    return true;
}

} // namespace vorlith::tally
