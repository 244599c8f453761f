// The network start dialog on its own: the command line it builds, what it refuses,
// and what it remembers in the shared settings file.
#include "client/netdialog.h"
#include "settings/inifile.h"
#include "startup/translations.h"
#include "widgets/hoverbutton.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTemporaryDir>
#include <QTranslator>
#include <QtTest>

namespace {

using Mode = NetDialog::Mode;

struct Recorder {
    QList<QStringList> starts;
    QString program;
    bool works = true;
    NetDialog::ProcessStarter starter() {
        return [this](const QString& p, const QStringList& args) {
            program = p;
            starts << args;
            return works;
        };
    }
};

} // namespace

class TestNetDialog : public QObject {
    Q_OBJECT
private slots:
    void init();
    void startsWithTheLobbysParameters_data();
    void startsWithTheLobbysParameters();
    void refusesUnusableInput_data();
    void refusesUnusableInput();
    void remembersNameAndAddressBesideOtherSettings();
    void hostingKeepsTheLastAddress();
    void routerChoiceIsOffUntilChosen();
    void portBoxGoesWithTheAddress_data();
    void portBoxGoesWithTheAddress();
    void placeholderFitsItsBox_data();
    void placeholderFitsItsBox();

private:
    QString m_ini;
    QTemporaryDir m_dir;
};

void TestNetDialog::init() {
    m_ini = m_dir.filePath(QStringLiteral("zumveklobby.ini"));
    QFile::remove(m_ini);
}

void TestNetDialog::startsWithTheLobbysParameters_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("host, trimmed") << int(Mode::Host) << "  Ann Lee \t" << QString()
                                   << QStringList{"Ann Lee", "127.0.0.1", "true"};
    QTest::newRow("join by address")
        << int(Mode::Join) << "Bob"
        << " 192.168.1.20 " << QStringList{"Bob", "192.168.1.20", "join"};
    QTest::newRow("join by IPv6 address, bracketed")
        << int(Mode::Join) << "Bob"
        << "[2001:db8::5]" << QStringList{"Bob", "[2001:db8::5]", "join"};
    QTest::newRow("join by name") << int(Mode::Join) << QString::fromUtf8("Zoë")
                                  << "game.example.org"
                                  << QStringList{QString::fromUtf8("Zoë"), "game.example.org",
                                                 "join"};
}

void TestNetDialog::startsWithTheLobbysParameters() {
    QFETCH(int, mode);
    QFETCH(QString, name);
    QFETCH(QString, address);
    QFETCH(QStringList, expected);
    Recorder rec;
    NetDialog d(Mode(mode), m_ini, {}, QStringLiteral("/opt/vimbrel/vimbrel"), rec.starter());
    QSignalSpy launched(&d, &NetDialog::launched);
    QCOMPARE(d.addressBox() != nullptr, Mode(mode) == Mode::Join);
    d.nameBox()->setText(name);
    if (d.addressBox()) d.addressBox()->setText(address);
    // Enter in a box starts as the button does.
    QTest::keyClick(d.nameBox(), Qt::Key_Return);
    QCOMPARE(rec.starts, QList<QStringList>{expected});
    QCOMPARE(rec.program, QStringLiteral("/opt/vimbrel/vimbrel"));
    QCOMPARE(launched.count(), 1);
    QCOMPARE(d.result(), int(QDialog::Accepted));
}

void TestNetDialog::refusesUnusableInput_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("problem");
    QTest::newRow("empty name") << int(Mode::Host) << ""
                                << ""
                                << "Please enter your name.";
    QTest::newRow("blank name") << int(Mode::Join) << "   "
                                << "10.0.0.1"
                                << "Please enter your name.";
    QTest::newRow("plus") << int(Mode::Host) << "A+B"
                          << ""
                          << "Your name cannot contain \"+\" or \"|\".";
    QTest::newRow("bar") << int(Mode::Join) << "A|B"
                         << "10.0.0.1"
                         << "Your name cannot contain \"+\" or \"|\".";
    QTest::newRow("no address") << int(Mode::Join) << "Ann"
                                << "  "
                                << "Please enter the host's address.";
    QTest::newRow("spaced address") << int(Mode::Join) << "Ann"
                                    << "my host"
                                    << "The host's address cannot contain spaces.";
}

void TestNetDialog::refusesUnusableInput() {
    QFETCH(int, mode);
    QFETCH(QString, name);
    QFETCH(QString, address);
    QFETCH(QString, problem);
    Recorder rec;
    NetDialog d(Mode(mode), m_ini, {}, QStringLiteral("vimbrel"), rec.starter());
    QSignalSpy launched(&d, &NetDialog::launched);
    d.show();
    d.nameBox()->setText(name);
    if (d.addressBox()) d.addressBox()->setText(address);
    QTest::mouseClick(d.startButton(), Qt::LeftButton);
    QCOMPARE(d.problemLabel()->text(), problem);
    QVERIFY(d.problemLabel()->isVisible());
    QVERIFY(rec.starts.isEmpty());
    QCOMPARE(launched.count(), 0);
    QVERIFY(d.isVisible());
    QVERIFY(!QFile::exists(m_ini)); // nothing remembered from a refused start
}

void TestNetDialog::remembersNameAndAddressBesideOtherSettings() {
    IniFile before(m_ini);
    before.writeString("Lobby", "Server", "lobby.example.org");
    before.writeString("Vimbrel", "Textsize", "12");
    QVERIFY(before.save());
    Recorder rec;
    {
        NetDialog d(Mode::Join, m_ini, QStringLiteral("Ann"), QStringLiteral("vimbrel"),
                    rec.starter());
        QCOMPARE(d.nameBox()->text(), QStringLiteral("Ann")); // nothing remembered yet
        QCOMPARE(d.addressBox()->text(), QString());
        d.nameBox()->setText(QStringLiteral(" Bob "));
        d.addressBox()->setText(QStringLiteral("10.1.2.3"));
        QTest::mouseClick(d.startButton(), Qt::LeftButton);
    }
    IniFile after(m_ini);
    QVERIFY(after.load());
    QCOMPARE(after.readString("Vimbrel", "Lastname"), QStringLiteral("Bob"));
    QCOMPARE(after.readString("Vimbrel", "Lastaddress"), QStringLiteral("10.1.2.3"));
    QCOMPARE(after.readString("Vimbrel", "Textsize"), QStringLiteral("12"));
    QCOMPARE(after.readString("Lobby", "Server"), QStringLiteral("lobby.example.org"));
    // The next dialog offers them again, over the table's own name.
    NetDialog again(Mode::Join, m_ini, QStringLiteral("Ann"), QStringLiteral("vimbrel"),
                    rec.starter());
    QCOMPARE(again.nameBox()->text(), QStringLiteral("Bob"));
    QCOMPARE(again.addressBox()->text(), QStringLiteral("10.1.2.3"));
}

void TestNetDialog::hostingKeepsTheLastAddress() {
    IniFile before(m_ini);
    before.writeString("Vimbrel", "Lastaddress", "10.1.2.3");
    QVERIFY(before.save());
    Recorder rec;
    rec.works = false; // remembered even when the new copy fails to start
    NetDialog d(Mode::Host, m_ini, {}, QStringLiteral("vimbrel"), rec.starter());
    QSignalSpy launched(&d, &NetDialog::launched);
    d.nameBox()->setText(QStringLiteral("Cy"));
    QTest::mouseClick(d.startButton(), Qt::LeftButton);
    QCOMPARE(rec.starts.size(), 1);
    QCOMPARE(launched.count(), 0);
    QVERIFY(!d.problemLabel()->text().isEmpty());
    IniFile after(m_ini);
    QVERIFY(after.load());
    QCOMPARE(after.readString("Vimbrel", "Lastname"), QStringLiteral("Cy"));
    QCOMPARE(after.readString("Vimbrel", "Lastaddress"), QStringLiteral("10.1.2.3"));
}

void TestNetDialog::routerChoiceIsOffUntilChosen() {
    Recorder rec;
    NetDialog join(Mode::Join, m_ini, QStringLiteral("Ann"), QStringLiteral("vimbrel"),
                   rec.starter());
    QVERIFY(!join.openPortBox()); // only a host has a router to ask
    auto host = [&] {
        return std::make_unique<NetDialog>(Mode::Host, m_ini, QStringLiteral("Ann"),
                                           QStringLiteral("vimbrel"), rec.starter());
    };
    auto d = host();
    QVERIFY(!d->openPortBox()->isChecked());
    QTest::mouseClick(d->startButton(), Qt::LeftButton);
    IniFile untouched(m_ini);
    QVERIFY(untouched.load());
    QVERIFY(!untouched.contains("Vimbrel", "Openport")); // nobody chose: nothing written

    d = host();
    d->openPortBox()->click();
    QTest::mouseClick(d->startButton(), Qt::LeftButton);
    IniFile on(m_ini);
    QVERIFY(on.load());
    QCOMPARE(on.readString("Vimbrel", "Openport"), QStringLiteral("true"));

    d = host();
    QVERIFY(d->openPortBox()->isChecked());
    d->openPortBox()->click();
    QTest::mouseClick(d->startButton(), Qt::LeftButton);
    IniFile off(m_ini);
    QVERIFY(off.load());
    QCOMPARE(off.readString("Vimbrel", "Openport"), QStringLiteral("false"));
}

void TestNetDialog::portBoxGoesWithTheAddress_data() {
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("joined"); // empty: refused
    QTest::addColumn<QString>("problem");
    QTest::newRow("IPv4") << "192.168.1.20"
                          << "7800"
                          << "192.168.1.20:7800" << QString();
    QTest::newRow("IPv6 gets brackets") << "2001:db8::5"
                                        << "7800"
                                        << "[2001:db8::5]:7800" << QString();
    QTest::newRow("IPv6 in brackets") << "[2001:db8::5]"
                                      << " 7800 "
                                      << "[2001:db8::5]:7800" << QString();
    QTest::newRow("port in the address") << "game.example.org:7800"
                                         << ""
                                         << "game.example.org:7800" << QString();
    QTest::newRow("the same port twice") << "game.example.org:7800"
                                         << "7800"
                                         << "game.example.org:7800" << QString();
    QTest::newRow("port zero") << "10.0.0.1"
                               << "0" << QString() << "The port is a number from 1 to 65535.";
    QTest::newRow("port not a number")
        << "10.0.0.1"
        << "77x" << QString() << "The port is a number from 1 to 65535.";
    QTest::newRow("two ports") << "10.0.0.1:7800"
                               << "7801" << QString()
                               << "The address names port 7800 and the Port box 7801: give one "
                                  "of them.";
    QTest::newRow("no address") << "[::1"
                                << "" << QString()
                                << "\"[::1\" is not an address. Give a host name, an IPv4 or an "
                                   "IPv6 address; a port goes in the Port box.";
}

void TestNetDialog::portBoxGoesWithTheAddress() {
    QFETCH(QString, address);
    QFETCH(QString, port);
    QFETCH(QString, joined);
    QFETCH(QString, problem);
    Recorder rec;
    {
        NetDialog d(Mode::Join, m_ini, QStringLiteral("Ann"), QStringLiteral("vimbrel"),
                    rec.starter());
        d.show();
        d.addressBox()->setText(address);
        d.portBox()->setText(port);
        QTest::keyClick(d.portBox(), Qt::Key_Return);
        QCOMPARE(d.problemLabel()->isVisible(), !problem.isEmpty());
        QCOMPARE(d.problemLabel()->text(), problem);
        if (joined.isEmpty()) {
            QVERIFY(rec.starts.isEmpty());
            return;
        }
        QCOMPARE(rec.starts, (QList<QStringList>{{"Ann", joined, "join"}}));
    }
    // Offered again as it was typed.
    NetDialog again(Mode::Join, m_ini, {}, QStringLiteral("vimbrel"), rec.starter());
    QCOMPARE(again.addressBox()->text(), address);
    QCOMPARE(again.portBox()->text(), port.trimmed());
}

void TestNetDialog::placeholderFitsItsBox_data() {
    QTest::addColumn<QString>("language");
    QTest::newRow("English") << "en";
    QTest::newRow("German") << "de";
}

// The hint in the empty address box is read whole, in either language.
void TestNetDialog::placeholderFitsItsBox() {
    QFETCH(QString, language);
    i18n::installTranslators(QLocale(language));
    auto english = qScopeGuard([] {
        for (QTranslator* t : qApp->findChildren<QTranslator*>()) {
            QCoreApplication::removeTranslator(t);
            delete t;
        }
    });
    Recorder rec;
    NetDialog d(Mode::Join, m_ini, {}, QStringLiteral("vimbrel"), rec.starter());
    d.show();
    QVERIFY(QTest::qWaitForWindowExposed(&d));
    QLineEdit* box = d.addressBox();
    if (language == QLatin1String("de"))
        QVERIFY2(box->placeholderText().contains(QLatin1String("Adresse")),
                 qPrintable(box->placeholderText()));
    QStyleOptionFrame option;
    option.initFrom(box);
    option.lineWidth = box->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, box);
    const QRect text = box->style()->subElementRect(QStyle::SE_LineEditContents, &option, box);
    const int room = text.width() - 4; // QLineEdit's own horizontal margin, both sides
    const int needed = box->fontMetrics().horizontalAdvance(box->placeholderText());
    QVERIFY2(needed <= room, qPrintable(QStringLiteral("%1 px for \"%2\" in %3 px")
                                            .arg(needed)
                                            .arg(box->placeholderText())
                                            .arg(room)));
}

QTEST_MAIN(TestNetDialog)
#include "tst_netdialog.moc"
