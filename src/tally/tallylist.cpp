#include "tally/tallylist.h"

#include "tally/seatnamesource.h"
#include "ui/messageboxes.h"
#include "ui/paths.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QLoggingCategory>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>
#include <QVBoxLayout>

namespace vorlith::tally {

Q_LOGGING_CATEGORY(lcTally, "vorlith.tally")

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

QString Ttallylist::fileName()
{
    return QStringLiteral("Vorlithtally.tld");
}

Ttallylist::Ttallylist(const QPixmap &background, const SeatNameSource *seats, QWidget *parent)
    : QDialog(parent), m_path(ui::dataFilePath(fileName())), m_background(background), m_seats(seats)
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
        m_counts[static_cast<size_t>(i)] = namedLabel(QStringLiteral("label_%1").arg(i + 1), QStringLiteral("0"));
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

    connect(checklist, &QListWidget::itemChanged, this, &Ttallylist::checklistClickCheck);
    connect(listbox_tally, &QListWidget::itemChanged, this, &Ttallylist::listbox_tallyClickCheck);
    connect(listbox_tally, &QListWidget::currentRowChanged, this, &Ttallylist::listbox_tallyClick);
    connect(button_done, &QPushButton::clicked, this, &Ttallylist::button_doneClick);
    connect(button_reset, &QPushButton::clicked, this, &Ttallylist::button_resetClick);

    FormCreate();
}

Ttallylist::~Ttallylist()
{
    save();
}

void Ttallylist::FormCreate()
{
    const TallyBook::LoadOutcome outcome = m_book.load(m_path);
    if (!outcome.error.isEmpty()) {
        // Told once the program has started: a box opened while the windows
        // are still being made would hold up the start of the game.
        QTimer::singleShot(0, this, [error = outcome.error] { ui::messageBoxes().inform(error); });
    }
    loadtally();
}

bool Ttallylist::save()
{
    const QString error = m_book.save(m_path);
    if (error.isEmpty())
        return true;
    // The player is not bothered with it: the previous tally file stays.
    qCWarning(lcTally) << "tally not saved:" << error;
    return false;
}

void Ttallylist::loadtally()
{
    m_book.startSession();
    showOwnTally();
    const QSignalBlocker blocker(listbox_tally);
    listbox_tally->clear();
    for (int i = 0; i < m_book.playerCount(); ++i)
        listbox_tally->addItem(checkedItem(m_book.playerName(i), true));
}

void Ttallylist::showOwnTally()
{
    mylabel_1->setText(m_book.cell(TallyBook::kOwnGames, 0));
    mylabel_2->setText(m_book.cell(TallyBook::kOwnWins, 0));
    mylabel_3->setText(m_book.cell(TallyBook::kLongestWord, 0));
}

void Ttallylist::loadchecklist()
{
    const QSignalBlocker blocker(checklist);
    checklist->clear();
    if (!m_seats)
        return;
    const QStringList names = m_seats->seatNames();
    const int own = m_seats->ownNumber();
    for (int seat = 1; seat <= 6 && seat <= names.size(); ++seat) {
        const QString &name = names[seat - 1];
        if (seat == own || name == emptySeatName())
            continue;
        checklist->addItem(checkedItem(name, m_book.indexOfPlayer(name) >= 0));
    }
}

void Ttallylist::showTally()
{
    loadchecklist();
    show();
    raise();
    activateWindow();
}

void Ttallylist::addgame(const QString &result)
{
    loadchecklist();
    QStringList names;
    for (int i = 0; i < checklist->count(); ++i)
        names.append(checklist->item(i)->text());
    m_book.addgame(result, names);
    mylabel_1->setText(m_book.cell(TallyBook::kOwnGames, 0));
    if (result == addToMine())
        mylabel_2->setText(m_book.cell(TallyBook::kOwnWins, 0));
    if (listbox_tally->currentRow() >= 0)
        listbox_tallyClick();
}

void Ttallylist::checkword(const QString &word)
{
    if (m_book.checkword(word))
        mylabel_3->setText(word);
}

void Ttallylist::checklistClickCheck(QListWidgetItem *item)
{
    const QString name = item->text();
    if (!m_book.addPlayer(name))
        return;
    const QSignalBlocker blocker(listbox_tally);
    listbox_tally->addItem(checkedItem(name, true));
}

void Ttallylist::listbox_tallyClickCheck(QListWidgetItem *item)
{
    if (item->checkState() == Qt::Checked)
        return;
    const int index = listbox_tally->row(item);
    const QString name = item->text();
    const QSignalBlocker blocker(listbox_tally);
    if (!ui::messageBoxes().ask(QStringLiteral("This will delete ") + name
                                + QStringLiteral("'s Tally, Are you want to delete it?"))) {
        item->setCheckState(Qt::Checked);
        return;
    }
    m_book.removePlayer(index);
    delete listbox_tally->takeItem(index);
    listbox_tally->setCurrentRow(-1);
}

void Ttallylist::listbox_tallyClick()
{
    const int index = listbox_tally->currentRow();
    if (index < 0 || index >= m_book.playerCount())
        return;
    const int row = index + 1;
    for (int i = 0; i < 8; ++i)
        m_counts[static_cast<size_t>(i)]->setText(m_book.cell(i + 1, row));
    const QString name = m_book.playerName(index);
    label_hisname->setText(name + QStringLiteral(" Wins:"));
    label_hisnametop->setText(name + QStringLiteral("'s Tally"));
}

void Ttallylist::button_doneClick()
{
    hide();
}

void Ttallylist::button_resetClick()
{
    if (!ui::messageBoxes().ask(QStringLiteral("Are you sure you want to reset the Tally?")))
        return;
    m_book.reset();
    mylabel_1->setText(QStringLiteral("0"));
    mylabel_2->setText(QStringLiteral("0"));
    mylabel_3->setText(QString());
    const QSignalBlocker blocker(listbox_tally);
    listbox_tally->clear();
    for (QLabel *label : m_counts)
        label->setText(QStringLiteral("0"));
}

void Ttallylist::paintEvent(QPaintEvent *event)
{
    if (!m_background.isNull()) {
        QPainter painter(this);
        painter.drawTiledPixmap(rect(), m_background);
    }
    QDialog::paintEvent(event);
}

} // namespace vorlith::tally
