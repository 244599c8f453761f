// The tally file's two layers on arbitrary bytes: the compressor's Decompress and
// its block engine, and the grid text. Whatever they accept must read back the same
// after being written again.
#include "fuzzinput.h"

#include "tally/core/LZRW1KH.h"
#include "tally/core/stringgrid.h"

#include <QBuffer>
#include <QCoreApplication>
#include <memory>

namespace {

// Restores `packed`; false when the compressor refused it.
bool restore(Tlzrw1& lzrw, const QByteArray& packed, QByteArray& restored) {
    QByteArray source = packed;
    QBuffer in(&source);
    QBuffer out(&restored);
    in.open(QIODevice::ReadOnly);
    out.open(QIODevice::WriteOnly);
    try {
        const qint64 n = lzrw.Decompress(in, out);
        FUZZ_CHECK(n == restored.size());
        return true;
    } catch (const ELzrw1Exception& e) {
        FUZZ_CHECK(e.message().contains(QLatin1String("Lzrw1")) ||
                   e.message().contains(QLatin1String("lzrw1")));
        return false;
    }
}

QByteArray pack(Tlzrw1& lzrw, const QByteArray& plain) {
    QByteArray source = plain;
    QByteArray packed;
    QBuffer in(&source);
    QBuffer out(&packed);
    in.open(QIODevice::ReadOnly);
    out.open(QIODevice::WriteOnly);
    lzrw.Compress(in, source.size(), out);
    return packed;
}

void roundTrip(Tlzrw1& lzrw, const QByteArray& plain) {
    QByteArray back;
    FUZZ_CHECK(restore(lzrw, pack(lzrw, plain), back));
    FUZZ_CHECK(back == plain);
}

void blockEngine(const QByteArray& block) {
    if (block.size() > TLZR::kMaxBlockData) return;
    // Exactly the documented sizes, so the address sanitizer sees any overrun.
    auto source = std::make_unique<uint8_t[]>(size_t(block.size()) + 1);
    std::memcpy(source.get(), block.constData(), size_t(block.size()));
    auto destination = std::make_unique<uint8_t[]>(TLZR::kBufferSize);
    const int n = TLZR::DecompressBlock(source.get(), int(block.size()), destination.get());
    FUZZ_CHECK(n >= -1 && n <= TLZR::kBlockSize);
}

void gridText(const QByteArray& text) {
    StringGrid grid;
    QString error;
    if (!loadgrid(grid, text, &error)) {
        FUZZ_CHECK(!error.isEmpty());
        return;
    }
    const QByteArray saved = savegrid(grid);
    StringGrid again;
    FUZZ_CHECK(loadgrid(again, saved, &error));
    FUZZ_CHECK(savegrid(again) == saved);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Input in(data, size);
    const int what = in.below(4);
    const QByteArray bytes = in.rest();
    Tlzrw1 lzrw;
    switch (what) {
    case 0: {
        QByteArray restored;
        if (restore(lzrw, bytes, restored)) roundTrip(lzrw, restored);
        break;
    }
    case 1:
        roundTrip(lzrw, bytes);
        break;
    case 2:
        blockEngine(bytes);
        break;
    default:
        gridText(bytes);
    }
    return 0;
}
