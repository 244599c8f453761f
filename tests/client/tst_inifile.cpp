// The shared settings file: our section only, everything else kept, values exact.
#include "settings/inifile.h"

#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

class TestIniFile : public QObject {
    Q_OBJECT
private slots:
    void foreignContentSurvivesWrites();
    void valuesRoundTripExactly();
    void lookupsIgnoreCaseAndBadNumbers();
    void missingFileAndAtomicSave();
    void untouchedLinesKeepTheirBytes();
    void unreadableFileIsNeverWritten();
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

void TestIniFile::untouchedLinesKeepTheirBytes() {
    // The lobby's section in Latin-1, ours in UTF-8, CR LF endings, no final line break.
    const QByteArray lobby = "[Lobby]\r\nName=J\xF6rg M\xFCller\r\nNote=caf\xE9;\r\n\r\n";
    const QByteArray file = lobby + "[Vimbrel]\r\nPhrase1=Gr\xC3\xBC\xC3\x9F"
                                    "e\r\nPhrase2=ol\xE9\r\nTextsize=10";
    IniFile ini;
    ini.parse(file);
    QCOMPARE(ini.text(), file);
    // Each line is read by itself: the lobby's Latin-1 does not spoil our UTF-8.
    QCOMPARE(ini.readString("Lobby", "Name"), QString::fromUtf8("Jörg Müller"));
    QCOMPARE(ini.readString("Vimbrel", "Phrase1"), QString::fromUtf8("Grüße"));
    QCOMPARE(ini.readString("Vimbrel", "Phrase2"), QString::fromUtf8("olé"));
    // Writing what a key already holds changes no byte, not even its encoding.
    ini.writeString("Vimbrel", "Phrase2", QString::fromUtf8("olé"));
    ini.writeString("vimbrel", "PHRASE1", QString::fromUtf8("Grüße"));
    QCOMPARE(ini.text(), file);
    // A changed value is the only line written anew (UTF-8), and new lines take CR LF.
    ini.writeInteger("Vimbrel", "Textsize", 14);
    ini.writeString("Vimbrel", "Botspeed", QString::fromUtf8("500"));
    ini.writeString("Lobby", "Note", QString::fromUtf8("thé"));
    QCOMPARE(ini.text(), "[Lobby]\r\nName=J\xF6rg M\xFCller\r\nNote=th\xC3\xA9\r\n\r\n"
                         "[Vimbrel]\r\nPhrase1=Gr\xC3\xBC\xC3\x9F"
                         "e\r\nPhrase2=ol\xE9\r\nTextsize=14\r\nBotspeed=500\r\n");
    // A byte order mark and lone LF endings come back as they were.
    const QByteArray marked = "\xEF\xBB\xBF[Vimbrel]\nTop=5\n; kept\r\n[Other]\nX=\xFF\n";
    IniFile bom;
    bom.parse(marked);
    QCOMPARE(bom.readInteger("Vimbrel", "Top", 3), 5);
    bom.writeInteger("Vimbrel", "Top", 5);
    QCOMPARE(bom.text(), marked);
    bom.writeInteger("Vimbrel", "Left", 7);
    QCOMPARE(bom.text(), "\xEF\xBB\xBF[Vimbrel]\nTop=5\n; kept\r\nLeft=7\n[Other]\nX=\xFF\n");
}

void TestIniFile::unreadableFileIsNeverWritten() {
    QTemporaryDir dir;
    // A folder where the file should be: it exists, but it is no settings file.
    const QString folder = dir.filePath("zumveklobby.ini");
    QVERIFY(QDir().mkpath(folder));
    IniFile atFolder(folder);
    QVERIFY(!atFolder.load());
    atFolder.writeInteger("Vimbrel", "Textsize", 14);
    QVERIFY(!atFolder.save());
    QVERIFY(QFileInfo(folder).isDir());

    // A file we may write but not read (root reads everything, so only for others).
    if (::geteuid() == 0) return;
    const QString path = dir.filePath("writeonly.ini");
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("[Lobby]\nName=Ann\n");
    f.close();
    QVERIFY(f.setPermissions(QFileDevice::WriteOwner));
    IniFile ini(path);
    QVERIFY(!ini.load());
    ini.writeInteger("Vimbrel", "Textsize", 14);
    QVERIFY(!ini.save());
    QVERIFY(f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("[Lobby]\nName=Ann\n"));
}

QTEST_GUILESS_MAIN(TestIniFile)
#include "tst_inifile.moc"
