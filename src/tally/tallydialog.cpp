#include "tally/tallydialog.h"

#include "ui/messageboxes.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace vorlith::tally {

namespace {

QLabel *namedLabel(const QString &objectName, const QString &text)
{
    auto *label = new QLabel(text);
    label->setObjectName(objectName);
    // Names and words come from other players and from the tally file.
    label->setTextFormat(Qt::PlainText);
    return label;
}

QListWidgetItem *checkedItem(const QString &name, bool checked)
{
    auto *item = new QListWidgetItem(name);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    return item;
}

} // namespace

TallyDialog::TallyDialog(TallyKeeper &keeper, const QPixmap &background, QWidget *parent)
    : QDialog(parent), m_keeper(keeper), m_background(background)
{
    setWindowTitle(QStringLiteral("Vorlith - Tally List"));
    setModal(false);

    auto *own = new QGroupBox(QStringLiteral("Your Total Tally"));
    auto *ownGrid = new QGridLayout(own);
    mylabel_1 = namedLabel(QStringLiteral("mylabel_1"), QString());
    mylabel_2 = namedLabel(QStringLiteral("mylabel_2"), QString());
    mylabel_3 = namedLabel(QStringLiteral("mylabel_3"), QString());
    ownGrid->addWidget(new QLabel(QStringLiteral("Total Games:")), 0, 0);
    ownGrid->addWidget(mylabel_1, 0, 1);
    ownGrid->addWidget(new QLabel(QStringLiteral("Your Wins:")), 1, 0);
    ownGrid->addWidget(mylabel_2, 1, 1);
    ownGrid->addWidget(new QLabel(QStringLiteral("Longest Word:")), 2, 0);
    ownGrid->addWidget(mylabel_3, 2, 1);
    ownGrid->setColumnStretch(1, 1);

    auto *his = new QGroupBox;
    auto *hisGrid = new QGridLayout(his);
    label_hisnametop = namedLabel(QStringLiteral("label_hisnametop"), QStringLiteral("XX's Tally"));
    label_hisname = namedLabel(QStringLiteral("label_hisname"), QStringLiteral("XX Wins:"));
    hisGrid->addWidget(label_hisnametop, 0, 0, 1, 3);
    hisGrid->addWidget(new QLabel(QStringLiteral("Total")), 1, 1);
    hisGrid->addWidget(new QLabel(QStringLiteral("Session")), 1, 2);
    hisGrid->addWidget(new QLabel(QStringLiteral("Number of Games")), 2, 0);
    hisGrid->addWidget(label_hisname, 3, 0);
    hisGrid->addWidget(new QLabel(QStringLiteral("Your Wins:")), 4, 0);
    hisGrid->addWidget(new QLabel(QStringLiteral("Neither Won:")), 5, 0);
    for (int i = 0; i < 8; ++i) {
        m_counts[static_cast<size_t>(i)] =
            namedLabel(QStringLiteral("label_%1").arg(i + 1), QStringLiteral("0"));
        hisGrid->addWidget(m_counts[static_cast<size_t>(i)], 2 + i % 4, 1 + i / 4);
    }

    listbox_tally = new QListWidget;
    listbox_tally->setObjectName(QStringLiteral("listbox_tally"));
    checklist = new QListWidget;
    checklist->setObjectName(QStringLiteral("checklist"));
    for (QListWidget *list : {listbox_tally, checklist})
        list->setFixedSize(180, 120);

    button_reset = new QPushButton(QStringLiteral("Reset Tally"));
    button_reset->setObjectName(QStringLiteral("button_reset"));
    button_reset->setAutoDefault(false);
    button_done = new QPushButton(QStringLiteral("Done"));
    button_done->setObjectName(QStringLiteral("button_done"));
    button_done->setAutoDefault(false);

    auto *left = new QVBoxLayout;
    left->addWidget(own);
    left->addWidget(his);
    auto *right = new QVBoxLayout;
    right->addWidget(new QLabel(QStringLiteral("Players Being Tallied")));
    right->addWidget(listbox_tally);
    right->addWidget(new QLabel(QStringLiteral("Players In Current Game")));
    right->addWidget(checklist);
    auto *columns = new QHBoxLayout;
    columns->addLayout(left);
    columns->addLayout(right);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(button_reset);
    buttons->addStretch();
    buttons->addWidget(button_done);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(columns);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(checklist, &QListWidget::itemChanged, this, &TallyDialog::onCurrentGameItemChanged);
    connect(listbox_tally, &QListWidget::itemChanged, this, &TallyDialog::onTalliedItemChanged);
    connect(listbox_tally, &QListWidget::currentRowChanged, this, &TallyDialog::showSelectedPlayer);
    connect(button_done, &QPushButton::clicked, this, &QWidget::hide);
    connect(button_reset, &QPushButton::clicked, this, &TallyDialog::askToReset);

    connect(&m_keeper, &TallyKeeper::gameAdded, this, &TallyDialog::onGameAdded);
    connect(&m_keeper, &TallyKeeper::longestWordChanged, mylabel_3, &QLabel::setText);
    connect(&m_keeper, &TallyKeeper::playerAdded, this, &TallyDialog::onPlayerAdded);
    connect(&m_keeper, &TallyKeeper::playerRemoved, this, &TallyDialog::onPlayerRemoved);
    connect(&m_keeper, &TallyKeeper::tallyReset, this, &TallyDialog::onTallyReset);

    showOwnTally();
    showPlayers();
}

TallyDialog::~TallyDialog() = default;

void TallyDialog::showOwnTally()
{
    const TallyBook &book = m_keeper.book();
    mylabel_1->setText(book.cell(TallyBook::kOwnGames, 0));
    mylabel_2->setText(book.cell(TallyBook::kOwnWins, 0));
    mylabel_3->setText(book.cell(TallyBook::kLongestWord, 0));
}

void TallyDialog::showPlayers()
{
    const TallyBook &book = m_keeper.book();
    const QSignalBlocker blocker(listbox_tally);
    listbox_tally->clear();
    for (int i = 0; i < book.playerCount(); ++i)
        listbox_tally->addItem(checkedItem(book.playerName(i), true));
}

void TallyDialog::loadchecklist()
{
    const QSignalBlocker blocker(checklist);
    checklist->clear();
    const QStringList players = m_keeper.currentGame();
    for (const QString &name : players)
        checklist->addItem(checkedItem(name, m_keeper.book().indexOfPlayer(name) >= 0));
}

void TallyDialog::showTally()
{
    loadchecklist();
    show();
    raise();
    activateWindow();
}

void TallyDialog::onGameAdded(bool mine)
{
    // The list shows who was at the table when the game was counted.
    loadchecklist();
    mylabel_1->setText(m_keeper.book().cell(TallyBook::kOwnGames, 0));
    if (mine)
        mylabel_2->setText(m_keeper.book().cell(TallyBook::kOwnWins, 0));
    if (listbox_tally->currentRow() >= 0)
        showSelectedPlayer();
}

void TallyDialog::onPlayerAdded(const QString &name)
{
    const QSignalBlocker blocker(listbox_tally);
    listbox_tally->addItem(checkedItem(name, true));
}

void TallyDialog::onPlayerRemoved(int index)
{
    const QSignalBlocker blocker(listbox_tally);
    delete listbox_tally->takeItem(index);
    listbox_tally->setCurrentRow(-1);
}

void TallyDialog::onTallyReset()
{
    mylabel_1->setText(QStringLiteral("0"));
    mylabel_2->setText(QStringLiteral("0"));
    mylabel_3->setText(QString());
    const QSignalBlocker blocker(listbox_tally);
    listbox_tally->clear();
    for (QLabel *label : m_counts)
        label->setText(QStringLiteral("0"));
}

void TallyDialog::onCurrentGameItemChanged(QListWidgetItem *item)
{
    // Ticking starts the tally; unticking keeps it, as the tally list is
    // where a tally is deleted.
    m_keeper.addPlayer(item->text());
}

void TallyDialog::onTalliedItemChanged(QListWidgetItem *item)
{
    if (item->checkState() == Qt::Checked)
        return;
    const QSignalBlocker blocker(listbox_tally);
    if (!ui::messageBoxes().ask(QStringLiteral("This will delete ") + item->text() +
                                QStringLiteral("'s Tally, Are you want to delete it?"))) {
        item->setCheckState(Qt::Checked);
        return;
    }
    m_keeper.removePlayer(listbox_tally->row(item));
}

void TallyDialog::showSelectedPlayer()
{
    const TallyBook &book = m_keeper.book();
    const int index = listbox_tally->currentRow();
    if (index < 0 || index >= book.playerCount())
        return;
    const int row = index + 1;
    for (int i = 0; i < 8; ++i)
        m_counts[static_cast<size_t>(i)]->setText(book.cell(i + 1, row));
    const QString name = book.playerName(index);
    label_hisname->setText(name + QStringLiteral(" Wins:"));
    label_hisnametop->setText(name + QStringLiteral("'s Tally"));
}

void TallyDialog::askToReset()
{
    if (ui::messageBoxes().ask(QStringLiteral("Are you sure you want to reset the Tally?")))
        m_keeper.reset();
}

void TallyDialog::paintEvent(QPaintEvent *event)
{
    if (!m_background.isNull()) {
        QPainter painter(this);
        painter.drawTiledPixmap(rect(), m_background);
    }
    QDialog::paintEvent(event);
}

} // namespace vorlith::tally
