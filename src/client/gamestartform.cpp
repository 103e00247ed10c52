#include "client/gamestartform.h"

#include "ui/clicklabel.h"
#include "ui/theme.h"

#include <QLabel>
#include <QLineEdit>
#include <QShowEvent>
#include <QSpinBox>

namespace vorlith::client {

namespace {

QSpinBox *makeUpDown(QWidget *parent, int x, int y, int min, int max, int step, int start)
{
    auto *box = new QSpinBox(parent);
    box->setGeometry(x, y, 41 + 16, 21);
    box->setRange(min, max);
    box->setSingleStep(step);
    box->setValue(start);
    box->setWrapping(false);
    // Changed with the arrows only, like a read-only edit with an up-down.
    if (auto *edit = box->findChild<QLineEdit *>())
        edit->setReadOnly(true);
    box->setStyleSheet(QStringLiteral("QSpinBox { background: white; }"));
    return box;
}

} // namespace

Tgamestart::Tgamestart(const QPixmap &background, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("gamestart"));
    setWindowTitle(QStringLiteral("Vorlith - Game Start"));
    setFixedSize(257, 150);
    ui::setBackground(this, background, ui::colors::Parchment);

    auto *card = new QLabel(this);
    card->setGeometry(8, 4, 241, 92);
    card->setStyleSheet(QStringLiteral("background: rgba(244,239,206,230); border-radius: 8px;"));

    auto *title = new QLabel(QStringLiteral("Game Options"), this);
    title->setObjectName(QStringLiteral("Label3"));
    title->setGeometry(0, 8, 257, 20);
    title->setAlignment(Qt::AlignCenter);
    title->setFont(ui::arial(15, true));
    title->setStyleSheet(QStringLiteral("color: #1f4a6d;"));

    auto *roundsLabel = new QLabel(QStringLiteral("# of Rounds:"), this);
    roundsLabel->setObjectName(QStringLiteral("Label2"));
    roundsLabel->setFont(ui::arial(13, true));
    roundsLabel->move(32, 38);
    m_rounds = makeUpDown(this, 136, 36, 1, 10, 1, 3);
    m_rounds->setObjectName(QStringLiteral("UpDown1"));

    auto *timeLabel = new QLabel(QStringLiteral("Creation Time:"), this);
    timeLabel->setObjectName(QStringLiteral("Label1"));
    timeLabel->setFont(ui::arial(13, true));
    timeLabel->move(32, 62);
    m_time = makeUpDown(this, 136, 60, 30, 120, 5, 60);
    m_time->setObjectName(QStringLiteral("UpDown2"));

    auto *start = new ui::ImageButton(QStringLiteral("START"), QStringLiteral("button_start.png"), this);
    start->setObjectName(QStringLiteral("button_start"));
    start->setAccessibleName(QStringLiteral("Start Game"));
    start->move(77, 101);
    connect(start, &ui::ImageButton::clicked, this, [this] { Q_EMIT startRequested(rounds(), creationTime()); });
}

void Tgamestart::showEvent(QShowEvent *event)
{
    if (m_centredOn && !event->spontaneous()) {
        const QRect outer = m_centredOn->frameGeometry();
        // Frame sizes are only known once shown; the client area is what the
        // dialog is sized by, so centre that.
        QRect client = geometry();
        client.moveCenter(outer.center());
        move(client.topLeft() - (geometry().topLeft() - pos()));
    }
    QDialog::showEvent(event);
}

int Tgamestart::rounds() const
{
    return m_rounds->value();
}

int Tgamestart::creationTime() const
{
    return m_time->value();
}

void Tgamestart::setRounds(int value)
{
    m_rounds->setValue(value);
}

void Tgamestart::setCreationTime(int value)
{
    m_time->setValue(value);
}

} // namespace vorlith::client
