#include "client/typinghook.h"

#include "client/boardmodel.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QWidget>

namespace vorlith::client {

TypingHook::TypingHook(QWidget *window, BoardModel &board, QWidget *chatInput, QObject *parent)
    : QObject(parent), m_window(window), m_board(board), m_chatInput(chatInput)
{
    QCoreApplication::instance()->installEventFilter(this);
}

int TypingHook::codeOf(const QKeyEvent &event)
{
    const int key = event.key();
    switch (key) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return Tab;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return Enter;
    case Qt::Key_Backspace:
        return Backspace;
    default:
        break;
    }
    // The keypad's digits are keys of their own, not the digits 1 and 6.
    if (key >= Qt::Key_0 && key <= Qt::Key_9 && (event.modifiers() & Qt::KeypadModifier))
        return 0x60 + (key - Qt::Key_0);
    if (key == Qt::Key_Space || (key >= Qt::Key_0 && key <= Qt::Key_9) || (key >= Qt::Key_A && key <= Qt::Key_Z))
        return key;
    // Anything else matches no letter.
    return key > 0xff ? 0 : key;
}

bool TypingHook::handleKey(int code)
{
    if (!m_board.isOpen())
        return false;
    if (code == Tab) {
        m_board.setTyping(!m_board.typing());
        return true;
    }
    if (!m_board.typing()) {
        if (m_window && m_window->isActiveWindow() && m_chatInput)
            m_chatInput->setFocus(Qt::OtherFocusReason);
        return false;
    }
    switch (code) {
    case Enter:
        m_board.submitWord();
        break;
    case Backspace:
        m_board.removeLastLetter();
        break;
    case One:
        m_board.clearWord();
        break;
    case Six:
    case Space:
        m_board.shuffle();
        break;
    default:
        m_board.chooseLetter(code);
        break;
    }
    return true;
}

bool TypingHook::watches(QObject *watched) const
{
    if (!m_window || !watched->isWidgetType())
        return false;
    auto *widget = static_cast<QWidget *>(watched);
    if (widget->window() != m_window)
        return false;
    // A key travels up from the focused widget to its parents; it is looked
    // at once, where it starts.
    QWidget *focus = m_window->focusWidget();
    return focus ? widget == focus : widget == m_window;
}

bool TypingHook::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::ShortcutOverride) {
        // While the board takes every key, menu shortcuts do not fire.
        if (m_board.isOpen() && watches(watched)) {
            const int code = codeOf(*static_cast<QKeyEvent *>(event));
            if (code == Tab || m_board.typing()) {
                event->accept();
                return true;
            }
        }
        return false;
    }
    if (event->type() == QEvent::KeyPress && watches(watched))
        return handleKey(codeOf(*static_cast<QKeyEvent *>(event)));
    return false;
}

} // namespace vorlith::client
