// The program: one executable that hosts, joins or plays solo.
#include "client/chatform.h"
#include "client/netdialog.h"
#include "net/joinlink.h"
#include "paths/datafolder.h"
#include "startup/launcher.h"
#include "startup/linkstart.h"
#include "startup/singleinstance.h"
#include "startup/translations.h"
#include "version/version.h"

#include <QApplication>
#include <QMessageBox>
#include <QTextStream>
#include <memory>

namespace {

// --version and --help answer and end without starting a game; every other
// argument is a positional parameter for the game.
bool answerInfoOption(const QStringList& args) {
    if (args.size() != 1) return false;
    QTextStream out(stdout);
    if (args[0] == QLatin1String("--version")) {
        out << "Vimbrel " << vimbrel::kRelease << "\n";
        return true;
    }
    if (args[0] == QLatin1String("--help")) {
        out << QCoreApplication::translate(
            "main", "Usage: vimbrel [NAME HOST true|join]\n"
                    "  no parameters       a solo game against the computer\n"
                    "  NAME HOST true      host a network game on port 7772 as NAME\n"
                    "  NAME HOST join      join the game hosted at HOST as NAME\n"
                    "HOST is a host name, an IPv4 address such as 192.168.1.20 or an IPv6\n"
                    "address such as 2001:db8::5 (brackets optional: [2001:db8::5]).\n"
                    "A host on another port than 7772 is HOST:PORT, such as 192.168.1.20:7800;\n"
                    "an IPv6 address takes a port only in brackets: [2001:db8::5]:7800.\n"
                    "A host listens on IPv4 and IPv6 alike.\n");
        return true;
    }
    return false;
}

// Said in a box and on the terminal: a link from a browser has no terminal to read.
void tell(QMessageBox::Icon icon, const QString& text) {
    QTextStream(stderr) << text << "\n";
    QMessageBox box(icon, QStringLiteral("Vimbrel"), text);
    box.setTextFormat(Qt::PlainText); // the text names a link from a web page
    box.exec();
}

} // namespace

int main(int argc, char** argv) {
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    if (args.size() == 1 && args[0].startsWith(QLatin1String("--"))) {
        // Terminal text speaks the player's language too, without opening a display.
        QCoreApplication core(argc, argv);
        i18n::installTranslators(QLocale::system());
        if (answerInfoOption(args)) return 0;
    }

    QApplication app(argc, argv);
    i18n::installTranslators(QLocale::system());
    QApplication::setApplicationName(QStringLiteral("Vimbrel"));
    QApplication::setOrganizationName(QStringLiteral("Zumvek"));
    // The installed desktop entry's name: Wayland and docks match the windows to it.
    QGuiApplication::setDesktopFileName(QStringLiteral(VIMBREL_APP_ID));
    QApplication::setQuitOnLastWindowClosed(false);

    // A link from a web page joins its table; a bad one starts nothing.
    std::optional<linkstart::Plan> link;
    if (args.size() == 1 && joinlink::isLink(args[0])) {
        link = linkstart::plan(args[0], datafolder::configFile(Tchat::settingsFileName()));
        if (!link) {
            tell(QMessageBox::Warning, linkstart::refusal(args[0]));
            return 2;
        }
        args = link->arguments;
    }

    // The windows are made once the guard is ours; a second start only asks the first
    // to come to the front and ends. Both happen in the event loop, which never waits.
    SingleInstance guard(QStringLiteral("vorkel"));
    std::unique_ptr<Launcher> launcher;
    std::unique_ptr<NetDialog> askName;
    QObject::connect(&guard, &SingleInstance::declined, &app, [&link] {
        if (link) tell(QMessageBox::Information, linkstart::alreadyRunning(link->target));
        QCoreApplication::exit(0);
    });
    auto startGame = [&guard, &launcher](const QStringList& gameArgs) {
        launcher = std::make_unique<Launcher>(gameArgs);
        guard.setRaiseAction([table = launcher->table()] {
            if (table->isMinimized()) table->showNormal();
            table->show();
            table->raise();
            table->activateWindow();
        });
        launcher->table()->show();
    };
    QObject::connect(&guard, &SingleInstance::claimed, &app, [&] {
        if (!link || !link->arguments.isEmpty()) return startGame(args);
        // No saved name: the Join dialog asks for one, and closing it ends the start.
        askName.reset(linkstart::askName(link->target,
                                         datafolder::configFile(Tchat::settingsFileName()),
                                         [&args](const QStringList& a) { args = a; }));
        QObject::connect(askName.get(), &NetDialog::launched, &app, [&] {
            startGame(args);
            askName.release()->deleteLater();
        });
        QObject::connect(askName.get(), &QDialog::rejected, &app,
                         [] { QCoreApplication::exit(0); });
        guard.setRaiseAction([d = askName.get()] {
            d->raise();
            d->activateWindow();
        });
        askName->show();
    });
    guard.claim(SingleInstance::takeRelaunchWait());
    return app.exec();
}
