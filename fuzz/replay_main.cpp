// Replay driver for the fuzz targets when they are not built with libFuzzer.
// Usage: <target> [count] [corpus files or folders...]
// Feeds every corpus file, then <count> seeded pseudo-random inputs whose
// shapes (length, byte alphabet) vary so that both binary noise and
// protocol-like text reach the target.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

namespace {

void runFile(const std::filesystem::path &path)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
}

} // namespace

int main(int argc, char **argv)
{
    long count = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 1000;
    long files = 0;
    for (int i = 2; i < argc; ++i) {
        std::filesystem::path p(argv[i]);
        if (std::filesystem::is_directory(p)) {
            for (const auto &e : std::filesystem::directory_iterator(p)) {
                if (e.is_regular_file()) {
                    runFile(e.path());
                    ++files;
                }
            }
        } else if (std::filesystem::is_regular_file(p)) {
            runFile(p);
            ++files;
        }
    }

    std::mt19937 rng(20261208);
    static const std::string alphabet = "CMD_+|@0123456789abcdefghijklmnopqrstuvwxyz:,\xff";
    std::vector<uint8_t> buf;
    for (long n = 0; n < count; ++n) {
        const size_t len = rng() % (n % 10 == 0 ? 70000 : 600);
        buf.resize(len);
        const bool text = (rng() % 3) != 0;
        for (auto &b : buf)
            b = text ? static_cast<uint8_t>(alphabet[rng() % alphabet.size()])
                     : static_cast<uint8_t>(rng());
        LLVMFuzzerTestOneInput(buf.data(), buf.size());
    }
    std::cout << "replayed " << files << " corpus files and " << count << " generated inputs\n";
    return 0;
}
