#pragma once

#include <QProxyStyle>

namespace vorlith::ui {

/// The application's style, unchanged but for one thing: a standard icon is
/// read from its picture file when it is first drawn or measured, not when it
/// is asked for. Widgets ask for icons as they are made (the menu bar for its
/// overflow button, which hardly ever shows), and reading the first picture
/// file loads every image format plugin, which a start need not wait for.
class DeferredIconStyle : public QProxyStyle
{
    Q_OBJECT
public:
    /// Wraps \a base (taking it over), or the platform's default style when null.
    explicit DeferredIconStyle(QStyle *base = nullptr);

    QIcon standardIcon(StandardPixmap icon, const QStyleOption *option = nullptr,
                       const QWidget *widget = nullptr) const override;
};

} // namespace vorlith::ui
