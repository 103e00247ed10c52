#include "ui/site.h"

#include <QDesktopServices>
#include <QUrl>

#ifndef VORLITH_MAKER_SERVER
#define VORLITH_MAKER_SERVER "www.brakmo.example"
#endif

namespace vorlith::ui {

namespace {

void openWithDesktop(const QString &url)
{
    QDesktopServices::openUrl(QUrl::fromUserInput(url));
}

void (*s_opener)(const QString &) = &openWithDesktop;

} // namespace

QString makerServer()
{
    return QStringLiteral(VORLITH_MAKER_SERVER);
}

QString makerSiteUrl()
{
    return QStringLiteral("http://") + makerServer() + QLatin1Char('/');
}

void openUrl(const QString &url)
{
    s_opener(url);
}

void setUrlOpener(void (*opener)(const QString &url))
{
    s_opener = opener ? opener : &openWithDesktop;
}

} // namespace vorlith::ui
