#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <array>
#include <cstdint>
#include <vector>

namespace vorlith::tally {

/// The LZRW1-KH block codec: turns one chunk of at most 32768 bytes into one
/// self-contained block and back.
///
/// A block starts with a flag byte: 0x80 means the chunk follows as it is,
/// anything else (0x40 when we write it) means groups of a big-endian 16-bit
/// control word and up to 16 items: literals, back-references of 3..18 bytes
/// up to 4095 bytes back, and runs of 16..4095 equal bytes.
class TLZR
{
public:
    static constexpr int kChunkSize = 32768;
    /// Work buffers are a little larger than a chunk: the compressor may run
    /// a few bytes past the chunk's length before it notices that storing the
    /// chunk is cheaper.
    static constexpr int kBufferSize = kChunkSize + 16;
    static constexpr std::uint8_t kFlagCompressed = 0x40;
    static constexpr std::uint8_t kFlagStored = 0x80;

    TLZR();

    /// Compresses \a chunk (at most kChunkSize bytes) into one block. The
    /// block is stored instead when compressing would not make it smaller.
    QByteArray compressBlock(QByteArrayView chunk);

    /// Decodes one block into \a out (replacing its content). Returns false
    /// when the block is damaged: an item cut short, more than kChunkSize
    /// bytes of output, or a back-reference reaching before the block's start.
    bool decompressBlock(QByteArrayView block, QByteArray &out) const;

private:
    std::array<std::int16_t, 4096> m_hash{};
    std::vector<std::uint8_t> m_in;
    std::vector<std::uint8_t> m_out;
};

} // namespace vorlith::tally
