// The file component: header, block loop, size check and the error texts.
#include "tally/core/LZRW1KH.h"

#include "tally/core/replacingfile.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cstring>
#include <new>

#ifdef Q_OS_UNIX
#include <sys/mman.h>
#endif

namespace {

constexpr char kFastId[4] = {0x57, 0x52, 0x5A, 0x4C};
constexpr int kHeaderSize = 8;
constexpr int kLengthSize = 2;
// Input mapped at a time: a whole number of block pairs, and of any page size.
constexpr qint64 kMapWindow = qint64(4) << 20;

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

// The two block buffers of one call, in one piece, freed when the call ends however it
// ends. Paired blocks are coded into both halves, each behind room for its length.
struct Tlzrw1::Buffers {
    std::unique_ptr<uint8_t[]> mem{new (std::nothrow) uint8_t[TLZR::kLanes * TLZR::kBufferSize]};
    Buffers() {
        if (!mem) fail(kNoMemory);
    }
    uint8_t* in() const { return mem.get(); }
    uint8_t* out() const { return mem.get() + TLZR::kBufferSize; }
};

// Where the coded blocks of one call go.
struct Tlzrw1::Sink {
    explicit Sink(QIODevice& out) : device(out) {}
    QIODevice& device;
    Buffers buf;
    qint64 written = 0;
};

void Tlzrw1::put(Sink& sink, const uint8_t* p, qint64 n) {
    if (sink.device.write(reinterpret_cast<const char*>(p), n) != n) fail(writeError(OutputFile));
    sink.written += n;
    notify();
}

void Tlzrw1::putHeader(Sink& sink, qint64 size) {
    uint8_t header[kHeaderSize];
    std::memcpy(header, kFastId, 4);
    putLe(header + 4, uint32_t(size), 4);
    put(sink, header, kHeaderSize);
}

// Codes n <= kBlockSize bytes as one block; its length and data leave in one write.
void Tlzrw1::putBlock(Sink& sink, const uint8_t* data, int n) {
    uint8_t* const out = sink.buf.out();
    const int length = m_engine.CompressBlock(data, n, out + kLengthSize);
    putLe(out, uint32_t(length), kLengthSize);
    put(sink, out, kLengthSize + length);
}

// Codes the blocks of data[0..count): full blocks, two at a time where it can, and when
// `last` the short (possibly empty) block that ends every file.
void Tlzrw1::putSpan(Sink& sink, const uint8_t* data, qint64 count, bool last) {
    constexpr int kPair = TLZR::kLanes * TLZR::kBlockSize;
    static_assert(TLZR::kLanes == 2);
    uint8_t* const mem = sink.buf.in();
    qint64 at = 0;
    for (; count - at >= kPair; at += kPair) {
        int lengths[TLZR::kLanes];
        m_engine.CompressBlocks(data + at, mem + kLengthSize, lengths);
        notify();
        // Close the gap between the two blocks so that they leave in one write.
        putLe(mem, uint32_t(lengths[0]), kLengthSize);
        uint8_t* const second = mem + kLengthSize + lengths[0];
        putLe(second, uint32_t(lengths[1]), kLengthSize);
        std::memmove(second + kLengthSize, mem + TLZR::kBufferSize + kLengthSize,
                     size_t(lengths[1]));
        put(sink, mem, 2 * kLengthSize + lengths[0] + lengths[1]);
    }
    for (; count - at >= TLZR::kBlockSize; at += TLZR::kBlockSize)
        putBlock(sink, data + at, TLZR::kBlockSize);
    if (last) putBlock(sink, data + at, int(count - at));
}

// Reads and codes one block at a time, until a read comes back short.
void Tlzrw1::putStream(Sink& sink, QIODevice& in) {
    qint64 got = 0;
    do {
        got = readFull(in, sink.buf.in(), TLZR::kBlockSize);
        if (got < 0) fail(readError(InputFile) + QStringLiteral(" (LZRW1/KH)"));
        notify();
        putBlock(sink, sink.buf.in(), int(got));
    } while (got == TLZR::kBlockSize);
}

// Codes the file straight from its pages, a window at a time, so that memory holds no
// copy of the input and only one window of it is mapped. Where the file cannot be
// mapped, the rest is read instead.
void Tlzrw1::putMapped(Sink& sink, QFile& in, qint64 size) {
    qint64 at = 0;
    while (at < size) {
        const qint64 length = std::min(kMapWindow, size - at);
        // Pages past the end of a file that shrank meanwhile cannot be read: look first.
        if (in.size() < at + length) fail(readError(InputFile) + QStringLiteral(" (LZRW1/KH)"));
        uchar* const map = in.map(at, length);
        if (!map) {
            if (!in.seek(at)) fail(readError(InputFile) + QStringLiteral(" (LZRW1/KH)"));
            putStream(sink, in);
            return;
        }
#ifdef Q_OS_UNIX
        ::madvise(map, size_t(length), MADV_SEQUENTIAL);
#endif
        at += length;
        try {
            putSpan(sink, map, length, at == size);
        } catch (...) {
            in.unmap(map);
            throw;
        }
        in.unmap(map);
    }
    if (size == 0) putBlock(sink, sink.buf.in(), 0);
}

qint64 Tlzrw1::Compress(QIODevice& input, qint64 inputSize, QIODevice& output) {
    Sink sink(output);
    putHeader(sink, inputSize);
    putStream(sink, input);
    return sink.written;
}

qint64 Tlzrw1::Compress() {
    const QFileInfo info(InputFile);
    if (!info.exists() || !info.isFile())
        fail(QStringLiteral("Lzrw1 compression : Failed to obtain the size of : ") + InputFile);
    QFile in(InputFile);
    if (!in.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) fail(openInputError(InputFile));
    const qint64 size = in.size();
    ReplacingFile out(OutputFile, SyncOutput);
    if (!out.open()) fail(openOutputError(OutputFile));
    Sink sink(out.device());
    putHeader(sink, size);
    putMapped(sink, in, size);
    if (!out.commit()) fail(writeError(OutputFile));
    return sink.written;
}

qint64 Tlzrw1::Compress(const QByteArray& input) {
    ReplacingFile out(OutputFile, SyncOutput);
    if (!out.open()) fail(openOutputError(OutputFile));
    Sink sink(out.device());
    putHeader(sink, input.size());
    putSpan(sink, reinterpret_cast<const uint8_t*>(input.constData()), input.size(), true);
    if (!out.commit()) fail(writeError(OutputFile));
    return sink.written;
}

qint64 Tlzrw1::Decompress(QIODevice& input, QIODevice& output) {
    Buffers buf;
    uint8_t* const inBuf = buf.in();
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
        restored = TLZR::DecompressBlock(inBuf, length, buf.out());
        if (restored < 0) fail(kSizesDiffer);
        if (output.write(reinterpret_cast<const char*>(buf.out()), restored) != restored)
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
