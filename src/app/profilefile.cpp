#include "app/profilefile.h"

#include "net/numbers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSaveFile>

#include <limits>
#include <vector>

Q_LOGGING_CATEGORY(lcProfile, "vorlith.app.profile")

namespace vorlith::app {

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

bool sameName(QByteArrayView a, QByteArrayView b)
{
    return QString::fromLatin1(a).compare(QString::fromLatin1(b), Qt::CaseInsensitive) == 0;
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

std::vector<Line> splitLines(const QByteArray &data)
{
    std::vector<Line> lines;
    const QByteArrayView all(data);
    qsizetype start = 0;
    while (start < all.size()) {
        qsizetype newline = all.indexOf('\n', start);
        const qsizetype next = newline < 0 ? all.size() : newline + 1;
        qsizetype end = newline < 0 ? all.size() : newline;
        if (end > start && all[end - 1] == '\r')
            --end;
        Line line;
        line.start = start;
        line.end = end;
        const QByteArrayView text = trimmed(all.sliced(start, end - start));
        if (text.isEmpty()) {
            line.kind = Line::Kind::Blank;
        } else if (text.front() == '[' && text.lastIndexOf(']') > 0) {
            line.kind = Line::Kind::Section;
            line.name = trimmed(text.sliced(1, text.lastIndexOf(']') - 1));
        } else if (text.front() != ';' && text.contains('=')) {
            const qsizetype equals = all.indexOf('=', start);
            line.kind = Line::Kind::Key;
            line.name = trimmed(all.sliced(start, equals - start));
            line.valueStart = equals + 1;
        }
        lines.push_back(line);
        start = next;
    }
    return lines;
}

// Index range [first, last) of the lines of the first section named \a section
// (the header excluded), or nothing.
std::optional<std::pair<std::size_t, std::size_t>> findSection(const std::vector<Line> &lines,
                                                               QByteArrayView section)
{
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].kind != Line::Kind::Section || !sameName(lines[i].name, section))
            continue;
        std::size_t last = i + 1;
        while (last < lines.size() && lines[last].kind != Line::Kind::Section)
            ++last;
        return std::pair{i + 1, last};
    }
    return std::nullopt;
}

std::optional<std::size_t> findKey(const std::vector<Line> &lines,
                                   std::pair<std::size_t, std::size_t> range, QByteArrayView key)
{
    for (std::size_t i = range.first; i < range.second; ++i) {
        if (lines[i].kind == Line::Kind::Key && sameName(lines[i].name, key))
            return i;
    }
    return std::nullopt;
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
    const std::vector<Line> lines = splitLines(file);
    const auto range = findSection(lines, section);
    if (!range)
        return std::nullopt;
    const auto index = findKey(lines, *range, key);
    if (!index)
        return std::nullopt;
    const Line &line = lines[*index];
    QByteArrayView value =
        trimmed(QByteArrayView(file).sliced(line.valueStart, line.end - line.valueStart));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        value = value.sliced(1, value.size() - 2);
    return value.first(std::min<qsizetype>(value.size(), kMaxValueLength)).toByteArray();
}

QByteArray ProfileFile::withValue(const QByteArray &file, const QByteArray &section,
                                  const QByteArray &key, const QByteArray &value)
{
    const std::vector<Line> lines = splitLines(file);
    const QByteArray eol = lineBreakOf(file);
    QByteArray result = file;
    const auto range = findSection(lines, section);
    if (!range) {
        if (!result.isEmpty() && !result.endsWith('\n'))
            result += eol;
        result += '[' + section + ']' + eol + key + '=' + value + eol;
        return result;
    }
    if (const auto index = findKey(lines, *range, key)) {
        // Only the value changes; the key and the blanks after "=" stay.
        const Line &line = lines[*index];
        qsizetype from = line.valueStart;
        while (from < line.end && isBlank(file[from]))
            ++from;
        result.replace(from, line.end - from, value);
        return result;
    }
    // After the last line of the section that is not blank, so that blank
    // lines keep separating it from the next section.
    std::size_t after = range->first - 1;
    for (std::size_t i = range->first; i < range->second; ++i) {
        if (lines[i].kind != Line::Kind::Blank)
            after = i;
    }
    result.insert(lines[after].end, eol + key + '=' + value);
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
        qCWarning(lcProfile) << m_path << "is too large to be a settings file";
        return ReadResult::Failed;
    }
    data = file.read(kMaxFileSize + 1);
    if (data.size() > kMaxFileSize || file.error() != QFileDevice::NoError)
        return ReadResult::Failed;
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

bool ProfileFile::writeString(const QString &section, const QString &key, const QString &value)
{
    m_error.clear();
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
    if (readAll(data) == ReadResult::Failed) {
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

} // namespace vorlith::app
