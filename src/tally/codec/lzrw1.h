#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <exception>

class QIODevice;

namespace vorlith::tally {

/// Every failure of the compression component: its text is what the player
/// (or the lzrw1kh tool) is shown.
class ELzrw1Exception : public std::exception
{
public:
    explicit ELzrw1Exception(QString message);
    const QString &message() const { return m_message; }
    const char *what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
};

/// The block codec's hash table could not be allocated.
class ELzrw1KHCompressor : public ELzrw1Exception
{
public:
    ELzrw1KHCompressor();
};

/// A container whose plain text would be larger than the caller accepts; the
/// decoding stopped before producing it.
class ELzrw1TooLarge : public ELzrw1Exception
{
public:
    ELzrw1TooLarge(const QString &name, qint64 limit);
};

/// The compression component: a container of the plain size and LZRW1-KH
/// blocks of 32768 bytes each, signed "WRZL".
///
/// The file operations never leave a partial output behind and never touch
/// an existing output file unless they complete: the output is written beside
/// it and renamed over it at the end.
class Tlzrw1
{
public:
    enum class Mode {
        Good, ///< LZHUF, signed "!HZL"; not available here (files of that kind are refused)
        Fast, ///< LZRW1-KH, signed "WRZL"; the one the tally uses
    };

    /// "WRZL" read as a little-endian 32-bit value.
    static constexpr std::uint32_t kSignatureFast = 0x4C5A5257;
    /// "!HZL", the signature of the other mode.
    static constexpr std::uint32_t kSignatureGood = 0x4C5A4821;
    static constexpr int kHeaderSize = 8;
    /// No bound on the plain size beyond what the format allows.
    static constexpr qint64 kNoLimit = -1;

    QString InputFile() const { return m_inputFile; }
    void setInputFile(const QString &name) { m_inputFile = name; }
    QString OutputFile() const { return m_outputFile; }
    void setOutputFile(const QString &name) { m_outputFile = name; }
    Mode CompressMode() const { return m_mode; }
    void setCompressMode(Mode mode) { m_mode = mode; }

    /// Compresses InputFile into OutputFile; returns the number of bytes
    /// written, header included. Throws ELzrw1Exception.
    qint64 Compress();
    /// Decompresses InputFile into OutputFile; returns the number of plain
    /// bytes written. Throws ELzrw1Exception.
    qint64 Decompress();

    /// Compresses \a plain into OutputFile, without any intermediate file.
    qint64 compressToOutput(const QByteArray &plain);
    /// Decompresses InputFile and returns the plain bytes. With \a maxPlainSize
    /// (0 or more) a container whose header announces more plain bytes, or
    /// whose blocks decode to more, is refused with ELzrw1TooLarge before
    /// more than that is produced.
    QByteArray decompressInput(qint64 maxPlainSize = kNoLimit);

    /// The container for \a plain, in memory.
    static QByteArray compress(const QByteArray &plain);
    /// The plain bytes of \a container; \a name is the file name the error
    /// messages mention. Throws ELzrw1Exception.
    static QByteArray decompress(const QByteArray &container, const QString &name);

    /// The streams behind all of the above. \a plainSize is the number of
    /// bytes \a in holds; names are only for error messages.
    static qint64 compressStream(QIODevice &in, qint64 plainSize, QIODevice &out, const QString &inName,
                                 const QString &outName);
    static qint64 decompressStream(QIODevice &in, QIODevice &out, const QString &inName,
                                   const QString &outName, qint64 maxPlainSize = kNoLimit);

private:
    void requireFastMode() const;

    QString m_inputFile;
    QString m_outputFile;
    Mode m_mode{Mode::Good};
};

} // namespace vorlith::tally
