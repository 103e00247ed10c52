// Dictionary lookups per second: the in-memory lookup against the on-disk
// design (one seek and one 15-byte read per probe), over the same mix of hits
// and misses, in one run. Prints figures; asserts nothing about time.

#include "dict/dictionary.h"
#include "dict/recordsearch.h"

#include <QElapsedTimer>
#include <QFile>
#include <QLoggingCategory>
#include <QRandomGenerator>
#include <QResource>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>

using namespace vorlith::dict;

namespace {

QTextStream &out()
{
    static QTextStream stream(stdout);
    return stream;
}

// Runs \a lookup over \a words until at least \a minNs have passed; returns
// lookups per second and the number of hits in one pass.
template <typename Lookup>
std::pair<double, int> measure(const QList<QByteArray> &words, qint64 minNs, Lookup &&lookup)
{
    int hits = 0;
    qint64 lookups = 0;
    QElapsedTimer timer;
    timer.start();
    do {
        hits = 0;
        for (const QByteArray &w : words)
            hits += lookup(w) ? 1 : 0;
        lookups += words.size();
    } while (timer.nsecsElapsed() < minNs);
    return {double(lookups) * 1e9 / double(timer.nsecsElapsed()), hits};
}

} // namespace

int main()
{
    QLoggingCategory::setFilterRules(QStringLiteral("vorlith.*.debug=false"));
    QElapsedTimer loadTimer;
    loadTimer.start();
    Dictionary dict;
    if (!dict.loadwords(QStringLiteral("/nonexistent/English"))) {
        out() << dict.errorText() << Qt::endl;
        return 1;
    }
    const qint64 loadNs = loadTimer.nsecsElapsed();

    // The on-disk design gets the same records as a file.
    const QResource resource(Dictionary::builtInResource());
    const QByteArray bytes(reinterpret_cast<const char *>(resource.data()),
                           qsizetype(resource.size()));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("English"));
    {
        QFile f(path);
        if (!dir.isValid() || !f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) {
            out() << "cannot write " << path << Qt::endl;
            return 1;
        }
    }
    RecordFile file;
    if (!file.open(path)) {
        out() << "cannot open " << path << Qt::endl;
        return 1;
    }

    // Half taken from the list as players type them, half near misses and noise.
    QRandomGenerator rng(2024);
    QList<QByteArray> words;
    const qint64 records = bytes.size() / RecordSize;
    while (words.size() < 20000) {
        QByteArray w =
            bytes.mid(qsizetype(rng.bounded(records)) * RecordSize + 1, WordFieldSize).trimmed();
        switch (rng.bounded(4)) {
        case 0:
            words << w;
            break;
        case 1:
            words << w.toLower();
            break;
        case 2:
            w[rng.bounded(int(w.size()))] = char('A' + rng.bounded(26));
            words << w + 'Q';
            break;
        default:
            words << w.left(std::max(1, int(w.size()) - 1 - rng.bounded(3)));
        }
    }

    const qint64 minNs = 1'000'000'000;
    const auto [memoryRate, memoryHits] =
        measure(words, minNs, [&](const QByteArray &w) { return dict.isword(w); });
    const auto [fileRate, fileHits] =
        measure(words, minNs, [&](const QByteArray &w) { return file.contains(w); });
    // For comparison: the binary search over the records in memory, which is
    // what a list out of order gets.
    const char *raw = bytes.constData();
    const auto [searchRate, searchHits] = measure(words, minNs, [&](const QByteArray &w) {
        return searchRecords(makeSearchKey(w), records - 1,
                             [raw](qint64 i) { return raw + i * RecordSize; });
    });

    out() << "word list: " << dict.recordCount() << " records, loaded in "
          << QString::number(double(loadNs) / 1e6, 'f', 3) << " ms\n";
    out() << "lookup mix: " << words.size() << " words, " << memoryHits << " hits, "
          << words.size() - memoryHits << " misses\n";
    out() << "Dictionary (in memory):          " << QString::number(memoryRate, 'f', 0)
          << " lookups/s\n";
    out() << "file, one seek + read per probe: " << QString::number(fileRate, 'f', 0)
          << " lookups/s\n";
    out() << "ratio Dictionary / file:         " << QString::number(memoryRate / fileRate, 'f', 1)
          << "x\n";
    out() << "(binary search in memory:        " << QString::number(searchRate, 'f', 0)
          << " lookups/s, " << QString::number(searchRate / fileRate, 'f', 1) << "x)\n";
    const bool agree = memoryHits == fileHits && searchHits == fileHits;
    out() << "answers agree: " << (agree ? "yes" : "NO") << Qt::endl;
    return agree ? 0 : 1;
}
