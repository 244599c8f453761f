// A link from a web page becomes the game's parameters under the saved name, or the Join
// dialog filled with the link's table when no name was saved.
#include "client/netdialog.h"
#include "settings/inifile.h"
#include "startup/linkstart.h"
#include "widgets/hoverbutton.h"

#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

class TestLinkStart : public QObject {
    Q_OBJECT
private slots:
    void init() {
        m_dir.emplace();
        m_ini = m_dir->filePath(QStringLiteral("zumveklobby.ini"));
    }

    void savedNameJoinsAtOnce() {
        saveName(QStringLiteral("Bob"));
        const auto p = linkstart::plan(QStringLiteral("vimbrel://join/[2001:db8::5]:7800"), m_ini);
        QVERIFY(p);
        QCOMPARE(p->arguments, QStringList({"Bob", "[2001:db8::5]:7800", "join"}));
        // No port in the link: the game's own.
        const auto q = linkstart::plan(QStringLiteral("vimbrel://join/games.example.org"), m_ini);
        QVERIFY(q);
        QCOMPARE(q->arguments, QStringList({"Bob", "games.example.org", "join"}));
    }

    // No name, or one the dialog would refuse, is asked for; a bad link plans nothing.
    void nameIsAskedForWhenNoneFits() {
        const QString link = QStringLiteral("vimbrel://join/127.0.0.1:7800");
        QVERIFY(linkstart::plan(link, m_ini)->arguments.isEmpty());
        saveName(QStringLiteral("a+b"));
        QVERIFY(linkstart::plan(link, m_ini)->arguments.isEmpty());
        saveName(QStringLiteral("Bob"));
        QVERIFY(!linkstart::plan(QStringLiteral("vimbrel://join/127.0.0.1:7800;x"), m_ini));
    }

    void dialogAsksForTheNameAndRemembersIt() {
        const auto p = linkstart::plan(QStringLiteral("vimbrel://join/[::1]:7800"), m_ini);
        QVERIFY(p);
        QStringList started;
        std::unique_ptr<NetDialog> d(
            linkstart::askName(p->target, m_ini, [&](const QStringList& a) { started = a; }));
        QCOMPARE(d->nameBox()->text(), QString());
        QCOMPARE(d->addressBox()->text(), QStringLiteral("::1"));
        QCOMPARE(d->portBox()->text(), QStringLiteral("7800"));
        QTest::mouseClick(d->startButton(), Qt::LeftButton); // no name yet: nothing starts
        QVERIFY(started.isEmpty());
        d->nameBox()->setText(QStringLiteral("Cy"));
        QTest::mouseClick(d->startButton(), Qt::LeftButton);
        QCOMPARE(started, QStringList({"Cy", "[::1]:7800", "join"}));
        // The next link joins at once.
        QCOMPARE(linkstart::plan(QStringLiteral("vimbrel://join/[::1]:7800"), m_ini)->arguments,
                 started);
    }

    // The refusal names the link as plain words, whatever it holds.
    void refusalNamesTheLink() {
        const QString text = linkstart::refusal(QStringLiteral("vimbrel://x\n<b>y</b>"));
        QVERIFY2(text.contains(QStringLiteral("\"vimbrel://x?<b>y</b>\"")), qPrintable(text));
        QVERIFY(linkstart::refusal(QString(500, u'a')).size() < 400);
    }

private:
    void saveName(const QString& name) {
        IniFile ini(m_ini);
        ini.load();
        ini.writeString(QStringLiteral("Vimbrel"), QStringLiteral("Lastname"), name);
        QVERIFY(ini.save());
    }

    std::optional<QTemporaryDir> m_dir;
    QString m_ini;
};

QTEST_MAIN(TestLinkStart)
#include "tst_linkstart.moc"
