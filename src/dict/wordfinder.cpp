#include "dict/wordfinder.h"

#include "dict/dictionary.h"
#include "dict/dictlog.h"
#include "dict/recordsearch.h"

#include <algorithm>
#include <cstring>

namespace vorlith::dict {

namespace {

// The number of letters of a normalised word made of A-Z only, else 0: a word
// with any other character never fits a board, whose cells hold letters.
int lettersOnlyLength(const Key &key)
{
    int length = 0;
    while (length < WordFieldSize && key[std::size_t(length)] >= 'A' &&
           key[std::size_t(length)] <= 'Z')
        ++length;
    for (int i = length; i < KeyWidth; ++i) {
        if (key[std::size_t(i)] != ' ')
            return 0;
    }
    return length;
}

} // namespace

WordFinder::WordFinder(const Dictionary &dict)
{
    std::vector<Key> words;
    bool sorted = true;
    bool first = true;
    Key previous{};
    const bool whole = dict.readRecords([&](QByteArrayView records) {
        for (qsizetype at = 0; at + RecordSize <= records.size(); at += RecordSize) {
            const Key key = recordKey(records.data() + at);
            // Compared as the lookup's binary search compares them.
            sorted = sorted && (first || std::memcmp(previous.data(), key.data(), KeyWidth) <= 0);
            previous = key;
            first = false;
            if (lettersOnlyLength(key) > 0)
                words.push_back(key);
        }
    });
    if (!whole)
        qCWarning(lcDict) << "word finder: the word list could not be read to its end";

    const auto less = [](const Key &a, const Key &b) {
        return std::memcmp(a.data(), b.data(), KeyWidth) < 0;
    };
    if (!sorted)
        std::sort(words.begin(), words.end(), less);
    words.erase(std::unique(words.begin(), words.end()), words.end());
    // In a sorted list the lookup finds every record. Out of order it finds
    // only some, and those are the words the host accepts.
    if (!sorted) {
        std::erase_if(words, [&dict](const Key &key) {
            return !dict.isword(QByteArrayView(key.data(), lettersOnlyLength(key)));
        });
    }

    // Longest first; the words of one length stay in alphabetical order.
    std::array<std::size_t, MaxLetters + 2> starts{};
    for (const Key &key : words)
        ++starts[std::size_t(MaxLetters - lettersOnlyLength(key) + 1)];
    for (std::size_t i = 1; i < starts.size(); ++i)
        starts[i] += starts[i - 1];
    m_masks.resize(words.size());
    m_letters.resize(words.size());
    m_lengths.resize(words.size());
    for (const Key &key : words) {
        const int length = lettersOnlyLength(key);
        const std::size_t at = starts[std::size_t(MaxLetters - length)]++;
        std::uint32_t mask = 0;
        for (int i = 0; i < length; ++i) {
            const std::uint32_t bit = 1u << (key[std::size_t(i)] - 'A');
            if (mask & bit)
                mask |= RepeatBit;
            mask |= bit;
        }
        m_masks[at] = mask;
        std::memcpy(m_letters[at].data(), key.data(), MaxLetters);
        m_lengths[at] = std::uint8_t(length);
    }
}

std::vector<FoundWord> WordFinder::find(const std::array<int, 36> &codes) const
{
    std::array<int, 26> cells{};
    std::uint32_t board = 0;
    for (const int code : codes) {
        if (code >= 1 && code <= 26) {
            ++cells[std::size_t(code - 1)];
            board |= 1u << (code - 1);
        }
    }

    std::vector<FoundWord> found;
    found.reserve(4096);
    const std::uint32_t missing = ~board & ~RepeatBit;
    const std::size_t count = m_masks.size();
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t mask = m_masks[i];
        if (mask & missing)
            continue;
        const int length = m_lengths[i];
        const char *letters = m_letters[i].data();
        if (mask & RepeatBit) {
            std::array<int, 26> used{};
            bool fits = true;
            for (int k = 0; k < length && fits; ++k) {
                const auto letter = std::size_t(letters[k] - 'A');
                fits = ++used[letter] <= cells[letter];
            }
            if (!fits)
                continue;
        }
        found.push_back({QString::fromLatin1(letters, length), length * length});
    }
    return found;
}

} // namespace vorlith::dict
