// Compresses or restores one file in the tally file's format.
// Prints the byte count and exits 0, or prints the error on stderr and exits 1.
#include "tally/core/LZRW1KH.h"

#include <QString>
#include <cstdio>
#include <cstring>

namespace {

int usage() {
    std::fputs("usage: lzrw1kh compress|decompress IN OUT\n", stderr);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) return usage();
    const bool compress = std::strcmp(argv[1], "compress") == 0;
    if (!compress && std::strcmp(argv[1], "decompress") != 0) return usage();
    Tlzrw1 doit;
    doit.CompressMode = TCompressMode::Fast;
    doit.SyncOutput = false; // like other command-line compressors; the rename stays atomic
    doit.InputFile = QString::fromLocal8Bit(argv[2]);
    doit.OutputFile = QString::fromLocal8Bit(argv[3]);
    try {
        const qint64 bytes = compress ? doit.Compress() : doit.Decompress();
        std::printf("%lld\n", static_cast<long long>(bytes));
        return 0;
    } catch (const ELzrw1Exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    } catch (const ELzrw1KHCompressor& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
