#pragma once

#include <QString>

namespace vorlith::ui {

/// The names the user's application data folder is made of. The game and the
/// lobby both take them, so that both find the same settings file.
inline constexpr char OrganizationName[] = "Brakmo";
inline constexpr char ApplicationName[] = "Glyphora";

/// The settings file the game shares with the lobby programs.
inline constexpr char SettingsFileName[] = "brakmolobby.ini";

/// Full path of a data file of the program (settings, tally).
///
/// The program's own folder is used when it can be written; otherwise (an
/// installed program) the user's application data folder, created on demand.
/// Tests point everything at a folder of their own with setDataFolderOverride.
QString dataFilePath(const QString &fileName);

/// The folder dataFilePath uses: dataFolderOf() the program's own folder.
QString dataFolder();

/// The data folder of a program installed in \a programFolder: that folder
/// when it can be written, else the user's application data folder.
QString dataFolderOf(const QString &programFolder);

/// Forces every data file into \a folder; an empty string restores the default.
void setDataFolderOverride(const QString &folder);

} // namespace vorlith::ui
