#include "client/gameoptionsdialog.h"

#include "ui/clicklabel.h"
#include "ui/theme.h"

#include <QComboBox>
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

GameOptionsDialog::GameOptionsDialog(const QPixmap &background, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("gamestart"));
    setWindowTitle(QStringLiteral("Vorlith - Game Start"));
    setFixedSize(257, 196);
    ui::setBackground(this, background, ui::colors::Parchment);

    auto *card = new QLabel(this);
    card->setGeometry(8, 4, 241, 138);
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

    auto *computersLabel = new QLabel(QStringLiteral("Computers:"), this);
    computersLabel->setObjectName(QStringLiteral("label_computers"));
    computersLabel->setFont(ui::arial(13, true));
    computersLabel->move(32, 88);
    m_computers = makeUpDown(this, 136, 86, 0, 5, 1, 0);
    m_computers->setObjectName(QStringLiteral("updown_computers"));
    m_computers->setAccessibleName(QStringLiteral("Computer players"));
    m_computers->setToolTip(QStringLiteral("Computer players at your table"));
    computersLabel->setBuddy(m_computers);

    auto *strengthLabel = new QLabel(QStringLiteral("Strength:"), this);
    strengthLabel->setObjectName(QStringLiteral("label_strength"));
    strengthLabel->setFont(ui::arial(13, true));
    strengthLabel->move(32, 112);
    m_strength = new QComboBox(this);
    m_strength->setObjectName(QStringLiteral("combo_strength"));
    m_strength->setGeometry(136, 110, 80, 21);
    m_strength->addItems(
        {QStringLiteral("Easy"), QStringLiteral("Normal"), QStringLiteral("Hard")});
    m_strength->setCurrentIndex(1);
    m_strength->setAccessibleName(QStringLiteral("Computer players' strength"));
    strengthLabel->setBuddy(m_strength);

    auto *start =
        new ui::ImageButton(QStringLiteral("START"), QStringLiteral("button_start.png"), this);
    start->setObjectName(QStringLiteral("button_start"));
    start->setAccessibleName(QStringLiteral("Start Game"));
    start->move(77, 147);
    connect(start, &ui::ImageButton::clicked, this,
            [this] { Q_EMIT startRequested(rounds(), creationTime()); });
}

void GameOptionsDialog::showEvent(QShowEvent *event)
{
    if (!event->spontaneous())
        Q_EMIT aboutToShow();
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

int GameOptionsDialog::rounds() const
{
    return m_rounds->value();
}

int GameOptionsDialog::creationTime() const
{
    return m_time->value();
}

void GameOptionsDialog::setRounds(int value)
{
    m_rounds->setValue(value);
}

void GameOptionsDialog::setCreationTime(int value)
{
    m_time->setValue(value);
}

int GameOptionsDialog::computerPlayers() const
{
    return m_computers->value();
}

void GameOptionsDialog::setComputerPlayers(int count)
{
    m_computers->setValue(count);
}

void GameOptionsDialog::setComputerPlayerLimit(int most)
{
    m_computers->setMaximum(std::max(most, 0));
}

QString GameOptionsDialog::strength() const
{
    return m_strength->currentText();
}

void GameOptionsDialog::setStrength(const QString &name)
{
    const int index = m_strength->findText(name, Qt::MatchFixedString);
    if (index >= 0)
        m_strength->setCurrentIndex(index);
}

} // namespace vorlith::client
