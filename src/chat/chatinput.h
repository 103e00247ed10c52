#pragma once

#include <QLineEdit>

namespace vorlith::chat {

/// The one-line chat input box (`mychat`).
///
/// It starts with the text "<Enter Chat Here>", which the first key pressed
/// clears. Enter is swallowed and reported through enterPressed(). Paste
/// appends the clipboard's text at the end, whatever the caret's place.
class ChatInput : public QLineEdit
{
    Q_OBJECT

public:
    explicit ChatInput(QWidget *parent = nullptr);

    /// Appends the clipboard's text, if it holds any, to the end of the box
    /// and puts the caret at the end with nothing selected.
    void pasteAppend();

Q_SIGNALS:
    void enterPressed();

protected:
    void keyPressEvent(QKeyEvent *event) override;
};

} // namespace vorlith::chat
