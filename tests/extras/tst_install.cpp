// Installing into a staging prefix puts the program, its desktop entry and its
// icons where a desktop looks for them, and the installed program runs.
#include <QImage>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

class TestInstall : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void programRuns();
    void desktopEntryStartsTheProgram();
    void iconsHaveTheirSizes();
    void dedicatedHostAndItsUnit();

private:
    QTemporaryDir m_prefix;
    QString installed(const QString& relative) const {
        return QDir(m_prefix.path()).filePath(relative);
    }
};

void TestInstall::initTestCase() {
    QVERIFY(m_prefix.isValid());
    QProcess cmake;
    cmake.setProcessChannelMode(QProcess::MergedChannels);
    cmake.start(QStringLiteral(CMAKE_COMMAND_PATH),
                {QStringLiteral("--install"), QStringLiteral(BUILD_DIR), QStringLiteral("--prefix"),
                 m_prefix.path()});
    QVERIFY(cmake.waitForFinished(120000));
    QVERIFY2(cmake.exitCode() == 0, cmake.readAll().constData());
}

void TestInstall::programRuns() {
    const QString exe = installed(QStringLiteral("bin/vimbrel"));
    QVERIFY(QFileInfo(exe).isExecutable());
    QProcess p;
    p.start(exe, {QStringLiteral("--version")});
    QVERIFY(p.waitForFinished(10000));
    QCOMPARE(p.exitCode(), 0);
    QCOMPARE(p.readAllStandardOutput().trimmed(), QByteArray("Vimbrel 1.0.7.8"));
    p.start(exe, {QStringLiteral("--help")});
    QVERIFY(p.waitForFinished(10000));
    const QByteArray help = p.readAllStandardOutput();
    QVERIFY2(help.contains("NAME HOST true") && help.contains("NAME HOST join"), help.constData());
}

void TestInstall::desktopEntryStartsTheProgram() {
    const QString path = installed(QStringLiteral("share/applications/" VIMBREL_APP_ID ".desktop"));
    QVERIFY(QFile::exists(path));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
    QMap<QString, QString> entry;
    const QList<QByteArray> lines = file.readAll().split('\n');
    QCOMPARE(lines.value(0), QByteArray("[Desktop Entry]"));
    for (const QByteArray& line : lines) {
        const qsizetype eq = line.indexOf('=');
        if (eq > 0)
            entry.insert(QString::fromUtf8(line.left(eq)), QString::fromUtf8(line.mid(eq + 1)));
    }
    QCOMPARE(entry.value("Type"), QStringLiteral("Application"));
    QCOMPARE(entry.value("Name"), QStringLiteral("Vimbrel"));
    // %u: a web page's vimbrel: link reaches the game as its parameter.
    QCOMPARE(entry.value("Exec"), QStringLiteral("vimbrel %u"));
    QCOMPARE(entry.value("MimeType"), QStringLiteral("x-scheme-handler/vimbrel;"));
    QCOMPARE(entry.value("Icon"), QStringLiteral(VIMBREL_APP_ID));
    QCOMPARE(entry.value("Categories"), QStringLiteral("Game;BoardGame;"));
    // The entry runs the program by name, so it must be the one installed.
    QVERIFY(QFile::exists(installed(QStringLiteral("bin/vimbrel"))));
}

void TestInstall::iconsHaveTheirSizes() {
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString path = installed(
            QStringLiteral("share/icons/hicolor/%1x%1/apps/" VIMBREL_APP_ID ".png").arg(size));
        QImage icon;
        QVERIFY2(icon.load(path), qPrintable(path));
        QCOMPARE(icon.size(), QSize(size, size));
        QVERIFY(icon.hasAlphaChannel());
        // Corners are see-through, the middle is painted.
        QCOMPARE(icon.pixelColor(0, 0).alpha(), 0);
        QCOMPARE(icon.pixelColor(size / 2, size / 2).alpha(), 255);
    }
}

// The dedicated host runs from where it was installed, and its unit starts that very
// program with the hardening an operator expects.
void TestInstall::dedicatedHostAndItsUnit() {
    const QString exe = installed(QStringLiteral("bin/vimbrel-host"));
    QProcess p;
    p.start(exe, {QStringLiteral("--version")});
    QVERIFY(p.waitForFinished(10000));
    QCOMPARE(p.exitCode(), 0);
    QVERIFY(p.readAllStandardOutput().startsWith("vimbrel-host 1.0.7"));
    const QString unitPath = installed(QStringLiteral("lib/systemd/system/vimbrel-host.service"));
    QFile unit(unitPath);
    QVERIFY(unit.open(QIODevice::ReadOnly | QIODevice::Text));
    const QByteArray text = unit.readAll();
    QVERIFY2(text.contains("\nExecStart=" + exe.toUtf8() + " --port 7772\n"), text.constData());
    for (const char* line : {"DynamicUser=yes", "NoNewPrivileges=yes", "ProtectSystem=strict",
                             "RestrictAddressFamilies=AF_INET AF_INET6 AF_UNIX"})
        QVERIFY2(text.contains(QByteArray("\n") + line + "\n"), line);
    if (QStandardPaths::findExecutable(QStringLiteral("systemd-analyze")).isEmpty())
        QSKIP("systemd-analyze is not installed: the unit's syntax was not verified");
    QProcess verify;
    verify.setProcessChannelMode(QProcess::MergedChannels);
    verify.start(QStringLiteral("systemd-analyze"), {QStringLiteral("verify"), unitPath});
    QVERIFY(verify.waitForFinished(30000));
    QVERIFY2(verify.exitCode() == 0, verify.readAll().constData());
}

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_install.moc"
