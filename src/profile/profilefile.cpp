#include "profile/profilefile.h"

#include "net/numbers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSaveFile>

#include <limits>

Q_LOGGING_CATEGORY(lcProfile, "vorlith.profile")

namespace vorlith::profile {

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

QByteArrayView trimmed(QByteArrayView text)
{
    qsizetype from = 0;
    qsizetype to = text.size();
    while (from < to && isBlank(text[from]))
        ++from;
    while (to > from && isBlank(text[to - 1]))
        --to;
    return text.sliced(from, to - from);
}

struct Line
{
    enum class Kind
    {
        Blank,
        Section,
        Key,
        Other
    };
    Kind kind{Kind::Other};
    qsizetype start{0};
    // End of the line's text, before its terminator.
    qsizetype end{0};
    // Section name or key, without blanks.
    QByteArrayView name;
    // Just after the "=" of an entry.
    qsizetype valueStart{0};
};

// Walks the lines of a file one at a time, so that reading a file costs time
// in proportion to its size and no memory beyond it.
class LineCursor
{
public:
    explicit LineCursor(QByteArrayView all) : m_all(all) {}

    bool next(Line &line)
    {
        if (m_start >= m_all.size())
            return false;
        const qsizetype start = m_start;
        const qsizetype newline = m_all.indexOf('\n', start);
        m_start = newline < 0 ? m_all.size() : newline + 1;
        qsizetype end = newline < 0 ? m_all.size() : newline;
        if (end > start && m_all[end - 1] == '\r')
            --end;
        line = Line{};
        line.start = start;
        line.end = end;
        const QByteArrayView text = trimmed(m_all.sliced(start, end - start));
        if (text.isEmpty()) {
            line.kind = Line::Kind::Blank;
        } else if (const qsizetype close = text.lastIndexOf(']'); text.front() == '[' && close > 0) {
            line.kind = Line::Kind::Section;
            line.name = trimmed(text.sliced(1, close - 1));
        } else if (const qsizetype equals = text.indexOf('='); text.front() != ';' && equals >= 0) {
            line.kind = Line::Kind::Key;
            line.name = trimmed(text.first(equals));
            line.valueStart = (text.data() - m_all.data()) + equals + 1;
        }
        return true;
    }

private:
    QByteArrayView m_all;
    qsizetype m_start{0};
};

bool sameName(QByteArrayView a, QByteArrayView b)
{
    // Case folding keeps the length of single-byte text.
    if (a.size() != b.size())
        return false;
    return QString::fromLatin1(a).compare(QString::fromLatin1(b), Qt::CaseInsensitive) == 0;
}

QByteArray lineBreakOf(const QByteArray &data)
{
    if (data.contains("\r\n") || !data.contains('\n'))
        return QByteArrayLiteral("\r\n");
    return QByteArrayLiteral("\n");
}

bool validName(const QString &name, bool section)
{
    if (name.trimmed().isEmpty() || name.trimmed() != name)
        return false;
    for (QChar c : name) {
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n') || c.unicode() > 0xFF)
            return false;
    }
    if (section)
        return !name.contains(QLatin1Char(']'));
    return !name.contains(QLatin1Char('=')) && !name.startsWith(QLatin1Char('[')) &&
           !name.startsWith(QLatin1Char(';'));
}

} // namespace

ProfileFile::ProfileFile(QString path) : m_path(std::move(path)) {}

std::optional<QByteArray> ProfileFile::valueIn(const QByteArray &file, const QByteArray &section,
                                               const QByteArray &key)
{
    LineCursor cursor(file);
    Line line;
    bool inSection = false;
    while (cursor.next(line)) {
        if (line.kind == Line::Kind::Section) {
            if (inSection)
                return std::nullopt; // the first section of that name ended without the key
            inSection = sameName(line.name, section);
            continue;
        }
        if (!inSection || line.kind != Line::Kind::Key || !sameName(line.name, key))
            continue;
        QByteArrayView value =
            trimmed(QByteArrayView(file).sliced(line.valueStart, line.end - line.valueStart));
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
            value.back() == value.front())
            value = value.sliced(1, value.size() - 2);
        return value.first(std::min<qsizetype>(value.size(), kMaxValueLength)).toByteArray();
    }
    return std::nullopt;
}

QByteArray ProfileFile::withValue(const QByteArray &file, const QByteArray &section,
                                  const QByteArray &key, const QByteArray &value)
{
    const QByteArray eol = lineBreakOf(file);
    LineCursor cursor(file);
    Line line;
    bool found = false;
    // End of the section's last line that is not blank, so that blank lines
    // keep separating it from the next section.
    qsizetype insertAt = -1;
    while (cursor.next(line)) {
        if (line.kind == Line::Kind::Section) {
            if (found)
                break;
            if (sameName(line.name, section)) {
                found = true;
                insertAt = line.end;
            }
            continue;
        }
        if (!found)
            continue;
        if (line.kind == Line::Kind::Key && sameName(line.name, key)) {
            // Only the value changes; the key and the blanks after "=" stay.
            qsizetype from = line.valueStart;
            while (from < line.end && isBlank(file[from]))
                ++from;
            QByteArray result = file;
            result.replace(from, line.end - from, value);
            return result;
        }
        if (line.kind != Line::Kind::Blank)
            insertAt = line.end;
    }
    QByteArray result = file;
    if (!found) {
        if (!result.isEmpty() && !result.endsWith('\n'))
            result += eol;
        result += '[' + section + ']' + eol + key + '=' + value + eol;
        return result;
    }
    result.insert(insertAt, eol + key + '=' + value);
    return result;
}

ProfileFile::ReadResult ProfileFile::readAll(QByteArray &data) const
{
    QFile file(m_path);
    if (!file.exists())
        return ReadResult::Missing;
    if (QFileInfo(m_path).isDir() || !file.open(QIODevice::ReadOnly)) {
        qCWarning(lcProfile) << "cannot read" << m_path << file.errorString();
        return ReadResult::Failed;
    }
    if (file.size() > kMaxFileSize) {
        if (!std::exchange(m_toldTooLarge, true)) {
            qCWarning(lcProfile) << m_path << "is over" << kMaxFileSize / 1024
                                 << "KB, far more than settings take: it is neither read nor written,"
                                 << "and the settings keep their defaults";
        }
        return ReadResult::TooLarge;
    }
    data = file.read(kMaxFileSize + 1);
    if (file.error() != QFileDevice::NoError)
        return ReadResult::Failed;
    if (data.size() > kMaxFileSize)
        return ReadResult::TooLarge; // it grew while we read it
    return ReadResult::Ok;
}

std::optional<QString> ProfileFile::value(const QString &section, const QString &key) const
{
    QByteArray data;
    if (readAll(data) != ReadResult::Ok)
        return std::nullopt;
    const auto raw = valueIn(data, section.toLatin1(), key.toLatin1());
    if (!raw)
        return std::nullopt;
    return QString::fromLatin1(*raw);
}

QString ProfileFile::readString(const QString &section, const QString &key,
                                const QString &defaultValue) const
{
    return value(section, key).value_or(defaultValue);
}

int ProfileFile::readInt(const QString &section, const QString &key, int defaultValue) const
{
    const std::optional<QString> text = value(section, key);
    if (!text)
        return defaultValue;
    return parseInt(*text).value_or(defaultValue);
}

std::optional<int> ProfileFile::parseInt(QStringView text)
{
    if (text.size() > 2 && text[0] == QLatin1Char('0') &&
        (text[1] == QLatin1Char('x') || text[1] == QLatin1Char('X'))) {
        // Eight digits fill the 32 bits: 0xFFFFFFFF is -1.
        if (const auto value = net::parseHex32(text.mid(2)))
            return int(qint32(*value));
        return std::nullopt;
    }
    return net::parseDecimal32(text);
}

bool ProfileFile::isTooLarge() const
{
    const QFileInfo info(m_path);
    return info.isFile() && info.size() > kMaxFileSize;
}

bool ProfileFile::writeString(const QString &section, const QString &key, const QString &value)
{
    m_error.clear();
    m_tooLarge = false;
    if (!validName(section, true) || !validName(key, false)) {
        m_error = QStringLiteral("invalid section or key name");
        return false;
    }
    // A line break would cut the file into lines of someone else's making.
    QString oneLine = value;
    oneLine.replace(QLatin1Char('\r'), QLatin1Char(' '))
        .replace(QLatin1Char('\n'), QLatin1Char(' '));

    if (QFileInfo(m_path).isDir()) {
        m_error = QStringLiteral("a folder has the file's name");
        return false;
    }
    QByteArray data;
    switch (readAll(data)) {
    case ReadResult::Ok:
    case ReadResult::Missing:
        break;
    case ReadResult::TooLarge:
        m_error = QStringLiteral("the file is too large to be a settings file");
        m_tooLarge = true;
        return false;
    case ReadResult::Failed:
        // Rewriting a file we could not read would lose what it holds.
        m_error = QStringLiteral("cannot read the file");
        return false;
    }
    const QByteArray updated =
        withValue(data, section.toLatin1(), key.toLatin1(), oneLine.toLatin1());
    if (updated == data && QFileInfo::exists(m_path))
        return true;

    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly)) {
        m_error = QStringLiteral("cannot create the file: ") + file.errorString();
        return false;
    }
    // flush() before commit(): commit() alone can report success after its
    // last buffered write failed (a full disk) and leave a cut file in place.
    if (file.write(updated) != updated.size() || !file.flush()) {
        m_error = QStringLiteral("cannot write the file: ") + file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        m_error = QStringLiteral("cannot replace the file: ") + file.errorString();
        return false;
    }
    return true;
}

bool ProfileFile::writeInt(const QString &section, const QString &key, int value)
{
    return writeString(section, key, QString::number(value));
}

QString ProfileFile::unableToWriteText(const QString &path)
{
    return QStringLiteral("Unable to write to ") +
           QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

} // namespace vorlith::profile
