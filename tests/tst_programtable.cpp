#include "program/programtable.h"
#include "support/tablerows.h"

#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
QString coordinates(int r, int c) {
    return u"%1,%2"_s.arg(r).arg(c);
}

// Fills every cell with "r,c" so that a moved or lost cell shows.
void fillCoordinates(ProgramTable &table) {
    for (int r = 0; r < table.rowCount(); ++r) {
        for (int c = 0; c < table.columnCount(); ++c)
            table.setText(r, c, coordinates(r, c));
    }
}

// "r,c=text" for every cell whose text is not "r,c", row by row.
QStringList changedCells(const ProgramTable &table) {
    QStringList changed;
    for (int r = 0; r < table.rowCount(); ++r) {
        for (int c = 0; c < table.columnCount(); ++c) {
            if (table.text(r, c) != coordinates(r, c))
                changed << coordinates(r, c) + u'=' + table.text(r, c);
        }
    }
    return changed;
}

// The current cell, the far corner of the selection and the top row.
QList<int> positions(const ProgramTable &table) {
    return {table.currentRow(), table.currentColumn(), table.selectionEndRow(),
            table.selectionEndColumn(), table.topRow()};
}
} // namespace

class TestProgramTable : public QObject {
    Q_OBJECT

private slots:
    // Reading the selection, then pasting a block into it.
    void clip_data() {
        QTest::addColumn<QList<int>>("corners"); // current row and column, then the far corner's
        QTest::addColumn<QString>("clip");       // null: not checked
        QTest::addColumn<QString>("block");
        // "row,col=text" for every cell the block changes; all others keep "r,c".
        QTest::addColumn<QStringList>("changes");

        const auto row = [](const char *name, const QList<int> &corners, const char *clip,
                            const char *block, const QStringList &changes) {
            QTest::newRow(name) << corners << (clip ? QString::fromLatin1(clip) : QString())
                                << QString::fromLatin1(block) << changes;
        };
        const char *block = "1,1\t1,2\r2,1\t2,2";
        const QStringList abcd{"1,1=a", "1,2=b", "2,1=c", "2,2=d"};
        row("block", {1, 1, 2, 2}, block, "a\tb\rc\td", abcd);
        row("cells beyond the right ignored", {1, 1, 1, 2}, nullptr, "a\tb\tc", {"1,1=a", "1,2=b"});
        row("rows beyond the bottom ignored", {1, 0, 1, 1}, nullptr, "a\tb\rc\td",
            {"1,0=a", "1,1=b"});
        row("short row keeps the rest", {1, 0, 2, 3}, nullptr, "a\rb\tc",
            {"1,0=a", "2,0=b", "2,1=c"});
        row("fewer rows keep the rest", {1, 0, 3, 1}, nullptr, "a\tb", {"1,0=a", "1,1=b"});
        row("empty cells overwrite", {1, 0, 1, 2}, nullptr, "\t\t", {"1,0=", "1,1=", "1,2="});
        row("line feed is text", {1, 0, 2, 1}, nullptr, "a\nb\tc\r\nd",
            {"1,0=a\nb", "1,1=c", "2,0=\nd"});
        row("last cell of the table", {16, 3, 16, 3}, nullptr, "z\r", {"16,3=z"});
    }

    void clip() {
        QFETCH(QList<int>, corners);
        QFETCH(QString, clip);
        QFETCH(QString, block);
        QFETCH(QStringList, changes);

        ProgramTable table;
        fillCoordinates(table);
        table.setCurrentCell(corners[0], corners[1]);
        table.setSelectionEnd(corners[2], corners[3]);
        if (!clip.isNull())
            QCOMPARE(table.selectedText(), clip);
        table.setSelectedText(block);
        QCOMPARE(changedCells(table), changes);
        // The selection itself stays.
        QCOMPARE(positions(table).mid(0, 4), corners);
    }

    void positionsStayInside() {
        ProgramTable table;
        QSignalSpy current(&table, &ProgramTable::currentCellChanged);
        QSignalSpy end(&table, &ProgramTable::selectionEndChanged);
        QSignalSpy top(&table, &ProgramTable::topRowChanged);

        table.setCurrentCell(100, 9);
        table.setTopRow(100);
        QCOMPARE(positions(table), QList<int>({16, 3, 16, 3, 16}));
        table.setCurrentCell(-5, -1);
        table.setTopRow(0);
        QCOMPARE(positions(table), QList<int>({0, 0, 0, 0, 1}));
        table.setCurrentCell(2, 1);
        table.setSelectionEnd(100, 9);
        QCOMPARE(positions(table), QList<int>({2, 1, 16, 3, 1}));
        QCOMPARE(current.last(), QVariantList({2, 1}));
        QCOMPARE(end.last(), QVariantList({16, 3}));

        // The same cell again still collapses the selection, and says so.
        current.clear();
        table.setCurrentCell(2, 1);
        QCOMPARE(positions(table), QList<int>({2, 1, 2, 1, 1}));
        QCOMPARE(current.size(), 1);
        QCOMPARE(end.last(), QVariantList({2, 1}));

        // Shrinking pulls every position inside, and says so.
        table.setRowCount(40);
        table.setTopRow(30);
        table.setCurrentCell(35, 3);
        table.setSelectionEnd(20, 2);
        table.setRowCount(10);
        table.setColumnCount(2);
        QCOMPARE(positions(table), QList<int>({9, 1, 9, 1, 9}));
        QCOMPARE(current.last(), QVariantList({9, 1}));
        QCOMPARE(end.last(), QVariantList({9, 1}));
        QCOMPARE(top.last(), QVariantList{QVariant(9)});
        // The top row stays the first non-fixed row, even when there is none.
        table.setRowCount(1);
        QCOMPARE(positions(table), QList<int>({0, 1, 0, 1, 1}));
    }

    // Cells written over and over, rows and columns cut and grown: the table holds what a plain
    // grid of texts would.
    void manyEdits() {
        ProgramTable table;
        QList<QStringList> grid(table.rowCount(), QStringList(table.columnCount()));
        for (int round = 0; round < 3000; ++round) {
            if (round % 500 == 250) {
                const int rows = 5 + round % 40;
                const int cols = 1 + round % 7;
                table.setRowCount(rows);
                table.setColumnCount(cols);
                grid.resize(rows);
                for (QStringList &cells : grid)
                    cells = (cells + QStringList(cols)).mid(0, cols);
            }
            const int r = (round * 7) % table.rowCount();
            const int c = (round * 3) % table.columnCount();
            // Long, short and empty texts, so that rows move and texts pile up.
            const QString text =
                round % 5 == 0 ? QString() : QString(round % 97, QChar(u'a' + round % 26));
            table.setText(r, c, text);
            grid[r][c] = text;
        }
        QStringList expected;
        for (const QStringList &cells : std::as_const(grid))
            expected << cells.join(u'\t');
        QCOMPARE(tableRows(table), expected);
    }
};

QTEST_GUILESS_MAIN(TestProgramTable)
#include "tst_programtable.moc"
