#pragma once

#include <QPointer>
#include <QRect>
#include <QSize>

class QWidget;

namespace vorlith::client {

/// The main window's place and size as the settings file keeps them: the
/// built-in bounds, the ones last loaded or stored, and the check at close
/// whether they changed (pulled back onto the screen first).
class WindowBounds
{
public:
    static constexpr QPoint DefaultPlace{3, 3};
    static constexpr QSize DefaultSize{772, 535};

    explicit WindowBounds(QWidget &window);

    /// The window's bounds as the settings file stores them.
    QRect bounds() const;
    void setBounds(const QRect &bounds);
    /// Back to the built-in place and size (Options > Reset Screen Location).
    void reset();

    /// What the window is now is what a later close compares against.
    void remember() { m_remembered = bounds(); }
    QRect remembered() const { return m_remembered; }
    /// At close: a window larger than the screen's work area shrinks a
    /// little; answers whether the bounds differ from the remembered ones,
    /// which they then become.
    bool closing();

private:
    QPointer<QWidget> m_window;
    QRect m_remembered;
};

} // namespace vorlith::client
