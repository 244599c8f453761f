#include "table/tableroster.h"

QString TableRoster::seatName(int seat) const {
    return seat >= 1 && seat <= kSeats ? m_seatNames[seat - 1] : QString();
}

void TableRoster::setSeatName(int seat, const QString& name) {
    if (seat >= 1 && seat <= kSeats) m_seatNames[seat - 1] = name;
}

bool TableRoster::seatComputerIfEmpty() {
    if (m_seatNames[1] != waiting()) return false;
    m_seatNames[1] = computer();
    return true;
}

void TableRoster::leaveIfNamed(int record, const QString& name) {
    if (m_present.value(record) == name) m_present.remove(record);
}

QString TableRoster::spectatorLine(int record, const QString& name) {
    return QStringLiteral("%1: %2").arg(record).arg(name);
}
