// The tally file's compressor: exact bytes, block edges, round trips, failures, the tool.
#include "lzrwcheck.h"
#include "tally/core/LZRW1KH.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace lzrwcheck;

class TestLzrw : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString path(const QString& name) const { return m_dir.filePath(name); }

    // Compresses `input` through files and returns the compressed file's bytes.
    QByteArray compress(const QByteArray& input) {
        writeAll(path("in"), input);
        Tlzrw1 doit;
        doit.CompressMode = TCompressMode::Fast;
        doit.InputFile = path("in");
        doit.OutputFile = path("out.tld");
        const qint64 written = doit.Compress();
        const QByteArray file = readAll(path("out.tld"));
        if (written != file.size()) qWarning("Compress returned %lld", qlonglong(written));
        return file;
    }
    // Decompresses `file`; returns the message of a failure, or empty.
    QString decompress(const QByteArray& file, QByteArray* restored = nullptr) {
        writeAll(path("z.tld"), file);
        QFile::remove(path("back"));
        Tlzrw1 doit;
        doit.InputFile = path("z.tld");
        doit.OutputFile = path("back");
        try {
            const qint64 n = doit.Decompress();
            if (restored) *restored = readAll(path("back"));
            return n == QFileInfo(path("back")).size() ? QString() : QStringLiteral("count");
        } catch (const ELzrw1Exception& e) {
            return e.message();
        }
    }
    QByteArray header(quint32 size) {
        QByteArray h("WRZL");
        for (int i = 0; i < 4; ++i)
            h += char(size >> (8 * i));
        return h;
    }

private slots:
    void workedExamples_data() {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QByteArray>("file");
        QTest::newRow("abc") << QByteArray("abc") << hex("57525A4C 03000000 0400 80616263");
        QTest::newRow("20 a") << QByteArray(20, 'a')
                              << hex("57525A4C 14000000 0700 40 8000 000004 61");
        QTest::newRow("abc x4") << QByteArray("abcabcabcabc")
                                << hex("57525A4C 0C000000 0800 40 1000 616263 0036");
        QTest::newRow("empty") << QByteArray() << hex("57525A4C 00000000 0100 80");
        QTest::newRow("1 byte") << QByteArray("x") << hex("57525A4C 01000000 0200 8078");
        QTest::newRow("2 bytes") << QByteArray("xx") << hex("57525A4C 02000000 0300 807878");
        // A literal, then a copy of offset 1 and length 14: 15 is below a run.
        QTest::newRow("15 equal") << QByteArray(15, 'a')
                                  << hex("57525A4C 0F000000 0600 40 4000 61 001B");
        QTest::newRow("run 16") << QByteArray(16, 'b')
                                << hex("57525A4C 10000000 0700 40 8000 00000062");
        QTest::newRow("run 4095") << QByteArray(4095, 'c')
                                  << hex("57525A4C FF0F0000 0700 40 8000 000FEF63");
        QTest::newRow("run 5000") << QByteArray(5000, 'd')
                                  << hex("57525A4C 88130000 0B00 40 C000 000FEF64 00037964");
    }
    void workedExamples() {
        QFETCH(QByteArray, input);
        QFETCH(QByteArray, file);
        QCOMPARE(compress(input).toHex(' '), file.toHex(' '));
        QByteArray back;
        QCOMPARE(decompress(file, &back), QString());
        QCOMPARE(back, input);
    }

    void blockEdges() {
        // 32768 bytes: one full block, then the empty stored block.
        QByteArray input = sample(3, 32768, 1);
        QByteArray file = compress(input);
        QCOMPARE(file.right(3), hex("0100 80"));
        Walk w = walk(file);
        QCOMPARE(w.blocks, 2);
        QCOMPARE(w.restored, input);
        // 32769 noise bytes: a stored full block (32769 long) and a one-byte stored block.
        input = sample(0, 32769, 2);
        file = compress(input);
        QCOMPARE(file.mid(8, 3), hex("0180 80"));
        QCOMPARE(file.right(4), hex("0200 80") + input.right(1));
        QCOMPARE(file.size(), 8 + 2 + 32769 + 2 + 2);
    }

    // Every item stays within the format's limits and inside its block, across block
    // edges and for all kinds of input; the file always restores the input.
    void roundTrips() {
        const qsizetype sizes[] = {3,     17,    4096,  32767, 32768, 32769,
                                   65535, 65536, 65537, 98304, 100000};
        for (int kind = 0; kind < 4; ++kind) {
            for (qsizetype size : sizes) {
                const QByteArray input = sample(kind, size, quint32(kind * 1000 + size));
                const QByteArray file = compress(input);
                const Walk w = walk(file);
                QVERIFY2(w.fault.isEmpty(), qPrintable(w.fault));
                QCOMPARE(w.blocks, int(size / 32768) + 1);
                QCOMPARE(w.restored.size(), input.size());
                QVERIFY(w.restored == input);
                QByteArray back;
                QCOMPARE(decompress(file, &back), QString());
                QVERIFY(back == input);
                if (kind == 2 && size >= 4096) QVERIFY(w.runs > 0);
                if (kind == 1 && size >= 4096) QVERIFY(file.size() < size / 2);
            }
        }
    }

    // A run longer than 4095 is cut, and matches never cross a block edge: the
    // second block's items may only reach back into that block.
    void runsAndCopiesStayInBlocks() {
        QByteArray input =
            QByteArray(32760, 'a') + QByteArray("xyzxyzxyzxyzxyz") + QByteArray(9000, 'a');
        const Walk w = walk(compress(input));
        QVERIFY2(w.fault.isEmpty(), qPrintable(w.fault));
        QVERIFY(w.restored == input);
        QVERIFY(w.runs >= 10);
    }

    void compressFailures() {
        Tlzrw1 doit;
        doit.InputFile = path("missing");
        doit.OutputFile = path("never");
        try {
            doit.Compress();
            QFAIL("no error");
        } catch (const ELzrw1Exception& e) {
            QCOMPARE(e.message(),
                     "Lzrw1 compression : Failed to obtain the size of : " + path("missing"));
        }
        QVERIFY(!QFile::exists(path("never")));
        writeAll(path("in"), "data");
        doit.InputFile = path("in");
        doit.OutputFile = path("no/such/folder/out");
        try {
            doit.Compress();
            QFAIL("no error");
        } catch (const ELzrw1Exception& e) {
            QCOMPARE(e.message(), "Lzrw1 (de)compression : Failed to open output file : " +
                                      path("no/such/folder/out"));
        }
    }

    void decompressFailures_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("message");
        const QString reading = "Lzrw1 : Error reading from input file : " + path("z.tld");
        const QString sizes =
            "Lzrw1 (decompression LZRW1/KH) : Original and compressed sizes do not match !";
        const QString noHeader =
            path("z.tld") + " : Lzrw1 decompression : this file has no valid header !";
        const QByteArray good = hex("57525A4C 0C000000 0800 40 1000 616263 0036");
        QTest::newRow("foreign id") << hex("41424344 00000000 0100 80") << noHeader;
        QTest::newRow("other method's id") << hex("21485A4C 00000000 0100 80") << noHeader;
        QTest::newRow("empty file") << QByteArray() << reading;
        QTest::newRow("cut in header") << good.left(6) << reading;
        QTest::newRow("cut in length") << good.left(9) << reading;
        QTest::newRow("cut in block") << good.left(15) << reading;
        QTest::newRow("size differs") << hex("57525A4C 0D000000 0800 40 1000 616263 0036") << sizes;
        QTest::newRow("block too long")
            << header(40000) + hex("FF 80") + QByteArray(0x80FF, 'a') << sizes;
        QTest::newRow("copy before start") << hex("57525A4C 03000000 0500 40 8000 0010") << sizes;
        QTest::newRow("item cut short") << hex("57525A4C 03000000 0400 40 8000 00") << sizes;
        // Eight runs of 4111 would restore more than a block holds.
        QTest::newRow("run past block")
            << header(0) + hex("2300 40 FF00") + hex("000FFF61").repeated(8) << sizes;
        QTest::newRow("full block, no end")
            << header(32768) + hex("0180 80") + QByteArray(32768, 'q') << reading;
    }
    void decompressFailures() {
        QFETCH(QByteArray, file);
        QFETCH(QString, message);
        QCOMPARE(decompress(file), message);
        QVERIFY(!QFile::exists(path("back")));
        QVERIFY(QDir(m_dir.path()).entryList({".back*"}, QDir::Hidden | QDir::Files).isEmpty());
    }

    // A failed call leaves an existing output file as it was.
    void failureKeepsExistingOutput() {
        writeAll(path("back"), "precious");
        writeAll(path("z.tld"), hex("41424344 00000000 0100 80"));
        Tlzrw1 doit;
        doit.InputFile = path("z.tld");
        doit.OutputFile = path("back");
        QVERIFY_THROWS_EXCEPTION(ELzrw1Exception, doit.Decompress());
        QCOMPARE(readAll(path("back")), QByteArray("precious"));
    }

    void memoryAndStreams() {
        const QByteArray text = sample(1, 70000, 9);
        Tlzrw1 doit;
        doit.OutputFile = path("mem.tld");
        int calls = 0;
        doit.setBlockCallback([&calls] { ++calls; });
        const qint64 written = doit.Compress(text);
        QCOMPARE(written, QFileInfo(path("mem.tld")).size());
        QVERIFY(calls >= 3); // at least once per block (three blocks)
        doit.InputFile = path("mem.tld");
        qint64 restored = 0;
        QCOMPARE(doit.Decompress(&restored), text);
        QCOMPARE(restored, text.size());
    }

    void tool() {
        writeAll(path("t.in"), sample(1, 50000, 4));
        QProcess p;
        p.start(LZRW1KH_TOOL, {"compress", path("t.in"), path("t.z")});
        QVERIFY(p.waitForFinished());
        QCOMPARE(p.exitCode(), 0);
        QCOMPARE(p.readAllStandardOutput().trimmed(),
                 QByteArray::number(QFileInfo(path("t.z")).size()));
        p.start(LZRW1KH_TOOL, {"decompress", path("t.z"), path("t.out")});
        QVERIFY(p.waitForFinished());
        QCOMPARE(p.exitCode(), 0);
        QCOMPARE(p.readAllStandardOutput().trimmed(), QByteArray("50000"));
        QCOMPARE(readAll(path("t.out")), readAll(path("t.in")));
        p.start(LZRW1KH_TOOL, {"decompress", path("t.in"), path("t.bad")});
        QVERIFY(p.waitForFinished());
        QCOMPARE(p.exitCode(), 1);
        QCOMPARE(
            p.readAllStandardError().trimmed(),
            (path("t.in") + " : Lzrw1 decompression : this file has no valid header !").toUtf8());
        QVERIFY(!QFile::exists(path("t.bad")));
        // Compressing a file onto itself must not destroy it.
        p.start(LZRW1KH_TOOL, {"compress", path("t.out"), path("t.out")});
        QVERIFY(p.waitForFinished());
        QCOMPARE(p.exitCode(), 0);
        QCOMPARE(walk(readAll(path("t.out"))).restored, readAll(path("t.in")));
    }
};

QTEST_GUILESS_MAIN(TestLzrw)
#include "tst_lzrw.moc"
