// Ignoring a player's chat: the menu items of the seat menu and the spectator list,
// and the list in the settings file. Only this table hides the lines; nothing is sent.
#include "client/chatform.h"
#include "client/inifile.h"

QString Tchat::ignoreItemText(int record) const {
    const auto found = m_present.constFind(record);
    // Not ourselves, and not a name we share: hiding it would hide our own lines.
    if (found == m_present.constEnd() || record == m_state.ownSeat || *found == ownName())
        return {};
    QString name = *found;
    name.replace(QLatin1Char('&'), QLatin1String("&&")); // a lone "&" would be a mnemonic
    return m_ignored.contains(*found) ? tr("Show Chat From %1 Again").arg(name)
                                      : tr("Ignore Chat From %1").arg(name);
}

void Tchat::toggleIgnore(int record) {
    if (ignoreItemText(record).isEmpty()) return;
    const QString name = m_present.value(record);
    if (m_ignored.remove(name)) {
        addlinetochat(tr("Chat from %1 is shown again.").arg(name), m_state.systemColour);
    } else {
        m_ignored.add(name);
        addlinetochat(tr("Chat from %1 is hidden from now on. They are not told.").arg(name),
                      m_state.systemColour);
    }
    saveIgnored();
}

void Tchat::saveIgnored() {
    IniFile ini(settingsPath());
    if (!ini.load()) {
        warnSettingsUnreadable();
        return;
    }
    const QString s = programName();
    const QString key = IgnoreList::settingsKey();
    // An empty list the file never held is nothing the player set.
    if (m_ignored.names().isEmpty() && !ini.contains(s, key)) return;
    const QByteArray before = ini.text();
    ini.writeString(s, key, m_ignored.toSetting());
    if (ini.text() != before) ini.save();
}
