#include "ui/messageboxes.h"

#include <QApplication>
#include <QLoggingCategory>
#include <QMessageBox>

Q_LOGGING_CATEGORY(lcErrors, "vorlith.errors")

namespace vorlith::ui {

namespace {

class WidgetMessageBoxes final : public MessageBoxes
{
public:
    void inform(const QString &text) override
    {
        QMessageBox box(QMessageBox::Information, QApplication::applicationDisplayName(), text, QMessageBox::Ok,
                        QApplication::activeWindow());
        box.setTextFormat(Qt::PlainText); // texts may hold names and words from other players
        box.exec();
    }
    bool ask(const QString &text) override
    {
        QMessageBox box(QMessageBox::Question, QApplication::applicationDisplayName(), text,
                        QMessageBox::Yes | QMessageBox::No, QApplication::activeWindow());
        box.setTextFormat(Qt::PlainText);
        return box.exec() == QMessageBox::Yes;
    }
};

WidgetMessageBoxes s_widgetBoxes;
MessageBoxes *s_boxes = nullptr;

} // namespace

MessageBoxes &messageBoxes()
{
    return s_boxes ? *s_boxes : s_widgetBoxes;
}

void setMessageBoxes(MessageBoxes *boxes)
{
    s_boxes = boxes;
}

void showGeneralError(const QString &text)
{
    // A box keeps the event loop running, so more errors may arrive while it
    // is open; they are logged instead of stacking box upon box.
    static bool showing = false;
    if (showing) {
        qCWarning(lcErrors).noquote() << text << "(while another error box was open)";
        return;
    }
    qCWarning(lcErrors).noquote() << text;
    showing = true;
    messageBoxes().inform(text);
    showing = false;
}

} // namespace vorlith::ui
