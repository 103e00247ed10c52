#pragma once

#include <QString>

#include <array>
#include <cstdint>
#include <vector>

namespace vorlith::dict {

class Dictionary;

/// A word a board can spell, with what the host would score for it.
struct FoundWord
{
    QString word; // as the list holds it: upper case, at most 14 letters
    int score{0}; // length squared
    bool operator==(const FoundWord &) const = default;
};

/// Lists every word of a word list that a board can spell, as the host
/// judges words: the list's lookup accepts the word and each of its letters
/// takes a board cell of its own, cells in any order.
///
/// The list is read once, at construction; a board is then answered by one
/// pass over a compact table of the list's words, fast enough to run after
/// every deal.
/// \code
///     const dict::WordFinder finder(spellit);
///     for (const dict::FoundWord &found : finder.find(board)) ...
/// \endcode
class WordFinder
{
public:
    /// Takes the words of the list \a dict has loaded (built-in or the
    /// player's file). A list that is not in order has its words checked
    /// against the lookup, which finds only some of them.
    explicit WordFinder(const Dictionary &dict);

    /// Every distinct word of the list that the 36 letter codes (1 = a ..
    /// 26 = z; any other value is no letter) can spell, each cell used at most
    /// once, cells in any order: longest first, then alphabetical.
    std::vector<FoundWord> find(const std::array<int, 36> &codes) const;

    /// The number of distinct words that some board could spell.
    qsizetype wordCount() const { return qsizetype(m_masks.size()); }

private:
    // Bits 0..25: the letters a word uses. RepeatBit: some letter comes more
    // than once, so the letter counts must be checked, not just the letters.
    static constexpr std::uint32_t RepeatBit = 1u << 31;
    static constexpr int MaxLetters = 14;

    // One entry per word, in the order find() answers in; the masks apart so
    // that the pass over them stays in as few cache lines as it can.
    std::vector<std::uint32_t> m_masks;
    std::vector<std::array<char, MaxLetters>> m_letters;
    std::vector<std::uint8_t> m_lengths;
};

} // namespace vorlith::dict
