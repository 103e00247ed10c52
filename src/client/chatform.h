#pragma once

#include "client/boardmodel.h"

#include <QColor>
#include <QMainWindow>
#include <QPixmap>
#include <QRect>

#include <functional>
#include <memory>

class QAction;
class QMenu;

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

class BoardRoom;
class ClientSession;
class Launcher;
class QuickHelp;
class Roster;
class RoundFlow;
class ReviewRoom;
class RoundRoom;
class Seats;
class TypingHook;

/// The main window: the client side of everything. It assembles the rooms
/// (seats, board, round flow, chat, phrases, quick instructions) on its
/// board panel, owns the menus, and routes the host's messages to them.
class Tchat : public QMainWindow
{
    Q_OBJECT
public:
    static constexpr QSize DefaultSize{772, 535};
    static constexpr QSize BoardPanelSize{766, 526};
    static constexpr QSize MinimumClientSize{770, 530};

    /// What the window keeps of its own.
    struct State
    {
        int seatCount{6};
        QColor systemColour{Qt::blue};
        QRect rememberedBounds; ///< as loaded from the settings, or stored at close
        QString settingsSection{QStringLiteral("Vorlith")};
        bool settingsLoaded{false};
    };

    /// The other windows the main window opens, each given by a function
    /// that makes it when first called; a window without one is not opened.
    struct Windows
    {
        std::function<QWidget *()> about;
        std::function<QWidget *()> download;
        std::function<QWidget *()> gameStart;
        std::function<QWidget *()> help;
        std::function<chat::Tphrases *()> phrases;
        std::function<QWidget *()> spyList;
        std::function<tally::Ttallylist *()> tally;
    };

    /// \a soundOutput plays the sounds (the real ones when null).
    explicit Tchat(chat::SoundOutput *soundOutput = nullptr, QWidget *parent = nullptr);
    ~Tchat() override;

    State &state() { return m_state; }
    const State &state() const { return m_state; }
    ClientSession &session() { return *m_session; }
    Launcher &launcher() { return *m_launcher; }
    Roster &roster() { return *m_roster; }
    BoardModel &board() { return *m_board; }
    RoundFlow &flow() { return *m_flow; }
    Seats &seats() { return *m_seats; }
    BoardRoom &boardRoom() { return *m_boardRoom; }
    RoundRoom &roundRoom() { return *m_roundRoom; }
    ReviewRoom &reviewRoom() { return *m_reviewRoom; }
    chat::ChatRoom &chatRoom() { return *m_chat; }
    QuickHelp &quickHelp() { return *m_quickHelp; }
    chat::Sounds &sounds() { return *m_sounds; }
    chat::PhraseButtons &phraseButtons() { return *m_phrases; }
    QWidget *boardPanel() const { return m_boardPanel; }
    QPixmap backgroundPicture() const { return m_background; }

    QMenu *fileMenu() const { return m_fileMenu; }
    QMenu *optionsMenu() const { return m_optionsMenu; }
    QMenu *viewMenu() const { return m_viewMenu; }
    QMenu *helpMenu() const { return m_helpMenu; }
    QAction *startGameAction() const { return m_startGame; }
    QAction *justWatchAction() const { return m_justWatch; }
    QWidget *startButton() const { return m_startButton; }

    void setWindows(Windows windows) { m_windows = std::move(windows); }
    const Windows &windows() const { return m_windows; }
    /// The program's one generator, for the shuffle.
    void setRandomSource(RandomSource random);

    /// Writes a chat line ("N+text") in the system colour.
    void addSystemLine(const QString &line);
    /// Asks the host to remove the participant \a number (hosting player only).
    void kicking(int number);

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
    /// The window has closed: the program ends.
    void closed();
    /// File > Play Online…: the lobby program is to start.
    void playOnlineRequested();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildMenus();
    void buildBoardPanel();
    void wireSession();
    void wireGame();
    void FormClose();
    void requestSave();
    void button_startClick();
    void JustWatch1Click();
    void showWindow(const std::function<QWidget *()> &window);
    void playasound(const QString &fields);
    void smileyChosen(int number);

    State m_state;
    Windows m_windows;
    bool m_launched{false};
    bool m_closing{false};

    ClientSession *m_session{nullptr};
    Launcher *m_launcher{nullptr};
    Roster *m_roster{nullptr};
    BoardModel *m_board{nullptr};
    RoundFlow *m_flow{nullptr};
    QPixmap m_background;
    QWidget *m_boardPanel{nullptr};
    chat::ChatRoom *m_chat{nullptr};
    Seats *m_seats{nullptr};
    BoardRoom *m_boardRoom{nullptr};
    RoundRoom *m_roundRoom{nullptr};
    ReviewRoom *m_reviewRoom{nullptr};
    TypingHook *m_typingHook{nullptr};
    QuickHelp *m_quickHelp{nullptr};
    std::unique_ptr<chat::SoundOutput> m_ownSoundOutput;
    chat::Sounds *m_sounds{nullptr};
    chat::PhraseButtons *m_phrases{nullptr};
    QWidget *m_startButton{nullptr};

    QMenu *m_fileMenu{nullptr};
    QMenu *m_optionsMenu{nullptr};
    QMenu *m_viewMenu{nullptr};
    QMenu *m_helpMenu{nullptr};
    QAction *m_startGame{nullptr};
    QAction *m_justWatch{nullptr};
};

} // namespace vorlith::client
