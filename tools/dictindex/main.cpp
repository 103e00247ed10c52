// vorlith_dictindex: makes the lookup index of the built-in word list at build
// time, so that a start of the game uses the list and its index where they lie
// in the executable instead of indexing the list every time.
//
//   vorlith_dictindex LIST INDEX
//
// Refuses (exit status 1) a list the index cannot serve as it lies: records
// not normalised (upper case, left-aligned, space-padded), not sorted, a NUL
// byte (the game reads a list only up to one), or a partial record at the end.

#include "dict/recordsearch.h"
#include "dict/wordindex.h"

#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>

#include <cstdio>

using namespace vorlith::dict;

namespace {

// Any fixed value: the same list gives the same index on every build.
constexpr quint64 Seed = 0x7a3c5f21d94e0b68ULL;

int fail(const QString &text)
{
    std::fprintf(stderr, "vorlith_dictindex: %s\n", qPrintable(text));
    return 1;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 3)
        return fail(QStringLiteral("usage: vorlith_dictindex LIST INDEX"));

    QFile in(args.at(1));
    if (!in.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("cannot read %1: %2").arg(in.fileName(), in.errorString()));
    const QByteArray list = in.readAll();
    if (list.size() % RecordSize != 0)
        return fail(QStringLiteral("%1 ends in a partial record").arg(in.fileName()));
    if (list.contains('\0'))
        return fail(QStringLiteral("%1 holds a NUL byte").arg(in.fileName()));
    const qint64 count = list.size() / RecordSize;
    const ListShape shape = examineRecords(list.constData(), count);
    if (!shape.normalised || !shape.sorted)
        return fail(QStringLiteral("%1 is not %2")
                        .arg(in.fileName(), shape.normalised ? QStringLiteral("sorted")
                                                             : QStringLiteral("normalised")));

    const QByteArray index = WordIndex::build(list.constData(), count, Seed);
    if (index.isEmpty())
        return fail(QStringLiteral("%1 has too many records").arg(in.fileName()));
    QSaveFile out(args.at(2));
    if (!out.open(QIODevice::WriteOnly) || out.write(index) != index.size() || !out.commit())
        return fail(QStringLiteral("cannot write %1: %2").arg(out.fileName(), out.errorString()));
    return 0;
}
