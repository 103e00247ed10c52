#include "app/strayfiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>

using vorlith::app::removeStrayCopies;
using namespace std::chrono_literals;

namespace {

const QDateTime Now = QDateTime(QDate(2026, 12, 9), QTime(4, 0), Qt::UTC);

bool writeFile(const QString &path, const QByteArray &bytes, const QDateTime &modified)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush())
        return false;
    return file.setFileTime(modified, QFileDevice::FileModificationTime);
}

QStringList namesIn(const QString &dir)
{
    QStringList names = QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    names.sort();
    return names;
}

} // namespace

class TestStrayFiles : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void onlyOldCopiesOfOurOwnFilesGo_data();
    void onlyOldCopiesOfOurOwnFilesGo();
    void theWritersOwnCopyNameIsRecognised();
};

void TestStrayFiles::onlyOldCopiesOfOurOwnFilesGo_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("ageSeconds");
    QTest::addColumn<bool>("removed");

    QTest::newRow("old settings copy") << "brakmolobby.ini.aBcDeF" << 3600 << true;
    QTest::newRow("old tally copy") << "Vorlithtally.tld.QwErTy" << 61 << true;
    QTest::newRow("a copy one minute old") << "brakmolobby.ini.XyZabc" << 60 << true;
    QTest::newRow("a fresh copy being written") << "brakmolobby.ini.KLmnop" << 59 << false;
    QTest::newRow("a copy from the future") << "brakmolobby.ini.Future" << -600 << false;
    QTest::newRow("seven letters") << "brakmolobby.ini.ABCDEFG" << 3600 << false;
    QTest::newRow("five letters") << "brakmolobby.ini.ABCDE" << 3600 << false;
    QTest::newRow("digits") << "brakmolobby.ini.bak123" << 3600 << false;
    QTest::newRow("another program's file") << "lobbyfriends.ini.aBcDeF" << 3600 << false;
    QTest::newRow("a file named alike") << "xbrakmolobby.ini.aBcDeF" << 3600 << false;
    QTest::newRow("another letter case") << "BRAKMOLOBBY.INI.aBcDeF" << 3600 << false;
    QTest::newRow("the working text") << "temp.txt" << 3600 << false;
}

void TestStrayFiles::onlyOldCopiesOfOurOwnFilesGo()
{
    QFETCH(QString, name);
    QFETCH(int, ageSeconds);
    QFETCH(bool, removed);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString settings = dir.filePath(QStringLiteral("brakmolobby.ini"));
    const QString tally = dir.filePath(QStringLiteral("Vorlithtally.tld"));
    const QDateTime old = Now.addDays(-3);
    QVERIFY(writeFile(settings, "[Vorlith]\r\n", old));
    QVERIFY(writeFile(tally, "WRZL", old));
    QVERIFY(writeFile(dir.filePath(name), "a whole copy", Now.addSecs(-ageSeconds)));
    // A folder that looks like a copy is never ours to remove.
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("Vorlithtally.tld.Folder")));
    const QStringList before = namesIn(dir.path());

    const QStringList gone = removeStrayCopies({settings, tally}, Now, 60s);

    QStringList expected = before;
    if (removed) {
        expected.removeOne(name);
        QCOMPARE(gone, QStringList{dir.filePath(name)});
    } else {
        QVERIFY(gone.isEmpty());
    }
    QCOMPARE(namesIn(dir.path()), expected);
    QFile kept(settings);
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), QByteArray("[Vorlith]\r\n"));
}

void TestStrayFiles::theWritersOwnCopyNameIsRecognised()
{
    // The copy a program killed at the wrong moment leaves is named by Qt's
    // temporary-name generator, which a temporary file beside the settings
    // file shares: the sweep must know its names, whatever Qt makes them.
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString settings = dir.filePath(QStringLiteral("brakmolobby.ini"));
    QVERIFY(writeFile(settings, "old", Now));
    for (int i = 0; i < 20; ++i) {
        QTemporaryFile copy(settings);
        QVERIFY(copy.open());
        QVERIFY(
            QFileInfo(copy.fileName()).fileName().startsWith(QStringLiteral("brakmolobby.ini.")));
        // Fresh, it stays; once older than a minute, it goes.
        QVERIFY(removeStrayCopies({settings}).isEmpty());
        const QStringList gone =
            removeStrayCopies({settings}, QDateTime::currentDateTimeUtc().addSecs(61));
        QCOMPARE(gone, QStringList{QFileInfo(copy.fileName()).absoluteFilePath()});
        copy.setAutoRemove(false);
    }
    QCOMPARE(namesIn(dir.path()), QStringList{QStringLiteral("brakmolobby.ini")});
}

QTEST_GUILESS_MAIN(TestStrayFiles)
#include "tst_strayfiles.moc"
