// The tally's table of text cells and its text form (docs/tally-file.md).
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// A plain grid of text cells addressed (column, row), both from 0. Cells outside the
// grid read as empty and ignore writes; growing the grid adds empty cells.
class StringGrid {
public:
    StringGrid(int columns = 0, int rows = 0);

    int colCount() const { return m_columns; }
    int rowCount() const { return m_rows; }
    void setColCount(int columns);
    void setRowCount(int rows);

    QString cell(int column, int row) const;
    void setCell(int column, int row, const QString& text);

    bool operator==(const StringGrid&) const = default;

private:
    bool contains(int column, int row) const {
        return column >= 0 && row >= 0 && column < m_columns && row < m_rows;
    }

    int m_columns = 0;
    int m_rows = 0;
    QList<QString> m_cells; // row by row
};

// The grid as text: the column count, the row count, then every cell column by
// column, one per line, lines ended by CR LF, UTF-8. Line breaks inside a cell
// would shift every later cell, so control characters are dropped on the way out.
QByteArray savegrid(const StringGrid& grid);

// Reads text written by savegrid (LF alone also ends a line; text that is not
// valid UTF-8 is read as Latin-1). On success replaces `grid` and returns true; on
// failure leaves `grid` untouched and puts the reason in `error`.
bool loadgrid(StringGrid& grid, const QByteArray& text, QString* error = nullptr);
