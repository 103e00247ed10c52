#pragma once

#include "lobby/tables.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTableView;

namespace vorlith::net {
struct LocalGame;
}

namespace vorlith::lobby {

class Lobby;

/// The lobby's window: the player's name, the table servers, the chosen
/// server's public tables, the local network's games, and the ways to a
/// game. Every control is reached with Tab and carries a name for screen
/// readers.
class LobbyWindow : public QWidget
{
    Q_OBJECT
public:
    explicit LobbyWindow(Lobby &lobby, QWidget *parent = nullptr);
    ~LobbyWindow() override;

    /// Shows the window in front, as after a game or a second start.
    void bringToFront();

    QTableView *tableView() const { return m_view; }
    /// The last message shown to the person.
    QString messageText() const;

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void build();
    void updateActive();
    void updateServers();
    void updateStatus();
    void updateButtons();
    void fitColumns();
    void updatePlaying();
    void updateRejoin();
    void showMessage(const QString &text);
    QString selectedTableId() const;
    void joinSelected();
    void askServer();
    void askCode();
    void askNewTable();
    void showInvite(const Table &table);
    void addLocalGame(const vorlith::net::LocalGame &game);
    void joinSelectedLocal();

    Lobby &m_lobby;
    QLineEdit *m_name{nullptr};
    QComboBox *m_servers{nullptr};
    QPushButton *m_addServer{nullptr};
    QPushButton *m_removeServer{nullptr};
    QLabel *m_status{nullptr};
    QLabel *m_message{nullptr};
    QLabel *m_playing{nullptr};
    QCheckBox *m_freeOnly{nullptr};
    QTableView *m_view{nullptr};
    QPushButton *m_join{nullptr};
    QPushButton *m_create{nullptr};
    QPushButton *m_code{nullptr};
    QPushButton *m_rejoin{nullptr};
    QListWidget *m_local{nullptr};
    QPushButton *m_searchLocal{nullptr};
    QPushButton *m_joinLocal{nullptr};
    QPushButton *m_host{nullptr};
};

} // namespace vorlith::lobby
