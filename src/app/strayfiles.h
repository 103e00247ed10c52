#pragma once

#include <QDateTime>
#include <QStringList>

#include <chrono>

namespace vorlith::app {

/// A program that ends between writing a new copy of a file and putting it
/// in place leaves the copy beside the file, under the name of the file
/// followed by "." and six letters. The file itself is whole either way.
///
/// Removes such copies of each of \a files that are older than \a minAge at
/// \a now, and nothing else: a younger copy may be one another program (the
/// lobby, sharing the settings file) is still writing. Answers the paths
/// removed.
QStringList removeStrayCopies(const QStringList &files,
                              const QDateTime &now = QDateTime::currentDateTimeUtc(),
                              std::chrono::seconds minAge = std::chrono::minutes(1));

} // namespace vorlith::app
