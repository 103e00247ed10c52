#pragma once

#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>

class QAction;
class QMenu;
class QWidget;

namespace vorlith::net {
class LocalGameFinder;
}

namespace vorlith::app {

class HostGameDialog;
class JoinGameDialog;
class PreferencesStore;

/// Starts this program again, with other launch parameters, once the running
/// one has closed and so let go of its ports.
class Relauncher
{
public:
    /// Starts \a program with \a arguments, detached; false when it cannot.
    using Starter = std::function<bool(const QString &program, const QStringList &arguments)>;

    /// Starts the program with QProcess::startDetached.
    Relauncher();
    explicit Relauncher(Starter starter);

    void request(const QStringList &arguments);
    bool isRequested() const { return m_requested; }
    const QStringList &arguments() const { return m_arguments; }

    /// Starts the program requested, once; false when none was requested or
    /// it could not be started.
    bool startRequested();

private:
    Starter m_starter;
    QStringList m_arguments;
    bool m_requested{false};
};

/// File > Host a Game… and Join a Game…: asks for the name (and the host),
/// then has the main window close the ordinary way and this program start
/// again with the launch parameters for the choice.
class GameSwitch : public QObject
{
    Q_OBJECT
public:
    /// What it needs to know of the running game.
    struct Table
    {
        std::function<QString()> playerName; ///< the name played under now
        std::function<bool()> hosting;       ///< this program hosts the game
        /// Participants at the hosted table besides this program's player.
        std::function<int()> othersAtTable;
        /// Options the next program takes when it hosts, to keep what
        /// this table has (its computer players); none when empty.
        std::function<QStringList()> hostOptions;
    };

    /// \a preferences (which must outlive this switch) remembers the name;
    /// \a window is the main window, the dialogs' parent, which must outlive
    /// this switch.
    GameSwitch(PreferencesStore &preferences, Table table, Relauncher &relauncher, QWidget *window);
    ~GameSwitch() override;

    /// Inserts the two items into \a menu, before its last separator.
    void addTo(QMenu *menu);
    /// The finder the Join dialog asks; set its port and targets.
    net::LocalGameFinder &finder() { return *m_finder; }

    QAction *hostAction() const { return m_hostAction; }
    QAction *joinAction() const { return m_joinAction; }
    HostGameDialog &hostDialog();
    JoinGameDialog &joinDialog();

    void openHostDialog();
    void openJoinDialog();

    /// The name the dialogs start with: the one remembered, else the one
    /// played under now (not the solo game's "You"), else the login's.
    QString suggestedName() const;

    static QStringList hostParameters(const QString &name);
    static QStringList joinParameters(const QString &name, const QString &address);

Q_SIGNALS:
    /// The main window should close now; the next program starts after.
    void leaveRequested();

private:
    bool confirmLeaving();
    void leaveFor(const QString &name, const QStringList &parameters);

    PreferencesStore &m_preferences;
    Table m_table;
    Relauncher &m_relauncher;
    QWidget *m_window{nullptr};
    std::unique_ptr<net::LocalGameFinder> m_finder;
    HostGameDialog *m_hostDialog{nullptr};
    JoinGameDialog *m_joinDialog{nullptr};
    QAction *m_hostAction{nullptr};
    QAction *m_joinAction{nullptr};
};

} // namespace vorlith::app
