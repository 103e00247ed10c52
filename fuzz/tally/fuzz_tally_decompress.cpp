// Feeds arbitrary bytes to the tally file decoder as a tally file, and what
// decodes to the grid reader. Also checks that compressing the same bytes
// and decompressing the result gives them back.
#include "tally/codec/lzrw1.h"
#include "tally/codec/stringgrid.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace vorlith::tally;
    const QByteArray input = QByteArray::fromRawData(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));

    try {
        const QByteArray plain = Tlzrw1::decompress(input, QStringLiteral("fuzz.tld"));
        if (const auto grid = loadgrid(plain)) {
            // Whatever the reader accepts must survive a save and a load.
            const auto again = loadgrid(savegrid(*grid));
            if (!again || again->colCount() != grid->colCount() || again->rowCount() != grid->rowCount())
                std::abort();
        }
    } catch (const ELzrw1Exception &) {
        // A damaged file is reported, which is all that is asked of it.
    }

    const QByteArray container = Tlzrw1::compress(input);
    if (Tlzrw1::decompress(container, QStringLiteral("roundtrip")) != input)
        std::abort();
    return 0;
}
