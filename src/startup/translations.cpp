#include "startup/translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace i18n {

QString installTranslators(const QLocale& locale, const QString& catalogue) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) return {};
    auto* game = new QTranslator(app);
    // The .qm files are compiled in (resource prefix /i18n) from translations/*.ts.
    if (!game->load(locale, catalogue, QStringLiteral("_"), QStringLiteral(":/i18n"))) {
        delete game;
        return {};
    }
    QCoreApplication::installTranslator(game);
    const QString language = QLocale(game->language()).name().section(QLatin1Char('_'), 0, 0);
    // Qt's own texts (standard buttons, colour dialog) follow the game's language, not
    // the first one listed, so one window never mixes two languages. They are optional.
    auto* qt = new QTranslator(app);
    if (qt->load(QLocale(language), QStringLiteral("qtbase"), QStringLiteral("_"),
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(qt);
    else
        delete qt;
    return language;
}

} // namespace i18n
