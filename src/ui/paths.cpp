#include "ui/paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace vorlith::ui {

namespace {

QString s_override;

bool folderIsWritable(const QString &folder)
{
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        return false;
    // Permission bits do not tell the whole story (read-only mounts, ACLs):
    // try to create a file there.
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".vorlith-probe-XXXXXX")));
    return probe.open();
}

} // namespace

QString dataFolder()
{
    if (!s_override.isEmpty())
        return s_override;
    static const QString chosen = dataFolderOf(QCoreApplication::applicationDirPath());
    return chosen;
}

QString dataFolderOf(const QString &programFolder)
{
    if (folderIsWritable(programFolder))
        return programFolder;
    const QString userFolder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(userFolder);
    return userFolder;
}

QString dataFilePath(const QString &fileName)
{
    return QDir(dataFolder()).filePath(fileName);
}

void setDataFolderOverride(const QString &folder)
{
    s_override = folder;
}

} // namespace vorlith::ui
