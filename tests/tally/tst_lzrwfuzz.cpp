// Corrupt compressed data of every kind ends in one of the component's messages,
// never in a crash or a read or write outside the buffers (run it under ASan too).
#include "lzrwcheck.h"
#include "tally/core/LZRW1KH.h"

#include <QBuffer>
#include <QTest>
#include <memory>

using namespace lzrwcheck;

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
