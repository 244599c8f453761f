// Coming back after a drop: the secret the host gave our seat, kept in the settings
// file with the host's address and port and the name we played under (the Rejoin*
// keys of the table's section; no other key is touched here).
#pragma once

#include <QString>

class RejoinToken {
public:
    // `settingsPath`: the settings file; `section`: the table's section in it.
    RejoinToken(QString settingsPath, QString section)
        : m_path(std::move(settingsPath)), m_section(std::move(section)) {}

    // Keeps the secret of a seat at host:port; false when the file could not be read
    // or written, or there is nothing to keep.
    bool save(const QString& token, const QString& host, const QString& port,
              const QString& name) const;
    // The kept secret when it came from this very host and port; empty otherwise.
    QString tokenFor(const QString& host, const QString& port) const;

    struct LastGame {
        QString host;
        QString name; // empty when none was kept
    };
    // The last host we held a seat at; an empty host when there is none to rejoin.
    LastGame lastGame() const;
    bool available() const { return !lastGame().host.isEmpty(); }

private:
    QString m_path;
    QString m_section;
};
