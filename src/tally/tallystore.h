// The tally: games and wins of the local player and of each followed opponent,
// held in the grid `stringgrid_scores` and kept in the compressed tally file.
#pragma once

#include "tally/core/LZRW1KH.h"
#include "tally/core/stringgrid.h"

#include <QString>

// Columns of an opponent's row (row 0, the local player, uses 1 and 2 only).
namespace tallycol {
constexpr int kName = 0;
constexpr int kGames = 1;   // row 0: games finished as a player
constexpr int kHisWins = 2; // row 0: games won
constexpr int kMyWins = 3;
constexpr int kNeither = 4;
constexpr int kSessionOffset = 4; // columns 5..8 repeat 1..4 for the current run
constexpr int kCount = 9;
} // namespace tallycol

// The text addgame receives when the local player won.
inline const QString kAddToMine = QStringLiteral("addtomine");

class TallyStore {
public:
    TallyStore();

    // Row 0 is the local player, rows 1.. the followed opponents in list order.
    StringGrid stringgrid_scores;
    // The compressor used for the tally file.
    Tlzrw1 doit;

    // The empty tally: row 0 only, every cell "0".
    void clear();
    int opponentCount() const { return stringgrid_scores.rowCount() - 1; }
    QString opponent(int row) const { return stringgrid_scores.cell(tallycol::kName, row); }
    // Row of `name` ignoring letter case, or -1.
    int findRow(const QString& name) const;

    // Adds 1 to a counter cell and returns the new value. Throws text::ConvertError
    // when the cell does not hold a decimal integer.
    int addit(int column, int row);
    // Appends a row for `name` with every counter at 0.
    void addrow(const QString& name);
    // Removes row r (r >= 1), moving the rows below it up.
    void moverow(int row);
    // Counts one finished game for each row in `rows` (the followed opponents at
    // the table); `winner` is kAddToMine or the winner's name, compared exactly.
    // Empty counters of those rows count from 0.
    void countopponents(const QString& winner, const QList<int>& rows);

    enum class LoadStatus { Missing, Loaded, Failed };
    struct LoadResult {
        LoadStatus status = LoadStatus::Missing;
        QString error;  // the reason, when Failed
        QString keptAs; // where the unreadable file was moved, when Failed
    };
    // Replaces the tally with the file's (session columns zeroed). A file that cannot
    // be read leaves the empty tally and is moved aside to `path` + ".bad" so the
    // save at exit cannot destroy it.
    LoadResult load(const QString& path);
    // Writes the tally atomically: the old file stays whole until the new one is.
    // Returns false, with the reason in `error`, when nothing was written.
    bool save(const QString& path, QString* error = nullptr);

private:
    void zeroSession();
    QString keepAside(const QString& path);

    // Set when an unreadable file could not be moved aside: it is then never
    // overwritten by this run.
    bool m_protectFile = false;
};
