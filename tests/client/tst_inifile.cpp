// The shared settings file: our section only, everything else kept, values exact.
#include "client/inifile.h"

#include <QTemporaryDir>
#include <QtTest>

class TestIniFile : public QObject {
    Q_OBJECT
private slots:
    void foreignContentSurvivesWrites();
    void valuesRoundTripExactly();
    void lookupsIgnoreCaseAndBadNumbers();
    void missingFileAndAtomicSave();
};

void TestIniFile::foreignContentSurvivesWrites() {
    IniFile ini;
    ini.parse("; lobby settings\r\n[Lobby]\r\nServer=play.example, 4000\r\nName=\"Ann\"\r\n\r\n"
              "[Vimbrel]\r\nTextsize=10\r\n\r\n[Other]\r\nX=1\r\n");
    ini.writeInteger("Vimbrel", "Textsize", 12);
    ini.writeString("Vimbrel", "Botspeed", "500");
    ini.writeString("Fresh", "Key", "v");
    const QByteArray out = ini.text();
    QCOMPARE(out, QByteArray("; lobby settings\r\n[Lobby]\r\nServer=play.example, 4000\r\nName=\"Ann\"\r\n\r\n"
                             "[Vimbrel]\r\nTextsize=12\r\nBotspeed=500\r\n\r\n[Other]\r\nX=1\r\n\r\n[Fresh]\r\nKey=v\r\n"));
}

void TestIniFile::valuesRoundTripExactly() {
    const QStringList values{QStringLiteral("/me waves \"Good-Bye\""), QStringLiteral("Hi, you, \"all\""),
                             QStringLiteral("a=b;c#d"), QStringLiteral("\"quoted\""), QStringLiteral("Grüße 😀"),
                             QStringLiteral("  padded  "), QStringLiteral("back\\slash")};
    IniFile ini;
    for (int i = 0; i < values.size(); ++i) ini.writeString("Vimbrel", QStringLiteral("Phrase%1").arg(i + 1), values[i]);
    IniFile back;
    back.parse(ini.text());
    for (int i = 0; i < values.size(); ++i)
        QCOMPARE(back.readString("Vimbrel", QStringLiteral("Phrase%1").arg(i + 1)), values[i]);
    // A line break can never split a value into two keys.
    ini.writeString("Vimbrel", "Phrase9", "one\ntwo=2");
    back.parse(ini.text());
    QCOMPARE(back.readString("Vimbrel", "Phrase9"), QStringLiteral("onetwo=2"));
    QVERIFY(!back.contains("Vimbrel", "two"));
}

void TestIniFile::lookupsIgnoreCaseAndBadNumbers() {
    IniFile ini;
    ini.parse("[vimbrel]\nTOP=12\nLeft=abc\nWidth= 640 \n[Vimbrel2]\nHeight=99\n");
    QCOMPARE(ini.readInteger("Vimbrel", "Top", 3), 12);
    QCOMPARE(ini.readInteger("Vimbrel", "Left", 3), 3);
    QCOMPARE(ini.readInteger("Vimbrel", "Width", 700), 640);
    QCOMPARE(ini.readInteger("Vimbrel", "Height", 590), 590); // not another section's key
    QCOMPARE(ini.readString("Vimbrel", "Missing", "dflt"), QStringLiteral("dflt"));
    // Writing updates the key where it stands, with our spelling.
    ini.writeInteger("Vimbrel", "Top", 5);
    QVERIFY(ini.text().startsWith("[vimbrel]\nTop=5\n"));
}

void TestIniFile::missingFileAndAtomicSave() {
    QTemporaryDir dir;
    const QString path = dir.filePath("sub/zumveklobby.ini");
    IniFile ini(path);
    QVERIFY(ini.load());
    QCOMPARE(ini.readInteger("Vimbrel", "Textsize", 8), 8);
    ini.writeInteger("Vimbrel", "Textsize", 14);
    QVERIFY(ini.save());
    IniFile again(path);
    QVERIFY(again.load());
    QCOMPARE(again.readInteger("Vimbrel", "Textsize", 8), 14);
    QCOMPARE(QDir(dir.filePath("sub")).entryList(QDir::Files), QStringList{"zumveklobby.ini"});
}

QTEST_GUILESS_MAIN(TestIniFile)
#include "tst_inifile.moc"
