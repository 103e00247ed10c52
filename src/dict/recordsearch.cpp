#include "dict/recordsearch.h"

#include "dict/dictlog.h"

namespace vorlith::dict {

SearchKey makeSearchKey(QByteArrayView word)
{
    SearchKey key;
    key.head.fill(' ');
    const char *data = word.data();
    qsizetype end = std::min<qsizetype>(word.size(), MaxWordLength);
    qsizetype begin = 0;
    const auto blank = [](char c) { return c == ' ' || c == '\0'; };
    while (begin < end && blank(data[begin]))
        ++begin;
    while (end > begin && blank(data[end - 1]))
        --end;
    if (begin == end)
        return key;
    key.empty = false;
    key.longer = end - begin > KeyWidth;
    end = std::min<qsizetype>(end, begin + KeyWidth);
    for (qsizetype i = begin; i < end; ++i) {
        char c = data[i];
        if (c == '\0')
            c = ' ';
        else if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
        key.head[static_cast<std::size_t>(i - begin)] = c;
    }
    return key;
}

bool RecordFile::open(const QString &path)
{
    close();
    m_file.setFileName(path);
    // Unbuffered: every probe is a real seek and a real read of one record.
    if (!m_file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        qCWarning(lcDict) << "cannot open word list" << path << m_file.errorString();
        return false;
    }
    m_lastIndex = m_file.size() / RecordSize - 1;
    return true;
}

void RecordFile::close()
{
    m_file.close();
    m_lastIndex = -1;
}

bool RecordFile::contains(QByteArrayView word)
{
    return contains(makeSearchKey(word));
}

bool RecordFile::contains(const SearchKey &key)
{
    if (!m_file.isOpen())
        return false;
    return searchRecords(key, m_lastIndex, [this](qint64 index) -> const char * {
        if (!m_file.seek(index * RecordSize)) {
            qCWarning(lcDict) << "word list seek failed:" << m_file.errorString();
            return nullptr;
        }
        const qint64 got = m_file.read(m_buffer.data(), RecordSize);
        if (got != RecordSize) {
            if (got < 0)
                qCWarning(lcDict) << "word list read failed:" << m_file.errorString();
            return nullptr;
        }
        return m_buffer.data();
    });
}

bool RecordFile::readRecords(const std::function<void(QByteArrayView)> &visit) const
{
    if (!m_file.isOpen())
        return true;
    QFile file(m_file.fileName());
    if (!file.open(QIODevice::ReadOnly)) {
        qCWarning(lcDict) << "cannot read word list" << file.fileName() << file.errorString();
        return false;
    }
    constexpr qint64 ChunkRecords = 4096;
    QByteArray chunk(ChunkRecords * RecordSize, Qt::Uninitialized);
    for (qint64 done = 0; done < recordCount();) {
        const qint64 want = std::min(ChunkRecords, recordCount() - done) * RecordSize;
        if (file.read(chunk.data(), want) != want) {
            qCWarning(lcDict) << "word list" << file.fileName() << "ended early";
            return false;
        }
        visit(QByteArrayView(chunk).first(qsizetype(want)));
        done += want / RecordSize;
    }
    return true;
}

} // namespace vorlith::dict
