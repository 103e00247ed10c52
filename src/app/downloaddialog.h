#pragma once

#include "app/lobbyplaces.h"

#include <QDialog>
#include <QStringList>

#include <functional>
#include <memory>

class QFile;
class QLabel;
class QProgressBar;
class QPushButton;

namespace vorlith::app {

class HttpFetch;

/// The offer, shown at a solo start, to fetch the lobby program, play solo,
/// or hand over to an installed lobby program.
///
/// The installer is fetched into the data folder (the program's folder, or the
/// user's data folder when that cannot be written) and started from there.
/// Starting the installer or the lobby program asks for the program to end
/// through closeProgramRequested().
class DownloadDialog : public QDialog
{
    Q_OBJECT
public:
    /// Starts \a program detached with \a arguments; false when it cannot start.
    using ProcessStarter = std::function<bool(const QString &program, const QStringList &arguments)>;

    /// Where a download leaves things: nothing yet, running or done, failed or stopped.
    enum DownloadState { NoDownload = 0, Downloading = 1, Aborted = 2 };

    explicit DownloadDialog(const LobbyPlaces &places = LobbyPlaces::current(), QWidget *parent = nullptr);
    ~DownloadDialog() override;

    /// Replaces the way programs are started (tests record them instead).
    void setProcessStarter(ProcessStarter starter);
    /// Shows \a picture on the download panel; a null picture leaves the panel
    /// without one. Until it is called, the window's own picture is decoded
    /// the first time the window shows.
    void setPicture(const QImage &picture);
    void setVisible(bool visible) override;

    HttpFetch &fetch() { return *m_fetch; }
    DownloadState downloadState() const { return m_downloadState; }

    void startDownload();
    void stopDownload();
    void playSolo();
    void openLobbyProgram();

    /// The parameters the installer is started with.
    static QStringList installerArguments();

Q_SIGNALS:
    /// The installer or the lobby program has started: the program ends.
    void closeProgramRequested();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void onHeaderLine();
    void onBodyBegins();
    void onBodyReceived(qint64 received, qint64 total);
    void onCompleted();
    void onFailed();
    void downloadEnded();
    void startInstaller();

    LobbyPlaces m_places;
    ProcessStarter m_startProcess;
    std::unique_ptr<HttpFetch> m_fetch;
    std::unique_ptr<QFile> m_file;
    DownloadState m_downloadState{NoDownload};
    bool m_focused{false};
    bool m_pictureSet{false};

    QLabel *m_picture{nullptr};
    QPushButton *m_downloadButton{nullptr};
    QPushButton *m_stopButton{nullptr};
    QPushButton *m_soloButton{nullptr};
    QPushButton *m_othersButton{nullptr};
    QLabel *m_infolabel{nullptr};
    QLabel *m_infolabel2{nullptr};
    QLabel *m_infolabel3{nullptr};
    QProgressBar *m_progress{nullptr};
};

} // namespace vorlith::app
