#pragma once

#include "tally/seatnamesource.h"

#include <QColor>
#include <QMainWindow>
#include <QPixmap>
#include <QRect>
#include <QStringList>

#include <functional>
#include <memory>

class QAction;
class QLabel;
class QMenu;

namespace vorlith::net {
class Sock;
}
namespace vorlith::chat {
class ChatRoom;
class PhraseButtons;
class SoundOutput;
class Sounds;
class Tphrases;
}

namespace vorlith::tally {
class Ttallylist;
}

namespace vorlith::client {

class ClientSession;
class QuickHelp;
class Seats;

/// The main window: the client side of everything. It assembles the rooms
/// (seats, chat, quick instructions) on its board panel, owns the menus and
/// the connection to the host, and runs the launch and close steps.
class Tchat : public QMainWindow, public tally::SeatNameSource
{
    Q_OBJECT
public:
    static constexpr QSize DefaultSize{772, 535};
    static constexpr QSize BoardPanelSize{766, 526};
    static constexpr QSize MinimumClientSize{770, 530};

    /// What the process knows about itself.
    struct State
    {
        QString playerName;
        QString hostAddress;
        QByteArray loginName; ///< player name + terminator, set when hosting or joining starts
        bool host{false};
        int seatCount{6};
        QColor systemColour{Qt::blue};
        QRect rememberedBounds; ///< as loaded from the settings, or stored at close
        QString settingsSection{QStringLiteral("Vorlith")};
        bool settingsLoaded{false};
    };

    /// The other windows the main window opens.
    struct Windows
    {
        QWidget *about{nullptr};
        QWidget *download{nullptr};
        QWidget *gameStart{nullptr};
        QWidget *help{nullptr};
        chat::Tphrases *phrases{nullptr};
        QWidget *spyList{nullptr};
        tally::Ttallylist *tally{nullptr};
    };

    /// \a soundOutput plays the sounds (the real ones when null).
    explicit Tchat(chat::SoundOutput *soundOutput = nullptr, QWidget *parent = nullptr);
    ~Tchat() override;

    State &state() { return m_state; }
    const State &state() const { return m_state; }
    ClientSession &session() { return *m_session; }
    Seats &seats() { return *m_seats; }
    chat::ChatRoom &chatRoom() { return *m_chat; }
    QuickHelp &quickHelp() { return *m_quickHelp; }
    chat::Sounds &sounds() { return *m_sounds; }
    chat::PhraseButtons &phraseButtons() { return *m_phrases; }
    QWidget *boardPanel() const { return m_boardPanel; }
    QPixmap backgroundPicture() const { return m_background; }
    net::Sock &presenceSock() { return *m_presence; }

    QMenu *fileMenu() const { return m_fileMenu; }
    QMenu *optionsMenu() const { return m_optionsMenu; }
    QMenu *viewMenu() const { return m_viewMenu; }
    QMenu *helpMenu() const { return m_helpMenu; }
    QAction *startGameAction() const { return m_startGame; }
    QAction *justWatchAction() const { return m_justWatch; }
    QLabel *statusLabel() const { return m_status; }
    QWidget *startButton() const { return m_startButton; }

    void setWindows(const Windows &windows) { m_windows = windows; }
    const Windows &windows() const { return m_windows; }

    /// The launch parameters (without the program's path).
    void setLaunchParameters(const QStringList &params) { m_params = params; }
    /// Switches the host engine's listening socket on; throws net::SockError.
    void setHostStarter(std::function<void()> start) { m_startHost = std::move(start); }
    /// Where the client connects: the port of the host engine ("7772").
    void setGamePort(const QString &port) { m_gamePort = port; }
    void setPresencePort(const QString &port) { m_presencePort = port; }

    // What the tally needs of the table.
    QStringList seatNames() const override;
    int ownNumber() const override;

    /// Writes a chat line ("N+text") in the system colour.
    void addSystemLine(const QString &line);

    // The launch step and its two ways.
    void processparams();
    void hostpress();
    void joinpress();

    /// Options > Reset Screen Location.
    void resetScreenLocation();
    /// The window's bounds as the settings file stores them.
    QRect bounds() const;
    void setBounds(const QRect &bounds);

    /// Called after the settings were loaded and applied.
    void markSettingsLoaded();

Q_SIGNALS:
    /// The settings file should be written (a preference changed, or the
    /// window closed after moving). Never raised before the first load.
    void saveSettingsRequested();
    /// The own record arrived from the host: load the settings now.
    void loadSettingsRequested();
    /// The phrase list window confirmed new phrases: store them.
    void phrasesSaveRequested(const QStringList &phrases);
    /// The launch step has run.
    void launched();
    /// The window has closed: the program ends.
    void closed();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildMenus();
    void buildBoardPanel();
    void wireSession();
    void FormClose();
    void requestSave();
    void button_startClick();
    void JustWatch1Click();
    void kicking(int number);
    void showWindow(QWidget *window);
    void playasound(const QString &fields);
    void smileyChosen(int number);

    State m_state;
    Windows m_windows;
    QStringList m_params;
    std::function<void()> m_startHost;
    QString m_gamePort{QStringLiteral("7772")};
    QString m_presencePort{QStringLiteral("9001")};
    bool m_launched{false};
    bool m_closing{false};

    ClientSession *m_session{nullptr};
    net::Sock *m_presence{nullptr};
    QPixmap m_background;
    QWidget *m_boardPanel{nullptr};
    chat::ChatRoom *m_chat{nullptr};
    Seats *m_seats{nullptr};
    QuickHelp *m_quickHelp{nullptr};
    std::unique_ptr<chat::SoundOutput> m_ownSoundOutput;
    chat::Sounds *m_sounds{nullptr};
    chat::PhraseButtons *m_phrases{nullptr};
    QLabel *m_status{nullptr};
    QWidget *m_startButton{nullptr};

    QMenu *m_fileMenu{nullptr};
    QMenu *m_optionsMenu{nullptr};
    QMenu *m_viewMenu{nullptr};
    QMenu *m_helpMenu{nullptr};
    QAction *m_startGame{nullptr};
    QAction *m_justWatch{nullptr};
};

} // namespace vorlith::client
