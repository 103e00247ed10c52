#pragma once

#include <QString>
#include <QStringView>

#include <array>
#include <functional>
#include <optional>
#include <vector>

namespace vorlith::dict {
struct FoundWord;
}

namespace vorlith::host {

/// How well a computer player plays.
enum class Strength
{
    Easy,
    Normal,
    Hard,
};

/// "Easy", "Normal" or "Hard".
QString strengthName(Strength strength);
/// The strength named \a text, in any letter case ("easy", "Hard").
std::optional<Strength> strengthFromName(QStringView text);

/// What a strength means at the table. A computer player tries a word every
/// 60 / wordsPerMinute seconds on average (half that to half as much again),
/// after a first look at the board; it only finds words of the lengths it
/// knows, never sees some of them at all, and now and then tries a wrong one.
struct PlayStyle
{
    int wordsPerMinute{0};
    int shortest{3};
    int longest{14};
    int missPercent{0};  ///< of the words it could find, those it overlooks
    int wrongPercent{0}; ///< of its tries, those that are a non-word or a repeat
    /// 0: lengths in any order; 1 or 2: long words come to mind first, the
    /// more so the higher.
    int longWordBias{0};
    int firstLookSeconds{0}; ///< before its first try
};

PlayStyle playStyle(Strength strength);

/// One try of a planned round: the word (upper case) and the second of the
/// round's clock at which it goes out (1 is the first tick).
struct PlannedWord
{
    int second{0};
    QString word;
    bool operator==(const PlannedWord &) const = default;
};

/// Answers a number from 0 to n - 1 for n > 0.
using PlanRandom = std::function<int(int n)>;

/// Plans a round of \a seconds on \a board, whose words (as the host would
/// accept them) are \a onBoard: the tries in time order, none at or after the
/// round's last second. Every try is spelled from the board's letters; a
/// wrong one is either a word already tried or letters the board spells that
/// are no word.
std::vector<PlannedWord> planRound(const std::vector<dict::FoundWord> &onBoard,
                                   const std::array<int, 36> &board, int seconds,
                                   const PlayStyle &style, const PlanRandom &random);

/// True when every letter of \a word (A-Z) takes a cell of \a board of its own.
bool boardSpells(const std::array<int, 36> &board, QStringView word);

} // namespace vorlith::host
