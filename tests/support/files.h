#pragma once

#include <QByteArray>
#include <QString>

/// Replaces the file at \a path with \a bytes; false when it could not.
bool writeFile(const QString &path, const QByteArray &bytes);
/// The bytes of the file at \a path, or "<missing>" when it cannot be read
/// (which no file the tests compare ever holds).
QByteArray readFile(const QString &path);
