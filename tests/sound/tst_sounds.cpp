// The shipped sound files and the player that the table window calls.
#include "client/sound/sounds.h"
#include "sound/wavreader.h"

#include <QAudioDevice>
#include <QFile>
#include <QMediaDevices>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSoundEffect>
#include <QTest>

#include <cmath>

class TestSounds : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();

    void shippedFile_data();
    void shippedFile();
    void qtDecodesEverySound_data();
    void qtDecodesEverySound();

    void playsOnlyKnownNamesWhenEnabled();
    void manyQuickRequestsStayQuiet();
    void newSoundCutsOffThePrevious();
};

void TestSounds::initTestCase() {
    // The audio backend may report once that it found no sound server; that is not ours.
    QMediaDevices::defaultAudioOutput();
}

void TestSounds::shippedFile_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<double>("minSeconds");
    QTest::addColumn<double>("maxSeconds");
    QTest::newRow("dice") << "dice" << 0.4 << 0.8;
    QTest::newRow("select") << "select" << 0.05 << 0.25;
    QTest::newRow("unset") << "unset" << 0.05 << 0.25;
    QTest::newRow("turn") << "turn" << 0.6 << 1.5;
    QTest::newRow("turnnew") << "turnnew" << 0.5 << 1.5;
    QTest::newRow("gotpoints") << "gotpoints" << 0.5 << 1.5;
    QTest::newRow("nopoints") << "nopoints" << 0.4 << 1.2;
    QTest::newRow("winner") << "winner" << 1.2 << 1.8;
    QTest::newRow("entered") << "entered" << 0.5 << 1.5;
}

// Every built-in sound: a plain PCM file of the intended length, small, never clipped,
// at a comfortable level, and silent at both ends so playing or cutting it never clicks.
void TestSounds::shippedFile() {
    QFETCH(QString, name);
    QFETCH(double, minSeconds);
    QFETCH(double, maxSeconds);
    QVERIFY(Sounds::isKnown(name));

    QFile file(Sounds::resourcePath(name));
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
    const QByteArray bytes = file.readAll();
    QVERIFY(bytes.size() < 150 * 1024);

    const WavData wav = readWav(bytes);
    QVERIFY2(wav.error.isEmpty(), qPrintable(wav.error));
    QCOMPARE(wav.format, 1);
    QCOMPARE(wav.channels, 1);
    QCOMPARE(wav.bitsPerSample, 16);
    QVERIFY(wav.sampleRate == 44100 || wav.sampleRate == 22050);
    QCOMPARE(wav.blockAlign, 2);
    QCOMPARE(wav.byteRate, wav.sampleRate * 2);
    QVERIFY2(wav.seconds() >= minSeconds && wav.seconds() <= maxSeconds,
             qPrintable(QString::number(wav.seconds())));

    int peak = 0;
    double sum = 0;
    for (qint16 s : wav.samples) {
        peak = std::max(peak, std::abs(int(s)));
        sum += s;
    }
    QVERIFY2(peak < 32767, "a sample reaches full scale");
    const double peakDb = 20.0 * std::log10(peak / 32768.0);
    QVERIFY2(peakDb > -9.0 && peakDb < -1.0, qPrintable(QString::number(peakDb)));
    QVERIFY2(std::abs(sum / wav.samples.size()) < 100.0, "DC offset");

    // The first and last millisecond rise from and fall to silence.
    const int ms = wav.sampleRate / 1000;
    QVERIFY(std::abs(wav.samples.first()) <= 8 && std::abs(wav.samples.last()) <= 8);
    for (int i = 0; i < ms; ++i) {
        QVERIFY(std::abs(wav.samples.at(i)) < 3277);
        QVERIFY(std::abs(wav.samples.at(wav.samples.size() - 1 - i)) < 3277);
    }
}

void TestSounds::qtDecodesEverySound_data() {
    QTest::addColumn<QString>("name");
    for (const QString& name : Sounds::names())
        QTest::newRow(qPrintable(name)) << name;
}

// What ships must be what Qt's own loader accepts, with or without an audio device.
void TestSounds::qtDecodesEverySound() {
    QFETCH(QString, name);
    if (QMediaDevices::defaultAudioOutput().isNull())
        QTest::ignoreMessage(QtWarningMsg, "No audio device detected");
    QSoundEffect effect;
    effect.setSource(Sounds::sourceOf(name));
    QTRY_VERIFY_WITH_TIMEOUT(
        effect.status() == QSoundEffect::Ready || effect.status() == QSoundEffect::Error, 10000);
    QCOMPARE(effect.status(), QSoundEffect::Ready);
}

void TestSounds::playsOnlyKnownNamesWhenEnabled() {
    Sounds sounds;
    QSignalSpy spy(&sounds, &Sounds::played);
    QVERIFY(sounds.enabled());
    QVERIFY(sounds.lastPlayed().isEmpty());

    for (const QString& name : Sounds::names())
        sounds.playsounds(name);
    QCOMPARE(spy.size(), Sounds::names().size());
    QCOMPARE(spy.at(1).at(0).toString(), QString("select"));
    QCOMPARE(sounds.lastPlayed(), QString("entered"));

    // Names are exact: no other case, extension or padding.
    spy.clear();
    for (const char* wrong : {"", "Dice", "dice.wav", " turn", "turn ", "applause"})
        sounds.playsounds(QString::fromLatin1(wrong));
    QCOMPARE(spy.size(), 0);
    QCOMPARE(sounds.lastPlayed(), QString("entered"));

    sounds.setEnabled(false);
    QVERIFY(!sounds.enabled());
    sounds.playsounds("winner");
    QCOMPARE(spy.size(), 0);

    sounds.setEnabled(true);
    sounds.playsounds("winner");
    QCOMPARE(spy.size(), 1);
    QCOMPARE(sounds.lastPlayed(), QString("winner"));
}

// A burst of requests (dice rolled and held in quick succession) must neither block
// nor flood the console, whether or not the machine has an audio device.
void TestSounds::manyQuickRequestsStayQuiet() {
    QTest::failOnWarning(QRegularExpression(".*"));
    Sounds sounds;
    QSignalSpy spy(&sounds, &Sounds::played);
    for (int i = 0; i < 100; ++i)
        sounds.playsounds(Sounds::names().at(i % Sounds::names().size()));
    QCOMPARE(spy.size(), 100);
    QTest::qWait(200); // let any loading and playback start
    for (int i = 0; i < 100; ++i)
        sounds.playsounds("dice");
    QCOMPARE(spy.size(), 200);
    sounds.setEnabled(false);
    QTest::qWait(50);
}

// Needs a real (or virtual) audio output; skipped on machines without one.
void TestSounds::newSoundCutsOffThePrevious() {
    if (QMediaDevices::defaultAudioOutput().isNull()) QSKIP("no audio output");
    Sounds sounds;
    const auto effectPlaying = [&sounds](const QString& name) {
        for (QSoundEffect* e : sounds.findChildren<QSoundEffect*>())
            if (e->source() == Sounds::sourceOf(name)) return e->isPlaying();
        return false;
    };
    sounds.playsounds("winner");
    QTRY_VERIFY_WITH_TIMEOUT(effectPlaying("winner"), 5000);
    sounds.playsounds("dice");
    QTRY_VERIFY_WITH_TIMEOUT(effectPlaying("dice"), 5000);
    QVERIFY(!effectPlaying("winner"));
    QTRY_VERIFY_WITH_TIMEOUT(!effectPlaying("dice"), 5000); // a short sound ends by itself

    sounds.playsounds("turn");
    QTRY_VERIFY_WITH_TIMEOUT(effectPlaying("turn"), 5000);
    sounds.setEnabled(false); // switching sounds off silences the one playing
    QVERIFY(!effectPlaying("turn"));
}

QTEST_MAIN(TestSounds)
#include "tst_sounds.moc"
