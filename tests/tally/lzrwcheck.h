// Test helpers for the tally file's compressor: files, and an independent walk over
// the items of a compressed file that checks every item against the format's limits.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QRandomGenerator>
#include <QString>
#include <QTest>

namespace lzrwcheck {

inline QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline void writeAll(const QString& path, const QByteArray& data) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(data), data.size());
}

inline QByteArray hex(const char* spaced) {
    return QByteArray::fromHex(QByteArray(spaced));
}

// Inputs of the kinds a compressor meets: noise, text, long runs, short patterns.
inline QByteArray sample(int kind, qsizetype size, quint32 seed) {
    QRandomGenerator rng(seed);
    QByteArray out(size, '\0');
    const char* words[] = {"int ", "return ", "const ", "tally", "\n    ", "{}", "Klot ", "="};
    for (qsizetype i = 0; i < size;) {
        switch (kind) {
        case 0:
            out[i++] = char(rng.bounded(256));
            break;
        case 1: {
            const char* w = words[rng.bounded(8)];
            for (; *w && i < size; ++w)
                out[i++] = *w;
            break;
        }
        case 2: {
            const char v = char(rng.bounded(3));
            for (int n = int(rng.bounded(1, 6000)); n > 0 && i < size; --n)
                out[i++] = v;
            break;
        }
        default:
            out[i] = char("abcab"[i % 5] + (i / 4096) % 3);
            ++i;
            break;
        }
    }
    return out;
}

struct Walk {
    QByteArray restored;
    int blocks = 0;
    int runs = 0;
    int copies = 0;
    QString fault; // empty when every item keeps the format's limits
};

// Restores a Fast file item by item, independently of the product's decoder.
inline Walk walk(const QByteArray& file) {
    Walk w;
    auto u = [&file](qsizetype i) { return quint8(file.at(i)); };
    qsizetype pos = 8;
    int blockLength = 32768;
    while (blockLength == 32768 && pos + 2 <= file.size()) {
        const int len = u(pos) | u(pos + 1) << 8;
        const qsizetype end = pos + 2 + len;
        const qsizetype start = w.restored.size();
        ++w.blocks;
        if (len > 0 && u(pos + 2) == 0x80) {
            w.restored += file.mid(pos + 3, len - 1);
        } else if (len > 0) {
            qsizetype x = pos + 5;
            int control = u(pos + 3) << 8 | u(pos + 4), bits = 16;
            while (x < end) {
                if (bits == 0) control = u(x) << 8 | u(x + 1), x += 2, bits = 16;
                if (!(control & 0x8000)) {
                    w.restored += char(u(x++));
                } else if ((u(x) << 4 | u(x + 1) >> 4) == 0) {
                    const int n = (u(x + 1) << 8 | u(x + 2)) + 16;
                    if (n > 4095) w.fault = QStringLiteral("run of %1").arg(n);
                    w.restored += QByteArray(n, char(u(x + 3)));
                    ++w.runs, x += 4;
                } else {
                    const int d = u(x) << 4 | u(x + 1) >> 4, n = (u(x + 1) & 15) + 3;
                    if (d > w.restored.size() - start)
                        w.fault = QStringLiteral("copy before block");
                    for (int k = 0; k < n; ++k)
                        w.restored += w.restored.at(w.restored.size() - d);
                    ++w.copies, x += 2;
                }
                control <<= 1, --bits;
            }
        }
        blockLength = int(w.restored.size() - start);
        pos = end;
    }
    return w;
}

} // namespace lzrwcheck
