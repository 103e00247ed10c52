#include "lobby/lobbywindow.h"

#include "lobby/lobby.h"
#include "lobby/tablemodel.h"
#include "net/localgames.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QVBoxLayout>

namespace vorlith::lobby {

namespace {

const QString Title = QStringLiteral("Vorlith Lobby");

// A label's text is its accessible name: a name of its own would hide the
// text from screen readers, so what it is goes into the description.
QLabel *plainLabel(QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    return label;
}

QPushButton *button(const QString &text, const QString &description, QWidget *parent)
{
    auto *b = new QPushButton(text, parent);
    b->setAccessibleName(QString(text).remove(QLatin1Char('&')));
    b->setAccessibleDescription(description);
    return b;
}

constexpr int AddressRole = Qt::UserRole;
constexpr int HostNameRole = Qt::UserRole + 1;

} // namespace

LobbyWindow::LobbyWindow(Lobby &lobby, QWidget *parent) : QWidget(parent), m_lobby(lobby)
{
    setWindowTitle(Title);
    build();

    connect(&m_lobby, &Lobby::serversChanged, this, &LobbyWindow::updateServers);
    connect(&m_lobby, &Lobby::statusChanged, this, &LobbyWindow::updateStatus);
    connect(&m_lobby, &Lobby::message, this, &LobbyWindow::showMessage);
    connect(&m_lobby, &Lobby::busyChanged, this, &LobbyWindow::updateButtons);
    connect(&m_lobby, &Lobby::playingChanged, this, &LobbyWindow::updatePlaying);
    connect(&m_lobby, &Lobby::showRequested, this, &LobbyWindow::bringToFront);
    connect(&m_lobby, &Lobby::rejoinChanged, this, &LobbyWindow::updateRejoin);
    connect(&m_lobby, &Lobby::privateTableCreated, this, &LobbyWindow::showInvite);
    connect(&m_lobby.localGames(), &net::LocalGameFinder::gameFound, this,
            &LobbyWindow::addLocalGame);
    connect(&m_lobby.localGames(), &net::LocalGameFinder::finished, this, [this] {
        m_searchLocal->setEnabled(true);
        if (m_local->count() == 0)
            m_local->addItem(QStringLiteral("No games found on the local network."));
        updateButtons();
    });

    updateServers();
    updateStatus();
    updatePlaying();
    updateRejoin();
    updateButtons();
}

LobbyWindow::~LobbyWindow() = default;

void LobbyWindow::build()
{
    auto *layout = new QVBoxLayout(this);

    auto *top = new QFormLayout;
    m_name = new QLineEdit(m_lobby.name(), this);
    m_name->setMaxLength(api::MaxNameLength);
    m_name->setAccessibleName(QStringLiteral("Your name"));
    top->addRow(QStringLiteral("Your &name:"), m_name);
    connect(m_name, &QLineEdit::editingFinished, this, [this] {
        if (m_name->text() != m_lobby.name())
            m_lobby.setName(m_name->text());
    });

    auto *serverRow = new QHBoxLayout;
    m_servers = new QComboBox(this);
    m_servers->setAccessibleName(QStringLiteral("Table server"));
    m_servers->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_addServer = button(QStringLiteral("&Add Server\u2026"),
                         QStringLiteral("Adds a table server by its address"), this);
    m_removeServer = button(QStringLiteral("Forget Server"),
                            QStringLiteral("Removes the chosen server from the list"), this);
    serverRow->addWidget(m_servers, 1);
    serverRow->addWidget(m_addServer);
    serverRow->addWidget(m_removeServer);
    auto *serverLabel = new QLabel(QStringLiteral("Table &server:"), this);
    serverLabel->setBuddy(m_servers);
    top->addRow(serverLabel, serverRow);
    layout->addLayout(top);
    connect(m_servers, &QComboBox::activated, this,
            [this](int index) { m_lobby.chooseServer(m_servers->itemText(index)); });
    connect(m_addServer, &QPushButton::clicked, this, &LobbyWindow::askServer);
    connect(m_removeServer, &QPushButton::clicked, this,
            [this] { m_lobby.removeServer(m_lobby.server()); });

    m_status = plainLabel(this);
    m_status->setAccessibleDescription(QStringLiteral("Server status"));
    layout->addWidget(m_status);

    m_freeOnly = new QCheckBox(QStringLiteral("Only tables with &free seats"), this);
    m_freeOnly->setAccessibleName(QStringLiteral("Only tables with free seats"));
    layout->addWidget(m_freeOnly);
    connect(m_freeOnly, &QCheckBox::toggled, &m_lobby.filter(), &TableFilter::setFreeSeatsOnly);

    m_view = new QTableView(this);
    m_view->setModel(&m_lobby.filter());
    m_view->setAccessibleName(QStringLiteral("Public tables"));
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setSelectionMode(QAbstractItemView::SingleSelection);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->setSortingEnabled(true);
    m_view->sortByColumn(TableListModel::NameColumn, Qt::AscendingOrder);
    m_view->setTabKeyNavigation(false);
    m_view->verticalHeader()->hide();
    m_view->setWordWrap(false);
    m_view->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_view->horizontalHeader()->setSectionResizeMode(TableListModel::SeatedColumn,
                                                     QHeaderView::Stretch);
    m_view->setMinimumHeight(160);
    layout->addWidget(m_view, 1);
    connect(m_view, &QTableView::activated, this, &LobbyWindow::joinSelected);
    connect(m_view->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &LobbyWindow::updateButtons);
    connect(&m_lobby.filter(), &QAbstractItemModel::dataChanged, this, &LobbyWindow::updateButtons);
    const TableFilter *filter = &m_lobby.filter();
    connect(filter, &QAbstractItemModel::dataChanged, this, &LobbyWindow::fitColumns);
    connect(filter, &QAbstractItemModel::rowsInserted, this, &LobbyWindow::fitColumns);
    connect(filter, &QAbstractItemModel::rowsRemoved, this, &LobbyWindow::fitColumns);
    connect(filter, &QAbstractItemModel::layoutChanged, this, &LobbyWindow::fitColumns);
    connect(filter, &QAbstractItemModel::modelReset, this, &LobbyWindow::fitColumns);

    auto *actions = new QHBoxLayout;
    m_join = button(QStringLiteral("&Join"), QStringLiteral("Joins the selected table"), this);
    m_create = button(QStringLiteral("&Create Table\u2026"),
                      QStringLiteral("Makes a new table on the server"), this);
    m_code = button(QStringLiteral("Join with C&ode\u2026"),
                    QStringLiteral("Joins a private table by its invite code"), this);
    m_rejoin = button(QStringLiteral("Rejoin"), QStringLiteral("Takes back your held seat"), this);
    actions->addWidget(m_join);
    actions->addWidget(m_create);
    actions->addWidget(m_code);
    actions->addStretch(1);
    actions->addWidget(m_rejoin);
    layout->addLayout(actions);
    connect(m_join, &QPushButton::clicked, this, &LobbyWindow::joinSelected);
    connect(m_create, &QPushButton::clicked, this, &LobbyWindow::askNewTable);
    connect(m_code, &QPushButton::clicked, this, &LobbyWindow::askCode);
    connect(m_rejoin, &QPushButton::clicked, &m_lobby, &Lobby::rejoin);

    m_playing = plainLabel(this);
    m_playing->setAccessibleDescription(QStringLiteral("Game under way"));
    layout->addWidget(m_playing);
    m_message = plainLabel(this);
    m_message->setAccessibleDescription(QStringLiteral("Message"));
    m_message->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(m_message);

    auto *local = new QGroupBox(QStringLiteral("Games on the local network"), this);
    auto *localLayout = new QVBoxLayout(local);
    m_local = new QListWidget(local);
    m_local->setAccessibleName(QStringLiteral("Games on the local network"));
    m_local->setMaximumHeight(100);
    localLayout->addWidget(m_local);
    auto *localRow = new QHBoxLayout;
    m_searchLocal = button(QStringLiteral("Search &Again"),
                           QStringLiteral("Looks for games on the local network"), local);
    m_joinLocal = button(QStringLiteral("Join &Local Game"),
                         QStringLiteral("Joins the selected game on the local network"), local);
    m_host = button(QStringLiteral("&Host on This Computer"),
                    QStringLiteral("Starts a game that others on the network can join"), local);
    localRow->addWidget(m_searchLocal);
    localRow->addWidget(m_joinLocal);
    localRow->addStretch(1);
    localRow->addWidget(m_host);
    localLayout->addLayout(localRow);
    layout->addWidget(local);
    connect(m_searchLocal, &QPushButton::clicked, this, [this] {
        m_local->clear();
        m_searchLocal->setEnabled(false);
        m_lobby.localGames().search();
        updateButtons();
    });
    connect(m_local, &QListWidget::itemSelectionChanged, this, &LobbyWindow::updateButtons);
    connect(m_local, &QListWidget::itemActivated, this, &LobbyWindow::joinSelectedLocal);
    connect(m_joinLocal, &QPushButton::clicked, this, &LobbyWindow::joinSelectedLocal);
    connect(m_host, &QPushButton::clicked, &m_lobby, &Lobby::hostHere);

    resize(760, 560);
}

void LobbyWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    updateActive();
    if (!m_lobby.localGames().isSearching() && m_local->count() == 0) {
        m_searchLocal->setEnabled(false);
        m_lobby.localGames().search();
    }
}

void LobbyWindow::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    updateActive();
}

void LobbyWindow::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        updateActive();
}

void LobbyWindow::updateActive()
{
    // A hidden or minimised window lists nothing, so nothing is fetched.
    m_lobby.setActive(isVisible() && !isMinimized());
}

void LobbyWindow::bringToFront()
{
    showNormal();
    raise();
    activateWindow();
}

void LobbyWindow::updateServers()
{
    m_servers->clear();
    m_servers->addItems(m_lobby.servers());
    m_servers->setCurrentIndex(m_servers->findText(m_lobby.server()));
    m_servers->setEnabled(m_servers->count() > 0);
    updateButtons();
}

void LobbyWindow::updateStatus()
{
    m_status->setText(m_lobby.statusText());
    if (m_servers->currentText() != m_lobby.server())
        m_servers->setCurrentIndex(m_servers->findText(m_lobby.server()));
    updateButtons();
}

void LobbyWindow::updateButtons()
{
    const bool haveServer = !m_lobby.server().isEmpty();
    const QString id = selectedTableId();
    const Table *table = id.isEmpty() ? nullptr : m_lobby.tables().tableById(id);
    m_join->setEnabled(table != nullptr);
    // A full table is watched, and the button says so before it is pressed.
    const bool watch = table && table->isFull() && !table->heldSeconds(m_lobby.name());
    m_join->setText(watch ? QStringLiteral("&Watch as Spy") : QStringLiteral("&Join"));
    m_join->setAccessibleName(watch ? QStringLiteral("Watch as Spy") : QStringLiteral("Join"));
    m_create->setEnabled(haveServer);
    m_code->setEnabled(haveServer);
    m_removeServer->setEnabled(haveServer && !m_lobby.defaultServers().contains(m_lobby.server()));
    m_joinLocal->setEnabled(m_local->currentItem() &&
                            m_local->currentItem()->data(AddressRole).isValid());
}

void LobbyWindow::fitColumns()
{
    // The header fits its columns to their texts when it lays itself out,
    // which rows arriving in a sorted list do not always cause: a longer
    // name or "round 3 of 5" would be cut short until the window is resized.
    for (int column = 0; column < TableListModel::ColumnCount; ++column) {
        if (column != TableListModel::SeatedColumn)
            m_view->resizeColumnToContents(column);
    }
}

void LobbyWindow::updatePlaying()
{
    const QString text = m_lobby.playingText();
    m_playing->setText(text);
    m_playing->setVisible(!text.isEmpty());
    setWindowTitle(text.isEmpty() ? Title : text + QStringLiteral(" \u2014 ") + Title);
    if (m_lobby.isPlaying())
        showMinimized();
}

void LobbyWindow::updateRejoin()
{
    m_rejoin->setVisible(m_lobby.hasRejoinOffer());
    if (!m_lobby.hasRejoinOffer())
        return;
    const QString text = m_lobby.rejoinText();
    m_rejoin->setText(QStringLiteral("%1 (%2 s)").arg(text).arg(m_lobby.rejoinSeconds()));
    m_rejoin->setAccessibleName(text);
}

void LobbyWindow::showMessage(const QString &text)
{
    m_message->setText(text);
}

QString LobbyWindow::messageText() const
{
    return m_message->text();
}

QString LobbyWindow::selectedTableId() const
{
    const QModelIndexList rows = m_view->selectionModel()->selectedRows();
    return rows.isEmpty() ? QString() : rows.first().data(TableListModel::IdRole).toString();
}

void LobbyWindow::joinSelected()
{
    const QString id = selectedTableId();
    if (!id.isEmpty())
        m_lobby.join(id);
}

void LobbyWindow::askServer()
{
    auto *dialog = new QInputDialog(this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(QStringLiteral("Add Server"));
    dialog->setLabelText(
        QStringLiteral("The table server's address (host, host:port or https://\u2026):"));
    connect(dialog, &QInputDialog::textValueSelected, &m_lobby, &Lobby::addServer);
    dialog->open();
}

void LobbyWindow::askCode()
{
    auto *dialog = new QInputDialog(this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(QStringLiteral("Join with Code"));
    dialog->setLabelText(QStringLiteral("The invite code of the private table:"));
    connect(dialog, &QInputDialog::textValueSelected, &m_lobby, &Lobby::joinWithCode);
    dialog->open();
}

void LobbyWindow::askNewTable()
{
    auto *dialog = new QDialog(this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(QStringLiteral("Create Table"));
    auto *form = new QFormLayout(dialog);
    auto *name = new QLineEdit(dialog);
    name->setMaxLength(api::MaxNameLength);
    name->setAccessibleName(QStringLiteral("Table name"));
    if (!m_lobby.name().isEmpty())
        name->setText(QStringLiteral("%1's table").arg(m_lobby.name()).left(api::MaxNameLength));
    auto spin = [dialog](int low, int high, int value, const QString &accessible) {
        auto *box = new QSpinBox(dialog);
        box->setRange(low, high);
        box->setValue(value);
        box->setAccessibleName(accessible);
        return box;
    };
    auto *rounds = spin(1, 10, 5, QStringLiteral("Rounds"));
    auto *time = spin(30, 120, 60, QStringLiteral("Creation time in seconds"));
    time->setSingleStep(10);
    time->setSuffix(QStringLiteral(" s"));
    auto *computers = spin(0, 5, 0, QStringLiteral("Computer players"));
    auto *strength = new QComboBox(dialog);
    strength->addItem(QStringLiteral("Easy"), QStringLiteral("easy"));
    strength->addItem(QStringLiteral("Normal"), QStringLiteral("normal"));
    strength->addItem(QStringLiteral("Hard"), QStringLiteral("hard"));
    strength->setCurrentIndex(1);
    strength->setAccessibleName(QStringLiteral("Computer players' strength"));
    auto *priv =
        new QCheckBox(QStringLiteral("&Private: only those with the invite code find it"), dialog);
    priv->setAccessibleName(QStringLiteral("Private table"));
    form->addRow(QStringLiteral("Table &name:"), name);
    form->addRow(QStringLiteral("&Rounds:"), rounds);
    form->addRow(QStringLiteral("Creation &time:"), time);
    form->addRow(QStringLiteral("&Computer players:"), computers);
    form->addRow(QStringLiteral("&Strength:"), strength);
    form->addRow(priv);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Create"));
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    connect(dialog, &QDialog::accepted, this,
            [this, name, rounds, time, computers, strength, priv] {
                api::NewTable table;
                table.name = name->text().trimmed();
                table.rounds = rounds->value();
                table.time = time->value();
                table.computers = computers->value();
                table.strength = strength->currentData().toString();
                table.isPrivate = priv->isChecked();
                m_lobby.createTable(table);
            });
    dialog->open();
}

void LobbyWindow::showInvite(const Table &table)
{
    auto *dialog = new QDialog(this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(QStringLiteral("Private Table"));
    auto *layout = new QVBoxLayout(dialog);
    auto *label = plainLabel(dialog);
    label->setText(
        QStringLiteral("The table %1 is private. Give its invite code to the friends you want "
                       "to play with; they use Join with Code\u2026 in their lobby.")
            .arg(table.name));
    layout->addWidget(label);
    auto *row = new QHBoxLayout;
    auto *code = new QLineEdit(table.invite, dialog);
    code->setReadOnly(true);
    code->setAccessibleName(QStringLiteral("Invite code"));
    auto *copy = button(QStringLiteral("&Copy"), QStringLiteral("Copies the invite code"), dialog);
    row->addWidget(code, 1);
    row->addWidget(copy);
    layout->addLayout(row);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, dialog);
    auto *join = buttons->addButton(QStringLiteral("&Join Table"), QDialogButtonBox::AcceptRole);
    layout->addWidget(buttons);
    connect(copy, &QPushButton::clicked, dialog,
            [invite = table.invite] { QGuiApplication::clipboard()->setText(invite); });
    connect(join, &QPushButton::clicked, dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    connect(dialog, &QDialog::accepted, this, [this, table] { m_lobby.joinTable(table); });
    dialog->open();
}

void LobbyWindow::addLocalGame(const net::LocalGame &game)
{
    const QString name = api::plain(game.name, net::localgames::MaxNameBytes);
    const QString text = QStringLiteral("%1 \u2014 %2 of 6 seats taken%3")
                             .arg(name)
                             .arg(game.seatsTaken)
                             .arg(game.running ? QStringLiteral(", playing") : QString());
    auto *item = new QListWidgetItem(text, m_local);
    item->setData(AddressRole, game.address.toString());
    item->setData(HostNameRole, name);
    updateButtons();
}

void LobbyWindow::joinSelectedLocal()
{
    const QListWidgetItem *item = m_local->currentItem();
    if (!item || !item->data(AddressRole).isValid())
        return;
    net::LocalGame game;
    game.name = item->data(HostNameRole).toString();
    game.address = QHostAddress(item->data(AddressRole).toString());
    m_lobby.joinLocal(game);
}

} // namespace vorlith::lobby
