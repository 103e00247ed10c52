#pragma once

#include <QString>

class QWidget;

namespace vorlith::ui {

/// Every message box of the program goes through this interface, so tests can
/// answer and record boxes instead of blocking on them.
class MessageBoxes
{
public:
    virtual ~MessageBoxes() = default;
    /// A plain box with one OK button.
    virtual void inform(const QString &text) = 0;
    /// A Yes/No question; true means Yes.
    virtual bool ask(const QString &text) = 0;
};

/// The boxes in use: real QMessageBoxes unless a test installed others.
MessageBoxes &messageBoxes();
/// Installs \a boxes (not owned); nullptr restores the real ones.
void setMessageBoxes(MessageBoxes *boxes);

/// The application's general error display: shows the text of an error that
/// ended a handler. The program goes on with the next event.
void showGeneralError(const QString &text);

} // namespace vorlith::ui
