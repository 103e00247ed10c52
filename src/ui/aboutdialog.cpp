#include "ui/aboutdialog.h"

#include "ui/clicklabel.h"
#include "ui/site.h"
#include "ui/theme.h"

#include <QDate>
#include <QLabel>

namespace vorlith::ui {

AboutDialog::AboutDialog(const QPixmap &background, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("about"));
    setWindowTitle(QStringLiteral("Vorlith - About"));
    setFixedSize(340, 250);
    setBackground(this, background, colors::Parchment);

    auto *logo = new ClickLabel(this);
    logo->setObjectName(QStringLiteral("image_logo"));
    const QPixmap logoPicture = picture(QStringLiteral("about_logo.png"));
    if (!logoPicture.isNull())
        logo->setPixmap(logoPicture.scaled(300, 90, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    else
        logo->setText(QStringLiteral("<span style='font-size:30px;font-weight:bold;color:#f5b446'>VORLITH</span>"));
    logo->setAlignment(Qt::AlignCenter);
    logo->setGeometry(20, 12, 300, 90);
    logo->setCursor(Qt::PointingHandCursor);
    connect(logo, &ClickLabel::clicked, this, [] { openUrl(makerSiteUrl()); });

    auto *panel = new QLabel(this);
    panel->setGeometry(20, 108, 300, 96);
    panel->setStyleSheet(QStringLiteral("background: rgba(244,239,206,225); border-radius: 8px;"));

    m_version = new QLabel(QStringLiteral("Version %1").arg(QLatin1String(VersionText)), this);
    m_version->setObjectName(QStringLiteral("label_version"));
    m_version->setFont(arial(13, true));
    m_version->setGeometry(30, 114, 280, 20);
    m_version->setAlignment(Qt::AlignCenter);

    m_year = new QLabel(QStringLiteral("\u00a9 %1 Brakmo Software").arg(QDate::currentDate().year()), this);
    m_year->setObjectName(QStringLiteral("label_year"));
    m_year->setFont(arial(12));
    m_year->setGeometry(30, 136, 280, 18);
    m_year->setAlignment(Qt::AlignCenter);

    auto *link = new ClickLabel(this);
    link->setObjectName(QStringLiteral("linklabel"));
    link->setText(QStringLiteral("<u>%1</u>").arg(makerSiteUrl().toHtmlEscaped()));
    link->setStyleSheet(QStringLiteral("color: #1f4a6d;"));
    link->setFont(arial(12));
    link->setGeometry(30, 160, 280, 18);
    link->setAlignment(Qt::AlignCenter);
    link->setCursor(Qt::PointingHandCursor);
    connect(link, &ClickLabel::clicked, this, [] { openUrl(makerSiteUrl()); });

    auto *done = new ImageButton(QStringLiteral("Done"), QStringLiteral("button_done.png"), this);
    done->setObjectName(QStringLiteral("button_done"));
    done->move((width() - done->width()) / 2, 212);
    connect(done, &ImageButton::clicked, this, &QDialog::close);
}

} // namespace vorlith::ui
