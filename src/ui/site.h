#pragma once

#include <QString>

namespace vorlith::ui {

/// The maker's web site, opened from the About window and the logo.
QString makerSiteUrl();

/// Host name of the maker's web server (a build setting).
QString makerServer();

/// Opens \a url in the system's browser. Tests replace the opener.
void openUrl(const QString &url);
void setUrlOpener(void (*opener)(const QString &url));

/// The program's version text, shown in About and sent at login.
inline constexpr char VersionText[] = "1.0.3";

} // namespace vorlith::ui
