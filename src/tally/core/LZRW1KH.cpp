// The file component: header, block loop, size check and the error texts.
#include "tally/core/LZRW1KH.h"

#include "tally/core/replacingfile.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <cstring>
#include <new>

namespace {

constexpr char kFastId[4] = {0x57, 0x52, 0x5A, 0x4C};
constexpr int kHeaderSize = 8;
constexpr int kLengthSize = 2;

const QString kNoMemory =
    QStringLiteral("Lzrw1 (de)compression : Failed to get memory for I/O buffers !");
const QString kSizesDiffer =
    QStringLiteral("Lzrw1 (decompression LZRW1/KH) : Original and compressed sizes do not match !");

[[noreturn]] void fail(const QString& message) {
    throw ELzrw1Exception(message);
}

QString readError(const QString& file) {
    return QStringLiteral("Lzrw1 : Error reading from input file : ") + file;
}
QString writeError(const QString& file) {
    return QStringLiteral("Lzrw1 : Error writing to output file : ") + file;
}
QString openInputError(const QString& file) {
    return QStringLiteral("Lzrw1 (de)compression : Failed to open input file : ") + file;
}
QString openOutputError(const QString& file) {
    return QStringLiteral("Lzrw1 (de)compression : Failed to open output file : ") + file;
}

// Reads until n bytes or the end of the input; -1 on a read error.
qint64 readFull(QIODevice& dev, uint8_t* p, qint64 n) {
    qint64 got = 0;
    while (got < n) {
        const qint64 r = dev.read(reinterpret_cast<char*>(p) + got, n - got);
        if (r < 0) return -1;
        if (r == 0) break;
        got += r;
    }
    return got;
}

void putLe(uint8_t* p, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        p[i] = uint8_t(v >> (8 * i));
}

uint32_t getLe(const uint8_t* p, int bytes) {
    uint32_t v = 0;
    for (int i = 0; i < bytes; ++i)
        v |= uint32_t(p[i]) << (8 * i);
    return v;
}

} // namespace

ELzrw1Exception::ELzrw1Exception(const QString& message)
    : std::runtime_error(message.toStdString()) {}

ELzrw1KHCompressor::ELzrw1KHCompressor(const QString& message)
    : std::runtime_error(message.toStdString()) {}

// The two block buffers of one call, freed when the call ends however it ends.
struct Tlzrw1::Buffers {
    std::unique_ptr<uint8_t[]> in{new (std::nothrow) uint8_t[TLZR::kBufferSize]};
    std::unique_ptr<uint8_t[]> out{new (std::nothrow) uint8_t[TLZR::kBufferSize]};
    Buffers() {
        if (!in || !out) fail(kNoMemory);
    }
};

void Tlzrw1::compressLoop(QIODevice& in, qint64 size, QIODevice& out, Buffers& buf,
                          qint64& written) {
    auto put = [&](const uint8_t* p, qint64 n) {
        if (out.write(reinterpret_cast<const char*>(p), n) != n) fail(writeError(OutputFile));
        written += n;
        notify();
    };
    uint8_t header[kHeaderSize];
    std::memcpy(header, kFastId, 4);
    putLe(header + 4, uint32_t(size), 4);
    put(header, kHeaderSize);
    qint64 got = 0;
    do {
        got = readFull(in, buf.in.get(), TLZR::kBlockSize);
        if (got < 0) fail(readError(InputFile) + QStringLiteral(" (LZRW1/KH)"));
        notify();
        // Length and data leave in one write.
        const int length = m_engine.CompressBlock(buf.in.get(), int(got), buf.out.get() + 2);
        putLe(buf.out.get(), uint32_t(length), kLengthSize);
        put(buf.out.get(), kLengthSize + length);
    } while (got == TLZR::kBlockSize);
}

qint64 Tlzrw1::Compress(QIODevice& input, qint64 inputSize, QIODevice& output) {
    Buffers buf;
    qint64 written = 0;
    compressLoop(input, inputSize, output, buf, written);
    return written;
}

qint64 Tlzrw1::compressTo(QIODevice& input, qint64 inputSize, const QString& outputName) {
    ReplacingFile out(outputName, SyncOutput);
    if (!out.open()) fail(openOutputError(outputName));
    const qint64 written = Compress(input, inputSize, out.device());
    if (!out.commit()) fail(writeError(outputName));
    return written;
}

qint64 Tlzrw1::Compress() {
    const QFileInfo info(InputFile);
    if (!info.exists() || !info.isFile())
        fail(QStringLiteral("Lzrw1 compression : Failed to obtain the size of : ") + InputFile);
    QFile in(InputFile);
    if (!in.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) fail(openInputError(InputFile));
    return compressTo(in, in.size(), OutputFile);
}

qint64 Tlzrw1::Compress(const QByteArray& input) {
    QBuffer in;
    in.setData(input);
    in.open(QIODevice::ReadOnly);
    return compressTo(in, input.size(), OutputFile);
}

qint64 Tlzrw1::Decompress(QIODevice& input, QIODevice& output) {
    Buffers buf;
    uint8_t* const inBuf = buf.in.get();
    auto get = [&](qint64 n) {
        if (readFull(input, inBuf, n) != n) fail(readError(InputFile));
        notify();
    };
    get(4);
    // Only the Fast method is read; a Good file is refused like any foreign one.
    if (std::memcmp(inBuf, kFastId, 4) != 0)
        fail(InputFile +
             QStringLiteral(" : Lzrw1 decompression : this file has no valid header !"));
    get(4);
    const uint32_t expected = getLe(inBuf, 4);
    qint64 written = 0;
    int restored = 0;
    do {
        get(kLengthSize);
        const int length = int(getLe(inBuf, kLengthSize));
        if (length > TLZR::kMaxBlockData) fail(kSizesDiffer);
        get(length);
        restored = TLZR::DecompressBlock(inBuf, length, buf.out.get());
        if (restored < 0) fail(kSizesDiffer);
        if (output.write(reinterpret_cast<const char*>(buf.out.get()), restored) != restored)
            fail(writeError(OutputFile));
        written += restored;
        notify();
    } while (restored == TLZR::kBlockSize);
    // The header holds the size modulo 2^32; compare it the same way.
    if (uint32_t(written) != expected) fail(kSizesDiffer);
    return written;
}

qint64 Tlzrw1::Decompress() {
    QFile in(InputFile);
    if (!in.open(QIODevice::ReadOnly)) fail(openInputError(InputFile));
    ReplacingFile out(OutputFile, SyncOutput);
    if (!out.open()) fail(openOutputError(OutputFile));
    const qint64 written = Decompress(in, out.device());
    if (!out.commit()) fail(writeError(OutputFile));
    return written;
}

QByteArray Tlzrw1::Decompress(qint64* restored) {
    QFile in(InputFile);
    if (!in.open(QIODevice::ReadOnly)) fail(openInputError(InputFile));
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    const qint64 written = Decompress(in, out);
    if (restored) *restored = written;
    return out.data();
}
