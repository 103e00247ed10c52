#include "tally/codec/lzrw1.h"

#include "tally/codec/tlzr.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <memory>
#include <new>
#include <vector>

namespace vorlith::tally {

namespace {

QString memoryMessage()
{
    return QStringLiteral("Lzrw1 (de)compression : Failed to get memory for I/O buffers !");
}
QString sizeMessage(const QString &name)
{
    return QStringLiteral("Lzrw1 compression : Failed to obtain the size of : ") + name;
}
QString openInputMessage(const QString &name)
{
    return QStringLiteral("Lzrw1 (de)compression : Failed to open input file : ") + name;
}
QString openOutputMessage(const QString &name)
{
    return QStringLiteral("Lzrw1 (de)compression : Failed to open output file : ") + name;
}

void openInputOrThrow(QFile &in)
{
    if (!in.open(QIODevice::ReadOnly))
        throw ELzrw1Exception(openInputMessage(in.fileName()));
}

void openOutputOrThrow(QSaveFile &out)
{
    if (!out.open(QIODevice::WriteOnly))
        throw ELzrw1Exception(openOutputMessage(out.fileName()));
}
QString readMessage(const QString &name)
{
    return QStringLiteral("Lzrw1 : Error reading from input file : ") + name;
}
QString writeMessage(const QString &name)
{
    return QStringLiteral("Lzrw1 : Error writing to output file : ") + name;
}
QString headerMessage(const QString &name)
{
    return name + QStringLiteral(" : Lzrw1 decompression : this file has no valid header !");
}
QString sizeMismatchMessage()
{
    return QStringLiteral("Lzrw1 (decompression LZRW1/KH) : Original and compressed sizes do not match !");
}

// Reads up to \a wanted bytes, going on after short reads until the device
// has no more. Returns -1 on a read error.
qint64 readUpTo(QIODevice &in, char *data, qint64 wanted)
{
    qint64 got = 0;
    while (got < wanted) {
        const qint64 n = in.read(data + got, wanted - got);
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        got += n;
    }
    return got;
}

void readExactly(QIODevice &in, char *data, qint64 wanted, const QString &name)
{
    if (readUpTo(in, data, wanted) != wanted)
        throw ELzrw1Exception(readMessage(name));
}

void writeAll(QIODevice &out, const char *data, qint64 size, const QString &name)
{
    if (size > 0 && out.write(data, size) != size)
        throw ELzrw1Exception(writeMessage(name));
}

void putLe32(char *at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

std::uint32_t getLe32(const char *at)
{
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v |= std::uint32_t{static_cast<unsigned char>(at[i])} << (8 * i);
    return v;
}

// Puts the new file in place of the old one. QSaveFile::commit() does not
// notice a write that fails while it empties its buffer (a full disk) and
// would put a cut-short file in place: flush first and check.
void commitOrThrow(QSaveFile &out, const QString &name)
{
    if (!out.flush() || !out.commit()) {
        out.cancelWriting();
        throw ELzrw1Exception(writeMessage(name));
    }
}

std::unique_ptr<TLZR> makeCodec()
{
    try {
        return std::make_unique<TLZR>();
    } catch (const std::bad_alloc &) {
        throw ELzrw1KHCompressor();
    }
}

} // namespace

ELzrw1Exception::ELzrw1Exception(QString message) : m_message(std::move(message)), m_utf8(m_message.toUtf8()) {}

ELzrw1TooLarge::ELzrw1TooLarge(const QString &name, qint64 limit)
    : ELzrw1Exception(name + QStringLiteral(" : Lzrw1 decompression : the plain text would pass %1 bytes").arg(limit))
{
}

ELzrw1KHCompressor::ELzrw1KHCompressor() : ELzrw1Exception(QStringLiteral("LZRW1KH : no memory for HASH table")) {}

qint64 Tlzrw1::compressStream(QIODevice &in, qint64 plainSize, QIODevice &out, const QString &inName,
                              const QString &outName)
{
    if (plainSize < 0 || plainSize > qint64{0xFFFFFFFF})
        throw ELzrw1Exception(sizeMessage(inName));
    try {
        std::vector<char> chunk(TLZR::kBufferSize);
        auto codec = makeCodec();

        char header[kHeaderSize];
        putLe32(header, kSignatureFast);
        putLe32(header + 4, static_cast<std::uint32_t>(plainSize));
        writeAll(out, header, kHeaderSize, outName);
        qint64 written = kHeaderSize;
        qint64 consumed = 0;

        for (;;) {
            const qint64 n = readUpTo(in, chunk.data(), TLZR::kChunkSize);
            if (n < 0)
                throw ELzrw1Exception(readMessage(inName));
            consumed += n;
            const QByteArray block = codec->compressBlock(QByteArrayView(chunk.data(), n));
            char length[2] = {static_cast<char>(block.size() & 0xFF), static_cast<char>(block.size() >> 8)};
            writeAll(out, length, 2, outName);
            writeAll(out, block.constData(), block.size(), outName);
            written += 2 + block.size();
            if (n < TLZR::kChunkSize)
                break;
        }
        // The header already carries the size measured before reading: an
        // input that changed meanwhile would give a file that cannot be read.
        if (consumed != plainSize)
            throw ELzrw1Exception(readMessage(inName));
        return written;
    } catch (const std::bad_alloc &) {
        throw ELzrw1Exception(memoryMessage());
    }
}

qint64 Tlzrw1::decompressStream(QIODevice &in, QIODevice &out, const QString &inName, const QString &outName,
                                qint64 maxPlainSize)
{
    try {
        std::vector<char> block(0xFFFF);
        QByteArray chunk;
        chunk.reserve(TLZR::kChunkSize);
        auto codec = makeCodec();

        char header[kHeaderSize];
        readExactly(in, header, 4, inName);
        // "!HZL" files come from the other mode, which this program never
        // writes; they are refused like any unknown signature.
        if (getLe32(header) != kSignatureFast)
            throw ELzrw1Exception(headerMessage(inName));
        readExactly(in, header + 4, 4, inName);
        const qint64 plainSize = getLe32(header + 4);
        if (maxPlainSize >= 0 && plainSize > maxPlainSize)
            throw ELzrw1TooLarge(inName, maxPlainSize);

        qint64 total = 0;
        do {
            char length[2];
            readExactly(in, length, 2, inName);
            const int blockSize = static_cast<unsigned char>(length[0]) | (static_cast<unsigned char>(length[1]) << 8);
            readExactly(in, block.data(), blockSize, inName);
            if (!codec->decompressBlock(QByteArrayView(block.data(), blockSize), chunk))
                throw ELzrw1Exception(sizeMismatchMessage());
            total += chunk.size();
            // Output beyond the announced size can only end in the size error:
            // stop at once, so that a lying header can neither fill memory or
            // disk nor keep us decoding for long.
            if (total > plainSize)
                throw ELzrw1Exception(sizeMismatchMessage());
            writeAll(out, chunk.constData(), chunk.size(), outName);
        } while (chunk.size() == TLZR::kChunkSize);

        if (total != plainSize)
            throw ELzrw1Exception(sizeMismatchMessage());
        return total;
    } catch (const std::bad_alloc &) {
        throw ELzrw1Exception(memoryMessage());
    }
}

void Tlzrw1::requireFastMode() const
{
    if (m_mode != Mode::Fast)
        throw ELzrw1Exception(QStringLiteral("Lzrw1 compression : only the Fast mode (LZRW1/KH) is available"));
}

qint64 Tlzrw1::Compress()
{
    requireFastMode();
    const QFileInfo info(m_inputFile);
    if (!info.isFile() || info.size() > qint64{0xFFFFFFFF})
        throw ELzrw1Exception(sizeMessage(m_inputFile));
    QFile in(m_inputFile);
    openInputOrThrow(in);
    QSaveFile out(m_outputFile);
    openOutputOrThrow(out);
    // An exception leaves `out` uncommitted: its destructor throws the new
    // content away and the previous file stays as it was.
    const qint64 written = compressStream(in, info.size(), out, m_inputFile, m_outputFile);
    commitOrThrow(out, m_outputFile);
    return written;
}

qint64 Tlzrw1::Decompress()
{
    QFile in(m_inputFile);
    openInputOrThrow(in);
    QSaveFile out(m_outputFile);
    openOutputOrThrow(out);
    const qint64 written = decompressStream(in, out, m_inputFile, m_outputFile);
    commitOrThrow(out, m_outputFile);
    return written;
}

qint64 Tlzrw1::compressToOutput(const QByteArray &plain)
{
    requireFastMode();
    QBuffer in;
    in.setData(plain);
    in.open(QIODevice::ReadOnly);
    QSaveFile out(m_outputFile);
    openOutputOrThrow(out);
    const qint64 written = compressStream(in, plain.size(), out, QString(), m_outputFile);
    commitOrThrow(out, m_outputFile);
    return written;
}

QByteArray Tlzrw1::decompressInput(qint64 maxPlainSize)
{
    QFile in(m_inputFile);
    openInputOrThrow(in);
    QByteArray plain;
    QBuffer out(&plain);
    out.open(QIODevice::WriteOnly);
    decompressStream(in, out, m_inputFile, QString(), maxPlainSize);
    out.close();
    return plain;
}

QByteArray Tlzrw1::compress(const QByteArray &plain)
{
    QBuffer in;
    in.setData(plain);
    in.open(QIODevice::ReadOnly);
    QByteArray container;
    QBuffer out(&container);
    out.open(QIODevice::WriteOnly);
    compressStream(in, plain.size(), out, QString(), QString());
    out.close();
    return container;
}

QByteArray Tlzrw1::decompress(const QByteArray &container, const QString &name)
{
    QBuffer in;
    in.setData(container);
    in.open(QIODevice::ReadOnly);
    QByteArray plain;
    QBuffer out(&plain);
    out.open(QIODevice::WriteOnly);
    decompressStream(in, out, name, QString());
    out.close();
    return plain;
}

} // namespace vorlith::tally
