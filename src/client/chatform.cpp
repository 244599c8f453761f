#include "client/chatform.h"

#include "client/board/board.h"
#include "client/chatpanel.h"
#include "settings/inifile.h"
#include "client/netdialog.h"
#include "client/phrasesform.h"
#include "client/sound/sounds.h"
#include "client/spylistform.h"
#include "widgets/art.h"
#include "widgets/picturebutton.h"
#include "widgets/plainlabel.h"
#include "widgets/tiledpanel.h"
#include "widgets/windowplace.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include <cstdio>

namespace {

constexpr int kBoardWidth = 684;
constexpr int kBoardHeight = 538;
constexpr int kPhraseLefts[10] = {4, 31, 58, 84, 111, 138, 164, 191, 218, 245};

// The board stays centred in whatever room the window gives it.
class BoardFrame : public TiledPanel {
public:
    BoardFrame(QWidget* board, QWidget* parent) : TiledPanel(parent), m_board(board) {
        m_board->setParent(this);
        setMinimumSize(kBoardWidth + 15, kBoardHeight + 12);
    }

protected:
    void resizeEvent(QResizeEvent* e) override {
        TiledPanel::resizeEvent(e);
        m_board->move(std::max(5, (width() - kBoardWidth) / 2),
                      std::max(3, (height() - kBoardHeight) / 2));
    }

private:
    QWidget* m_board;
};

} // namespace

Tchat::Tchat(ClientLink& link, QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("Tchat"));
    setWindowTitle(programName());
    setWindowIcon(art::appIcon());
    m_session = new TableSession(link, settingsPath(), this);
    m_sounds = new Sounds(this);
    m_closeTimer = new QTimer(this);
    m_closeTimer->setInterval(5);
    connect(m_closeTimer, &QTimer::timeout, this, [this] {
        // While a message is up nothing polls: its end starts the check again.
        if (m_messagesShown > 0) m_closeTimer->stop();
        if (m_messagesShown > 0 || queue().pending() > 0) return;
        m_closeTimer->stop();
        tableEnded();
    });
    m_messageSink = [this](const QString& text) {
        // Echoed on standard error so a player who started us from a terminal sees it too.
        std::fprintf(stderr, "vimbrel: %s\n", qPrintable(text));
        std::fflush(stderr);
        plain::ask(this, QMessageBox::Information, programName(), text);
    };
    m_alert = [](QWidget* w) { QApplication::alert(w); };
    buildWindow();
    buildMenus();
    observeSession();
    // The same kind of bounds the settings file holds, so unmoved means unchanged. Placed
    // before the window first shows: a window manager can misplace a window that moves
    // the moment it appears.
    IniFile ini(settingsPath());
    m_boundsApplied = ini.load() ? savedBounds(ini) : windowplace::centred(kTableSize, screen());
    windowplace::place(this, m_boundsApplied);
}

// The session goes first, so nothing it hears reaches a window half gone.
Tchat::~Tchat() {
    delete m_session;
}

void Tchat::observeSession() {
    const TableSession* s = m_session;
    connect(s, &TableSession::notice, this,
            [this](const QString& line, wire::BgrColour colour, const QString& sender) {
                m_mainchat->addlinetochat(line, colour, sender);
            });
    connect(s, &TableSession::chatHidden, m_mainchat, &ChatPanel::setSenderHidden);
    connect(s, &TableSession::sound, this, &Tchat::playsounds);
    connect(s, &TableSession::message, this, &Tchat::showMessage);
    connect(s, &TableSession::ended, this, &Tchat::closeWhenIdle);
    connect(s, &TableSession::ownArrived, this, &Tchat::loadinifile);
    connect(s, &TableSession::ownJustWatchChanged, this, &Tchat::setJustWatchChecked);
    connect(s, &TableSession::settingsUnreadable, this, &Tchat::warnSettingsUnreadable);
    connect(s, &TableSession::tallied, this, [this](const QString& w) {
        if (m_hooks.addgame) m_hooks.addgame(w);
    });
    connect(s, &TableSession::rejoinAvailable, this, [this] {
        if (QAction* a = action(QStringLiteral("RejoinGame1"))) a->setEnabled(true);
    });
    connect(s, &TableSession::hostPowersGained, this, [this] {
        if (QAction* a = action(QStringLiteral("StartGame1"))) a->setEnabled(true);
        if (m_spylist) m_spylist->setRemoveEnabled(true);
    });
    connect(m_board, &Board::sound, this, &Tchat::playsounds);
    connect(m_board, &Board::ownTurnStarted, this, &Tchat::ownTurnStarted);
    connect(m_board, &Board::startClicked, this, &Tchat::startGame);
}

void Tchat::buildWindow() {
    m_board = new Board(*m_session, nullptr);
    m_board->setFixedSize(kBoardWidth, kBoardHeight);
    auto* frame = new BoardFrame(m_board, this);
    setCentralWidget(frame);
    buildChat();
}

void Tchat::buildChat() {
    m_mainchat = new ChatPanel(m_board);
    m_mainchat->setGeometry(4, 355, 493, 156);
    m_mainchat->setReleaseAction([this] { m_mychat->setFocus(); });
    m_mychat = new ChatInput(m_board);
    m_mychat->setGeometry(4, 513, 493, 22);
    connect(m_mychat, &ChatInput::sendRequested, this, &Tchat::sendit);
    for (int k = 1; k <= 10; ++k) {
        auto* b = PictureButton::phrase(k, m_board);
        b->setObjectName(QStringLiteral("b_phrase%1").arg(k));
        b->setGeometry(kPhraseLefts[k - 1], 334, 25, 19);
        connect(b, &PictureButton::clicked, this, [this, k] { b_phrase1Click(k); });
        m_phraseButtons[k - 1] = b;
    }
    setPhrases({QStringLiteral("Way To Go!"), QStringLiteral("Good One!"),
                QStringLiteral("Nice Try!"), QStringLiteral("Excellent!"),
                QStringLiteral("Brilliant!"), QStringLiteral("Wow, WTG!"),
                QStringLiteral("Thanks!"), QStringLiteral("Way To Go Teamie!"),
                QStringLiteral("Good Game Everyone!"), QStringLiteral("/me waves \"Good-Bye\"")});
    auto* logo =
        new PictureButton([](art::ButtonState, qreal dpr) { return art::logo(dpr); }, m_board);
    logo->setObjectName(QStringLiteral("image_logo"));
    logo->setGeometry(343, 333, 155, 22);
    logo->setToolTip(tr("Visit Zumvek Software"));
    logo->setAccessibleName(logo->toolTip());
    connect(logo, &PictureButton::clicked, this, [this] {
        if (m_hooks.openMakerPage) m_hooks.openMakerPage();
    });
}

QAction* Tchat::action(const QString& objectName) const {
    return findChild<QAction*>(objectName);
}

void Tchat::setSpyList(Tspylist* spylist) {
    m_spylist = spylist;
    if (!spylist) return;
    TableSession* s = m_session;
    spylist->setKickAction([s](int record) { s->remove(record); });
    spylist->setIgnoreActions([s](int record) { return s->ignoreItemText(record); },
                              [s](int record) { s->toggleIgnore(record); });
    connect(s, &TableSession::spectatorArrived, spylist, &Tspylist::addSpy);
    connect(s, &TableSession::spectatorLeft, spylist, &Tspylist::removeSpy);
}

void Tchat::setPhraseEditor(Tphrases* phrases) {
    m_phrases = phrases;
    if (!phrases) return;
    phrases->setDoneAction([this](const QStringList& texts) {
        setPhrases(texts);
        IniFile ini(settingsPath());
        if (!ini.load()) {
            warnSettingsUnreadable();
            return;
        }
        for (int k = 1; k <= 10; ++k)
            ini.writeString(programName(), QStringLiteral("Phrase%1").arg(k), texts.value(k - 1));
        ini.save();
    });
}

QString Tchat::phrase(int k) const {
    return (k >= 1 && k <= 10) ? plain::toolTip(m_phraseButtons[k - 1]) : QString();
}

void Tchat::setPhrases(const QStringList& phrases) {
    for (int k = 1; k <= 10 && k <= phrases.size(); ++k) {
        plain::setToolTip(m_phraseButtons[k - 1], phrases[k - 1]);
        m_phraseButtons[k - 1]->setAccessibleName(
            tr("Phrase %1: %2").arg(QString::number(k), phrases[k - 1]));
        // The tool tip is markup; without a description of its own it would be read out as such.
        m_phraseButtons[k - 1]->setAccessibleDescription(tr("Says the phrase in the chat"));
    }
}

void Tchat::setStartEnabled(bool on) {
    m_board->setStartVisible(on);
    if (QAction* a = action(QStringLiteral("StartGame1"))) a->setEnabled(on);
}

void Tchat::showMessage(const QString& text) {
    if (!m_messageSink) return;
    // The sink returns when the player dismisses the message; the window stays open
    // until then, whatever arrives meanwhile.
    ++m_messagesShown;
    m_messageSink(text);
    --m_messagesShown;
    if (m_endPending && m_messagesShown == 0) m_closeTimer->start();
}

void Tchat::closeWhenIdle() {
    if (m_endPending || m_closing) return;
    m_endPending = true;
    m_closeTimer->start();
}

void Tchat::tableEnded() {
    if (!m_endPending) return;
    m_endPending = false;
    const QString farewell = m_session->farewell();
    if (farewell.isEmpty()) {
        close();
        return;
    }
    // The window stays, with the game as it ended and the chat's last lines, until
    // the player closes it; nothing here reaches a host any more.
    setStartEnabled(false);
    if (m_spylist) m_spylist->setRemoveEnabled(false);
    addlinetochat(farewell, state().systemColour);
    showMessage(farewell);
}

void Tchat::startGame() {
    if (m_session->startGame()) saveinifile();
}

void Tchat::setGamePort(quint16 port) {
    m_gamePort = port;
    m_session->setGamePort(port);
}

void Tchat::setJustWatchChecked(bool checked) {
    if (QAction* a = action(QStringLiteral("JustWatch1"))) a->setChecked(checked);
}

void Tchat::ownTurnStarted() {
    playsounds(m_turnSound == 1 ? QStringLiteral("turnnew") : QStringLiteral("turn"));
    if (!isActiveWindow() && m_alert) m_alert(this);
}

void Tchat::openNetworkDialog(bool host) {
    // "You" is the solo game's name, not one to offer to other players.
    const QString name = state().playerName;
    const QString fallback = name == QLatin1String("You") ? QString() : name;
    auto* dialog = new NetDialog(host ? NetDialog::Mode::Host : NetDialog::Mode::Join,
                                 settingsPath(), fallback, QCoreApplication::applicationFilePath(),
                                 m_hooks.startProgram, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    // The choice made in the dialog is this table's too, so that closing does not write
    // the one it read earlier back over it.
    connect(dialog, &NetDialog::launched, this, [this, dialog] {
        const QCheckBox* box = dialog->openPortBox();
        if (!box || box->isChecked() == m_openPort) return;
        setOpenPortChosen(box->isChecked());
        chose(QStringLiteral("Openport"));
    });
    // The new copy waits for this one to end before it takes over.
    connect(dialog, &NetDialog::launched, this, &QWidget::close, Qt::QueuedConnection);
    dialog->open();
}

void Tchat::playsounds(const QString& name) {
    m_sounds->playsounds(name);
}

void Tchat::showEvent(QShowEvent* e) {
    QMainWindow::showEvent(e);
    if (!m_firstShow) return;
    m_firstShow = false;
    m_mychat->setFocus(); // typing goes to the chat; a click on the table hands it the keys
    processparams();
}

void Tchat::closeEvent(QCloseEvent* e) {
    m_closing = true;
    const QRect now = windowplace::bounds(this);
    if (now != m_boundsRead) {
        QRect bounds = now;
        if (const QScreen* s = screen()) {
            const QRect work = s->availableGeometry();
            if (bounds.width() > work.width()) bounds.setWidth(bounds.width() - 15);
            if (bounds.height() > work.height()) bounds.setHeight(bounds.height() - 15);
        }
        windowplace::place(this, bounds);
        saveinifile();
    }
    e->accept();
    emit tableClosed();
}
