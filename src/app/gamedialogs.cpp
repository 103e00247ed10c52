#include "app/gamedialogs.h"

#include "host/server.h"
#include "ui/theme.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace vorlith::app {

namespace {

// The frame both dialogs share: caption, background and the name field on
// top. Returns the dialog's layout.
QVBoxLayout *frame(QDialog *dialog, const QString &objectName, const QString &title,
                   QLineEdit *&name)
{
    dialog->setObjectName(objectName);
    dialog->setWindowTitle(title);
    ui::setBackground(dialog, QPixmap(), ui::colors::Parchment);
    auto *layout = new QVBoxLayout(dialog);
    auto *form = new QFormLayout;
    name = new QLineEdit(dialog);
    name->setObjectName(QStringLiteral("edit_name"));
    name->setMaxLength(host::HostServer::MaxNameLength);
    name->setAccessibleName(QStringLiteral("Your name"));
    form->addRow(QStringLiteral("Your &name:"), name);
    layout->addLayout(form);
    return layout;
}

QLabel *note(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    return label;
}

QPushButton *addButtons(QDialog *dialog, QVBoxLayout *layout, const QString &caption)
{
    auto *buttons = new QDialogButtonBox(dialog);
    QPushButton *ok = buttons->addButton(caption, QDialogButtonBox::AcceptRole);
    ok->setDefault(true);
    buttons->addButton(QDialogButtonBox::Cancel);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    layout->addWidget(buttons);
    return ok;
}

} // namespace

QString cleanPlayerName(const QString &typed)
{
    return host::HostServer::cleanName(typed.trimmed());
}

// ---- host --------------------------------------------------------------

HostGameDialog::HostGameDialog(QWidget *parent) : QDialog(parent)
{
    QVBoxLayout *layout =
        frame(this, QStringLiteral("hostgame"), QStringLiteral("Vorlith - Host a Game"), m_name);
    layout->addWidget(
        note(QStringLiteral("Others join with File > Join a Game…, where games on your network are "
                            "listed, or with this computer's address. This window closes and the "
                            "game opens again as the host."),
             this));
    m_host = addButtons(this, layout, QStringLiteral("&Host"));
    m_host->setObjectName(QStringLiteral("button_host"));
    connect(m_name, &QLineEdit::textChanged, this, &HostGameDialog::updateButton);
    setMinimumWidth(360);
}

void HostGameDialog::open(const QString &name)
{
    m_name->setText(name);
    m_name->selectAll();
    m_name->setFocus();
    updateButton();
    show();
    raise();
    activateWindow();
}

QString HostGameDialog::playerName() const
{
    return cleanPlayerName(m_name->text());
}

void HostGameDialog::updateButton()
{
    m_host->setEnabled(!m_name->text().trimmed().isEmpty());
}

// ---- join --------------------------------------------------------------

JoinGameDialog::JoinGameDialog(QWidget *parent) : QDialog(parent)
{
    QVBoxLayout *layout =
        frame(this, QStringLiteral("joingame"), QStringLiteral("Vorlith - Join a Game"), m_name);

    auto *listLabel = new QLabel(QStringLiteral("&Games on your network:"), this);
    layout->addWidget(listLabel);
    m_games = new QListWidget(this);
    m_games->setObjectName(QStringLiteral("listbox_games"));
    m_games->setAccessibleName(QStringLiteral("Games on your network"));
    m_games->setMinimumHeight(110);
    listLabel->setBuddy(m_games);
    layout->addWidget(m_games);

    auto *searchRow = new QHBoxLayout;
    m_status = note(QString(), this);
    m_status->setObjectName(QStringLiteral("label_search"));
    m_status->setAccessibleDescription(QStringLiteral("Search status"));
    searchRow->addWidget(m_status, 1);
    m_lookAgain = new QPushButton(QStringLiteral("&Look Again"), this);
    m_lookAgain->setObjectName(QStringLiteral("button_lookagain"));
    m_lookAgain->setAutoDefault(false);
    searchRow->addWidget(m_lookAgain);
    layout->addLayout(searchRow);

    auto *addressForm = new QFormLayout;
    m_address = new QLineEdit(this);
    m_address->setObjectName(QStringLiteral("edit_address"));
    m_address->setAccessibleName(QStringLiteral("Host address"));
    m_address->setPlaceholderText(QStringLiteral("for example 192.168.1.20"));
    addressForm->addRow(QStringLiteral("Host &address:"), m_address);
    layout->addLayout(addressForm);

    m_join = addButtons(this, layout, QStringLiteral("&Join"));
    m_join->setObjectName(QStringLiteral("button_join"));

    connect(m_name, &QLineEdit::textChanged, this, &JoinGameDialog::updateButton);
    connect(m_address, &QLineEdit::textChanged, this, &JoinGameDialog::updateButton);
    connect(m_lookAgain, &QPushButton::clicked, this, &JoinGameDialog::lookAgain);
    connect(m_games, &QListWidget::currentRowChanged, this, [this](int row) {
        if (QListWidgetItem *item = m_games->item(row))
            m_address->setText(item->data(Qt::UserRole).toString());
    });
    connect(m_games, &QListWidget::itemActivated, this, [this](QListWidgetItem *item) {
        m_address->setText(item->data(Qt::UserRole).toString());
        if (m_join->isEnabled())
            accept();
    });
    setMinimumWidth(420);
}

void JoinGameDialog::setFinder(net::LocalGameFinder *finder)
{
    if (m_finder)
        m_finder->disconnect(this);
    m_finder = finder;
    if (!finder)
        return;
    connect(finder, &net::LocalGameFinder::gameFound, this, &JoinGameDialog::addGame);
    connect(finder, &net::LocalGameFinder::finished, this, &JoinGameDialog::searchFinished);
}

void JoinGameDialog::open(const QString &name)
{
    m_name->setText(name);
    updateButton();
    show();
    raise();
    activateWindow();
    // With a name at hand the game to pick is what is missing.
    if (m_name->text().trimmed().isEmpty())
        m_name->setFocus();
    else
        m_games->setFocus();
    lookAgain();
}

QString JoinGameDialog::playerName() const
{
    return cleanPlayerName(m_name->text());
}

QString JoinGameDialog::hostAddress() const
{
    return m_address->text().trimmed();
}

QString JoinGameDialog::describe(const net::LocalGame &game)
{
    const QString seats = game.seatsTaken == 1
                              ? QStringLiteral("1 of 6 seats taken")
                              : QStringLiteral("%1 of 6 seats taken").arg(game.seatsTaken);
    const QString state =
        game.running ? QStringLiteral("game under way") : QStringLiteral("waiting to start");
    return QStringLiteral("%1 at %2, %3, %4").arg(game.name, game.address.toString(), seats, state);
}

void JoinGameDialog::lookAgain()
{
    m_games->clear();
    if (!m_finder) {
        m_status->setText(QStringLiteral("Type the host's address below."));
        return;
    }
    m_status->setText(QStringLiteral("Looking for games on your network…"));
    m_lookAgain->setEnabled(false);
    m_finder->search();
}

void JoinGameDialog::addGame(const net::LocalGame &game)
{
    auto *item = new QListWidgetItem(describe(game), m_games);
    item->setData(Qt::UserRole, game.address.toString());
    // The first game heard is the likely one; the player may pick another.
    if (m_games->count() == 1 && m_address->text().trimmed().isEmpty())
        m_games->setCurrentRow(0);
}

void JoinGameDialog::searchFinished()
{
    m_lookAgain->setEnabled(true);
    const int n = m_games->count();
    if (n == 0)
        m_status->setText(
            QStringLiteral("No games found on your network. Type the host's address below."));
    else if (n == 1)
        m_status->setText(QStringLiteral("1 game found."));
    else
        m_status->setText(QStringLiteral("%1 games found.").arg(n));
}

void JoinGameDialog::updateButton()
{
    const QString address = hostAddress();
    const bool addressOk = !address.isEmpty() && std::none_of(address.cbegin(), address.cend(),
                                                              [](QChar c) { return c.isSpace(); });
    m_join->setEnabled(!m_name->text().trimmed().isEmpty() && addressOk);
}

} // namespace vorlith::app
