// zumveklobby: the lobby program that finds a table and starts the game.
#include "startup/translations.h"
#include "zumveklobby/lobbyapp.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // The game's names, so both programs find the one settings file they share.
    QApplication::setOrganizationName(QStringLiteral("Zumvek"));
    QApplication::setApplicationName(QStringLiteral("Vimbrel"));
    QGuiApplication::setDesktopFileName(QStringLiteral("com.zumvek.ZumvekLobby"));
    // Windows come and go (sign-in, a game running); the program ends when the lobby
    // window closes or the sign-in is abandoned.
    QApplication::setQuitOnLastWindowClosed(false);
    i18n::installTranslators(QLocale::system(), QStringLiteral("zumveklobby"));

    zumvek::LobbyApp lobby;
    lobby.start();
    return app.exec();
}
