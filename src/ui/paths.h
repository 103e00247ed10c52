#pragma once

#include <QString>

namespace vorlith::ui {

/// Full path of a data file of the program (settings, tally).
///
/// The program's own folder is used when it can be written; otherwise (an
/// installed program) the user's application data folder, created on demand.
/// Tests point everything at a folder of their own with setDataFolderOverride.
QString dataFilePath(const QString &fileName);

/// The folder dataFilePath uses.
QString dataFolder();

/// Forces every data file into \a folder; an empty string restores the default.
void setDataFolderOverride(const QString &folder);

} // namespace vorlith::ui
