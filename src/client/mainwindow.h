#pragma once

#include <QMainWindow>
#include <QPixmap>

#include <functional>
#include <memory>

class QAction;
class QMenu;

namespace vorlith::chat {
class SoundOutput;
class Sounds;
class PhrasesDialog;
} // namespace vorlith::chat

namespace vorlith::tally {
class TallyDialog;
}

namespace vorlith::client {

class BoardPanel;
class GameClient;
class TypingHook;
class WindowBounds;

/// The main window: the menus and the board panel, showing one game client.
/// It holds no game of its own; every click becomes a command of the client
/// and every change of the client's parts shows on the panel's rooms.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    static constexpr QSize MinimumClientSize{770, 530};

    /// The other windows the main window opens, each given by a function
    /// that makes it when first called; a window without one is not opened.
    struct Windows
    {
        std::function<QWidget *()> about;
        std::function<QWidget *()> download;
        std::function<QWidget *()> gameStart;
        std::function<QWidget *()> help;
        std::function<chat::PhrasesDialog *()> phrases;
        std::function<QWidget *()> spyList;
        std::function<tally::TallyDialog *()> tally;
    };

    /// Shows \a client; \a soundOutput plays the sounds (the real ones when
    /// null).
    explicit MainWindow(GameClient &client, chat::SoundOutput *soundOutput = nullptr,
                        QWidget *parent = nullptr);
    ~MainWindow() override;

    GameClient &client() { return m_client; }
    BoardPanel &panel() { return *m_panel; }
    chat::Sounds &sounds() { return *m_sounds; }
    WindowBounds &bounds() { return *m_bounds; }
    QPixmap backgroundPicture() const { return m_background; }

    QMenu *fileMenu() const { return m_fileMenu; }
    QMenu *optionsMenu() const { return m_optionsMenu; }
    QMenu *viewMenu() const { return m_viewMenu; }
    QMenu *helpMenu() const { return m_helpMenu; }
    QAction *startGameAction() const { return m_startGame; }
    QAction *justWatchAction() const { return m_justWatch; }

    void setWindows(Windows windows) { m_windows = std::move(windows); }

    /// Shows the program's own notice \a text in the chat.
    void addSystemLine(const QString &text);

    /// The settings were loaded and applied: from now on changes are saved.
    void markSettingsLoaded();
    bool settingsLoaded() const { return m_settingsLoaded; }

Q_SIGNALS:
    /// The settings file should be written (a preference changed, or the
    /// window closed after moving). Never raised before the first load.
    void saveSettingsRequested();
    /// The window has closed: the program ends.
    void closed();
    /// File > Play Online…: the lobby program is to start.
    void playOnlineRequested();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildMenus();
    void connectClient();
    void requestSave();
    void offerStart();
    void showWindow(const std::function<QWidget *()> &window);
    void showChatter(int slot, const QString &sound);
    void insertSmiley(int number);

    GameClient &m_client;
    Windows m_windows;
    bool m_launched{false};
    bool m_closing{false};
    bool m_settingsLoaded{false};

    QPixmap m_background;
    BoardPanel *m_panel{nullptr};
    std::unique_ptr<WindowBounds> m_bounds;
    TypingHook *m_typingHook{nullptr};
    std::unique_ptr<chat::SoundOutput> m_ownSoundOutput;
    chat::Sounds *m_sounds{nullptr};

    QMenu *m_fileMenu{nullptr};
    QMenu *m_optionsMenu{nullptr};
    QMenu *m_viewMenu{nullptr};
    QMenu *m_helpMenu{nullptr};
    QAction *m_startGame{nullptr};
    QAction *m_justWatch{nullptr};
};

} // namespace vorlith::client
