// The sound generator: its building blocks, and that the shipped files are what it writes.
#include "client/sound/sounds.h"
#include "recipes.h"
#include "sound/wavreader.h"
#include "synth.h"
#include "wavfile.h"

#include <QFile>
#include <QTest>

#include <cmath>

using namespace soundgen;

class TestSoundgen : public QObject {
    Q_OBJECT
private slots:
    void envelopeHasNoJumps();
    void masteringNeverClips();
    void everyNameRenders();
    void shippedFilesAreCurrent_data();
    void shippedFilesAreCurrent();
};

// A jump in the envelope is an audible click; sampled at the output rate, no step may
// come near a sudden on or off, whatever the shape of the note.
void TestSoundgen::envelopeHasNoJumps() {
    const Adsr shapes[] = {{0.001, 0.01, 0.0, 0.02},
                           {0.005, 0.1, 0.7, 0.1},
                           {0.03, 0.0, 1.0, 0.005},
                           {0.05, 0.2, 0.5, 0.3}};
    for (const Adsr& env : shapes) {
        for (double held : {0.0005, 0.01, 0.2}) {
            QCOMPARE(envelopeAt(env, 0.0, held), 0.0);
            QCOMPARE(envelopeAt(env, held + env.release, held), 0.0);
            double previous = 0.0;
            for (int i = 1; i < int((held + env.release + 0.01) * kSampleRate); ++i) {
                const double level = envelopeAt(env, double(i) / kSampleRate, held);
                QVERIFY(level >= 0.0 && level <= 1.0);
                QVERIFY2(std::abs(level - previous) < 0.1,
                         qPrintable(QString("step at sample %1, held %2").arg(i).arg(held)));
                previous = level;
            }
        }
    }
}

void TestSoundgen::masteringNeverClips() {
    Buffer loud = {0.0, 1.5, -2.0, 0.999999, -1.0};
    const auto pcm = toPcm16(loud);
    for (std::int16_t s : pcm)
        QVERIFY(s > -32768 && s <= 32767);
    QCOMPARE(pcm[1], std::int16_t(32767));
    QCOMPARE(pcm[2], std::int16_t(-32767));

    normalise(loud, -3.0);
    QVERIFY(std::abs(20.0 * std::log10(peakOf(loud)) + 3.0) < 1e-9);

    Buffer quiet(100, 0.0); // silence stays silence, no division by a zero peak
    normalise(quiet, -3.0);
    softLimit(quiet, 2.0);
    for (double x : quiet)
        QCOMPARE(x, 0.0);
}

void TestSoundgen::everyNameRenders() {
    QCOMPARE(int(soundNames().size()), int(Sounds::names().size()));
    for (const std::string& name : soundNames()) {
        QVERIFY(Sounds::isKnown(QString::fromStdString(name)));
        const Buffer buf = renderSound(name);
        QVERIFY(!buf.empty());
        for (double x : buf)
            QVERIFY(std::isfinite(x));
    }
    QVERIFY(renderSound("no such sound").empty());
}

void TestSoundgen::shippedFilesAreCurrent_data() {
    QTest::addColumn<QString>("name");
    for (const std::string& name : soundNames())
        QTest::newRow(name.c_str()) << QString::fromStdString(name);
}

// A recipe changed without rewriting resources/sounds fails here. Samples may differ by
// a step where another maths library rounds a sine differently.
void TestSoundgen::shippedFilesAreCurrent() {
    QFETCH(QString, name);
    QFile file(Sounds::resourcePath(name));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray shipped = file.readAll();

    const auto pcm = toPcm16(renderSound(name.toStdString()));
    const auto encoded = encodeWav(pcm, kSampleRate);
    const QByteArray fresh(reinterpret_cast<const char*>(encoded.data()),
                           qsizetype(encoded.size()));
    QCOMPARE(shipped.size(), fresh.size());

    // The reader is independent of the writer: it must see the generator's samples.
    const WavData wav = readWav(fresh);
    QVERIFY2(wav.error.isEmpty(), qPrintable(wav.error));
    QCOMPARE(wav.sampleRate, kSampleRate);
    QCOMPARE(wav.samples.size(), qsizetype(pcm.size()));
    QCOMPARE(shipped.left(44), fresh.left(44));

    const WavData old = readWav(shipped);
    int worst = 0;
    for (qsizetype i = 0; i < old.samples.size(); ++i) {
        QCOMPARE(wav.samples.at(i), pcm[size_t(i)]);
        worst = std::max(worst, std::abs(int(old.samples.at(i)) - int(pcm[size_t(i)])));
    }
    QVERIFY2(worst <= 2, qPrintable(QString("differs by %1").arg(worst)));
}

QTEST_MAIN(TestSoundgen)
#include "tst_soundgen.moc"
