#include "dict/dictionary.h"

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

QString Dictionary::defaultFileName()
{
    return QStringLiteral("English");
}

QString Dictionary::builtInResource()
{
    return QStringLiteral(":/dict/TEXT_DEMO");
}

QString Dictionary::notFoundText()
{
    return QStringLiteral("English.dic dictionary not found!");
}

Dictionary::Dictionary(QString builtInResource) : m_builtInResource(std::move(builtInResource)) {}

Dictionary::~Dictionary() = default;

void Dictionary::unload()
{
    m_memory.clear();
    m_file.reset();
    m_source = Source::None;
    m_errorText.clear();
}

bool Dictionary::loadwords(const QString &fileName)
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

bool Dictionary::loadPlayerFile(const QString &fileName)
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

namespace {

// The bytes of a compiled-in file, where they lie when stored uncompressed.
// Empty when there is no such file.
QByteArray resourceBytes(const QString &path)
{
    const QResource resource(path);
    if (!resource.isValid() || !QFileInfo(path).isFile())
        return {};
    if (resource.compressionAlgorithm() != QResource::NoCompression)
        return resource.uncompressedData();
    return QByteArray::fromRawData(reinterpret_cast<const char *>(resource.data()),
                                   static_cast<qsizetype>(resource.size()));
}

} // namespace

QString Dictionary::builtInIndexResource(const QString &listResource)
{
    return listResource + QStringLiteral(".index");
}

bool Dictionary::loadBuiltIn()
{
    initBuiltInWordList();
    QByteArray bytes = resourceBytes(m_builtInResource);
    if (bytes.isNull()) {
        qCWarning(lcDict) << "built-in word list" << m_builtInResource << "is missing";
        return false;
    }
    // The build made the list's index and checked the list for it: sorted,
    // normalised, no NUL byte. Both are used straight from the executable.
    if (m_memory.adopt(bytes, resourceBytes(builtInIndexResource(m_builtInResource)))) {
        m_source = Source::BuiltIn;
        return true;
    }
    qCWarning(lcDict) << "built-in word list" << m_builtInResource
                      << "has no index made for it; indexing it now";
    // The list ends at its first NUL byte, as the text it was made from would.
    const qsizetype nul = bytes.indexOf('\0');
    if (nul >= 0)
        bytes.truncate(nul);
    m_memory.assign(std::move(bytes));
    m_source = Source::BuiltIn;
    return true;
}

bool Dictionary::usesCompiledIndex() const
{
    return m_source == Source::BuiltIn && m_memory.isIndexAdopted();
}

bool Dictionary::readRecords(const std::function<void(QByteArrayView)> &visit) const
{
    switch (m_source) {
    case Source::None:
        return true;
    case Source::PlayerFileOnDisk:
        return m_file->readRecords(visit);
    case Source::PlayerFile:
    case Source::BuiltIn:
        break;
    }
    visit(m_memory.records());
    return true;
}

qint64 Dictionary::recordCount() const
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

bool Dictionary::isword(QByteArrayView word) const
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

bool Dictionary::isword(QStringView word) const
{
    return isword(QByteArrayView(word.left(MaxWordLength).toLatin1()));
}

} // namespace vorlith::dict
