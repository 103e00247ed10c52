#include "ui/deferredicons.h"

#include <QApplication>
#include <QIcon>
#include <QImage>
#include <QPainter>
#include <QStyleFactory>
#include <QTest>

using vorlith::ui::DeferredIconStyle;

class TestDeferredIcons : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void iconsMatchTheBaseStyle_data();
    void iconsMatchTheBaseStyle();
    void iconOutlivingItsStyleIsEmpty();
};

void TestDeferredIcons::iconsMatchTheBaseStyle_data()
{
    QTest::addColumn<int>("which");
    QTest::addColumn<int>("size");
    // Not square, and with no picture of the size asked for.
    QTest::newRow("menu bar overflow") << int(QStyle::SP_ToolBarHorizontalExtensionButton) << 16;
    QTest::newRow("warning, large") << int(QStyle::SP_MessageBoxWarning) << 48;
}

void TestDeferredIcons::iconsMatchTheBaseStyle()
{
    QFETCH(int, which);
    QFETCH(int, size);
    const auto pixmap = QStyle::StandardPixmap(which);
    QStyle *reference = QStyleFactory::create(QStringLiteral("Fusion"));
    QVERIFY(reference);
    const QIcon expected = reference->standardIcon(pixmap);
    delete reference;

    DeferredIconStyle style(QStyleFactory::create(QStringLiteral("Fusion")));
    const QIcon icon = style.standardIcon(pixmap);
    QCOMPARE(icon.isNull(), expected.isNull());
    QCOMPARE(icon.availableSizes(), expected.availableSizes());
    QCOMPARE(icon.actualSize(QSize(size, size)), expected.actualSize(QSize(size, size)));
    for (QIcon::Mode mode : {QIcon::Normal, QIcon::Disabled}) {
        QCOMPARE(icon.pixmap(size, mode).toImage(), expected.pixmap(size, mode).toImage());
        // Drawn into a widget-sized box, as buttons and menus do.
        QImage drawn(size + 6, size + 6, QImage::Format_ARGB32_Premultiplied);
        QImage reference(drawn.size(), drawn.format());
        drawn.fill(Qt::transparent);
        reference.fill(Qt::transparent);
        {
            QPainter p(&drawn);
            icon.paint(&p, drawn.rect(), Qt::AlignCenter, mode);
            QPainter q(&reference);
            expected.paint(&q, reference.rect(), Qt::AlignCenter, mode);
        }
        QCOMPARE(drawn, reference);
    }
}

void TestDeferredIcons::iconOutlivingItsStyleIsEmpty()
{
    QIcon icon;
    {
        DeferredIconStyle style(QStyleFactory::create(QStringLiteral("Fusion")));
        icon = style.standardIcon(QStyle::SP_ToolBarHorizontalExtensionButton);
    }
    // Asked only now: no answer from a style that is gone, and no crash.
    QVERIFY(icon.pixmap(16).isNull());
}

QTEST_MAIN(TestDeferredIcons)
#include "tst_deferredicons.moc"
