#include "host/computerplan.h"

#include "dict/wordfinder.h"

#include <QSet>

#include <algorithm>

namespace vorlith::host {

namespace {

struct Names
{
    Strength strength;
    const char *name;
};
constexpr Names StrengthNames[] = {
    {Strength::Easy, "Easy"}, {Strength::Normal, "Normal"}, {Strength::Hard, "Hard"}};

/// A number from 0 to n - 1, whatever the source answers.
int draw(const PlanRandom &random, int n)
{
    if (n <= 1 || !random)
        return 0;
    const int value = random(n);
    return ((value % n) + n) % n;
}

QChar letterOf(int code)
{
    return QChar(char16_t(u'A' + code - 1));
}

class Planner
{
public:
    Planner(const std::vector<dict::FoundWord> &onBoard, const std::array<int, 36> &board,
            const PlayStyle &style, const PlanRandom &random)
        : m_onBoard(onBoard), m_board(board), m_style(style), m_random(random)
    {
        for (const dict::FoundWord &found : onBoard) {
            m_known.insert(found.word);
            const qsizetype length = found.word.size();
            if (length < style.shortest || length > style.longest)
                continue;
            if (draw(random, 100) < style.missPercent)
                continue;
            m_pool.push_back(&found);
        }
    }

    std::optional<QString> nextTry()
    {
        if (draw(m_random, 100) < m_style.wrongPercent) {
            if (std::optional<QString> wrong = wrongTry())
                return wrong;
        }
        return goodTry();
    }

private:
    int weight(const dict::FoundWord &found) const
    {
        const int length = int(found.word.size());
        return m_style.longWordBias <= 0 ? 1 : m_style.longWordBias == 1 ? length : length * length;
    }

    std::optional<QString> goodTry()
    {
        if (m_pool.empty())
            return std::nullopt;
        int total = 0;
        for (const dict::FoundWord *found : m_pool)
            total += weight(*found);
        int pick = draw(m_random, total);
        auto it = m_pool.begin();
        while (pick >= weight(**it)) {
            pick -= weight(**it);
            ++it;
        }
        const QString word = (*it)->word;
        m_pool.erase(it);
        m_tried.append(word);
        return word;
    }

    /// A word already tried, or a word of the board (or three of its
    /// letters) with one letter swapped for another of the board's, which
    /// the board spells and the word list does not hold.
    std::optional<QString> wrongTry()
    {
        if (!m_tried.isEmpty() && draw(m_random, 2) == 0)
            return m_tried.at(draw(m_random, int(m_tried.size())));
        for (int attempt = 0; attempt < 20; ++attempt) {
            QString word;
            if (!m_onBoard.empty()) {
                word = m_onBoard[size_t(draw(m_random, int(m_onBoard.size())))].word;
            } else {
                for (int k = 0; k < 3; ++k)
                    word += letterOf(m_board[size_t(draw(m_random, 36))]);
            }
            word[draw(m_random, int(word.size()))] = letterOf(m_board[size_t(draw(m_random, 36))]);
            if (!m_known.contains(word) && boardSpells(m_board, word))
                return word;
        }
        return std::nullopt;
    }

    const std::vector<dict::FoundWord> &m_onBoard;
    const std::array<int, 36> &m_board;
    const PlayStyle &m_style;
    const PlanRandom &m_random;
    QSet<QString> m_known;
    std::vector<const dict::FoundWord *> m_pool;
    QStringList m_tried;
};

} // namespace

QString strengthName(Strength strength)
{
    for (const Names &n : StrengthNames) {
        if (n.strength == strength)
            return QString::fromLatin1(n.name);
    }
    return {};
}

std::optional<Strength> strengthFromName(QStringView text)
{
    for (const Names &n : StrengthNames) {
        if (text.compare(QLatin1String(n.name), Qt::CaseInsensitive) == 0)
            return n.strength;
    }
    return std::nullopt;
}

PlayStyle playStyle(Strength strength)
{
    switch (strength) {
    case Strength::Easy:
        return {.wordsPerMinute = 6,
                .shortest = 3,
                .longest = 4,
                .missPercent = 40,
                .wrongPercent = 20,
                .longWordBias = 0,
                .firstLookSeconds = 6};
    case Strength::Normal:
        return {.wordsPerMinute = 10,
                .shortest = 3,
                .longest = 6,
                .missPercent = 20,
                .wrongPercent = 10,
                .longWordBias = 0,
                .firstLookSeconds = 4};
    case Strength::Hard:
        break;
    }
    return {.wordsPerMinute = 15,
            .shortest = 4,
            .longest = 9,
            .missPercent = 10,
            .wrongPercent = 3,
            .longWordBias = 1,
            .firstLookSeconds = 2};
}

bool boardSpells(const std::array<int, 36> &board, QStringView word)
{
    std::array<int, 27> cells{};
    for (int code : board) {
        if (code >= 1 && code <= 26)
            ++cells[size_t(code)];
    }
    for (QChar c : word) {
        const char16_t u = c.unicode();
        if (u < u'A' || u > u'Z' || --cells[size_t(u - u'A' + 1)] < 0)
            return false;
    }
    return true;
}

std::vector<PlannedWord> planRound(const std::vector<dict::FoundWord> &onBoard,
                                   const std::array<int, 36> &board, int seconds,
                                   const PlayStyle &style, const PlanRandom &random)
{
    std::vector<PlannedWord> plan;
    if (style.wordsPerMinute <= 0)
        return plan;
    Planner planner(onBoard, board, style, random);
    const qint64 meanMs = 60000 / style.wordsPerMinute;
    // Tries are timed in milliseconds and go out at the first tick after
    // their time; a round's last second is left alone, as the board closes then.
    qint64 at = qint64(style.firstLookSeconds) * 1000 + draw(random, int(meanMs) + 1);
    for (;;) {
        const int second = int(std::max<qint64>(1, (at + 999) / 1000));
        if (second >= seconds)
            break;
        std::optional<QString> word = planner.nextTry();
        if (!word)
            break;
        plan.push_back({second, *word});
        at += meanMs / 2 + draw(random, int(meanMs) + 1);
    }
    return plan;
}

} // namespace vorlith::host
