#pragma once

// A second, deliberately plain LZRW1-KH container compressor, written from the
// format's description and kept apart from the program's codec: item list
// first, control words afterwards. Tests compare the two byte for byte.
//
// Bytes past the end of a chunk feed the hash of the last two positions; the
// format leaves them undefined. This version reads them as 0xFF (the program
// reads 0), so agreement also shows that they never change the output.

#include <algorithm>
#include <cstdint>
#include <map>
#include <vector>

namespace reference {

using Bytes = std::vector<std::uint8_t>;

struct Item
{
    bool copy = false;
    Bytes bytes;
};

inline Bytes compressChunk(const Bytes &text, std::size_t begin, std::size_t n)
{
    auto at = [&](std::size_t i) -> unsigned { return i < n ? text[begin + i] : 0xFFu; };

    std::map<unsigned, long> table; // missing entry = never set (-1)
    std::vector<Item> items;
    std::size_t encodedSize = 3; // flag + first control word
    std::size_t p = 0;
    while (p < n && encodedSize <= n) {
        if (!items.empty() && items.size() % 16 == 0)
            encodedSize += 2;
        Item item;
        std::size_t k = 1;
        while (k < 4095 && p + k < n && at(p + k) == at(p))
            ++k;
        if (k >= 16) {
            item.copy = true;
            item.bytes = {0, std::uint8_t((k - 16) / 256), std::uint8_t((k - 16) % 256), std::uint8_t(at(p))};
            p += k;
        } else {
            const unsigned long h = (((at(p) * 16) ^ at(p + 1)) * 16) ^ at(p + 2);
            const unsigned index = unsigned((h * 40543ul / 16) % 4096);
            const auto found = table.find(index);
            const long q = found == table.end() ? -1 : found->second;
            table[index] = long(p);
            std::size_t m = 0;
            if (q != -1 && long(p) - q < 4096) {
                while (m < 18 && p + m < n && at(std::size_t(q) + m) == at(p + m))
                    ++m;
            }
            if (m >= 3) {
                const unsigned long v = (p - std::size_t(q)) * 16 + (m - 3);
                item.copy = true;
                item.bytes = {std::uint8_t(v / 256), std::uint8_t(v % 256)};
                p += m;
            } else {
                item.bytes = {std::uint8_t(at(p))};
                p += 1;
            }
        }
        encodedSize += item.bytes.size();
        items.push_back(item);
    }

    Bytes block;
    if (encodedSize > n) {
        block.push_back(0x80);
        block.insert(block.end(), text.begin() + long(begin), text.begin() + long(begin + n));
        return block;
    }
    block.push_back(0x40);
    for (std::size_t g = 0; g == 0 || g < items.size(); g += 16) {
        unsigned control = 0;
        for (std::size_t i = 0; i < 16; ++i) {
            control <<= 1;
            if (g + i < items.size() && items[g + i].copy)
                control |= 1;
        }
        block.push_back(std::uint8_t(control >> 8));
        block.push_back(std::uint8_t(control & 0xFF));
        for (std::size_t i = g; i < g + 16 && i < items.size(); ++i)
            block.insert(block.end(), items[i].bytes.begin(), items[i].bytes.end());
    }
    return block;
}

inline Bytes compress(const Bytes &text)
{
    Bytes out = {'W', 'R', 'Z', 'L'};
    for (int i = 0; i < 4; ++i)
        out.push_back(std::uint8_t(text.size() >> (8 * i)));
    std::size_t begin = 0;
    for (;;) {
        const std::size_t n = std::min<std::size_t>(32768, text.size() - begin);
        const Bytes block = compressChunk(text, begin, n);
        out.push_back(std::uint8_t(block.size() & 0xFF));
        out.push_back(std::uint8_t(block.size() >> 8));
        out.insert(out.end(), block.begin(), block.end());
        begin += n;
        if (n < 32768)
            return out;
    }
}

} // namespace reference
