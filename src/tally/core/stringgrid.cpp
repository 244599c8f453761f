#include "tally/core/stringgrid.h"

#include "text/converterror.h"
#include "text/utf8text.h"

StringGrid::StringGrid(int columns, int rows) {
    setColCount(columns);
    setRowCount(rows);
}

void StringGrid::setColCount(int columns) {
    columns = qMax(0, columns);
    if (columns == m_columns) return;
    QList<QString> cells(qsizetype(columns) * m_rows);
    const int kept = qMin(columns, m_columns);
    for (int r = 0; r < m_rows; ++r)
        for (int c = 0; c < kept; ++c)
            cells[qsizetype(r) * columns + c] = cell(c, r);
    m_cells = std::move(cells);
    m_columns = columns;
}

void StringGrid::setRowCount(int rows) {
    m_rows = qMax(0, rows);
    m_cells.resize(qsizetype(m_rows) * m_columns);
}

QString StringGrid::cell(int column, int row) const {
    return contains(column, row) ? m_cells[qsizetype(row) * m_columns + column] : QString();
}

void StringGrid::setCell(int column, int row, const QString& text) {
    if (contains(column, row)) m_cells[qsizetype(row) * m_columns + column] = text;
}

QByteArray savegrid(const StringGrid& grid) {
    QByteArray text;
    auto line = [&text](const QString& s) {
        text += text::encode(s);
        text += "\r\n";
    };
    line(QString::number(grid.colCount()));
    line(QString::number(grid.rowCount()));
    for (int c = 0; c < grid.colCount(); ++c)
        for (int r = 0; r < grid.rowCount(); ++r)
            line(text::singleLine(grid.cell(c, r)));
    return text;
}

namespace {

QList<QByteArray> splitLines(const QByteArray& text) {
    QList<QByteArray> lines = text.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast(); // the final CR LF
    for (QByteArray& l : lines)
        if (l.endsWith('\r')) l.chop(1);
    return lines;
}

} // namespace

bool loadgrid(StringGrid& grid, const QByteArray& text, QString* error) {
    const QList<QByteArray> lines = splitLines(text);
    auto failWith = [error](const QString& why) {
        if (error) *error = why;
        return false;
    };
    if (lines.size() < 2) return failWith(QStringLiteral("The tally text has no grid size"));
    int columns = 0, rows = 0;
    try {
        columns = text::toInt(text::decode(lines[0]));
        rows = text::toInt(text::decode(lines[1]));
    } catch (const text::ConvertError& e) {
        return failWith(e.message());
    }
    // The tally has nine columns; a wild count with no rows would otherwise cost a
    // loop of billions of empty columns.
    constexpr int kMaxColumns = 1024;
    if (columns < 0 || rows < 0 || columns > kMaxColumns)
        return failWith(QStringLiteral("The tally text has an invalid grid size"));
    // Checked before anything is allocated, so a wild count costs nothing.
    const qint64 needed = 2 + qint64(columns) * rows;
    if (needed > lines.size())
        return failWith(QStringLiteral("The tally text ends before line %1").arg(lines.size() + 1));
    StringGrid loaded(columns, rows);
    qsizetype at = 2;
    for (int c = 0; c < columns; ++c)
        for (int r = 0; r < rows; ++r)
            loaded.setCell(c, r, text::decode(lines[at++]));
    grid = std::move(loaded);
    return true;
}
