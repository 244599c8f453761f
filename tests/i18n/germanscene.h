// The table and the other windows shown through a game's stages, their texts taken
// down, and the comparison of what two languages show.
#pragma once

#include "i18n/textwalk.h"

#include <QMultiMap>
#include <QSet>
#include <QStringList>

// One .ts file: source text -> translation, per context merged.
struct TsFile {
    QMultiMap<QString, QString> translations; // source -> translation
    QSet<QString> keys;                       // "context|source"
    QStringList unfinished;
    bool read = false;
};
TsFile readTs(const QString& path);

// The text without mnemonics and ellipses, as a reader sees it.
QString bare(QString s);

// What one language shows: the texts of every window in the scene, step by step.
struct Shown {
    textwalk::Texts texts;
    QStringList boxes;
    QStringList fromWire; // chat lines relayed by the host: its words, not ours
};

// The table through a game's stages with scripted host messages, its menus, the
// dialogs it opens and the other windows, walked after every step; grabs each
// window into `screenshots` when given.
Shown showScene(const QString& screenshots = {});

// The texts of `other` that read exactly as in `english` and are not allowed to.
QStringList leftInEnglish(const Shown& english, const Shown& other, const TsFile& ts);
