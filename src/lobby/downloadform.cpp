#include "lobby/downloadform.h"

#include "lobby/httpcli.h"
#include "lobby/lobbysettings.h"
#include "lobby/lobbystyle.h"
#include "widgets/art.h"
#include "widgets/hoverbutton.h"
#include "widgets/plainlabel.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QProcess>
#include <QScreen>
#include <QVBoxLayout>

namespace {

const char kUserAgent[] = "Mozilla/3.0 (compatible)";
const char kAcceptTypes[] = "image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*";
// What the installer is told: no start-up prompt, no wizard pages, no desktop icons.
const QStringList kInstallerArguments = {QStringLiteral("/SP-"), QStringLiteral("/silent"),
                                         QStringLiteral("/noicons")};
const char kErrorText[] = QT_TRANSLATE_NOOP("Tdownload", "An Error has Occurred.");
const char kNoLobbyText[] = QT_TRANSLATE_NOOP(
    "Tdownload",
    "The Zumvek Lobby is not installed on this computer. Install the package that holds "
    "zumveklobby (your distribution's software centre or package manager), then choose \"Play "
    "with Others\" again.");
constexpr int kWindowWidth = 420;

QLabel* textLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

} // namespace

Tdownload::Tdownload(QWidget* parent) : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint) {
    lobbystyle::ensureResources();
    setWindowTitle(tr("Download The Zumvek Lobby"));
    setStyleSheet(lobbystyle::windowSheet());
    HttpCli1 = new THttpCli(this);
    HttpCli1->setAgent(kUserAgent);
    HttpCli1->setAccept(kAcceptTypes);
    // Queued, so that a Stop click has finished its own texts before the end is shown.
    connect(HttpCli1, &THttpCli::headerData, this, &Tdownload::HttpCli1HeaderData);
    connect(HttpCli1, &THttpCli::docBegin, this, &Tdownload::HttpCli1DocBegin);
    connect(HttpCli1, &THttpCli::docData, this, &Tdownload::HttpCli1DocData);
    connect(HttpCli1, &THttpCli::requestDone, this, &Tdownload::HttpCli1RequestDone,
            Qt::QueuedConnection);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(8);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(buildDownloadPanel());
    layout->addWidget(buildSoloPanel());
    layout->addWidget(buildOthersPanel());
}

Tdownload::~Tdownload() {
    // A download still running ends silently with the window.
    delete HttpCli1;
    HttpCli1 = nullptr;
}

QWidget* Tdownload::buildDownloadPanel() {
    QFrame* panel = lobbystyle::panel(this);
    auto* layout = static_cast<QVBoxLayout*>(panel->layout());
    Image1 = new QLabel(panel);
    Image1->setAlignment(Qt::AlignCenter);
    QImageReader reader(QStringLiteral(":/lobby/lobby.jpg"), "jpeg");
    const QImage picture = reader.read();
    if (picture.isNull()) qWarning("lobby picture: %s", qPrintable(reader.errorString()));
    Image1->setPixmap(QPixmap::fromImage(picture));
    Image1->setFixedSize(picture.isNull() ? QSize(300, 150) : picture.size());
    Label2 = new QLabel(tr("IS CLOSED"), Image1);
    Label2->setObjectName(QStringLiteral("closedSign"));
    Label2->adjustSize();
    Label2->move((Image1->width() - Label2->width()) / 2, 49);
    layout->addWidget(Image1, 0, Qt::AlignHCenter);

    Label1 = textLabel(tr("Download The Zumvek Lobby Now to play this  and other exciting games "
                          "online with other players!"),
                       panel);
    Label1->setObjectName(QStringLiteral("headline"));
    layout->addWidget(Label1);
    getbutton = new HoverButton(tr("Download And Install The Zumvek Lobby Now"), panel);
    getbutton->setColours(QColor(18, 112, 22, 230), QColor(255, 255, 235)); // the way forward
    abortbutton = new HoverButton(tr("Stop Download"), panel);
    connect(getbutton, &HoverButton::clicked, this, &Tdownload::getbuttonClick);
    connect(abortbutton, &HoverButton::clicked, this, &Tdownload::abortbuttonClick);
    layout->addWidget(getbutton);
    layout->addWidget(abortbutton, 0, Qt::AlignHCenter);

    infolabel = new QLabel(panel);
    infolabel3 = new QLabel(panel);
    infolabel2 = new QLabel(panel);
    infolabel2->hide(); // only holds the installer's file name
    for (QLabel* status : {infolabel, infolabel3}) {
        status->setObjectName(QStringLiteral("status"));
        status->setAlignment(Qt::AlignCenter);
        layout->addWidget(status);
    }
    return panel;
}

QWidget* Tdownload::buildSoloPanel() {
    QFrame* panel = lobbystyle::panel(this);
    auto* layout = static_cast<QVBoxLayout*>(panel->layout());
    Label7 = textLabel(tr("To proceed to the game without the ability to play against others click "
                          "the button below."),
                       panel);
    Button1 = new HoverButton(tr("Play Solo Game"), panel);
    connect(Button1, &HoverButton::clicked, this, &Tdownload::Button1Click);
    Label3 = textLabel(tr("Note: Even if you are playing offline, you will need to configure your "
                          "FIREWALL to allow the game to access the internet components."),
                       panel);
    Label3->setObjectName(QStringLiteral("note"));
    layout->addWidget(Label7);
    layout->addWidget(Button1, 0, Qt::AlignHCenter);
    layout->addWidget(Label3);
    return panel;
}

QWidget* Tdownload::buildOthersPanel() {
    QFrame* panel = lobbystyle::panel(this);
    auto* layout = static_cast<QVBoxLayout*>(panel->layout());
    Label5 = textLabel(tr("If you already have The Zumvek Lobby and you wish to play with others "
                          "then click the button below to close this game and open The Zumvek "
                          "Lobby."),
                       panel);
    Button2 = new HoverButton(tr("Play with Others"), panel);
    connect(Button2, &HoverButton::clicked, this, &Tdownload::Button2Click);
    layout->addWidget(Label5);
    layout->addWidget(Button2, 0, Qt::AlignHCenter);
    panel->setFixedWidth(kWindowWidth - 20);
    return panel;
}

void Tdownload::getbuttonClick() {
    if (HttpCli1->isRunning()) return;
    m_state = kRunning;
    const QString address = lobby::lobbyDownloadAddress();
    const QString fileName = lobby::installerFileName(address);
    infolabel2->setText(fileName);
    m_file.close();
    m_file.setFileName(lobby::installerPath(fileName));
    if (fileName.isEmpty() || !m_file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        showMessage(tr("Cannot create file \"%1\". %2")
                        .arg(QDir::toNativeSeparators(m_file.fileName()), m_file.errorString()));
        return;
    }
    getbutton->setEnabled(false);
    abortbutton->setEnabled(true);
    infolabel->setText(tr("Loading"));
    HttpCli1->setURL(QUrl(address));
    HttpCli1->get(&m_file);
}

void Tdownload::abortbuttonClick() {
    HttpCli1->abort();
    infolabel->setText(tr("Download has been aborted."));
    m_state = kAborted;
    infolabel3->setText(tr("Download Aborted"));
}

void Tdownload::Button1Click() {
    close();
}

void Tdownload::Button2Click() {
    const QString program = lobby::installedLobby();
    if (program.isEmpty()) {
        showMessage(tr(kNoLobbyText));
        return;
    }
    // Closing the game when the lobby did not start would leave the player with nothing.
    if (!QProcess::startDetached(program, {}, QFileInfo(program).absolutePath())) {
        showMessage(tr(kErrorText));
        return;
    }
    closeGame();
}

void Tdownload::HttpCli1HeaderData(const QByteArray&) {
    infolabel->setText(infolabel->text() + u'.');
}

void Tdownload::HttpCli1DocBegin() {
    infolabel3->setText(tr("Downloading: %1").arg(infolabel2->text()));
}

void Tdownload::HttpCli1DocData(qint64 received) {
    infolabel->setText(tr("%1 bytes").arg(received));
}

void Tdownload::HttpCli1RequestDone(bool ok, const QString&) {
    // A file that cannot be completed on disk is as failed as a broken transfer.
    if (ok && m_file.flush()) {
        infolabel->setText(tr("Received %1 bytes").arg(m_file.size()));
    } else {
        infolabel->setText(tr("Download Aborted"));
        m_state = kAborted;
    }
    getbutton->setEnabled(true);
    abortbutton->setEnabled(false);
    m_file.close();
    if (m_state == kAborted) {
        // Nothing arrived (no network, no such file): an empty installer would only
        // mislead the player into running it. A partial one is kept to show what came.
        if (m_file.size() == 0) m_file.remove();
        return;
    }
    infolabel3->setText(tr("Installing"));
    startInstaller();
}

void Tdownload::startInstaller() {
    // Only a file the system marks as executable is run; anything else (a foreign
    // installer, a saved error page) cannot install the lobby here.
    const QFileInfo installer(m_file.fileName());
    const bool started = installer.isFile() && installer.isExecutable() &&
                         QProcess::startDetached(installer.absoluteFilePath(), kInstallerArguments,
                                                 installer.absolutePath());
    if (!started) {
        showMessage(tr(kErrorText));
        return;
    }
    closeGame();
}

void Tdownload::closeGame() {
    if (m_exitAction)
        m_exitAction();
    else
        QCoreApplication::quit();
}

void Tdownload::showMessage(const QString& text) {
    if (m_messageSink) {
        m_messageSink(text);
        return;
    }
    plain::ask(this, QMessageBox::Information, QStringLiteral("Vimbrel"), text);
}

void Tdownload::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    art::paintTiledBackground(painter, rect());
}

void Tdownload::showEvent(QShowEvent* event) {
    // Centred on the desktop, over the game.
    if (const QScreen* where = screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(where->availableGeometry().center());
        move(frame.topLeft());
    }
    QWidget::showEvent(event);
}
