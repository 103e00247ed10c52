#pragma once

#include <QObject>
#include <QPointer>

class QKeyEvent;
class QWidget;

namespace vorlith::client {

class BoardModel;

/// Typing on the board (handleKey): looks at every key pressed while the
/// main window has the focus, before the focused widget sees it. While the
/// round is open for the player, Tab toggles typing mode; with typing off a
/// key sends the focus to the chat input and goes on to its target; with
/// typing on every key is taken: Enter submits, Backspace takes back a
/// letter, 1 clears the word, 6 and Space shuffle, a letter chooses a tile.
class TypingHook : public QObject
{
    Q_OBJECT
public:
    /// Key codes as the hook compares them (the letters are 'A' to 'Z').
    enum Code : int
    {
        Backspace = 8,
        Tab = 9,
        Enter = 13,
        Space = 0x20,
        One = 0x31,
        Six = 0x36,
    };

    /// Watches the keys of \a window (installs itself on the application).
    TypingHook(QWidget *window, BoardModel &board, QWidget *chatInput, QObject *parent = nullptr);

    /// Handles one key; returns whether it was taken (the focused widget
    /// then never sees it).
    bool handleKey(int code);
    /// The code the hook compares for a key event: the key itself for Tab,
    /// Enter, Backspace, Space, digits and letters whatever the modifiers.
    static int codeOf(const QKeyEvent &event);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool watches(QObject *watched) const;

    QPointer<QWidget> m_window;
    BoardModel &m_board;
    QPointer<QWidget> m_chatInput;
};

} // namespace vorlith::client
