// The round review: the board's words beside what the seats found.
#include "client/boardreview.h"
#include "dict/wordfinder.h"

#include <QTest>

using namespace vorlith;
using client::ReviewWord;

class TestBoardReview : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void marksWhatTheTableFound();
};

void TestBoardReview::marksWhatTheTableFound()
{
    const std::vector<dict::FoundWord> onBoard{
        {"STRANGE", 49}, {"RANGE", 25}, {"ANGER", 25}, {"TEA", 9}};
    client::RoundResults results{};
    results[0] = {QStringLiteral("Kim"), {"RANGE:25", "tea:9"}};
    results[1] = {QStringLiteral("Robot 1"), {"TEA:9", "RANGE:25", "GRANTS:36"}};
    results[2] = {QStringLiteral("<Waiting>"), {"ANGER:25"}}; // left before the round ended
    results[3] = {QStringLiteral("<Waiting>"), {}};

    const client::Review review = client::reviewRound(onBoard, results);
    QCOMPARE(review.boardWords, 4);
    QCOMPARE(review.bestScore, qint64(49 + 25 + 25 + 9));
    QCOMPARE(review.foundWords, 3);
    const std::vector<ReviewWord> expected{
        {"STRANGE", 49, {}, true},
        {"RANGE", 25, {"Kim", "Robot 1"}, true},
        {"ANGER", 25, {"a player who left"}, true},
        {"TEA", 9, {"Kim", "Robot 1"}, true}, // sent in either case, the same word
        {"GRANTS", 36, {"Robot 1"}, false},   // the host's list held it, this one does not
    };
    QCOMPARE(review.words, expected);
    QCOMPARE(client::reviewRow(review.words[0]), QStringLiteral("STRANGE  49"));
    QCOMPARE(client::reviewRow(review.words[1]),
             QStringLiteral("RANGE  25  found by Kim, Robot 1"));
    QCOMPARE(client::reviewRow(review.words[4]),
             QStringLiteral("GRANTS  36  found by Robot 1 (not in this program's list)"));

    // Listing the best two: the words found further down stay listed.
    const client::Review best = client::reviewRound(onBoard, results, 2);
    QCOMPARE(best.boardWords, 4);
    QCOMPARE(best.foundWords, 3);
    QStringList listed;
    for (const ReviewWord &w : best.words)
        listed << w.word;
    QCOMPARE(listed, (QStringList{"STRANGE", "RANGE", "ANGER", "TEA", "GRANTS"}));
    const client::Review top = client::reviewRound(onBoard, client::RoundResults{}, 2);
    QCOMPARE(top.words.size(), size_t(2));
    QCOMPARE(top.bestScore, review.bestScore);

    const client::Review empty = client::reviewRound({}, client::RoundResults{});
    QVERIFY(empty.words.empty());
    QCOMPARE(empty.bestScore, qint64(0));
}

QTEST_MAIN(TestBoardReview)
#include "tst_boardreview.moc"
