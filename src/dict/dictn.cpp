#include "dict/dictn.h"

#include "dict/dictlog.h"

#include <QFileInfo>
#include <QResource>

#include <cstring>

// Q_INIT_RESOURCE declares the resource's init function where it is used, so
// it has to be called from the global namespace.
static void registerWordListResource()
{
    Q_INIT_RESOURCE(vorlith_dict);
}

namespace vorlith::dict {

Q_LOGGING_CATEGORY(lcDict, "vorlith.dict")

void initBuiltInWordList()
{
    static bool registered = false;
    if (!registered) {
        registerWordListResource();
        registered = true;
    }
}

QString TDictn::defaultFileName()
{
    return QStringLiteral("English");
}

QString TDictn::builtInResource()
{
    return QStringLiteral(":/dict/TEXT_DEMO");
}

QString TDictn::notFoundText()
{
    return QStringLiteral("English.dic dictionary not found!");
}

TDictn::TDictn(QString builtInResource) : m_builtInResource(std::move(builtInResource)) {}

TDictn::~TDictn() = default;

void TDictn::unload()
{
    m_memory.clear();
    m_file.reset();
    m_source = Source::None;
    m_errorText.clear();
}

bool TDictn::loadwords(const QString &fileName)
{
    unload();
    const bool loaded = QFileInfo::exists(fileName) ? loadPlayerFile(fileName) : loadBuiltIn();
    if (!loaded) {
        unload();
        m_errorText = notFoundText();
        return false;
    }
    qCDebug(lcDict) << "word list loaded:" << recordCount() << "records"
                    << (m_source == Source::BuiltIn ? "(built in)" : qUtf8Printable(fileName));
    return true;
}

bool TDictn::loadPlayerFile(const QString &fileName)
{
    const QFileInfo info(fileName);
    if (!info.isFile()) {
        qCWarning(lcDict) << "word list" << fileName << "is not a regular file";
        return false;
    }
    if (info.size() > m_memoryLimit) {
        auto file = std::make_unique<RecordFile>();
        if (!file->open(fileName))
            return false;
        m_file = std::move(file);
        m_source = Source::PlayerFileOnDisk;
        return true;
    }

    // Opened for reading only: a list in a read-only place is still a list.
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        qCWarning(lcDict) << "cannot open word list" << fileName << file.errorString();
        return false;
    }
    const qint64 size = std::min(file.size(), m_memoryLimit);
    QByteArray bytes(static_cast<qsizetype>(size), Qt::Uninitialized);
    const qint64 got = file.read(bytes.data(), size);
    if (got < 0) {
        qCWarning(lcDict) << "cannot read word list" << fileName << file.errorString();
        return false;
    }
    bytes.truncate(static_cast<qsizetype>(got));
    m_memory.assign(std::move(bytes));
    m_source = Source::PlayerFile;
    return true;
}

bool TDictn::loadBuiltIn()
{
    initBuiltInWordList();
    const QResource resource(m_builtInResource);
    if (!resource.isValid() || !QFileInfo(m_builtInResource).isFile()) {
        qCWarning(lcDict) << "built-in word list" << m_builtInResource << "is missing";
        return false;
    }
    // The list ends at its first NUL byte, as the text it was made from would.
    QByteArray bytes;
    if (resource.compressionAlgorithm() == QResource::NoCompression) {
        // Served from the executable itself, no copy.
        const char *data = reinterpret_cast<const char *>(resource.data());
        const auto size = static_cast<qsizetype>(resource.size());
        const void *nul =
            size > 0 ? std::memchr(data, '\0', static_cast<std::size_t>(size)) : nullptr;
        bytes = QByteArray::fromRawData(data, nul ? static_cast<const char *>(nul) - data : size);
    } else {
        bytes = resource.uncompressedData();
        if (bytes.isNull()) {
            qCWarning(lcDict) << "built-in word list" << m_builtInResource << "cannot be unpacked";
            return false;
        }
        const qsizetype nul = bytes.indexOf('\0');
        if (nul >= 0)
            bytes.truncate(nul);
    }
    m_memory.assign(std::move(bytes));
    m_source = Source::BuiltIn;
    return true;
}

qint64 TDictn::recordCount() const
{
    switch (m_source) {
    case Source::None:
        return 0;
    case Source::PlayerFileOnDisk:
        return m_file->recordCount();
    case Source::PlayerFile:
    case Source::BuiltIn:
        break;
    }
    return m_memory.recordCount();
}

bool TDictn::isword(QByteArrayView word) const
{
    switch (m_source) {
    case Source::None:
        return false;
    case Source::PlayerFileOnDisk:
        return m_file->contains(makeSearchKey(word));
    case Source::PlayerFile:
    case Source::BuiltIn:
        break;
    }
    return m_memory.contains(makeSearchKey(word));
}

bool TDictn::isword(QStringView word) const
{
    return isword(QByteArrayView(word.left(MaxWordLength).toLatin1()));
}

} // namespace vorlith::dict
