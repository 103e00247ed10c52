#include "chat/colortext.h"

#include <QGuiApplication>
#include <QPalette>
#include <QTest>

using namespace vorlith::chat;

class TestColorText : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void namesReadAndWriteTheirValues_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<quint32>("value");
        // The values other programs write for these names.
        QTest::newRow("clBlack") << "clBlack" << 0x00000000u;
        QTest::newRow("clRed") << "clRed" << 0x000000FFu;
        QTest::newRow("clBlue") << "clBlue" << 0x00FF0000u;
        QTest::newRow("clTeal") << "clTeal" << 0x00808000u;
        QTest::newRow("clInfoBk") << "clInfoBk" << 0x80000018u;
        QTest::newRow("clNone") << "clNone" << 0x1FFFFFFFu;
        // And every other name the table knows: one value each.
        for (const NamedColor &named : namedColors())
            QTest::newRow(qPrintable(QStringLiteral("table %1").arg(QLatin1StringView(named.name))))
                << QString::fromLatin1(named.name) << named.value;
    }
    void namesReadAndWriteTheirValues()
    {
        QFETCH(QString, name);
        QFETCH(quint32, value);
        QCOMPARE(colorToText(value), name);
        QCOMPARE(colorFromText(name), std::optional<ColorValue>(value));
        QCOMPARE(colorFromText(name.toUpper()), std::optional<ColorValue>(value));
        QCOMPARE(colorFromText(name.toLower()), std::optional<ColorValue>(value));
    }

    void readsNumbers_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("readable");
        QTest::addColumn<quint32>("value");
        QTest::newRow("hex blue") << "$00FF0000" << true << 0x00FF0000u;
        QTest::newRow("hex lower case") << "$00ff00ff" << true << 0x00FF00FFu;
        QTest::newRow("hex short") << "$FF" << true << 0x000000FFu;
        QTest::newRow("hex system colour") << "$80000008" << true << 0x80000008u;
        QTest::newRow("hex nine digits") << "$100000000" << false << 0u;
        QTest::newRow("hex no digits") << "$" << false << 0u;
        QTest::newRow("hex bad digit") << "$00GG0000" << false << 0u;
        QTest::newRow("decimal") << "255" << true << 0x000000FFu;
        QTest::newRow("decimal negative system colour") << "-2147483640" << true << 0x80000008u;
        QTest::newRow("decimal lowest") << "-2147483648" << true << 0x80000000u;
        QTest::newRow("decimal too large") << "2147483648" << false << 0u;
        QTest::newRow("word") << "purplish" << false << 0u;
        QTest::newRow("empty") << "" << false << 0u;
        QTest::newRow("sign only") << "-" << false << 0u;
        QTest::newRow("blank around") << " 255" << false << 0u;
    }
    void readsNumbers()
    {
        QFETCH(QString, text);
        QFETCH(bool, readable);
        QFETCH(quint32, value);
        const std::optional<ColorValue> read = colorFromText(text);
        QCOMPARE(read.has_value(), readable);
        if (readable)
            QCOMPARE(*read, value);
    }

    void writesUnnamedColoursAsEightHexDigits_data()
    {
        QTest::addColumn<quint32>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("small") << 0x00000001u << "$00000001";
        QTest::newRow("upper case") << 0x00ABCDEFu << "$00ABCDEF";
        QTest::newRow("high byte") << 0x02123456u << "$02123456";
        QTest::newRow("unnamed system index") << 0x80000019u << "$80000019";
    }
    void writesUnnamedColoursAsEightHexDigits()
    {
        QFETCH(quint32, value);
        QFETCH(QString, text);
        QCOMPARE(colorToText(value), text);
        QCOMPARE(colorFromText(text), std::optional<ColorValue>(value));
    }

    void bytesAreBlueGreenRed()
    {
        QCOMPARE(resolveColor(0x00FF0000), QColor(0, 0, 255));
        QCOMPARE(resolveColor(0x000000FF), QColor(255, 0, 0));
        QCOMPARE(resolveColor(0x00123456), QColor(0x56, 0x34, 0x12));
        QCOMPARE(colorValueOf(QColor(0x56, 0x34, 0x12)), ColorValue(0x00123456));
        QCOMPARE(colorToText(colorValueOf(QColor(Qt::blue))), QStringLiteral("clBlue"));
    }

    void systemColoursFollowThePalette()
    {
        QPalette palette;
        palette.setColor(QPalette::WindowText, QColor(1, 2, 3));
        palette.setColor(QPalette::Highlight, QColor(4, 5, 6));
        QCOMPARE(resolveColor(kColorWindowText, palette), QColor(1, 2, 3));
        QCOMPARE(resolveColor(0x8000000D, palette), QColor(4, 5, 6));
    }
};

QTEST_GUILESS_MAIN(TestColorText)
#include "tst_colortext.moc"
