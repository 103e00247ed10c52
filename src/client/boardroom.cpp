#include "client/boardroom.h"

#include "client/boardmodel.h"
#include "client/boardview.h"
#include "ui/clicklabel.h"
#include "ui/theme.h"

#include <QCheckBox>
#include <QLabel>

namespace vorlith::client {

BoardRoom::BoardRoom(QWidget *panel, BoardModel &model, QObject *parent) : QObject(parent)
{
    m_frame = new QWidget(panel);
    m_frame->setObjectName(QStringLiteral("panel_boardframe"));
    m_frame->setAutoFillBackground(true);
    QPalette pal = m_frame->palette();
    pal.setColor(QPalette::Window, ui::colors::BoardBlue);
    m_frame->setPalette(pal);
    m_view = new BoardView(model, m_frame);
    m_view->move(3, 3); // inside the frame's 3-pixel border

    const auto makeButton = [panel](const char *name, const QString &caption,
                                    const QString &picture) {
        auto *b = new ui::ImageButton(caption, picture, panel);
        b->setObjectName(QString::fromLatin1(name));
        b->hide();
        return b;
    };
    m_clear =
        makeButton("button_clear", QStringLiteral("Clear"), QStringLiteral("button_clear.png"));
    m_shuffle = makeButton("button_shuffle", QStringLiteral("Shuffle"),
                           QStringLiteral("button_shuffle.png"));
    m_enter =
        makeButton("button_enter", QStringLiteral("Submit"), QStringLiteral("button_enter.png"));
    connect(m_clear, &ui::ImageButton::clicked, &model, &BoardModel::clearWordAloud);
    connect(m_shuffle, &ui::ImageButton::clicked, &model, &BoardModel::shuffle);
    connect(m_enter, &ui::ImageButton::clicked, &model, &BoardModel::submitWord);

    m_word = new QLabel(panel);
    m_word->setObjectName(QStringLiteral("label_word"));
    m_word->setAlignment(Qt::AlignCenter);
    m_word->setTextFormat(Qt::PlainText);
    m_word->setFont(ui::arial(21, true));
    ui::setTextColour(m_word, ui::colors::Banner);
    m_word->setAccessibleDescription(QStringLiteral("Word under construction"));
    connect(&model, &BoardModel::wordChanged, m_word, &QLabel::setText);

    m_typing = new QCheckBox(QStringLiteral("Typing ON"), panel);
    m_typing->setObjectName(QStringLiteral("checkbox_typing"));
    m_typing->setFont(ui::arial(16, true));
    ui::setTextColour(m_typing, ui::colors::Banner);
    m_typing->adjustSize();
    m_typing->setChecked(model.typing());
    connect(m_typing, &QCheckBox::toggled, &model, &BoardModel::setTyping);
    connect(&model, &BoardModel::typingChanged, m_typing, &QCheckBox::setChecked);
}

void BoardRoom::setControlsShown(bool shown)
{
    for (ui::ImageButton *b : {m_clear, m_shuffle, m_enter})
        b->setVisible(shown);
}

} // namespace vorlith::client
