// Who is at the table as the host announced them: the name each of the four seats
// shows, the people present by record (never the computer, never an empty seat), and
// the spectators' lines of the spy list.
#pragma once

#include <QMap>
#include <QString>
#include <QStringList>
#include <array>

class TableRoster {
public:
    static constexpr int kSeats = 4;
    // What an empty seat shows, and what seat 2 shows while the computer plays it.
    static QString waiting() { return QStringLiteral("<Waiting>"); }
    static QString computer() { return QStringLiteral("Klot"); }

    // The seat's shown name; empty for seats outside 1..4.
    QString seatName(int seat) const;
    void setSeatName(int seat, const QString& name);
    // The name a seat falls back to when nobody sits there.
    static QString emptySeatName(int seat) { return seat == 2 ? computer() : waiting(); }
    // A running game puts the computer in an empty seat 2; true when that changed it.
    bool seatComputerIfEmpty();

    void arrive(int record, const QString& name) { m_present.insert(record, name); }
    void leave(int record) { m_present.remove(record); }
    // Removes the record only while it still holds that name.
    void leaveIfNamed(int record, const QString& name);
    QString nameOf(int record) const { return m_present.value(record); }
    bool isPresent(int record) const { return m_present.contains(record); }
    QStringList presentNames() const { return m_present.values(); }

    // The spy list's line of a spectator ("7: Eve").
    static QString spectatorLine(int record, const QString& name);
    void addSpectator(const QString& line) { m_spectators << line; }
    // False when that line was not there.
    bool removeSpectator(const QString& line) { return m_spectators.removeOne(line); }
    const QStringList& spectators() const { return m_spectators; }

private:
    std::array<QString, kSeats> m_seatNames{waiting(), waiting(), waiting(), waiting()};
    QMap<int, QString> m_present;
    QStringList m_spectators;
};
