#pragma once

#include <QDialog>

#include <array>

class QLineEdit;

namespace vorlith::chat {

/// The phrase list window, where the player edits the nine phrases.
class PhrasesDialog : public QDialog
{
    Q_OBJECT
public:
    explicit PhrasesDialog(const QPixmap &background, QWidget *parent = nullptr);

    /// Fills the edit boxes and shows the window (View > Phrase List).
    void showWith(const QStringList &phrases);
    QLineEdit *edit(int number) const;
    /// Done: hands the nine texts over and closes the window.
    void confirm();

Q_SIGNALS:
    /// The nine phrases as confirmed with Done.
    void phrasesConfirmed(const QStringList &phrases);

private:
    std::array<QLineEdit *, 9> m_edits{};
};

} // namespace vorlith::chat
