// The lobby download window against a local HTTP server: success, failures, Stop, and
// the two ways of leaving the game for the lobby.
#include "lobby/downloadform.h"
#include "lobby/httpcli.h"
#include "lobby/lobbysettings.h"
#include "localhttpserver.h"
#include "paths/datafolder.h"
#include "widgets/hoverbutton.h"

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QLabel>
#include <QScopeGuard>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const char kPath[] = "/downloads/ZumvekLobbySetup.exe";

void pointLobbyAt(const QString& url) {
    QFile ini(datafolder::configFile(QStringLiteral("zumveklobby.ini")));
    QVERIFY(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ini.write("[Other]\nLobbyurl=http://wrong.invalid/x.exe\n\n[Vimbrel]\nTextsize=10\n"
              "Lobbyurl=" +
              url.toUtf8() + "\n");
}

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void writeScript(const QString& path, const QByteArray& text) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
    file.close();
    file.setPermissions(file.permissions() | QFileDevice::ExeOwner | QFileDevice::ReadOwner);
}

// A download window whose message boxes and exit are recorded.
struct Window {
    Tdownload form;
    QStringList messages;
    QStringList statusAtMessage; // infolabel | infolabel3 when each message appeared
    int exits = 0;
    Window() {
        form.setMessageSink([this](const QString& text) {
            messages << text;
            statusAtMessage << form.infolabel->text() + u'|' + form.infolabel3->text();
        });
        form.setExitAction([this] { ++exits; });
        form.show();
    }
};

} // namespace

class TestDownload : public QObject {
    Q_OBJECT
private slots:
    void cleanup() {
        QFile::remove(datafolder::configFile(QStringLiteral("zumveklobby.ini")));
        QFile::remove(lobby::installerPath(QStringLiteral("ZumvekLobbySetup.exe")));
    }

    void addressComesFromSettings() {
        QCOMPARE(lobby::lobbyDownloadAddress(), QString::fromLatin1(lobby::kDefaultLobbyUrl));
        QCOMPARE(lobby::installerFileName(lobby::lobbyDownloadAddress()),
                 QStringLiteral("ZumvekLobbySetup.exe"));
        pointLobbyAt(QStringLiteral("http://127.0.0.1:1/a/b/Other Setup.exe"));
        QCOMPARE(lobby::lobbyDownloadAddress(),
                 QStringLiteral("http://127.0.0.1:1/a/b/Other Setup.exe"));
        QCOMPARE(lobby::installerFileName(lobby::lobbyDownloadAddress()),
                 QStringLiteral("Other Setup.exe"));
        // The lobby may write section and key in another case.
        const QString ini = datafolder::configFile(QStringLiteral("zumveklobby.ini"));
        QFile file(ini);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("[VIMBREL]\r\nLOBBYURL = http://h/x.exe\r\n");
        file.close();
        QCOMPARE(lobby::lobbyDownloadAddress(), QStringLiteral("http://h/x.exe"));
    }

    void pictureIsDecodedJpeg() {
        QVERIFY(QImageReader::supportedImageFormats().contains("jpeg"));
        Window w; // registers the window's resources
        QImageReader reader(QStringLiteral(":/lobby/lobby.jpg"));
        QCOMPARE(reader.format(), QByteArray("jpeg"));
        const QImage image = reader.read();
        QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
        QCOMPARE(image.size(), QSize(300, 150));
        QCOMPARE(w.form.Image1->pixmap().size(), QSize(300, 150));
        QVERIFY(w.form.Label2->isVisible());
        QCOMPARE(w.form.Label2->text(), QStringLiteral("IS CLOSED"));
        QVERIFY(w.form.Image1->rect().contains(w.form.Label2->geometry()));
    }

    void stopBeforeAnyDownload() {
        Window w;
        QVERIFY(w.form.getbutton->isEnabled());
        QVERIFY(w.form.abortbutton->isEnabled());
        QTest::mouseClick(w.form.abortbutton, Qt::LeftButton);
        QCOMPARE(w.form.infolabel->text(), QStringLiteral("Download has been aborted."));
        QCOMPARE(w.form.infolabel3->text(), QStringLiteral("Download Aborted"));
        QCOMPARE(w.form.downloadState(), Tdownload::kAborted);
        QVERIFY(w.form.getbutton->isEnabled());
        QVERIFY(w.form.abortbutton->isEnabled());
        QTest::qWait(50);
        QCOMPARE(w.form.infolabel->text(), QStringLiteral("Download has been aborted."));
        QVERIFY(w.messages.isEmpty());
        QVERIFY(!QFile::exists(lobby::installerPath(QStringLiteral("ZumvekLobbySetup.exe"))));
    }

    void notFoundAbortsWithoutInstalling() {
        LocalHttpServer server;
        QVERIFY(server.isListening());
        server.setReply(LocalHttpServer::Reply::NotFound);
        pointLobbyAt(server.url(QLatin1String(kPath)));
        Window w;
        QTest::mouseClick(w.form.getbutton, Qt::LeftButton);
        QVERIFY(!w.form.getbutton->isEnabled());
        QVERIFY(w.form.abortbutton->isEnabled());
        QCOMPARE(w.form.infolabel2->text(), QStringLiteral("ZumvekLobbySetup.exe"));
        QTRY_COMPARE(w.form.infolabel->text(), QStringLiteral("Download Aborted"));
        QVERIFY(w.form.getbutton->isEnabled());
        QVERIFY(!w.form.abortbutton->isEnabled());
        QCOMPARE(w.form.downloadState(), Tdownload::kAborted);
        QCOMPARE(w.form.infolabel3->text(), QString()); // no document began
        QVERIFY(w.messages.isEmpty());
        QCOMPARE(w.exits, 0);
        // The error page never reaches the installer file, and no empty file is left.
        QVERIFY(!QFile::exists(w.form.installerFile()));
    }

    void unreachableHostAborts() {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
        const quint16 port = probe.serverPort();
        probe.close(); // nothing listens there now
        pointLobbyAt(QStringLiteral("http://127.0.0.1:%1/setup.bin").arg(port));
        Window w;
        w.form.getbuttonClick();
        QTRY_COMPARE(w.form.infolabel->text(), QStringLiteral("Download Aborted"));
        QVERIFY(w.form.getbutton->isEnabled());
        QVERIFY(w.messages.isEmpty());
        // Offline, nothing is left behind to be mistaken for an installer.
        QVERIFY(!QFile::exists(lobby::installerPath(QStringLiteral("setup.bin"))));
    }

    void addressWithoutFileNameIsReported() {
        pointLobbyAt(QStringLiteral("http://127.0.0.1:1/downloads/"));
        Window w;
        w.form.getbuttonClick();
        QCOMPARE(w.messages.size(), 1);
        QVERIFY(w.form.getbutton->isEnabled());
        QVERIFY(!w.form.HttpCli1->isRunning());
        QCOMPARE(w.form.infolabel->text(), QString());
    }

    void stopDuringTransferKeepsPartialFile() {
        LocalHttpServer server;
        const QByteArray body(200000, 'x');
        server.setReply(LocalHttpServer::Reply::Stall, body, 1234);
        pointLobbyAt(server.url(QLatin1String(kPath)));
        Window w;
        QTest::mouseClick(w.form.getbutton, Qt::LeftButton);
        QTRY_COMPARE(w.form.infolabel->text(), QStringLiteral("1234 bytes"));
        QCOMPARE(w.form.infolabel3->text(), QStringLiteral("Downloading: ZumvekLobbySetup.exe"));
        QTest::mouseClick(w.form.abortbutton, Qt::LeftButton);
        QTRY_COMPARE(w.form.infolabel->text(), QStringLiteral("Download Aborted"));
        QCOMPARE(w.form.infolabel3->text(), QStringLiteral("Download Aborted"));
        QVERIFY(w.form.getbutton->isEnabled());
        QVERIFY(!w.form.abortbutton->isEnabled());
        QVERIFY(w.messages.isEmpty());
        QCOMPARE(fileBytes(w.form.installerFile()), body.left(1234));

        // A new download starts over and replaces the partial file.
        const QByteArray fresh("0123456789");
        server.setReply(LocalHttpServer::Reply::Document, fresh);
        QTest::mouseClick(w.form.getbutton, Qt::LeftButton);
        QTRY_COMPARE(w.messages.size(), 1);
        QCOMPARE(fileBytes(w.form.installerFile()), fresh);
    }

    void downloadedFileThatCannotRunIsAnError() {
        LocalHttpServer server;
        const QByteArray body(70000, '\x4d');
        server.setReply(LocalHttpServer::Reply::Document, body);
        pointLobbyAt(server.url(QLatin1String(kPath)));
        Window w;
        QTest::mouseClick(w.form.getbutton, Qt::LeftButton);
        QTRY_COMPARE(w.messages, QStringList{QStringLiteral("An Error has Occurred.")});
        QCOMPARE(w.statusAtMessage.first(), QStringLiteral("Received 70000 bytes|Installing"));
        QCOMPARE(w.exits, 0);
        QVERIFY(w.form.getbutton->isEnabled());
        QVERIFY(!w.form.abortbutton->isEnabled());
        QCOMPARE(
            w.form.installerFile(),
            QDir(datafolder::programFolder()).filePath(QStringLiteral("ZumvekLobbySetup.exe")));
        QCOMPARE(fileBytes(w.form.installerFile()), body);

        const QByteArray request = server.lastRequest();
        QVERIFY2(request.startsWith("GET /downloads/ZumvekLobbySetup.exe HTTP/1."), request);
        QVERIFY2(request.contains("\r\nUser-Agent: Mozilla/3.0 (compatible)\r\n"), request);
        QVERIFY2(request.contains(
                     "\r\nAccept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*\r\n"),
                 request);
        // Caches on the way may answer: the installer is the same file for everyone.
        const QByteArray lower = request.toLower();
        QVERIFY2(!lower.contains("\r\ncache-control:") && !lower.contains("\r\npragma:"), request);
    }

    void executableInstallerRunsAndClosesGame() {
        LocalHttpServer server;
        // The installer leaves its arguments behind, then ends.
        server.setReply(LocalHttpServer::Reply::Document,
                        "#!/bin/sh\necho \"$@\" > installer-args.txt\n");
        pointLobbyAt(server.url(QLatin1String(kPath)));
        const QString installer = lobby::installerPath(QStringLiteral("ZumvekLobbySetup.exe"));
        writeScript(installer, "old copy");
        Window w;
        w.form.getbuttonClick();
        QTRY_COMPARE(w.exits, 1);
        QCOMPARE(w.form.infolabel3->text(), QStringLiteral("Installing"));
        QVERIFY(w.messages.isEmpty());
        const QString args =
            QFileInfo(installer).dir().filePath(QStringLiteral("installer-args.txt"));
        QTRY_COMPARE(fileBytes(args), QByteArray("/SP- /silent /noicons\n"));
    }

    void playWithOthers() {
        QTemporaryDir bin;
        const QByteArray savedPath = qgetenv("PATH");
        auto restorePath = qScopeGuard([savedPath] { qputenv("PATH", savedPath); });
        qputenv("PATH", QFile::encodeName(bin.path()));
        {
            Window w;
            QTest::mouseClick(w.form.Button2, Qt::LeftButton);
            QCOMPARE(w.messages,
                     QStringList{QStringLiteral(
                         "The Zumvek Lobby is not installed on this computer. Install the package "
                         "that holds zumveklobby (your distribution's software centre or package "
                         "manager), then choose \"Play with Others\" again.")});
            QCOMPARE(w.exits, 0);
            QVERIFY(w.form.isVisible());
        }
        writeScript(QDir(bin.path()).filePath(QStringLiteral("zumveklobby")),
                    "#!/bin/sh\nexit 0\n");
        {
            Window w;
            QTest::mouseClick(w.form.Button2, Qt::LeftButton);
            QCOMPARE(w.exits, 1);
            QVERIFY(w.messages.isEmpty());
        }
        // The lobby beside the game comes before the one on the PATH.
        const QString marker = QDir(bin.path()).filePath(QStringLiteral("beside-started"));
        writeScript(QDir(datafolder::programFolder()).filePath(QStringLiteral("zumveklobby")),
                    "#!/bin/sh\n: > '" + QFile::encodeName(marker) + "'\n");
        {
            Window w;
            QTest::mouseClick(w.form.Button2, Qt::LeftButton);
            QCOMPARE(w.exits, 1);
            QTRY_VERIFY(QFile::exists(marker));
        }
        QFile::remove(QDir(datafolder::programFolder()).filePath(QStringLiteral("zumveklobby")));
    }

    void playSoloClosesOnlyThisWindow() {
        Window w;
        QTest::mouseClick(w.form.Button1, Qt::LeftButton);
        QVERIFY(!w.form.isVisible());
        QCOMPARE(w.exits, 0);
    }

    void screenshot() {
        Window w;
        w.form.infolabel->setText(QStringLiteral("Received 1450312 bytes"));
        w.form.infolabel3->setText(QStringLiteral("Downloading: ZumvekLobbySetup.exe"));
        QVERIFY(QTest::qWaitForWindowExposed(&w.form));
        QDir().mkpath(QStringLiteral(VIMBREL_SCREENSHOT_DIR));
        QVERIFY(w.form.grab().save(QStringLiteral(VIMBREL_SCREENSHOT_DIR "/download.png")));
    }
};

QTEST_MAIN(TestDownload)
#include "tst_download.moc"
