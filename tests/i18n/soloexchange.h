// A whole solo game against Klot on the in-process host, recorded both ways.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The bytes each way (seat tokens masked: they are drawn fresh every game), what the
// table saved, and what the solo player read.
struct Exchange {
    QByteArray up, down, settings;
    QStringList tallied;
    QString ownLabel, chat;
};

// Plays a seeded game to its winner by clicking the table's buttons; the table makes
// the choices that go on the wire and into the settings file first.
Exchange playSolo();
