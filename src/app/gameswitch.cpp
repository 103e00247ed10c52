#include "app/gameswitch.h"

#include "app/commandline.h"
#include "app/gamedialogs.h"
#include "app/preferencesstore.h"
#include "net/localgames.h"
#include "profile/profilefile.h"
#include "ui/messageboxes.h"

#include <QAction>
#include <QCoreApplication>
#include <QLoggingCategory>
#include <QMenu>
#include <QProcess>

Q_LOGGING_CATEGORY(lcSwitch, "vorlith.switch")

namespace vorlith::app {

// ---- relauncher --------------------------------------------------------

Relauncher::Relauncher()
    : m_starter([](const QString &program, const QStringList &arguments) {
          return QProcess::startDetached(program, arguments);
      })
{
}

Relauncher::Relauncher(Starter starter) : m_starter(std::move(starter)) {}

void Relauncher::request(const QStringList &arguments)
{
    m_arguments = arguments;
    m_requested = true;
}

bool Relauncher::startRequested()
{
    if (!m_requested)
        return false;
    m_requested = false;
    const QString program = QCoreApplication::applicationFilePath();
    if (m_starter(program, m_arguments))
        return true;
    qCWarning(lcSwitch) << "could not start" << program << m_arguments;
    return false;
}

// ---- switch ------------------------------------------------------------

GameSwitch::GameSwitch(PreferencesStore &preferences, Table table, Relauncher &relauncher,
                       QWidget *window)
    : m_preferences(preferences), m_table(std::move(table)), m_relauncher(relauncher),
      m_window(window), m_finder(std::make_unique<net::LocalGameFinder>())
{
    m_hostAction = new QAction(QStringLiteral("&Host a Game…"), this);
    m_hostAction->setObjectName(QStringLiteral("HostGame1"));
    m_joinAction = new QAction(QStringLiteral("&Join a Game…"), this);
    m_joinAction->setObjectName(QStringLiteral("JoinGame1"));
    connect(m_hostAction, &QAction::triggered, this, &GameSwitch::openHostDialog);
    connect(m_joinAction, &QAction::triggered, this, &GameSwitch::openJoinDialog);
}

// The dialogs are made when first asked for, so they cost the start nothing.
HostGameDialog &GameSwitch::hostDialog()
{
    if (m_hostDialog)
        return *m_hostDialog;
    m_hostDialog = new HostGameDialog(m_window);
    connect(m_hostDialog, &QDialog::accepted, this, [this] {
        const QString name = m_hostDialog->playerName();
        if (!confirmLeaving()) {
            m_hostDialog->show();
            return;
        }
        leaveFor(name, (m_table.hostOptions ? m_table.hostOptions() : QStringList()) +
                           hostParameters(name));
    });
    return *m_hostDialog;
}

JoinGameDialog &GameSwitch::joinDialog()
{
    if (m_joinDialog)
        return *m_joinDialog;
    m_joinDialog = new JoinGameDialog(m_window);
    m_joinDialog->setFinder(m_finder.get());
    connect(m_joinDialog, &QDialog::accepted, this, [this] {
        m_finder->finish();
        const QString name = m_joinDialog->playerName();
        if (!confirmLeaving()) {
            m_joinDialog->show();
            return;
        }
        leaveFor(name, joinParameters(name, m_joinDialog->hostAddress()));
    });
    connect(m_joinDialog, &QDialog::rejected, m_finder.get(), &net::LocalGameFinder::finish);
    return *m_joinDialog;
}

GameSwitch::~GameSwitch() = default;

void GameSwitch::addTo(QMenu *menu)
{
    QAction *before = nullptr;
    const QList<QAction *> actions = menu->actions();
    for (QAction *a : actions) {
        if (a->isSeparator())
            before = a;
    }
    menu->insertAction(before, m_hostAction);
    menu->insertAction(before, m_joinAction);
}

void GameSwitch::openHostDialog()
{
    hostDialog().open(suggestedName());
}

void GameSwitch::openJoinDialog()
{
    joinDialog().open(suggestedName());
}

QString GameSwitch::suggestedName() const
{
    const QString stored = m_preferences.load().playerName;
    if (!stored.trimmed().isEmpty())
        return cleanPlayerName(stored);
    const QString current = m_table.playerName ? m_table.playerName() : QString();
    // The solo game's stand-in name is nobody's name at a shared table.
    if (!current.trimmed().isEmpty() && current != QLatin1String("You"))
        return cleanPlayerName(current);
    const QString login = qEnvironmentVariable("USER");
    return login.isEmpty() ? QString() : cleanPlayerName(login);
}

QStringList GameSwitch::hostParameters(const QString &name)
{
    // "--" first, so that a name starting with dashes stays a name.
    return {QStringLiteral("--"), name, QStringLiteral("127.0.0.1"), QStringLiteral("true")};
}

QStringList GameSwitch::joinParameters(const QString &name, const QString &address)
{
    return {QStringLiteral("--"), name, address, CommandLine::JoinMode};
}

bool GameSwitch::confirmLeaving()
{
    const bool hosting = m_table.hosting && m_table.hosting();
    if (!hosting || !m_table.othersAtTable || m_table.othersAtTable() == 0)
        return true;
    return ui::messageBoxes().ask(
        QStringLiteral("You host this game: leaving it ends the game for everybody who "
                       "joined it. Leave anyway?"));
}

void GameSwitch::leaveFor(const QString &name, const QStringList &parameters)
{
    const QString error = m_preferences.savePlayerName(name);
    if (!error.isEmpty())
        qCWarning(lcSwitch) << "could not remember the player name:" << error;
    m_relauncher.request(parameters);
    Q_EMIT leaveRequested();
}

} // namespace vorlith::app
