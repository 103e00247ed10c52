#include "chat/chatinput.h"

#include "chat/chatline.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>

namespace vorlith::chat {

ChatInput::ChatInput(QWidget *parent) : QLineEdit(parent)
{
    setText(kInputPlaceholder);
}

void ChatInput::pasteAppend()
{
    const QString pasted = QApplication::clipboard()->text();
    if (pasted.isEmpty())
        return;
    setText(text() + pasted);
    deselect();
    end(false);
}

void ChatInput::keyPressEvent(QKeyEvent *event)
{
    if (text() == kInputPlaceholder)
        clear();
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        Q_EMIT enterPressed();
        return;
    }
    if (event->matches(QKeySequence::Paste)) {
        event->accept();
        pasteAppend();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

} // namespace vorlith::chat
