#include "ui/deferredicons.h"

#include <QIconEngine>
#include <QPainter>
#include <QPointer>
#include <QWidget>

namespace vorlith::ui {

namespace {

/// Stands for a standard icon of a style and asks the style for it the first
/// time anything about the icon is wanted; every answer is the real icon's.
class DeferredIconEngine : public QIconEngine
{
public:
    DeferredIconEngine(QStyle *style, QStyle::StandardPixmap which, const QWidget *widget)
        : m_style(style), m_which(which), m_widget(widget)
    {
    }

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override
    {
        // The rectangle has been fitted to the icon already: its picture
        // fills it, as the style's own icon engines draw. Painting the icon
        // into it would fit it a second time, a pixel smaller.
        const qreal ratio = painter->device()->devicePixelRatio();
        painter->drawPixmap(rect, icon().pixmap(rect.size() * ratio, 1.0, mode, state));
    }
    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        // The size asked for is in device pixels already.
        return icon().pixmap(size, 1.0, mode, state);
    }
    QSize actualSize(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        return pixmap(size, mode, state).size();
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override
    {
        return icon().availableSizes(mode, state);
    }
    QString iconName() override { return icon().name(); }
    bool isNull() override { return icon().isNull(); }
    QString key() const override { return QStringLiteral("vorlith.deferred"); }
    QIconEngine *clone() const override
    {
        auto *copy = new DeferredIconEngine(m_style, m_which, m_widget);
        copy->m_icon = m_icon;
        copy->m_resolved = m_resolved;
        return copy;
    }

private:
    const QIcon &icon()
    {
        if (!m_resolved) {
            m_resolved = true;
            // The style that made the request answers it; once that style is
            // gone (the application is ending), the icon stays empty.
            if (m_style)
                m_icon = m_style->standardIcon(m_which, nullptr, m_widget);
        }
        return m_icon;
    }

    QPointer<QStyle> m_style;
    QStyle::StandardPixmap m_which;
    QPointer<const QWidget> m_widget;
    QIcon m_icon;
    bool m_resolved{false};
};

} // namespace

DeferredIconStyle::DeferredIconStyle(QStyle *base) : QProxyStyle(base) {}

QIcon DeferredIconStyle::standardIcon(StandardPixmap icon, const QStyleOption *option,
                                      const QWidget *widget) const
{
    // An option cannot be kept for later: such requests are answered now.
    if (option)
        return QProxyStyle::standardIcon(icon, option, widget);
    return QIcon(new DeferredIconEngine(baseStyle(), icon, widget));
}

} // namespace vorlith::ui
