// Seeded inputs of every kind: the fast coders give exactly the bytes of the plain
// algorithm, and corrupt compressed data ends in one of the component's messages, never
// in a crash or a read or write outside the buffers (run it under ASan too).
#include "lzrwcheck.h"
#include "tally/core/LZRW1KH.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <QTest>
#include <cstring>
#include <memory>
#include <vector>

using namespace lzrwcheck;

namespace {

// The block coder step by step as the format defines it, with no shortcut at all.
QByteArray plainBlock(const uint8_t* s, int n) {
    std::vector<int> table(4096, -1);
    std::vector<uint8_t> d(size_t(n) + 16);
    auto at = [&](int i) -> uint32_t { return i < n ? s[i] : 0; }; // only picks a slot
    int x = 0, y = 3, z = 1, g = 0;
    uint16_t c = 0;
    d[0] = 0x40;
    while (x < n && y <= n) {
        if (g == 16) {
            d[z] = uint8_t(c >> 8), d[z + 1] = uint8_t(c), z = y, g = 0, y += 2;
        }
        int r = 1;
        while (x + r < n && s[x + r] == s[x] && r < 4095)
            ++r;
        if (r >= 16) {
            d[y] = 0, d[y + 1] = uint8_t((r - 16) >> 8), d[y + 2] = uint8_t(r - 16),
            d[y + 3] = s[x];
            y += 4, x += r, c = uint16_t(c * 2 + 1);
        } else {
            const uint32_t h =
                ((((at(x) << 4) ^ at(x + 1)) << 4) ^ at(x + 2)) * 40543u >> 4 & 0xFFF;
            const int p = table[h];
            int m = 0;
            if (p != -1 && x - p < 4096)
                while (m < 18 && x + m < n && s[x + m] == s[p + m])
                    ++m;
            table[h] = x;
            if (m >= 3) {
                const int k = (x - p) * 16 + (m - 3);
                d[y] = uint8_t(k >> 8), d[y + 1] = uint8_t(k), y += 2, x += m;
                c = uint16_t(c * 2 + 1);
            } else {
                d[y++] = s[x++], c = uint16_t(c * 2);
            }
        }
        ++g;
    }
    c = uint16_t(c << (16 - g));
    d[z] = uint8_t(c >> 8), d[z + 1] = uint8_t(c);
    if (y > n) {
        d[0] = 0x80;
        std::memcpy(d.data() + 1, s, size_t(n));
        y = n + 1;
    }
    return QByteArray(reinterpret_cast<const char*>(d.data()), y);
}

// Input built to sit on the coder's edges: runs just below, at and above the run
// limits, repeats at distances around the window and lengths around the longest copy.
QByteArray edgy(qsizetype size, QRandomGenerator& rng) {
    static const int runs[] = {2, 3, 15, 16, 17, 4094, 4095, 4096, 4111, 5000};
    static const int dists[] = {1, 2, 3, 7, 8, 9, 4094, 4095, 4096, 4097};
    static const int lengths[] = {3, 4, 8, 16, 17, 18, 19, 40};
    QByteArray out;
    while (out.size() < size) {
        switch (rng.bounded(4)) {
        case 0:
            for (int i = int(rng.bounded(1, 40)); i > 0; --i)
                out += char('a' + rng.bounded(rng.bounded(2) ? 3 : 26));
            break;
        case 1:
            out += QByteArray(runs[rng.bounded(10)], char(rng.bounded(4)));
            break;
        default: {
            const qsizetype from = out.size() - dists[rng.bounded(10)];
            for (int i = lengths[rng.bounded(8)]; i > 0 && from >= 0; --i)
                out += out.at(from + (out.size() - from) % qMax<qsizetype>(1, out.size() - from));
            break;
        }
        }
    }
    out.truncate(size);
    return out;
}

QByteArray input(int kind, qsizetype size, QRandomGenerator& rng) {
    return kind < 4 ? sample(kind, size, rng.generate()) : edgy(size, rng);
}

} // namespace

class TestLzrwFuzz : public QObject {
    Q_OBJECT

    // Decompresses `file` from memory; true when it restored without an error.
    static bool restores(const QByteArray& file, QByteArray* out) {
        QBuffer in;
        in.setData(file);
        in.open(QIODevice::ReadOnly);
        QBuffer sink(out);
        sink.open(QIODevice::WriteOnly);
        Tlzrw1 doit;
        try {
            doit.Decompress(in, sink);
            return true;
        } catch (const ELzrw1Exception& e) {
            const QString m = e.message();
            if (!m.startsWith("Lzrw1") && !m.contains("no valid header")) qFatal("odd message");
            return false;
        }
    }

private slots:
    // Single blocks of every length class, then pairs of full blocks through the
    // interleaved coder, the second block seeing the first one in memory before it.
    void coderMatchesPlainAlgorithm() {
        QRandomGenerator rng(4242);
        TLZR engine;
        const int lengths[] = {0, 1, 2, 3, 17, 18, 19, 100, 4096, 32767, 32768};
        std::vector<uint8_t> out(2 * TLZR::kBufferSize);
        for (int round = 0; round < 120; ++round) {
            const int kind = round % 5;
            const int n = round < 55 ? lengths[round % 11] : int(rng.bounded(TLZR::kBlockSize + 1));
            const QByteArray in = input(kind, n, rng);
            const auto* s = reinterpret_cast<const uint8_t*>(in.constData());
            const int length = engine.CompressBlock(s, n, out.data());
            QCOMPARE(QByteArray(reinterpret_cast<const char*>(out.data()), length).toHex(),
                     plainBlock(s, n).toHex());
        }
        for (int round = 0; round < 60; ++round) {
            const QByteArray in = input(round % 5, 2 * TLZR::kBlockSize, rng);
            const auto* s = reinterpret_cast<const uint8_t*>(in.constData());
            int lengths2[TLZR::kLanes];
            engine.CompressBlocks(s, out.data(), lengths2);
            for (int i = 0; i < TLZR::kLanes; ++i) {
                const auto* block =
                    reinterpret_cast<const char*>(out.data() + i * TLZR::kBufferSize);
                QCOMPARE(QByteArray(block, lengths2[i]).toHex(),
                         plainBlock(s + i * TLZR::kBlockSize, TLZR::kBlockSize).toHex());
            }
        }
    }

    // Files are coded from mapped windows, memory in pairs and streams one block at a
    // time: all three give the same file, also across a window's edge and an odd
    // number of full blocks.
    void everyInputPathGivesTheSameFile() {
        QRandomGenerator rng(77);
        QTemporaryDir dir;
        const qsizetype sizes[] = {0, 65536, 98304 + 5, (qsizetype(4) << 20) + 3 * 32768 + 9};
        for (qsizetype size : sizes) {
            const QByteArray in = input(int(rng.bounded(5)), size, rng);
            QBuffer stream;
            stream.setData(in);
            stream.open(QIODevice::ReadOnly);
            QByteArray expected;
            QBuffer sink(&expected);
            sink.open(QIODevice::WriteOnly);
            Tlzrw1 doit;
            doit.Compress(stream, size, sink);
            QCOMPARE(walk(expected).restored.size(), size);
            writeAll(dir.filePath("in"), in);
            doit.InputFile = dir.filePath("in");
            doit.OutputFile = dir.filePath("mapped");
            QCOMPARE(doit.Compress(), expected.size());
            QVERIFY(readAll(dir.filePath("mapped")) == expected);
            doit.OutputFile = dir.filePath("memory");
            QCOMPARE(doit.Compress(in), expected.size());
            QVERIFY(readAll(dir.filePath("memory")) == expected);
        }
    }

    void corruptFiles() {
        QRandomGenerator rng(20240607);
        Tlzrw1 doit;
        int failures = 0;
        for (int round = 0; round < 400; ++round) {
            const QByteArray input =
                sample(int(rng.bounded(4)), rng.bounded(1, 80000), rng.generate());
            QBuffer in;
            in.setData(input);
            in.open(QIODevice::ReadOnly);
            QByteArray file;
            QBuffer out(&file);
            out.open(QIODevice::WriteOnly);
            doit.Compress(in, input.size(), out);
            // Flip bytes, overwrite lengths, or cut the file short.
            switch (rng.bounded(3)) {
            case 0:
                for (int k = int(rng.bounded(1, 8)); k > 0; --k)
                    file[8 + rng.bounded(file.size() - 8)] = char(rng.bounded(256));
                break;
            case 1: {
                const qsizetype at = 8 + rng.bounded(qMax<qsizetype>(1, file.size() - 10));
                file[at] = char(rng.bounded(256));
                file[at + 1] = char(rng.bounded(256));
                break;
            }
            default:
                file.truncate(rng.bounded(file.size()));
                break;
            }
            QByteArray back;
            if (!restores(file, &back))
                ++failures;
            else
                QCOMPARE(back.size() % (qsizetype(1) << 32), input.size());
        }
        QVERIFY(failures > 200); // most corruptions are caught
    }

    // The block decoder alone, on random data of every length up to the largest block.
    void randomBlocks() {
        QRandomGenerator rng(7);
        auto in = std::make_unique<uint8_t[]>(TLZR::kBufferSize);
        auto out = std::make_unique<uint8_t[]>(TLZR::kBufferSize);
        for (int round = 0; round < 3000; ++round) {
            const int length = int(rng.bounded(TLZR::kMaxBlockData + 1));
            const uint32_t density = rng.bounded(1, 256);
            for (int i = 0; i < length; ++i)
                in[i] = rng.bounded(256u) < density ? uint8_t(rng.bounded(256)) : 0;
            if (length > 0 && rng.bounded(2)) in[0] = 0x40;
            const int n = TLZR::DecompressBlock(in.get(), length, out.get());
            QVERIFY(n >= -1 && n <= TLZR::kBlockSize);
        }
    }

    // Exactly sized heap buffers, so ASan sees any read or write past the block.
    void tightBuffers() {
        QRandomGenerator rng(11);
        TLZR engine;
        for (int round = 0; round < 500; ++round) {
            const int n = int(rng.bounded(TLZR::kBlockSize + 1));
            const QByteArray src = sample(int(rng.bounded(4)), n, rng.generate());
            auto source = std::make_unique<uint8_t[]>(size_t(n) + 1);
            std::memcpy(source.get(), src.constData(), size_t(n));
            auto coded = std::make_unique<uint8_t[]>(size_t(n) + 8);
            const int length = engine.CompressBlock(source.get(), n, coded.get());
            QVERIFY(length <= n + 1);
            auto back = std::make_unique<uint8_t[]>(TLZR::kBufferSize);
            QCOMPARE(TLZR::DecompressBlock(coded.get(), length, back.get()), n);
            QVERIFY(std::memcmp(back.get(), source.get(), size_t(n)) == 0);
        }
    }
};

QTEST_GUILESS_MAIN(TestLzrwFuzz)
#include "tst_lzrwfuzz.moc"
