// A strict little RIFF/WAVE reader for checking the shipped sounds, written apart
// from the generator's writer so the two cannot share a mistake.
#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>
#include <QtEndian>

struct WavData {
    QString error; // empty when the file parsed
    int format = 0;
    int channels = 0;
    int sampleRate = 0;
    int bitsPerSample = 0;
    int byteRate = 0;
    int blockAlign = 0;
    QVector<qint16> samples;

    double seconds() const { return sampleRate ? double(samples.size()) / sampleRate : 0.0; }
};

inline WavData readWav(const QByteArray& bytes) {
    WavData wav;
    const auto u32 = [&bytes](qsizetype at) {
        return qFromLittleEndian<quint32>(reinterpret_cast<const uchar*>(bytes.constData() + at));
    };
    const auto u16 = [&bytes](qsizetype at) {
        return qFromLittleEndian<quint16>(reinterpret_cast<const uchar*>(bytes.constData() + at));
    };
    if (bytes.size() < 12 || !bytes.startsWith("RIFF") || bytes.mid(8, 4) != "WAVE") {
        wav.error = "not a RIFF/WAVE file";
        return wav;
    }
    if (u32(4) != quint32(bytes.size() - 8)) {
        wav.error = "RIFF size does not match the file size";
        return wav;
    }
    bool haveFormat = false;
    qsizetype at = 12;
    while (at + 8 <= bytes.size()) {
        const QByteArray id = bytes.mid(at, 4);
        const quint32 size = u32(at + 4);
        const qsizetype body = at + 8;
        if (body + qsizetype(size) > bytes.size()) {
            wav.error = "chunk " + QString::fromLatin1(id) + " runs past the end";
            return wav;
        }
        if (id == "fmt " && size >= 16) {
            wav.format = u16(body);
            wav.channels = u16(body + 2);
            wav.sampleRate = int(u32(body + 4));
            wav.byteRate = int(u32(body + 8));
            wav.blockAlign = u16(body + 12);
            wav.bitsPerSample = u16(body + 14);
            haveFormat = true;
        } else if (id == "data") {
            if (!haveFormat || wav.bitsPerSample != 16 || size % 2 != 0) {
                wav.error = "data before a 16-bit format chunk";
                return wav;
            }
            for (quint32 i = 0; i < size; i += 2)
                wav.samples.append(qint16(u16(body + i)));
            return wav;
        }
        at = body + size + (size & 1); // chunks are padded to even sizes
    }
    wav.error = "no data chunk";
    return wav;
}
