#include "chat/phrasesdialog.h"

#include "ui/clicklabel.h"
#include "ui/theme.h"

#include <QLabel>
#include <QLineEdit>

namespace vorlith::chat {

PhrasesDialog::PhrasesDialog(const QPixmap &background, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("phrases"));
    setWindowTitle(QStringLiteral("Vorlith - Phrase Buttons "));
    setFixedSize(330, 330);
    ui::setBackground(this, background, ui::colors::Parchment);

    auto *card = new QLabel(this);
    card->setGeometry(8, 8, 314, 270);
    card->setStyleSheet(QStringLiteral("background: rgba(244,239,206,235); border-radius: 8px;"));

    for (int n = 1; n <= 9; ++n) {
        const int y = 16 + (n - 1) * 28;
        auto *label = new QLabel(QStringLiteral("Phrase Button %1:").arg(n), this);
        label->setFont(ui::arial(12, true));
        label->setGeometry(16, y + 2, 110, 20);
        auto *edit = new QLineEdit(this);
        edit->setObjectName(QStringLiteral("phrase%1").arg(n));
        edit->setMaxLength(50);
        edit->setGeometry(126, y, 186, 22);
        m_edits[static_cast<size_t>(n - 1)] = edit;
    }

    auto *note = new QLabel(QStringLiteral("Buttons can only be used once every 2 seconds"), this);
    note->setFont(ui::arial(11, true));
    note->setStyleSheet(QStringLiteral("color: #1f4a6d;"));
    note->setGeometry(8, 282, 314, 16);
    note->setAlignment(Qt::AlignCenter);

    auto *done = new ui::ImageButton(QStringLiteral("Done"), QStringLiteral("button_done.png"), this);
    done->setObjectName(QStringLiteral("button_done"));
    done->move((width() - done->width()) / 2, 298);
    connect(done, &ui::ImageButton::clicked, this, &PhrasesDialog::confirm);
}

QLineEdit *PhrasesDialog::edit(int number) const
{
    return number >= 1 && number <= 9 ? m_edits[static_cast<size_t>(number - 1)] : nullptr;
}

void PhrasesDialog::showWith(const QStringList &phrases)
{
    for (int n = 1; n <= 9; ++n)
        edit(n)->setText(phrases.value(n - 1));
    show();
    raise();
}

void PhrasesDialog::confirm()
{
    QStringList texts;
    for (int n = 1; n <= 9; ++n)
        texts.append(edit(n)->text());
    Q_EMIT phrasesConfirmed(texts);
    close();
}

} // namespace vorlith::chat
