#pragma once

#include "client/roundflow.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace vorlith::dict {
struct FoundWord;
}

namespace vorlith::client {

/// One word of a round's review: what it scores and who at the table found it.
struct ReviewWord
{
    QString word;
    int score{0};
    QStringList foundBy;
    /// False for a word the host accepted that this program's list lacks.
    bool inList{true};
    bool operator==(const ReviewWord &) const = default;
};

/// What a board held, by this program's word list, beside what the table found.
struct Review
{
    /// The board's best words, longest first, then alphabetical, with every
    /// word the table found among them; after them the words the table found
    /// that the list lacks.
    std::vector<ReviewWord> words;
    int boardWords{0};   ///< the words of the list the board spells
    qint64 bestScore{0}; ///< all of them together: the most one player could score
    int foundWords{0};   ///< of the board's words, those somebody found
};

/// The review of a round: \a onBoard are the words the list finds on the
/// board (longest first), \a results the seats' names and accepted words.
/// The first \a listed words of the board are listed, and those found.
Review reviewRound(const std::vector<dict::FoundWord> &onBoard, const RoundResults &results,
                   int listed = 200);

/// The row the review shows for \a word ("STRANGE  49  found by Kim, Ann").
QString reviewRow(const ReviewWord &word);

} // namespace vorlith::client
