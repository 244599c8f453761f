// The player's requests, and the chat: the allowance, the phrase cool-down, and the
// ignore list with its key in the settings file.
#include "table/tablesession.h"

#include "protocol/messages.h"
#include "protocol/wiretext.h"
#include "settings/inifile.h"

#include <QCoreApplication>
#include <string_view>

namespace {

// A line of ours as the panel shows it. The wire calls the solo player "You" ("You says:
// Hi!"); the panel speaks to the player in their language, as the seat label does.
QString shownLine(const QString& text, IgnoreList::Relay relay, const QString& own,
                  const QStringList& present) {
    // The host speaks English on the wire; the lines the table knows are read translated.
    static constexpr const char* kClosing =
        QT_TRANSLATE_NOOP("Tchat", "The table is closing. Thanks for playing!");
    static_assert(std::string_view(kClosing) == wire::msg::kClosingNotice);
    if (relay == IgnoreList::Relay::Chat && text == QLatin1String(kClosing))
        return QCoreApplication::translate("Tchat", kClosing);
    if (own != QLatin1String("You") || IgnoreList::senderOf(text, relay, present) != own)
        return text;
    const QString chats = own + QLatin1String(" chats: ");
    const QString says = own + QLatin1String(" says: ");
    if (relay == IgnoreList::Relay::Chat && text.startsWith(chats))
        return QCoreApplication::translate("Tchat", "You chats: %1",
                                           "the solo player's own chat line, as the wire says it")
            .arg(text.mid(chats.size()));
    if (relay == IgnoreList::Relay::Action && text.startsWith(says))
        return QCoreApplication::translate("Tchat", "You says: %1",
                                           "the solo player's own phrase, as the wire says it")
            .arg(text.mid(says.size()));
    return text;
}

} // namespace

bool TableSession::takeLine() {
    if (m_lineAllowance.take(m_clock())) return true;
    emit notice(QCoreApplication::translate(
                    "Tchat", "Too many lines at once; wait a few seconds and send again."),
                wire::kRed);
    return false;
}

bool TableSession::say(const QString& typed, wire::BgrColour textColour,
                       wire::BgrColour actionColour) {
    if (!m_state.connected) return false;
    const QString text = wire::singleLine(typed);
    QByteArray message;
    if (!text.isEmpty() && !text.startsWith(QLatin1Char('/')))
        message = wire::msg::chat(m_state.ownSeat, text, wire::colourToText(textColour));
    else if (text.startsWith(QLatin1String("/me")))
        message = wire::msg::action(m_state.ownSeat, text.mid(4), wire::colourToText(actionColour));
    if (message.isEmpty()) return true;
    // A line the host would drop stays in the box, to be sent again.
    if (!takeLine()) return false;
    send(message);
    return true;
}

void TableSession::sayPhrase(const QString& phrase, wire::BgrColour actionColour) {
    if (!m_state.phraseReady || !takeLine()) return;
    const QString text = phrase.startsWith(QLatin1String("/me "))
                             ? phrase.mid(4)
                             : QStringLiteral("says: ") + phrase;
    send(wire::msg::action(m_state.ownSeat, text, wire::colourToText(actionColour)));
    m_state.phraseReady = false;
    m_phraseCooldown->start();
}

bool TableSession::roll(const QList<int>& notHeld) {
    const int seat = m_state.turnSeat;
    // The computer's turn for our seat: a click that got through changes nothing.
    if (seat == m_state.ownSeat && seat >= 1 && seat <= TableRoster::kSeats &&
        m_state.computerPlaysOwnSeat)
        return false;
    if (playsSeat(seat) && m_state.connected)
        send(wire::msg::rollthedice(m_state.ownSeat, notHeld));
    // Nothing reacts until the host answers.
    m_state.turnSeat = 0;
    return true;
}

bool TableSession::endTurn(const QList<int>& held) {
    const int seat = m_state.turnSeat;
    if (seat == m_state.ownSeat && seat >= 1 && seat <= TableRoster::kSeats &&
        m_state.computerPlaysOwnSeat)
        return false;
    if (playsSeat(seat) && m_state.connected) send(wire::msg::alldone(m_state.ownSeat, held));
    m_state.turnSeat = 0;
    return true;
}

bool TableSession::startGame() {
    if (!m_state.connected) {
        emit message(QCoreApplication::translate("Board", "You are not connected"));
        return false;
    }
    send(wire::msg::startgame(m_state.playerName));
    return true;
}

void TableSession::remove(int record) {
    if (m_state.isHost && m_state.connected) send(wire::msg::kickhim(m_state.ownSeat, record));
}

void TableSession::justWatch(bool watch) {
    if (!m_state.connected || !m_state.ownSeatPlays()) return;
    send(wire::msg::justwatch(m_state.ownSeat, watch ? 1 : 2));
}

void TableSession::setJustWatch(int seat, bool watch) {
    if (m_state.connected && isPlayingSeat(seat)) send(wire::msg::justwatch(seat, watch ? 1 : 2));
}

void TableSession::botSpeed(int ms) {
    if (m_state.connected) send(wire::msg::botspeed(m_state.ownSeat, ms));
}

void TableSession::botSkill(bool expert) {
    if (m_state.connected) send(wire::msg::botskill(m_state.ownSeat, expert));
}

// ---- chat and ignoring --------------------------------------------------------------

void TableSession::chatrecieved(const wire::read::ChatLine& line, IgnoreList::Relay relay) {
    const QString text = wire::singleLine(line.line);
    // Everyone at the table competes for the line's start, so ignoring "Al" leaves
    // "Al Smith" alone; a name we share is ours, never hidden.
    QString sender = IgnoreList::senderOf(text, relay, m_roster.presentNames() + m_ignored.names());
    if (sender == ownName()) sender.clear();
    if (m_ignored.contains(sender)) return;
    // The sender goes with the line, so that ignoring them later hides it too.
    emit notice(shownLine(text, relay, ownName(), m_roster.presentNames()), line.colour, sender);
}

QString TableSession::ignoreItemText(int record) const {
    // Not ourselves, and not a name we share: hiding it would hide our own lines.
    if (!m_roster.isPresent(record) || record == m_state.ownSeat) return {};
    const QString found = m_roster.nameOf(record);
    if (found == ownName()) return {};
    QString name = found;
    name.replace(QLatin1Char('&'), QLatin1String("&&")); // a lone "&" would be a mnemonic
    return m_ignored.contains(found)
               ? QCoreApplication::translate("Tchat", "Show Chat From %1 Again").arg(name)
               : QCoreApplication::translate("Tchat", "Ignore Chat From %1").arg(name);
}

void TableSession::toggleIgnore(int record) {
    if (ignoreItemText(record).isEmpty()) return;
    const QString name = m_roster.nameOf(record);
    const bool hide = !m_ignored.remove(name);
    if (hide) m_ignored.add(name);
    emit chatHidden(name, hide);
    if (hide)
        tell(QCoreApplication::translate(
                 "Tchat", "Chat from %1 is hidden, their earlier lines too. They are not told.")
                 .arg(name));
    else
        tell(QCoreApplication::translate("Tchat", "Chat from %1 is shown again.").arg(name));
    saveIgnored();
}

void TableSession::loadIgnored() {
    IniFile ini(m_settingsPath);
    ini.load(); // an unreadable file is the windows' to report; it reads as empty
    const IgnoreList saved =
        IgnoreList::fromSetting(ini.readString(section(), IgnoreList::settingsKey()));
    for (const QString& name : saved.names())
        m_ignored.add(name);
}

// Writes the ignore list's key and nothing else.
void TableSession::saveIgnored() {
    IniFile ini(m_settingsPath);
    if (!ini.load()) {
        emit settingsUnreadable();
        return;
    }
    const QString key = IgnoreList::settingsKey();
    // An empty list the file never held is nothing the player set.
    if (m_ignored.names().isEmpty() && !ini.contains(section(), key)) return;
    const QByteArray before = ini.text();
    ini.writeString(section(), key, m_ignored.toSetting());
    if (ini.text() != before) ini.save();
}
