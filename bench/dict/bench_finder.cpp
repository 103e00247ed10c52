// The word finder's time per board against a plain scan of the word list
// (every record looked up and tried on the board as the host tries a word),
// on boards dealt as the host deals them. Prints figures; asserts nothing
// about time.

#include "dict/dictionary.h"
#include "dict/recordsearch.h"
#include "dict/wordfinder.h"
#include "host/gameengine.h"

#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QRandomGenerator>
#include <QTextStream>

#include <algorithm>

using namespace vorlith::dict;
using Board = std::array<int, 36>;

namespace {

QTextStream &out()
{
    static QTextStream stream(stdout);
    return stream;
}

Board dealtBoard(QRandomGenerator &rng)
{
    return vorlith::host::GameEngine::deal([&rng](int n) { return int(rng.bounded(n)); });
}

// Each letter takes the first free cell that holds it, as the host checks.
bool boardSpells(const Board &board, QByteArrayView word)
{
    std::array<bool, 36> taken{};
    for (char c : word) {
        if (c < 'A' || c > 'Z')
            return false;
        std::size_t cell = 0;
        while (cell < taken.size() && (taken[cell] || board[cell] != c - 'A' + 1))
            ++cell;
        if (cell == taken.size())
            return false;
        taken[cell] = true;
    }
    return true;
}

std::vector<FoundWord> plainScan(const Dictionary &dict, const Board &board)
{
    std::vector<QByteArray> words;
    dict.readRecords([&](QByteArrayView records) {
        for (qsizetype at = 0; at + RecordSize <= records.size(); at += RecordSize) {
            const QByteArray word = records.sliced(at + 1, WordFieldSize).toByteArray().trimmed();
            if (dict.isword(word) && boardSpells(board, word))
                words.push_back(word);
        }
    });
    std::sort(words.begin(), words.end(), [](const QByteArray &a, const QByteArray &b) {
        return a.size() != b.size() ? a.size() > b.size() : a < b;
    });
    words.erase(std::unique(words.begin(), words.end()), words.end());
    std::vector<FoundWord> found;
    for (const QByteArray &w : words)
        found.push_back({QString::fromLatin1(w), int(w.size() * w.size())});
    return found;
}

QString ms(qint64 ns)
{
    return QString::number(double(ns) / 1e6, 'f', 3) + QStringLiteral(" ms");
}

} // namespace

int main()
{
    QLoggingCategory::setFilterRules(QStringLiteral("vorlith.*.debug=false"));
    Dictionary dict;
    if (!dict.loadwords(QStringLiteral("/nonexistent/English"))) {
        out() << dict.errorText() << Qt::endl;
        return 1;
    }

    QElapsedTimer timer;
    timer.start();
    const WordFinder finder(dict);
    const qint64 buildNs = timer.nsecsElapsed();

    QRandomGenerator rng(7);
    std::vector<Board> boards(300);
    for (Board &b : boards)
        b = dealtBoard(rng);

    std::vector<qint64> finderNs;
    qsizetype words = 0;
    for (const Board &b : boards) {
        timer.restart();
        words += qsizetype(finder.find(b).size());
        finderNs.push_back(timer.nsecsElapsed());
    }

    std::vector<qint64> scanNs;
    bool agree = true;
    for (std::size_t i = 0; i < 15; ++i) {
        timer.restart();
        const std::vector<FoundWord> scanned = plainScan(dict, boards[i]);
        scanNs.push_back(timer.nsecsElapsed());
        agree = agree && scanned == finder.find(boards[i]);
    }

    const auto median = [](std::vector<qint64> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    out() << "word list: " << dict.recordCount() << " records, " << finder.wordCount()
          << " words a board could spell\n"
          << "finder built in:       " << ms(buildNs) << "\n"
          << "finder, per board:     median " << ms(median(finderNs)) << ", worst "
          << ms(*std::max_element(finderNs.begin(), finderNs.end())) << " over " << boards.size()
          << " dealt boards (" << words / qsizetype(boards.size()) << " words a board)\n"
          << "plain scan, per board: median " << ms(median(scanNs)) << " over " << scanNs.size()
          << " boards\n"
          << "goal: under 20 ms a board: " << (median(finderNs) < 20'000'000 ? "met" : "NOT met")
          << "\n"
          << "answers agree: " << (agree ? "yes" : "NO") << Qt::endl;
    return agree ? 0 : 1;
}
