#include "app/downloaddialog.h"

#include "app/httpfetch.h"
#include "ui/jpeg.h"
#include "ui/messageboxes.h"
#include "ui/paths.h"
#include "ui/theme.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace vorlith::app {

namespace {

bool startDetached(const QString &program, const QStringList &arguments)
{
    return QProcess::startDetached(program, arguments);
}

QLabel *wrappedText(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setWordWrap(true);
    return label;
}

// Lets whoever may read, run it too (the effect of chmod +x).
bool makeExecutable(const QString &path)
{
    QFile::Permissions p = QFile::permissions(path);
    if (p & QFile::ReadOwner)
        p |= QFile::ExeOwner | QFile::ExeUser;
    if (p & QFile::ReadGroup)
        p |= QFile::ExeGroup;
    if (p & QFile::ReadOther)
        p |= QFile::ExeOther;
    return QFile::setPermissions(path, p);
}

} // namespace

DownloadDialog::DownloadDialog(const LobbyPlaces &places, QWidget *parent)
    : QDialog(parent), m_places(places), m_startProcess(&startDetached), m_fetch(std::make_unique<HttpFetch>())
{
    setObjectName(QStringLiteral("download"));
    setWindowTitle(QStringLiteral("Download The Brakmo Lobby"));
    setWindowFlags(Qt::Tool | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setModal(false);
    ui::setBackground(this, QPixmap(), ui::colors::Parchment);

    auto *layout = new QVBoxLayout(this);

    auto *downloadPanel = new QGroupBox(this);
    auto *d = new QVBoxLayout(downloadPanel);
    m_picture = new QLabel(downloadPanel);
    m_picture->setObjectName(QStringLiteral("image_download"));
    m_picture->setAlignment(Qt::AlignCenter);
    m_picture->setAccessibleName(QStringLiteral("Online play is closed"));
    d->addWidget(m_picture);
    d->addWidget(wrappedText(
        QStringLiteral("Download The Brakmo Lobby Now to play this  and other exciting games online with other players! "),
        downloadPanel));
    m_downloadButton = new QPushButton(QStringLiteral("Download And Install The Brakmo Lobby Now"), downloadPanel);
    m_downloadButton->setObjectName(QStringLiteral("button_download"));
    m_stopButton = new QPushButton(QStringLiteral("Stop Download"), downloadPanel);
    m_stopButton->setObjectName(QStringLiteral("button_stop"));
    d->addWidget(m_downloadButton);
    d->addWidget(m_stopButton);

    // The upper status line, with a bar beside it when the length is known.
    auto *upper = new QHBoxLayout;
    m_infolabel = new QLabel(downloadPanel);
    m_infolabel->setObjectName(QStringLiteral("infolabel"));
    m_infolabel->setAccessibleDescription(QStringLiteral("Download status"));
    upper->addWidget(m_infolabel, 1);
    m_progress = new QProgressBar(downloadPanel);
    m_progress->setObjectName(QStringLiteral("progress_download"));
    m_progress->setAccessibleName(QStringLiteral("Download progress"));
    m_progress->setRange(0, 1000);
    m_progress->setTextVisible(false);
    m_progress->setFixedWidth(120);
    m_progress->hide();
    upper->addWidget(m_progress);
    d->addLayout(upper);
    m_infolabel3 = new QLabel(downloadPanel);
    m_infolabel3->setObjectName(QStringLiteral("infolabel3"));
    m_infolabel3->setAccessibleDescription(QStringLiteral("Download step"));
    d->addWidget(m_infolabel3);
    // Holds the installer's file name while a download runs; never shown.
    m_infolabel2 = new QLabel(downloadPanel);
    m_infolabel2->setObjectName(QStringLiteral("infolabel2"));
    m_infolabel2->hide();
    for (QLabel *label : {m_infolabel, m_infolabel2, m_infolabel3})
        label->setTextFormat(Qt::PlainText);
    layout->addWidget(downloadPanel);

    auto *soloPanel = new QGroupBox(this);
    auto *s = new QVBoxLayout(soloPanel);
    s->addWidget(wrappedText(
        QStringLiteral("To proceed to the game without the ability to play against others click the button below."),
        soloPanel));
    m_soloButton = new QPushButton(QStringLiteral("Play Solo Game"), soloPanel);
    m_soloButton->setObjectName(QStringLiteral("button_solo"));
    m_soloButton->setDefault(true);
    s->addWidget(m_soloButton);
    auto *note = wrappedText(QStringLiteral("Note: Even if you are playing offline, you will need to configure your FIREWALL "
                                            "to allow the game to access the internet components."),
                             soloPanel);
    note->setStyleSheet(QStringLiteral("color: #c81414;"));
    s->addWidget(note);
    layout->addWidget(soloPanel);

    auto *lobbyPanel = new QGroupBox(this);
    auto *l = new QVBoxLayout(lobbyPanel);
    l->addWidget(wrappedText(QStringLiteral("If you already have The Brakmo Lobby and you wish to play with others then "
                                            "click the button below to close this game and open The Brakmo Lobby."),
                             lobbyPanel));
    m_othersButton = new QPushButton(QStringLiteral("Play with Others"), lobbyPanel);
    m_othersButton->setObjectName(QStringLiteral("button_others"));
    l->addWidget(m_othersButton);
    layout->addWidget(lobbyPanel);

    setFixedWidth(360);

    connect(m_downloadButton, &QPushButton::clicked, this, &DownloadDialog::startDownload);
    connect(m_stopButton, &QPushButton::clicked, this, &DownloadDialog::stopDownload);
    connect(m_soloButton, &QPushButton::clicked, this, &DownloadDialog::playSolo);
    connect(m_othersButton, &QPushButton::clicked, this, &DownloadDialog::openLobbyProgram);

    connect(m_fetch.get(), &HttpFetch::headerLine, this, &DownloadDialog::onHeaderLine);
    connect(m_fetch.get(), &HttpFetch::bodyBegins, this, &DownloadDialog::onBodyBegins);
    connect(m_fetch.get(), &HttpFetch::bodyReceived, this, &DownloadDialog::onBodyReceived);
    connect(m_fetch.get(), &HttpFetch::completed, this, &DownloadDialog::onCompleted);
    connect(m_fetch.get(), &HttpFetch::failed, this, &DownloadDialog::onFailed);
}

DownloadDialog::~DownloadDialog()
{
    // The fetch goes first, so it no longer writes into the file.
    m_fetch.reset();
}

void DownloadDialog::setProcessStarter(ProcessStarter starter)
{
    m_startProcess = starter ? std::move(starter) : ProcessStarter(&startDetached);
}

void DownloadDialog::setPicture(const QImage &picture)
{
    m_pictureSet = true;
    m_picture->setPixmap(QPixmap::fromImage(picture));
    m_picture->setVisible(!picture.isNull());
}

void DownloadDialog::setVisible(bool visible)
{
    // Decoded before the window is laid out for showing, so it opens at its
    // full size; a game that never offers the download never decodes it.
    if (visible && !m_pictureSet)
        setPicture(ui::jpegPicture(QStringLiteral("download.jpg")));
    QDialog::setVisible(visible);
}

QStringList DownloadDialog::installerArguments()
{
    return {QStringLiteral("/SP-"), QStringLiteral("/silent"), QStringLiteral("/noicons")};
}

void DownloadDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // Enter plays solo until the player moves the focus elsewhere.
    if (!m_focused) {
        m_focused = true;
        m_soloButton->setFocus(Qt::OtherFocusReason);
    }
}

void DownloadDialog::startDownload()
{
    if (m_fetch->isRunning())
        return;
    m_downloadState = Downloading;
    const QString address = m_places.installerAddress();
    const QString fileName = fileNameOf(address);
    m_infolabel2->setText(fileName);
    const QString path = ui::dataFilePath(fileName);
    auto file = std::make_unique<QFile>(path);
    // Unbuffered, so a write that fails is known at once, not at close.
    if (!file->open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        ui::showGeneralError(QStringLiteral("Cannot create file \"%1\". %2").arg(QDir::toNativeSeparators(path),
                                                                                  file->errorString()));
        return;
    }
    m_file = std::move(file);
    m_downloadButton->setEnabled(false);
    m_stopButton->setEnabled(true);
    m_infolabel->setText(QStringLiteral("Loading"));
    m_progress->hide();
    m_fetch->get(QUrl(address), m_file.get());
}

void DownloadDialog::stopDownload()
{
    m_fetch->stop();
    m_infolabel->setText(QStringLiteral("Download has been aborted."));
    m_downloadState = Aborted;
    m_infolabel3->setText(QStringLiteral("Download Aborted"));
}

void DownloadDialog::playSolo()
{
    close();
}

void DownloadDialog::openLobbyProgram()
{
    if (!QFileInfo::exists(m_places.program)) {
        ui::messageBoxes().inform(
            QStringLiteral("Please close the game and open the Brakmo Lobby using the icon on your desktop or using "
                           "the your Window's start-up menu."));
        return;
    }
    // Whether it started is not examined: the game hands over either way.
    if (!m_startProcess(m_places.program, {}))
        qCWarning(lcDownload) << "the lobby program did not start:" << m_places.program;
    Q_EMIT closeProgramRequested();
}

void DownloadDialog::onHeaderLine()
{
    m_infolabel->setText(m_infolabel->text() + QLatin1Char('.'));
}

void DownloadDialog::onBodyBegins()
{
    m_infolabel3->setText(QStringLiteral("Downloading: ") + m_infolabel2->text());
}

void DownloadDialog::onBodyReceived(qint64 received, qint64 total)
{
    m_infolabel->setText(QStringLiteral("%1 bytes").arg(received));
    if (total > 0) {
        m_progress->setValue(static_cast<int>(qMin<qint64>(received, total) * 1000 / total));
        m_progress->show();
    }
}

void DownloadDialog::onCompleted()
{
    m_infolabel->setText(QStringLiteral("Received %1 bytes").arg(m_file ? m_file->size() : 0));
    downloadEnded();
}

void DownloadDialog::onFailed()
{
    // Whatever ended it (the server, the connection, the file, the player),
    // a download that did not arrive whole is never started. The fetch has
    // logged why.
    m_infolabel->setText(QStringLiteral("Download Aborted"));
    m_downloadState = Aborted;
    downloadEnded();
}

void DownloadDialog::downloadEnded()
{
    m_downloadButton->setEnabled(true);
    m_stopButton->setEnabled(false);
    m_file.reset();
    if (m_downloadState != Aborted)
        startInstaller();
}

void DownloadDialog::startInstaller()
{
    m_infolabel3->setText(QStringLiteral("Installing"));
    const QString path = ui::dataFilePath(m_infolabel2->text());
    if (!makeExecutable(path))
        qCWarning(lcDownload) << "cannot make the installer executable:" << path;
    if (!m_startProcess(path, installerArguments())) {
        ui::messageBoxes().inform(QStringLiteral("An Error has Occurred."));
        return;
    }
    Q_EMIT closeProgramRequested();
}

} // namespace vorlith::app
