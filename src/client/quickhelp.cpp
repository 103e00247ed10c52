#include "client/quickhelp.h"

#include "ui/clicklabel.h"
#include "ui/theme.h"

#include <QLabel>
#include <QVBoxLayout>

namespace vorlith::client {

QuickHelp::QuickHelp(QWidget *panel) : QFrame(panel)
{
    setObjectName(QStringLiteral("panel_help"));
    resize(411, 520);
    setStyleSheet(QStringLiteral(
        "#panel_help { background: #f4efce; border: 2px solid #1f4a6d; border-radius: 10px; }"
        "QLabel { color: #1f2a33; }"));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(22, 18, 22, 14);
    layout->setSpacing(12);

    auto *title = new QLabel(QStringLiteral("QUICK INSTRUCTIONS"), this);
    title->setFont(ui::arial(22, true));
    title->setStyleSheet(QStringLiteral("color: #1f4a6d;"));
    title->setAlignment(Qt::AlignCenter);
    layout->addWidget(title);

    const char *lines[] = {
        "CLICK ANY LETTER ON THE BOARD TO CREATE YOUR WORD",
        "Letters can only be used once per word..",
        "Words can be any length.",
        "Letters do not have to be next to each other.",
        "The CLEAR button clears the current word.",
        "The SHUFFLE button mixes up the letters on the board.",
        "The SUBMIT button sends the word to be checked.",
        // clang-format off
        "You can also type your words out, using Backspace to clear the last letter, Enter to submit, and Space to shuffle.",
        // clang-format on
    };
    bool first = true;
    for (const char *text : lines) {
        auto *label = new QLabel(QString::fromLatin1(text), this);
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignCenter);
        label->setFont(ui::arial(first ? 15 : 14, first));
        layout->addWidget(label);
        first = false;
    }
    layout->addStretch();

    auto *done =
        new ui::ImageButton(QStringLiteral("Done"), QStringLiteral("button_done.png"), this);
    done->setObjectName(QStringLiteral("button_done"));
    layout->addWidget(done, 0, Qt::AlignHCenter);
    connect(done, &ui::ImageButton::clicked, this, &QWidget::hide);
    hide();
}

void QuickHelp::showInFront()
{
    show();
    raise();
}

} // namespace vorlith::client
