#include "client/windowbounds.h"

#include <QScreen>
#include <QWidget>

namespace vorlith::client {

WindowBounds::WindowBounds(QWidget &window) : m_window(&window) {}

QRect WindowBounds::bounds() const
{
    if (!m_window)
        return {};
    return QRect(m_window->x(), m_window->y(), m_window->width(), m_window->height());
}

void WindowBounds::setBounds(const QRect &b)
{
    if (!m_window)
        return;
    m_window->move(b.left(), b.top());
    m_window->resize(b.width(), b.height());
}

void WindowBounds::reset()
{
    setBounds(QRect(DefaultPlace, DefaultSize));
}

bool WindowBounds::closing()
{
    if (!m_window || bounds() == m_remembered)
        return false;
    if (const QScreen *screen = m_window->screen()) {
        const QRect work = screen->availableGeometry();
        if (m_window->width() > work.width())
            m_window->resize(m_window->width() - 15, m_window->height());
        if (m_window->height() > work.height())
            m_window->resize(m_window->width(), m_window->height() - 15);
    }
    m_remembered = bounds();
    return true;
}

} // namespace vorlith::client
