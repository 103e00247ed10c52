#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace vorlith::profile {

/// An INI-style profile file read and written with the rules of the Windows
/// private-profile functions, so that it can be shared with another program:
///
/// - sections "[name]" and "key=value" entries; section names and keys are
///   matched without regard to case, surrounding blanks ignored, and the first
///   match wins; lines starting with ";" are comments;
/// - a value loses its surrounding blanks and one pair of enclosing quotes,
///   and is read up to 2047 characters;
/// - writing changes only the value of the entry written: every other
///   section, key, comment and line stays byte for byte; a missing key is
///   appended at the end of its section, a missing section at the end of the
///   file, and a missing file is created;
/// - every write replaces the file atomically.
///
/// Text is single-byte (Latin-1). The file is opened for each call and closed
/// right after; nothing is cached. Reading and editing take time in proportion
/// to the file's size.
class ProfileFile
{
public:
    static constexpr int kMaxValueLength = 2047;
    /// Files larger than this are neither read nor rewritten: settings take
    /// a few hundred bytes, and such a file is somebody else's or damaged.
    static constexpr qint64 kMaxFileSize = 1024 * 1024;

    explicit ProfileFile(QString path);

    QString path() const { return m_path; }

    /// The value of \a key in \a section, or nothing when either is missing
    /// or the file cannot be read.
    std::optional<QString> value(const QString &section, const QString &key) const;
    QString readString(const QString &section, const QString &key,
                       const QString &defaultValue = {}) const;
    /// An integer value: decimal, or hexadecimal after "0x" or "0X"; a missing
    /// key or a value that is not a number gives \a defaultValue.
    int readInt(const QString &section, const QString &key, int defaultValue) const;

    /// Sets \a key in \a section to \a value (line breaks in it become
    /// spaces). False when the file could not be written; errorString() then
    /// says why and the file is as it was.
    bool writeString(const QString &section, const QString &key, const QString &value);
    bool writeInt(const QString &section, const QString &key, int value);

    QString errorString() const { return m_error; }
    /// True when the file is over kMaxFileSize, so it is left alone.
    bool isTooLarge() const;
    /// True when the last write was refused because the file is too large.
    bool refusedTooLarge() const { return m_tooLarge; }

    /// "Unable to write to " and the full path of \a path: the error raised
    /// when a write is refused.
    static QString unableToWriteText(const QString &path);
    /// Reads an integer as readInt() does.
    static std::optional<int> parseInt(QStringView text);

    /// The file's bytes with \a key of \a section set to \a value; exposed for
    /// testing the editing rules without a file.
    static QByteArray withValue(const QByteArray &file, const QByteArray &section,
                                const QByteArray &key, const QByteArray &value);
    /// The value of \a key in \a section of the file's bytes.
    static std::optional<QByteArray> valueIn(const QByteArray &file, const QByteArray &section,
                                             const QByteArray &key);

private:
    enum class ReadResult
    {
        Ok,
        Missing,
        TooLarge,
        Failed
    };
    ReadResult readAll(QByteArray &data) const;

    QString m_path;
    QString m_error;
    bool m_tooLarge{false};
    mutable bool m_toldTooLarge{false}; // the log says it once per file object
};

} // namespace vorlith::profile
