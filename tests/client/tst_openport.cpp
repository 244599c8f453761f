// The choice to have the router open the game port, as the table keeps and uses it:
// off until the player chooses it, asked for only by a table that hosts for others,
// and the router's answer told once in the chat panel.
#include "client/chatform.h"
#include "client/chatpanel.h"
#include "settings/inifile.h"
#include "client/netdialog.h"
#include "net/Sock.h"
#include "protocol/clientlink.h"

#include <QLineEdit>

#include <QAction>
#include <QCheckBox>
#include <QTextBlock>
#include <QtTest>

namespace {

struct SilentLink : ClientLink {
    void attach(ClientEvents*) override {}
    void open(const QString&) override {}
    void send(const QByteArray&) override {}
    void close() override {}
};

const QStringList kSolo;
const QStringList kHost{"Ann", "127.0.0.1", "true"};
const QStringList kJoin{"Ann", "203.0.113.9", "join"};

} // namespace

class TestOpenPort : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void routerIsAskedOnlyWhenChosenAndHostingForOthers_data();
    void routerIsAskedOnlyWhenChosenAndHostingForOthers();
    void menuChoiceIsSavedAndFollowedWhileHosting();
    void routerAnswersInTheChatPanel();
    void dialogsChoiceOutlivesTheTableItReplaces();

private:
    // A table started with `args`; every request to the router lands in m_asked.
    void start(const QStringList& args, bool listenWorks = true);
    QString lastLine() const { return m_table->mainchat()->document()->lastBlock().text(); }
    QString settingsText() const;

    Tchat* m_table = nullptr;
    SilentLink m_link;
    QList<bool> m_asked;
};

void TestOpenPort::init() {
    m_asked.clear();
    m_table = new Tchat(m_link);
    m_table->setMessageSink([](const QString&) {});
    QFile::remove(m_table->settingsPath());
}

void TestOpenPort::cleanup() {
    delete m_table;
    m_table = nullptr;
}

void TestOpenPort::start(const QStringList& args, bool listenWorks) {
    Tchat::Hooks hooks;
    hooks.listen = [listenWorks] {
        if (!listenWorks) throw ESockException("Listen - Address Already In Use");
    };
    hooks.routerPort = [this](bool open) { m_asked << open; };
    m_table->setHooks(std::move(hooks));
    m_table->setArguments(args);
    m_table->processparams();
}

QString TestOpenPort::settingsText() const {
    QFile f(m_table->settingsPath());
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

void TestOpenPort::routerIsAskedOnlyWhenChosenAndHostingForOthers_data() {
    QTest::addColumn<QString>("saved"); // the settings file's Openport, empty for none
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<bool>("listenWorks");
    QTest::addColumn<QList<bool>>("asked");
    QTest::newRow("solo, nothing saved") << "" << kSolo << true << QList<bool>{};
    QTest::newRow("host, nothing saved") << "" << kHost << true << QList<bool>{};
    QTest::newRow("host, saved off") << "false" << kHost << true << QList<bool>{};
    QTest::newRow("host, saved on") << "true" << kHost << true << QList<bool>{true};
    QTest::newRow("solo, saved on") << "true" << kSolo << true << QList<bool>{};
    QTest::newRow("join, saved on") << "true" << kJoin << true << QList<bool>{};
    QTest::newRow("host that cannot listen") << "true" << kHost << false << QList<bool>{};
}

void TestOpenPort::routerIsAskedOnlyWhenChosenAndHostingForOthers() {
    QFETCH(QString, saved);
    QFETCH(QStringList, args);
    QFETCH(bool, listenWorks);
    QFETCH(QList<bool>, asked);
    if (!saved.isEmpty()) {
        IniFile ini(m_table->settingsPath());
        ini.writeString(QStringLiteral("Vimbrel"), QStringLiteral("Openport"), saved);
        QVERIFY(ini.save());
    }
    const QString before = settingsText();
    start(args, listenWorks);
    QCOMPARE(m_asked, asked);
    QCOMPARE(m_table->openPortChosen(), saved == QLatin1String("true"));
    QCOMPARE(m_table->action(QStringLiteral("OpenPort1"))->isChecked(),
             saved == QLatin1String("true"));
    // Reading the choice writes nothing, least of all a choice nobody made.
    QCOMPARE(settingsText(), before);
}

void TestOpenPort::menuChoiceIsSavedAndFollowedWhileHosting() {
    QAction* item = m_table->action(QStringLiteral("OpenPort1"));
    QVERIFY(item->isCheckable());
    start(kSolo);
    item->trigger();
    QVERIFY(m_table->openPortChosen());
    QVERIFY(settingsText().contains(QLatin1String("Openport=true")));
    QVERIFY(m_asked.isEmpty()); // a solo game keeps the choice for later, and asks nothing

    delete m_table;
    m_table = new Tchat(m_link);
    start(kHost);
    QCOMPARE(m_asked, QList<bool>{true}); // the choice saved in the solo game
    item = m_table->action(QStringLiteral("OpenPort1"));
    item->trigger();
    QCOMPARE(m_asked, (QList<bool>{true, false}));
    QVERIFY(settingsText().contains(QLatin1String("Openport=false")));
    item->trigger();
    QCOMPARE(m_asked, (QList<bool>{true, false, true}));
}

void TestOpenPort::routerAnswersInTheChatPanel() {
    // Answers nobody asked for (a solo game) are not shown.
    start(kSolo);
    const QString soloLine = lastLine();
    m_table->portOpened(QHostAddress(QStringLiteral("203.0.113.7")));
    m_table->portNotOpened(PortMapper::Failure::NoRouter, 0);
    QCOMPARE(lastLine(), soloLine);

    delete m_table;
    m_table = new Tchat(m_link);
    IniFile ini(m_table->settingsPath());
    ini.writeString(QStringLiteral("Vimbrel"), QStringLiteral("Openport"), QStringLiteral("true"));
    QVERIFY(ini.save());
    start(kHost);
    m_table->portOpened(QHostAddress(QStringLiteral("203.0.113.7")));
    QCOMPARE(lastLine(), QStringLiteral("Others can join you at 203.0.113.7."));
    const QTextBlock b = m_table->mainchat()->document()->lastBlock();
    QCOMPARE(b.begin().fragment().charFormat().foreground().color(), QColor(0, 0, 255));
    // An outside address that is itself private: the player is behind a second router.
    m_table->portOpened(QHostAddress(QStringLiteral("100.64.0.9")));
    QVERIFY(lastLine().contains(QLatin1String("behind another router")));
    QVERIFY(lastLine().contains(QLatin1String("100.64.0.9")));
    // Trouble is told once, with what to do instead; a later renewal failing is not news.
    const int blocks = m_table->mainchat()->document()->blockCount();
    m_table->portNotOpened(PortMapper::Failure::Refused, 718);
    m_table->portNotOpened(PortMapper::Failure::NoRouter, 0);
    QCOMPARE(m_table->mainchat()->document()->blockCount(), blocks + 1);
    QVERIFY(
        lastLine().startsWith(QLatin1String("Your router did not open port 7772 (error 718).")));
    QVERIFY(lastLine().contains(QLatin1String("forward TCP port 7772")));
    QVERIFY(lastLine().contains(QLatin1String("vimbrel-host")));
    // Turned off and on again: a new request, whose trouble is news again.
    m_table->action(QStringLiteral("OpenPort1"))->trigger();
    m_table->action(QStringLiteral("OpenPort1"))->trigger();
    m_table->portNotOpened(PortMapper::Failure::NoRouter, 0);
    QVERIFY(
        lastLine().startsWith(QLatin1String("No router answered the request to open port 7772.")));
    m_table->action(QStringLiteral("OpenPort1"))->trigger();
    m_table->action(QStringLiteral("OpenPort1"))->trigger();
    m_table->portNotOpened(PortMapper::Failure::NoAnswer, 0);
    QVERIFY(lastLine().startsWith(
        QLatin1String("Your router did not answer in time when asked to open port 7772.")));
}

void TestOpenPort::dialogsChoiceOutlivesTheTableItReplaces() {
    IniFile ini(m_table->settingsPath());
    ini.writeString(QStringLiteral("Vimbrel"), QStringLiteral("Openport"), QStringLiteral("false"));
    QVERIFY(ini.save());
    start(kSolo);
    Tchat::Hooks hooks;
    hooks.startProgram = [](const QString&, const QStringList&) { return true; };
    m_table->setHooks(std::move(hooks));
    // Logged in, so the table has read its settings and writes them back as it closes.
    for (const char* m : {"CMD_sendlogininfo+1", "CMD_newplayerinfo+1+You"}) {
        m_table->received(QString::fromLatin1(m));
        while (m_table->queue().pending())
            m_table->queue().tick();
    }
    m_table->show();
    m_table->setGeometry(40, 50, 710, 580); // moved, so closing saves
    m_table->openNetworkDialog(true);
    auto* dialog = m_table->findChild<NetDialog*>();
    QVERIFY(dialog);
    dialog->nameBox()->setText(QStringLiteral("Ann"));
    dialog->openPortBox()->click();
    dialog->button_startClick();
    QTRY_VERIFY(!m_table->isVisible()); // this table gives way to the new host
    QVERIFY(settingsText().contains(QLatin1String("Openport=true")));
}

QTEST_MAIN(TestOpenPort)
#include "tst_openport.moc"
