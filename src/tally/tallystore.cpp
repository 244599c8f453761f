#include "tally/tallystore.h"

#include "text/converterror.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

using namespace tallycol;

TallyStore::TallyStore() {
    doit.CompressMode = TCompressMode::Fast;
    clear();
}

void TallyStore::clear() {
    stringgrid_scores = StringGrid(kCount, 1);
    for (int c = 0; c < kCount; ++c)
        stringgrid_scores.setCell(c, 0, QStringLiteral("0"));
}

int TallyStore::findRow(const QString& name) const {
    for (int r = 1; r < stringgrid_scores.rowCount(); ++r)
        if (opponent(r).compare(name, Qt::CaseInsensitive) == 0) return r;
    return -1;
}

int TallyStore::addit(int column, int row) {
    const int value = text::toInt(stringgrid_scores.cell(column, row)) + 1;
    stringgrid_scores.setCell(column, row, QString::number(value));
    return value;
}

void TallyStore::addrow(const QString& name) {
    const int row = stringgrid_scores.rowCount();
    stringgrid_scores.setRowCount(row + 1);
    stringgrid_scores.setCell(kName, row, name);
    for (int c = 1; c < kCount; ++c)
        stringgrid_scores.setCell(c, row, QStringLiteral("0"));
}

void TallyStore::moverow(int row) {
    StringGrid& g = stringgrid_scores;
    if (row < 1 || row >= g.rowCount()) return;
    for (int r = row; r + 1 < g.rowCount(); ++r)
        for (int c = 0; c < g.colCount(); ++c)
            g.setCell(c, r, g.cell(c, r + 1));
    g.setRowCount(qMax(1, g.rowCount() - 1));
}

void TallyStore::countopponents(const QString& winner, const QList<int>& rows) {
    const bool mine = winner == kAddToMine;
    for (int r : rows) {
        for (int c = 1; c < kCount; ++c)
            if (stringgrid_scores.cell(c, r).isEmpty())
                stringgrid_scores.setCell(c, r, QStringLiteral("0"));
        const int column = opponent(r) == winner ? kHisWins : mine ? kMyWins : kNeither;
        for (int c : {kGames, column}) {
            addit(c, r);
            addit(c + kSessionOffset, r);
        }
    }
}

void TallyStore::zeroSession() {
    for (int r = 1; r < stringgrid_scores.rowCount(); ++r)
        for (int c = 1 + kSessionOffset; c < kCount; ++c)
            stringgrid_scores.setCell(c, r, QStringLiteral("0"));
}

TallyStore::LoadResult TallyStore::load(const QString& path) {
    clear();
    m_protectFile = false;
    LoadResult result;
    if (!QFileInfo::exists(path)) return result;
    doit.InputFile = path;
    try {
        StringGrid loaded;
        const bool read = loadgrid(loaded, doit.Decompress(nullptr), &result.error);
        if (read && loaded.colCount() == kCount && loaded.rowCount() >= 1) {
            stringgrid_scores = std::move(loaded);
            zeroSession();
            result.status = LoadStatus::Loaded;
            return result;
        }
        if (read)
            result.error =
                QCoreApplication::translate("TallyStore", "%1 does not hold a tally").arg(path);
    } catch (const ELzrw1Exception& e) {
        result.error = e.message();
    }
    result.status = LoadStatus::Failed;
    result.keptAs = keepAside(path);
    return result;
}

QString TallyStore::keepAside(const QString& path) {
    const QString bad = path + QStringLiteral(".bad");
    QFile::remove(bad); // an older unreadable copy; this one is the newer evidence
    if (QFile::rename(path, bad)) return bad;
    m_protectFile = true;
    return {};
}

bool TallyStore::save(const QString& path, QString* error) {
    if (m_protectFile) {
        if (error)
            *error = QCoreApplication::translate("TallyStore",
                                                 "%1 could not be set aside; it is left as it is")
                         .arg(path);
        return false;
    }
    doit.InputFile = QStringLiteral("tally");
    doit.OutputFile = path;
    try {
        doit.Compress(savegrid(stringgrid_scores));
        return true;
    } catch (const ELzrw1Exception& e) {
        if (error) *error = e.message();
        return false;
    }
}
