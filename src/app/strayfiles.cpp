#include "app/strayfiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QRegularExpression>

Q_LOGGING_CATEGORY(lcStray, "vorlith.files")

namespace vorlith::app {

QStringList removeStrayCopies(const QStringList &files, const QDateTime &now,
                              std::chrono::seconds minAge)
{
    QStringList removed;
    for (const QString &path : files) {
        const QFileInfo file(path);
        const QDir dir = file.absoluteDir();
        // The copy's name is the file's and six letters, as the writer makes it.
        const QRegularExpression copyName(QRegularExpression::anchoredPattern(
            QRegularExpression::escape(file.fileName()) + QStringLiteral("\\.[A-Za-z]{6}")));
        const QFileInfoList candidates =
            dir.entryInfoList({file.fileName() + QStringLiteral(".??????")},
                              QDir::Files | QDir::Hidden | QDir::System);
        for (const QFileInfo &copy : candidates) {
            if (!copyName.match(copy.fileName()).hasMatch() || copy.isSymLink() || !copy.isFile())
                continue;
            const QDateTime written = copy.lastModified().toUTC();
            if (!written.isValid() || written.secsTo(now) < minAge.count())
                continue;
            if (QFile::remove(copy.absoluteFilePath())) {
                qCInfo(lcStray) << "removed the stray copy" << copy.absoluteFilePath();
                removed.append(copy.absoluteFilePath());
            }
        }
    }
    return removed;
}

} // namespace vorlith::app
