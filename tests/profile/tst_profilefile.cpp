#include "profile/profilefile.h"

#include "files.h"
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using vorlith::profile::ProfileFile;

namespace {

// Another program's sections around ours, in its own layout.
const QByteArray kShared = "; written by the lobby\r\n"
                           "[Lobby]\r\n"
                           "Name = Kim \r\n"
                           "Textsize=99\r\n"
                           "\r\n"
                           "[vorlith]\r\n"
                           "TEXTSIZE=12\r\n"
                           ";Top=1\r\n"
                           "top = 40\r\n"
                           "Top=50\r\n"
                           "Phrase1=\"  quoted  \"\r\n"
                           "Empty=\r\n"
                           "\r\n"
                           "[Vorlith]\r\n"
                           "Left=7\r\n"
                           "\r\n"
                           "[Other]\r\n"
                           "odd line without equals\r\n";

} // namespace

class TestProfileFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readsByTheWindowsRules_data()
    {
        QTest::addColumn<QByteArray>("section");
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<bool>("found");
        QTest::addColumn<QByteArray>("value");
        QTest::newRow("any case") << QByteArray("VORLITH") << QByteArray("textsize") << true
                                  << QByteArray("12");
        QTest::newRow("first key wins, comment skipped")
            << QByteArray("Vorlith") << QByteArray("Top") << true << QByteArray("40");
        QTest::newRow("first section wins")
            << QByteArray("Vorlith") << QByteArray("Left") << false << QByteArray();
        QTest::newRow("blanks trimmed")
            << QByteArray("lobby") << QByteArray("name") << true << QByteArray("Kim");
        QTest::newRow("quotes removed")
            << QByteArray("Vorlith") << QByteArray("Phrase1") << true << QByteArray("  quoted  ");
        QTest::newRow("empty value")
            << QByteArray("Vorlith") << QByteArray("Empty") << true << QByteArray("");
        QTest::newRow("other section's key")
            << QByteArray("Other") << QByteArray("Textsize") << false << QByteArray();
        QTest::newRow("line without equals")
            << QByteArray("Other") << QByteArray("odd line without equals") << false
            << QByteArray();
        QTest::newRow("missing section")
            << QByteArray("Nope") << QByteArray("Top") << false << QByteArray();
    }
    void readsByTheWindowsRules()
    {
        QFETCH(QByteArray, section);
        QFETCH(QByteArray, key);
        QFETCH(bool, found);
        QFETCH(QByteArray, value);
        const std::optional<QByteArray> read = ProfileFile::valueIn(kShared, section, key);
        QCOMPARE(read.has_value(), found);
        if (found)
            QCOMPARE(*read, value);
    }

    void readsValuesUpTo2047Characters()
    {
        const QByteArray file = "[V]\nLong=" + QByteArray(3000, 'x') + "\n";
        QCOMPARE(ProfileFile::valueIn(file, "V", "Long")->size(), 2047);
    }

    void writesOnlyTheValue_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("existing key, first match")
            << kShared << QByteArray("TOP") << QByteArray("3")
            << QByteArray(kShared).replace("top = 40\r\n", "top = 3\r\n");
        QTest::newRow("missing key goes to the end of its section")
            << kShared << QByteArray("Help") << QByteArray("2")
            << QByteArray(kShared).replace("Empty=\r\n", "Empty=\r\nHelp=2\r\n");
        QTest::newRow("missing section goes to the end")
            << QByteArray("[Lobby]\r\nA=1") << QByteArray("Help") << QByteArray("2")
            << QByteArray("[Lobby]\r\nA=1\r\n[Vorlith]\r\nHelp=2\r\n");
        QTest::newRow("empty file") << QByteArray() << QByteArray("Help") << QByteArray("2")
                                    << QByteArray("[Vorlith]\r\nHelp=2\r\n");
        QTest::newRow("file with unix line ends")
            << QByteArray("[Vorlith]\nA=1\n\n[B]\n") << QByteArray("Help") << QByteArray("2")
            << QByteArray("[Vorlith]\nA=1\nHelp=2\n\n[B]\n");
        QTest::newRow("section at the end without a line end")
            << QByteArray("[vorlith]\r\nA=1") << QByteArray("Help") << QByteArray("2")
            << QByteArray("[vorlith]\r\nA=1\r\nHelp=2");
        QTest::newRow("empty section")
            << QByteArray("[Vorlith]\r\n[B]\r\n") << QByteArray("Help") << QByteArray("2")
            << QByteArray("[Vorlith]\r\nHelp=2\r\n[B]\r\n");
    }
    void writesOnlyTheValue()
    {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, key);
        QFETCH(QByteArray, value);
        QFETCH(QByteArray, after);
        QCOMPARE(ProfileFile::withValue(before, "Vorlith", key, value), after);
    }

    void readsIntegers_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("value");
        QTest::newRow("decimal") << "772" << 772;
        QTest::newRow("negative") << "-12" << -12;
        QTest::newRow("hex") << "0x1F" << 31;
        QTest::newRow("hex capital X") << "0X1f" << 31;
        QTest::newRow("hex all bits") << "0xFFFFFFFF" << -1;
        QTest::newRow("hex too long") << "0x100000000" << -7;
        QTest::newRow("hex prefix only") << "0x" << -7;
        QTest::newRow("dollar is no prefix") << "$10" << -7;
        QTest::newRow("trailing letters") << "12abc" << -7;
        QTest::newRow("inner blank") << "1 2" << -7;
        QTest::newRow("empty") << "" << -7;
        QTest::newRow("word") << "big" << -7;
        QTest::newRow("overflow") << "2147483648" << -7;
        QTest::newRow("lowest") << "-2147483648" << int(0x80000000);
    }
    void readsIntegers()
    {
        QFETCH(QString, text);
        QFETCH(int, value);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("brakmolobby.ini"));
        QVERIFY(writeFile(path, "[Vorlith]\r\nTop= " + text.toLatin1() + " \r\n"));
        QCOMPARE(ProfileFile(path).readInt(QStringLiteral("vorlith"), QStringLiteral("TOP"), -7),
                 value);
    }

    void createsAMissingFileAndKeepsOthersIntact()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("brakmolobby.ini"));
        ProfileFile profile(path);
        QCOMPARE(profile.readString(QStringLiteral("Vorlith"), QStringLiteral("Help"),
                                    QStringLiteral("1")),
                 QStringLiteral("1"));
        QCOMPARE(profile.readInt(QStringLiteral("Vorlith"), QStringLiteral("Width"), 772), 772);
        QVERIFY(profile.writeString(QStringLiteral("Vorlith"), QStringLiteral("Help"),
                                    QStringLiteral("2")));
        QCOMPARE(readFile(path), QByteArray("[Vorlith]\r\nHelp=2\r\n"));

        QVERIFY(writeFile(path, kShared));
        QVERIFY(profile.writeInt(QStringLiteral("Vorlith"), QStringLiteral("Textsize"), 14));
        QVERIFY(profile.writeString(QStringLiteral("Vorlith"), QStringLiteral("Phrase2"),
                                    QStringLiteral("a\r\nb")));
        QCOMPARE(readFile(path), QByteArray(kShared)
                                     .replace("TEXTSIZE=12", "TEXTSIZE=14")
                                     .replace("Empty=\r\n", "Empty=\r\nPhrase2=a  b\r\n"));
        QCOMPARE(profile.readString(QStringLiteral("VORLITH"), QStringLiteral("phrase2")),
                 QStringLiteral("a  b"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{"brakmolobby.ini"});
    }

    void refusedWritesReportAnError()
    {
        QTemporaryDir dir;
        // The target is a folder.
        const QString folder = dir.filePath(QStringLiteral("brakmolobby.ini"));
        QVERIFY(QDir().mkdir(folder));
        ProfileFile onFolder(folder);
        QVERIFY(!onFolder.writeString(QStringLiteral("Vorlith"), QStringLiteral("Help"),
                                      QStringLiteral("2")));
        QVERIFY(!onFolder.errorString().isEmpty());
        QCOMPARE(onFolder.readString(QStringLiteral("Vorlith"), QStringLiteral("Help"),
                                     QStringLiteral("d")),
                 QStringLiteral("d"));

        // The folder part of the path is a file.
        const QString plain = dir.filePath(QStringLiteral("plain"));
        QVERIFY(writeFile(plain, "x"));
        ProfileFile underFile(plain + QStringLiteral("/brakmolobby.ini"));
        QVERIFY(!underFile.writeString(QStringLiteral("Vorlith"), QStringLiteral("Help"),
                                       QStringLiteral("2")));
        QCOMPARE(readFile(plain), QByteArray("x"));

        QCOMPARE(ProfileFile::unableToWriteText(QStringLiteral("rel/brakmolobby.ini")),
                 QStringLiteral("Unable to write to ") +
                     QDir::toNativeSeparators(
                         QDir::current().absoluteFilePath(QStringLiteral("rel/brakmolobby.ini"))));
    }

    void refusedWriteLeavesTheOldFileAsItWas()
    {
        QTemporaryDir dir;
        // A name as long as the system allows: the file itself can be
        // written, but no temporary file can be made beside it, so the
        // atomic replacement is refused whoever runs the test.
        const QString path = dir.filePath(QString(250, QLatin1Char('s')) + QStringLiteral(".ini"));
        QVERIFY(writeFile(path, kShared));
        ProfileFile profile(path);
        QVERIFY(!profile.writeString(QStringLiteral("Vorlith"), QStringLiteral("Top"),
                                     QStringLiteral("3")));
        QVERIFY(!profile.errorString().isEmpty());
        QCOMPARE(readFile(path), kShared);

        if (::geteuid() != 0) {
            // Without root a read-only folder refuses the write as well.
            const QString sub = dir.filePath(QStringLiteral("ro"));
            QVERIFY(QDir().mkdir(sub));
            const QString inner = sub + QStringLiteral("/brakmolobby.ini");
            QVERIFY(writeFile(inner, kShared));
            QVERIFY(QFile::setPermissions(sub, QFile::ReadOwner | QFile::ExeOwner));
            QVERIFY(!ProfileFile(inner).writeString(QStringLiteral("Vorlith"),
                                                    QStringLiteral("Top"), QStringLiteral("3")));
            QFile::setPermissions(sub, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            QCOMPARE(readFile(inner), kShared);
        }
    }

    void oversizedFileIsNeitherReadNorWritten()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("brakmolobby.ini"));
        // Settings first, then line breaks up to just past the limit.
        const QByteArray head = "[Vorlith]\r\nTextsize=12\r\n";
        QByteArray bytes = head + QByteArray(ProfileFile::kMaxFileSize - head.size(), '\n');
        QVERIFY(writeFile(path, bytes));
        QCOMPARE(ProfileFile(path).readInt(QStringLiteral("Vorlith"), QStringLiteral("Textsize"), 8), 12);
        QVERIFY(!ProfileFile(path).isTooLarge());

        bytes += '\n';
        QVERIFY(writeFile(path, bytes));
        ProfileFile profile(path);
        QVERIFY(profile.isTooLarge());
        QCOMPARE(profile.readInt(QStringLiteral("Vorlith"), QStringLiteral("Textsize"), 8), 8);
        QVERIFY(!profile.writeString(QStringLiteral("Vorlith"), QStringLiteral("Help"), QStringLiteral("2")));
        QVERIFY(profile.refusedTooLarge());
        QCOMPARE(readFile(path), bytes);

        // Another reason to refuse a write is no "too large".
        const QString folder = dir.filePath(QStringLiteral("folder.ini"));
        QVERIFY(QDir().mkdir(folder));
        ProfileFile onFolder(folder);
        QVERIFY(!onFolder.writeString(QStringLiteral("Vorlith"), QStringLiteral("Help"), QStringLiteral("2")));
        QVERIFY(!onFolder.refusedTooLarge());
    }

    void manyLinesAreEditedInPlace()
    {
        // Half a million lines before the section: still read and edited
        // with every other byte kept.
        QByteArray bytes = QByteArray("[Other]\r\n") + QByteArray("k=v\r\n").repeated(100000) +
                           QByteArray(400000, '\n') + "[vorlith]\r\nTop=4\r\n\r\n[Last]\r\nx=1\r\n";
        QVERIFY(bytes.size() < ProfileFile::kMaxFileSize);
        QCOMPARE(ProfileFile::valueIn(bytes, "VORLITH", "top"), std::optional<QByteArray>("4"));
        QCOMPARE(ProfileFile::valueIn(bytes, "Other", "k"), std::optional<QByteArray>("v"));
        QCOMPARE(ProfileFile::valueIn(bytes, "Last", "Top"), std::nullopt);
        QByteArray edited = bytes;
        edited.replace("Top=4\r\n\r\n", "Top=4\r\nLeft=9\r\n\r\n");
        QCOMPARE(ProfileFile::withValue(bytes, "Vorlith", "Left", "9"), edited);
    }
};

QTEST_GUILESS_MAIN(TestProfileFile)
#include "tst_profilefile.moc"
