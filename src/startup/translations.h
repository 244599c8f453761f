// The player's language. English is the source text, so it needs no file; any other
// language the program ships comes with Qt's own texts for the standard dialogs.
#pragma once

#include <QLocale>
#include <QString>

namespace i18n {

// Installs the translation `catalogue` ("vimbrel", or "zumveklobby" for the lobby) for
// `locale` (its languages in order of preference, QLocale::uiLanguages) and Qt's own for the same
// language, owned by the application object, which must exist. Returns the language installed
// ("de"), or an empty string when the texts stay English. Call once, before the first window is
// made.
QString installTranslators(const QLocale& locale,
                           const QString& catalogue = QStringLiteral("vimbrel"));

} // namespace i18n
