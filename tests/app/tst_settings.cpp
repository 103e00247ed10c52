#include "app/settings.h"

#include "files.h"
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

using namespace vorlith::app;

namespace {

/// Records what the settings apply and serves what they save.
struct FakeTarget final : SettingsTarget
{
    int textSize() const override { return size; }
    void setTextSize(int p) override { size = p; }
    QRect windowBounds() const override { return bounds; }
    void setWindowBounds(const QRect &b) override { bounds = b; }
    QString textColorText() const override { return colour; }
    void setTextColorText(const QString &t) override { colour = t; }
    int rounds() const override { return roundsValue; }
    void setRounds(int r) override { roundsValue = r; }
    int creationTime() const override { return time; }
    void setCreationTime(int s) override { time = s; }
    int turnSound() const override { return turn; }
    void setTurnSound(int c) override { turn = c; }
    void setPhrase(int n, const QString &t) override { phrases[n] = t; }
    bool playSounds() const override { return sounds; }
    void setPlaySounds(bool on) override { sounds = on; }
    bool playerPhraseSounds() const override { return phraseSounds; }
    void setPlayerPhraseSounds(bool on) override { phraseSounds = on; }
    void showQuickInstructions() override { ++helpShown; }

    int size{10};
    QRect bounds{3, 3, 772, 535};
    QString colour{QStringLiteral("clBlack")};
    int roundsValue{3};
    int time{60};
    int turn{0};
    QMap<int, QString> phrases;
    bool sounds{true};
    bool phraseSounds{true};
    int helpShown{0};
};

} // namespace

class TestSettings : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void noFileGivesDefaultsAndOnlyHelp();
    void readsOddValues_data();
    void readsOddValues();
    void everyKeyRoundTrips();
    void otherProgramsSectionsSurviveByteForByte();
    void helpOneShowsThePanelOnceMore();
    void unwritableFileRaisesAndKeepsTheOldFile_data();
    void unwritableFileRaisesAndKeepsTheOldFile();
    void storeKeepsNameLanAnswersAndPhrases_data();
    void storeKeepsNameLanAnswersAndPhrases();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
};

void TestSettings::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_path = m_dir->filePath(Settings::FileName);
}

void TestSettings::noFileGivesDefaultsAndOnlyHelp()
{
    FakeTarget t;
    Settings settings(m_path, t);
    const QRect remembered = settings.load();
    QCOMPARE(remembered, QRect(3, 3, 772, 535));
    QCOMPARE(t.bounds, QRect(3, 3, 772, 535));
    QCOMPARE(t.size, 8);
    QCOMPARE(t.colour, QStringLiteral("clblack"));
    QCOMPARE(t.roundsValue, 30); // the dialog's controls hold these to their ranges
    QCOMPARE(t.time, 1);
    QCOMPARE(t.turn, 0);
    QVERIFY(t.sounds);
    QVERIFY(t.phraseSounds);
    QVERIFY(t.phrases.isEmpty());
    QCOMPARE(t.helpShown, 1);
    QCOMPARE(readFile(m_path), QByteArray("[Vorlith]\r\nHelp=2\r\n"));
}

void TestSettings::readsOddValues_data()
{
    QTest::addColumn<QByteArray>("lines");
    QTest::addColumn<QString>("what");
    QTest::addColumn<QVariant>("expected");
    QTest::newRow("size 9") << QByteArray("Textsize=9") << "size" << QVariant(9);
    QTest::newRow("size hex") << QByteArray("Textsize=0xC") << "size" << QVariant(12);
    QTest::newRow("size junk") << QByteArray("Textsize=big") << "size" << QVariant(8);
    QTest::newRow("colour kept as text") << QByteArray("Textcolor=$00FF0000") << "colour" << QVariant("$00FF0000");
    QTest::newRow("sounds FALSE stays on") << QByteArray("Playsounds=FALSE") << "sounds" << QVariant(true);
    QTest::newRow("sounds false") << QByteArray("Playsounds=false") << "sounds" << QVariant(false);
    QTest::newRow("phrase sounds false") << QByteArray("Playerphrasesounds=false") << "phraseSounds" << QVariant(false);
    QTest::newRow("turn new") << QByteArray("Turnsound=1") << "turn" << QVariant(1);
    QTest::newRow("turn other") << QByteArray("Turnsound=2") << "turn" << QVariant(0);
    QTest::newRow("rounds not decimal") << QByteArray("Playtoscore=0x5") << "rounds" << QVariant(3);
    QTest::newRow("rounds empty") << QByteArray("Playtoscore=") << "rounds" << QVariant(3);
    QTest::newRow("time 45") << QByteArray("Timeperturn=45") << "time" << QVariant(45);
    QTest::newRow("key case") << QByteArray("TEXTSIZE=14") << "size" << QVariant(14);
    QTest::newRow("empty phrase keeps") << QByteArray("Phrase4=") << "phrase4" << QVariant("<none>");
    QTest::newRow("phrase") << QByteArray("Phrase4=Good luck all!") << "phrase4" << QVariant("Good luck all!");
}

void TestSettings::readsOddValues()
{
    QFETCH(QByteArray, lines);
    QFETCH(QString, what);
    QFETCH(QVariant, expected);
    QVERIFY(writeFile(m_path, "[vorlith]\r\n" + lines + "\r\nHelp=2\r\n"));
    FakeTarget t;
    Settings(m_path, t).load();
    QVariant got;
    if (what == QLatin1String("size"))
        got = t.size;
    else if (what == QLatin1String("colour"))
        got = t.colour;
    else if (what == QLatin1String("sounds"))
        got = t.sounds;
    else if (what == QLatin1String("phraseSounds"))
        got = t.phraseSounds;
    else if (what == QLatin1String("turn"))
        got = t.turn;
    else if (what == QLatin1String("rounds"))
        got = t.roundsValue;
    else if (what == QLatin1String("time"))
        got = t.time;
    else if (what == QLatin1String("phrase4"))
        got = t.phrases.value(4, QStringLiteral("<none>"));
    QCOMPARE(got, expected);
    QCOMPARE(t.helpShown, 0);
}

void TestSettings::everyKeyRoundTrips()
{
    FakeTarget saved;
    saved.size = 12;
    saved.bounds = QRect(40, 50, 900, 640);
    saved.colour = QStringLiteral("clMaroon");
    saved.roundsValue = 7;
    saved.time = 95;
    saved.turn = 1;
    saved.sounds = false;
    saved.phraseSounds = false;
    Settings(m_path, saved).save();
    QCOMPARE(readFile(m_path), QByteArray("[Vorlith]\r\nTextsize=12\r\nTop=50\r\nLeft=40\r\nWidth=900\r\nHeight=640\r\n"
                                          "Textcolor=clMaroon\r\nPlaytoscore=7\r\nTimeperturn=95\r\nTurnsound=1\r\n"
                                          "Playerphrasesounds=false\r\nPlaysounds=false\r\n"));
    FakeTarget loaded;
    QCOMPARE(Settings(m_path, loaded).load(), saved.bounds);
    QCOMPARE(loaded.size, 12);
    QCOMPARE(loaded.bounds, saved.bounds);
    QCOMPARE(loaded.colour, saved.colour);
    QCOMPARE(loaded.roundsValue, 7);
    QCOMPARE(loaded.time, 95);
    QCOMPARE(loaded.turn, 1);
    QVERIFY(!loaded.sounds);
    QVERIFY(!loaded.phraseSounds);
}

void TestSettings::otherProgramsSectionsSurviveByteForByte()
{
    const QByteArray before = "; lobby settings\r\n[Lobby]\r\nUser=Kim\r\nServer = play.example\r\n\r\n"
                              "[VORLITH]\r\nTop=10\r\n; my note\r\nPhrase1=Hi there\r\n[Other]\r\nx=1\r\n";
    QVERIFY(writeFile(m_path, before));
    FakeTarget t;
    Settings settings(m_path, t);
    settings.load();
    QCOMPARE(t.phrases.value(1), QStringLiteral("Hi there"));
    QCOMPARE(t.bounds.top(), 10);
    settings.save();
    const QByteArray after = readFile(m_path);
    QVERIFY(after.startsWith("; lobby settings\r\n[Lobby]\r\nUser=Kim\r\nServer = play.example\r\n\r\n[VORLITH]\r\n"));
    QVERIFY(after.endsWith("[Other]\r\nx=1\r\n"));
    QVERIFY(after.contains("; my note\r\nPhrase1=Hi there\r\n"));
    QCOMPARE(after.count("[VORLITH]"), 1);
    QCOMPARE(after.count("Top="), 1);
    QVERIFY(after.contains("Help=2"));
}

void TestSettings::helpOneShowsThePanelOnceMore()
{
    QVERIFY(writeFile(m_path, "[Vorlith]\r\nHelp=1\r\n"));
    FakeTarget t;
    Settings settings(m_path, t);
    settings.load();
    settings.load();
    QCOMPARE(t.helpShown, 1);
}

void TestSettings::unwritableFileRaisesAndKeepsTheOldFile_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("folder");
    // The settings path is a folder the file cannot replace.
    QTest::newRow("a folder in the way") << QStringLiteral("blocked/") + Settings::FileName << true;
    // A name as long as the system allows: the file itself can be written,
    // but no temporary file can be made beside it, whoever runs the test.
    QTest::newRow("no room for the replacement")
        << QString(250, QLatin1Char('s')) + ".ini" << false;
}

void TestSettings::unwritableFileRaisesAndKeepsTheOldFile()
{
    QFETCH(QString, name);
    QFETCH(bool, folder);
    const QString path = m_dir->filePath(name);
    const QByteArray before = "[Vorlith]\r\nTop=7\r\n";
    QVERIFY(folder ? QDir().mkpath(path) : writeFile(path, before));
    FakeTarget t;
    t.bounds = QRect(1, 2, 800, 600);
    Settings settings(path, t);
    for (const auto &write : {std::function<void()>([&] { settings.save(); }),
                              std::function<void()>([&] { settings.load(); })}) {
        try {
            write(); // loading writes Help
            QFAIL("the write must fail");
        } catch (const vorlith::app::SettingsError &e) {
            QCOMPARE(e.text(), QStringLiteral("Unable to write to ") + path);
        }
    }
    if (folder)
        QVERIFY(QFileInfo(path).isDir());
    else
        QCOMPARE(readFile(path), before);
}

void TestSettings::storeKeepsNameLanAnswersAndPhrases_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("lanAnswers");
    QTest::addColumn<QByteArray>("after");
    QTest::newRow("no file") << QByteArray() << QString() << true
                             << QByteArray("[Vorlith]\r\nPlayername=Kim\r\nPhrase1=Hi\r\nPhrase2=\r\n"
                                           "Phrase3=\r\nPhrase4=\r\nPhrase5=\r\nPhrase6=\r\n"
                                           "Phrase7=\r\nPhrase8=\r\nPhrase9=Bye\r\n");
    const QByteArray stored = "[VORLITH]\r\nplayername= \"Lee\" \r\nLANANSWERS=false\r\nPhrase9=Old\r\n"
                              "Phrase1=Old\r\n[Lobby]\r\nPlayername=Bob\r\n";
    QTest::newRow("stored, key case") << stored << QStringLiteral("Lee") << false
                                      << QByteArray("[VORLITH]\r\nplayername= Kim\r\nLANANSWERS=false\r\n"
                                                    "Phrase9=Bye\r\nPhrase1=Hi\r\nPhrase2=\r\nPhrase3=\r\n"
                                                    "Phrase4=\r\nPhrase5=\r\nPhrase6=\r\nPhrase7=\r\n"
                                                    "Phrase8=\r\n[Lobby]\r\nPlayername=Bob\r\n");
    QTest::newRow("only exactly false") << QByteArray("[Vorlith]\r\nLananswers=FALSE\r\n") << QString() << true
                                        << QByteArray("[Vorlith]\r\nLananswers=FALSE\r\nPlayername=Kim\r\n"
                                                      "Phrase1=Hi\r\nPhrase2=\r\nPhrase3=\r\nPhrase4=\r\n"
                                                      "Phrase5=\r\nPhrase6=\r\nPhrase7=\r\nPhrase8=\r\n"
                                                      "Phrase9=Bye\r\n");
    QByteArray huge = "[Vorlith]\r\nPlayername=Lee\r\n;";
    huge += QByteArray(1024 * 1024, 'x');
    QTest::newRow("too large: defaults, left alone") << huge << QString() << true << huge;
}

void TestSettings::storeKeepsNameLanAnswersAndPhrases()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, name);
    QFETCH(bool, lanAnswers);
    QFETCH(QByteArray, after);
    if (!before.isEmpty())
        QVERIFY(writeFile(m_path, before));
    PreferencesStore store(m_path);
    const Preferences loaded = store.load();
    QCOMPARE(loaded.playerName, name);
    QCOMPARE(loaded.lanAnswers, lanAnswers);

    QCOMPARE(store.savePlayerName(QStringLiteral("Kim")).isEmpty(), after != before);
    store.savePhrases({QStringLiteral("Hi"), {}, {}, {}, {}, {}, {}, {}, QStringLiteral("Bye")});
    QCOMPARE(readFile(m_path), after);
}

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
