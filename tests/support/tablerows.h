#pragma once

#include "program/programtable.h"

#include <QStringList>

// Every row of the table, its cells joined by tabs: one readable value to compare.
inline QStringList tableRows(const ProgramTable &table) {
    QStringList rows;
    for (int r = 0; r < table.rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < table.columnCount(); ++c)
            cells << table.text(r, c);
        rows << cells.join(u'\t');
    }
    return rows;
}
