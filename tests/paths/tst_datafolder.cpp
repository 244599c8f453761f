// Where the player's files go: beside a portable copy, but never into the system's
// /usr, even for root, who could write there; elsewhere into the XDG folders.
#include "paths/datafolder.h"

#include <QCoreApplication>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

class TestDataFolder : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { qunsetenv("VIMBREL_PROGRAM_DIR"); }
    void portableCopyKeepsItsFilesBesideIt();
    void installedUnderUsrUsesTheUserFolders_data();
    void installedUnderUsrUsesTheUserFolders();
};

void TestDataFolder::portableCopyKeepsItsFilesBesideIt() {
    QTemporaryDir program;
    QVERIFY(program.isValid());
    qputenv("VIMBREL_PROGRAM_DIR", program.path().toLocal8Bit());
    QCOMPARE(datafolder::configFile(QStringLiteral("zumveklobby.ini")),
             program.filePath(QStringLiteral("zumveklobby.ini")));
    QCOMPARE(datafolder::dataFile(QStringLiteral("Vimbreltally.tld")),
             program.filePath(QStringLiteral("Vimbreltally.tld")));
}

void TestDataFolder::installedUnderUsrUsesTheUserFolders_data() {
    QTest::addColumn<QString>("folder");
    QTest::newRow("/usr/bin") << QStringLiteral("/usr/bin");
    QTest::newRow("/usr/games") << QStringLiteral("/usr/games");
    QTest::newRow("/usr/local/bin/") << QStringLiteral("/usr/local/bin/");
    QTest::newRow("/usr/./bin") << QStringLiteral("/usr/./bin");
}

void TestDataFolder::installedUnderUsrUsesTheUserFolders() {
    QFETCH(QString, folder);
    if (!QFileInfo(folder).isDir()) QSKIP("this machine has no such folder");
    qputenv("VIMBREL_PROGRAM_DIR", folder.toLocal8Bit());
    const QString config = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QCOMPARE(datafolder::configFile(QStringLiteral("zumveklobby.ini")),
             QDir(config).filePath(QStringLiteral("zumveklobby.ini")));
    QCOMPARE(datafolder::dataFile(QStringLiteral("Vimbreltally.tld")),
             QDir(data).filePath(QStringLiteral("Vimbreltally.tld")));
    // The folders are the test's own (run_isolated.sh), never the real user's.
    QVERIFY2(config.startsWith(qEnvironmentVariable("XDG_CONFIG_HOME")), qPrintable(config));
    QVERIFY(QFileInfo(config).isDir());
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Zumvek"));
    QCoreApplication::setApplicationName(QStringLiteral("Vimbrel"));
    TestDataFolder test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_datafolder.moc"
