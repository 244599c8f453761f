// The names whose chat the player chose not to see. Nothing about it travels: the
// ignored player is never told, and the host relays their lines as before.
#pragma once

#include <QString>
#include <QStringList>

class IgnoreList {
public:
    // How the host relayed the line: a chat is name + " chats: " + text, an action
    // (phrases included) is name + " " + text.
    enum class Relay { Chat, Action };

    bool contains(const QString& name) const { return m_names.contains(name); }
    // False when nothing changed (already there, not there, or an empty name).
    bool add(const QString& name);
    bool remove(const QString& name);
    const QStringList& names() const { return m_names; }

    // The sender of a relayed line: the longest of `candidates` that the line starts
    // with, followed by the relay's separator; empty when none fits. The longest wins
    // so that an action of "Al Smith" is not taken for one of "Al".
    static QString senderOf(const QString& line, Relay relay, const QStringList& candidates);

    // The key of the table's section that holds the list.
    static QString settingsKey() { return QStringLiteral("Ignored"); }
    // The settings value: the names joined by ",", each with "%" and "," written as
    // "%25" and "%2C". Names are single lines, so one line holds the list; anything
    // else in a name (spaces, quotes, letters of any script) is kept as it is.
    QString toSetting() const;
    // Reads what toSetting() wrote; empty items are skipped, duplicates kept once.
    static IgnoreList fromSetting(const QString& value);

private:
    QStringList m_names;
};
