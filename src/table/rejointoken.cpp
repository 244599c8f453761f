#include "table/rejointoken.h"

#include "settings/inifile.h"

namespace {

const QString kTokenKey = QStringLiteral("Rejointoken");
const QString kHostKey = QStringLiteral("Rejoinhost");
const QString kPortKey = QStringLiteral("Rejoinport");
const QString kNameKey = QStringLiteral("Rejoinname");

} // namespace

bool RejoinToken::save(const QString& token, const QString& host, const QString& port,
                       const QString& name) const {
    if (token.isEmpty() || host.isEmpty()) return false;
    IniFile ini(m_path);
    if (!ini.load()) return false;
    ini.writeString(m_section, kTokenKey, token);
    ini.writeString(m_section, kHostKey, host);
    ini.writeString(m_section, kPortKey, port);
    ini.writeString(m_section, kNameKey, name);
    return ini.save();
}

QString RejoinToken::tokenFor(const QString& host, const QString& port) const {
    IniFile ini(m_path);
    if (!ini.load()) return {};
    const QString token = ini.readString(m_section, kTokenKey).trimmed();
    if (ini.readString(m_section, kHostKey).trimmed() != host ||
        ini.readString(m_section, kPortKey).trimmed() != port)
        return {};
    return token;
}

RejoinToken::LastGame RejoinToken::lastGame() const {
    IniFile ini(m_path);
    if (!ini.load() || ini.readString(m_section, kTokenKey).trimmed().isEmpty()) return {};
    return {ini.readString(m_section, kHostKey).trimmed(),
            ini.readString(m_section, kNameKey).trimmed()};
}
