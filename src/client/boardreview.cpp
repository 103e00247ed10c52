#include "client/boardreview.h"

#include "dict/wordfinder.h"
#include "tally/seatnamesource.h"

#include <QHash>

namespace vorlith::client {

Review reviewRound(const std::vector<dict::FoundWord> &onBoard, const RoundResults &results,
                   int listed)
{
    // Who found what: the host keeps words as they were sent, in any case.
    QHash<QString, QStringList> finders;
    QStringList foundOrder;
    for (const SeatResults &seat : results) {
        for (const QString &row : seat.rows) {
            const qsizetype colon = row.lastIndexOf(QLatin1Char(':'));
            const QString word = (colon < 0 ? row : row.left(colon)).toUpper();
            if (word.isEmpty())
                continue;
            QStringList &who = finders[word];
            if (who.isEmpty())
                foundOrder.append(word);
            // A seat left empty before the round ended still shows its words.
            const QString name = seat.name == tally::emptySeatName()
                                     ? QStringLiteral("a player who left")
                                     : seat.name;
            if (!who.contains(name))
                who.append(name);
        }
    }

    Review review;
    for (const dict::FoundWord &found : onBoard) {
        ReviewWord word{found.word, found.score, finders.take(found.word)};
        if (!word.foundBy.isEmpty())
            ++review.foundWords;
        review.bestScore += found.score;
        if (review.boardWords++ < listed || !word.foundBy.isEmpty())
            review.words.push_back(std::move(word));
    }
    for (const QString &word : foundOrder) {
        if (finders.contains(word)) {
            const int length = int(word.size());
            review.words.push_back({word, length * length, finders.value(word), false});
        }
    }
    return review;
}

QString reviewRow(const ReviewWord &word)
{
    QString row = word.word + QStringLiteral("  ") + QString::number(word.score);
    if (!word.foundBy.isEmpty())
        row += QStringLiteral("  found by ") + word.foundBy.join(QStringLiteral(", "));
    if (!word.inList)
        row += QStringLiteral(" (not in this program's list)");
    return row;
}

} // namespace vorlith::client
