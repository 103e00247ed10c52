#include "app/downloadform.h"

#include "ui/theme.h"

#include <QGroupBox>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace vorlith::app {

Tdownload::Tdownload(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("download"));
    setWindowTitle(QStringLiteral("Download The Brakmo Lobby"));
    setWindowFlags(Qt::Tool | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setModal(false);
    ui::setBackground(this, QPixmap(), ui::colors::Parchment);

    auto *layout = new QVBoxLayout(this);

    auto *downloadPanel = new QGroupBox(this);
    auto *d = new QVBoxLayout(downloadPanel);
    auto *picture = new QLabel(downloadPanel);
    QPixmap pic = ui::picture(QStringLiteral("download.png"));
    if (pic.isNull()) {
        // The picture carries its red caption; without it, paint a plain one.
        pic = QPixmap(300, 90);
        pic.fill(QColor(28, 66, 92));
        QPainter p(&pic);
        p.setPen(QColor(200, 20, 20));
        p.setFont(ui::arial(22, true));
        p.drawText(pic.rect(), Qt::AlignCenter, QStringLiteral("IS CLOSED"));
    }
    picture->setPixmap(pic);
    picture->setAlignment(Qt::AlignCenter);
    d->addWidget(picture);
    auto *pitch = new QLabel(QStringLiteral("Download The Brakmo Lobby Now to play this  and other exciting games online with other players! "),
                             downloadPanel);
    pitch->setWordWrap(true);
    d->addWidget(pitch);
    auto *downloadButton = new QPushButton(QStringLiteral("Download And Install The Brakmo Lobby Now"), downloadPanel);
    downloadButton->setObjectName(QStringLiteral("button_download"));
    auto *stopButton = new QPushButton(QStringLiteral("Stop Download"), downloadPanel);
    stopButton->setObjectName(QStringLiteral("button_stop"));
    // Fetching the installer is not part of this build yet.
    downloadButton->setEnabled(false);
    stopButton->setEnabled(false);
    d->addWidget(downloadButton);
    d->addWidget(stopButton);
    auto *info = new QLabel(downloadPanel);
    info->setObjectName(QStringLiteral("infolabel"));
    d->addWidget(info);
    auto *info3 = new QLabel(downloadPanel);
    info3->setObjectName(QStringLiteral("infolabel3"));
    d->addWidget(info3);
    layout->addWidget(downloadPanel);

    auto *soloPanel = new QGroupBox(this);
    auto *s = new QVBoxLayout(soloPanel);
    auto *soloText = new QLabel(QStringLiteral("To proceed to the game without the ability to play against others click the button below."), soloPanel);
    soloText->setWordWrap(true);
    s->addWidget(soloText);
    auto *solo = new QPushButton(QStringLiteral("Play Solo Game"), soloPanel);
    solo->setObjectName(QStringLiteral("button_solo"));
    solo->setDefault(true);
    connect(solo, &QPushButton::clicked, this, &QDialog::close);
    s->addWidget(solo);
    auto *note = new QLabel(QStringLiteral("Note: Even if you are playing offline, you will need to configure your FIREWALL to allow the game to access the internet components."),
                            soloPanel);
    note->setWordWrap(true);
    note->setStyleSheet(QStringLiteral("color: #c81414;"));
    s->addWidget(note);
    layout->addWidget(soloPanel);

    auto *lobbyPanel = new QGroupBox(this);
    auto *l = new QVBoxLayout(lobbyPanel);
    auto *lobbyText = new QLabel(QStringLiteral("If you already have The Brakmo Lobby and you wish to play with others then click the button below to close this game and open The Brakmo Lobby."),
                                 lobbyPanel);
    lobbyText->setWordWrap(true);
    l->addWidget(lobbyText);
    auto *others = new QPushButton(QStringLiteral("Play with Others"), lobbyPanel);
    others->setObjectName(QStringLiteral("button_others"));
    others->setEnabled(false);
    l->addWidget(others);
    layout->addWidget(lobbyPanel);

    setFixedWidth(360);
}

} // namespace vorlith::app
