#pragma once

#include "net/localgames.h"

#include <QDialog>
#include <QPointer>

class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace vorlith::app {

/// File > Host a Game…: the player's name for a game hosted on this machine.
class HostGameDialog : public QDialog
{
    Q_OBJECT
public:
    explicit HostGameDialog(QWidget *parent = nullptr);

    /// Fills in \a name and shows the dialog.
    void open(const QString &name);
    /// The name as typed, cleaned as the host cleans names at login.
    QString playerName() const;

    QLineEdit *nameEdit() const { return m_name; }
    QPushButton *hostButton() const { return m_host; }

private:
    void updateButton();

    QLineEdit *m_name{nullptr};
    QPushButton *m_host{nullptr};
};

/// File > Join a Game…: the player's name and the host's address, with the
/// games heard on the local network to pick from.
class JoinGameDialog : public QDialog
{
    Q_OBJECT
public:
    explicit JoinGameDialog(QWidget *parent = nullptr);

    /// Asks the local network through \a finder (kept, not owned).
    void setFinder(net::LocalGameFinder *finder);
    /// Fills in \a name, shows the dialog and looks for games.
    void open(const QString &name);
    QString playerName() const;
    QString hostAddress() const;

    /// One line of the list for \a game.
    static QString describe(const net::LocalGame &game);

    QLineEdit *nameEdit() const { return m_name; }
    QLineEdit *addressEdit() const { return m_address; }
    QListWidget *gameList() const { return m_games; }
    QLabel *searchStatus() const { return m_status; }
    QPushButton *joinButton() const { return m_join; }
    QPushButton *lookAgainButton() const { return m_lookAgain; }

private:
    void lookAgain();
    void addGame(const net::LocalGame &game);
    void searchFinished();
    void updateButton();

    QPointer<net::LocalGameFinder> m_finder;
    QLineEdit *m_name{nullptr};
    QLineEdit *m_address{nullptr};
    QListWidget *m_games{nullptr};
    QLabel *m_status{nullptr};
    QPushButton *m_join{nullptr};
    QPushButton *m_lookAgain{nullptr};
};

/// \a typed cleaned as the host cleans a name at login, after dropping
/// surrounding blanks.
QString cleanPlayerName(const QString &typed);

} // namespace vorlith::app
