// lzrw1kh c IN OUT   compresses IN into OUT ("WRZL" container, LZRW1-KH blocks)
// lzrw1kh d IN OUT   decompresses IN into OUT
//
// OUT is replaced only when the whole operation succeeds. On failure the
// codec's error text goes to standard error and the exit code is 1; a wrong
// command line exits with 2.
#include "tally/codec/lzrw1.h"

#include <QByteArray>
#include <QString>

#include <cstdio>
#include <cstring>

namespace {

int usage()
{
    std::fputs("usage: lzrw1kh c|d INPUT OUTPUT\n"
               "  c  compress INPUT into OUTPUT\n"
               "  d  decompress INPUT into OUTPUT\n",
               stderr);
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 4 || std::strlen(argv[1]) != 1 || (argv[1][0] != 'c' && argv[1][0] != 'd'))
        return usage();

    vorlith::tally::Tlzrw1 doit;
    doit.setCompressMode(vorlith::tally::Tlzrw1::Mode::Fast);
    doit.setInputFile(QString::fromLocal8Bit(argv[2]));
    doit.setOutputFile(QString::fromLocal8Bit(argv[3]));
    try {
        const bool compress = argv[1][0] == 'c';
        const qint64 written = compress ? doit.Compress() : doit.Decompress();
        std::printf("%s: %lld bytes written to %s\n", compress ? "compressed" : "decompressed",
                    static_cast<long long>(written), argv[3]);
        return 0;
    } catch (const vorlith::tally::ELzrw1Exception &e) {
        const QByteArray text = e.message().toLocal8Bit();
        std::fprintf(stderr, "%s\n", text.constData());
        return 1;
    }
}
