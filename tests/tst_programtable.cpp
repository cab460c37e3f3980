#include "core/views.h"
#include "program/programfile.h"
#include "program/programtable.h"
#include "program/steptable.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

namespace {
// Fills every cell with "r,c" so that a moved or lost cell shows.
void fillCoordinates(ProgramTable &table) {
    for (int r = 0; r < table.rows(); ++r) {
        for (int c = 0; c < table.cols(); ++c)
            table.setText(r, c, QStringLiteral("%1,%2").arg(r).arg(c));
    }
}

QString coordinates(int r, int c) {
    return QStringLiteral("%1,%2").arg(r).arg(c);
}

class RecordingHost final : public ProgramHost {
public:
    explicit RecordingHost(const ProgramTable &table)
        : m_table(table) {}
    void hideMainIfMiniVisible() override {
        calls << QStringLiteral("hide rows=%1").arg(m_table.rows());
    }
    void enableRunButtons() override {
        calls << QStringLiteral("enable rows=%1").arg(m_table.rows());
    }
    QStringList calls;

private:
    const ProgramTable &m_table;
};
} // namespace

class TestProgramTable : public QObject {
    Q_OBJECT

private slots:
    void newTable();
    void clip_data();
    void clip();
    void setClip_data();
    void setClip();
    void resizeKeepsCells_data();
    void resizeKeepsCells();
    void resizeClampsPositions();
    void currentCellCollapsesSelection();
    void positionsStayInside_data();
    void positionsStayInside();
    void genStepsAndAddrow();
    void clearKeepsSizes();
    void newProgram_data();
    void newProgram();
    void background();
    void modelSignals();
};

void TestProgramTable::newTable() {
    ProgramTable table;
    QCOMPARE(table.rows(), 17);
    QCOMPARE(table.cols(), 4);
    QCOMPARE(table.rowCount(), 17);
    QCOMPARE(table.columnCount(), 4);
    for (int r = 0; r < table.rows(); ++r) {
        for (int c = 0; c < table.cols(); ++c)
            QVERIFY(table.text(r, c).isEmpty());
    }
    QCOMPARE(table.columnWidth(0), 450);
    QCOMPARE(table.columnWidth(1), 700);
    QCOMPARE(table.columnWidth(2), 1020);
    QCOMPARE(table.columnWidth(3), 800);
    QCOMPARE(table.row(), 0);
    QCOMPARE(table.col(), 0);
    QCOMPARE(table.rowSel(), 0);
    QCOMPARE(table.colSel(), 0);
    QCOMPARE(table.topRow(), 1);
}

void TestProgramTable::clip_data() {
    QTest::addColumn<QPoint>("current"); // (col, row)
    QTest::addColumn<QPoint>("selectionEnd");
    QTest::addColumn<QString>("expected");

    QTest::newRow("one cell") << QPoint(2, 3) << QPoint(2, 3) << QStringLiteral("3,2");
    QTest::newRow("row part") << QPoint(1, 2) << QPoint(3, 2) << QStringLiteral("2,1\t2,2\t2,3");
    QTest::newRow("column part") << QPoint(0, 1) << QPoint(0, 3) << QStringLiteral("1,0\r2,0\r3,0");
    QTest::newRow("block") << QPoint(1, 1) << QPoint(2, 2) << QStringLiteral("1,1\t1,2\r2,1\t2,2");
    QTest::newRow("reversed corners")
        << QPoint(2, 2) << QPoint(1, 1) << QStringLiteral("1,1\t1,2\r2,1\t2,2");
    QTest::newRow("crossed corners")
        << QPoint(2, 1) << QPoint(1, 2) << QStringLiteral("1,1\t1,2\r2,1\t2,2");
}

void TestProgramTable::clip() {
    QFETCH(QPoint, current);
    QFETCH(QPoint, selectionEnd);
    QFETCH(QString, expected);

    ProgramTable table;
    fillCoordinates(table);
    table.setCurrentCell(current.y(), current.x());
    table.setSelectionEnd(selectionEnd.y(), selectionEnd.x());
    QCOMPARE(table.clip(), expected);
}

void TestProgramTable::setClip_data() {
    QTest::addColumn<QPoint>("current"); // (col, row)
    QTest::addColumn<QPoint>("selectionEnd");
    QTest::addColumn<QString>("block");
    // "row,col=text" for every cell that changes; all others keep "r,c".
    QTest::addColumn<QStringList>("changes");

    QTest::newRow("exact fit") << QPoint(1, 1) << QPoint(2, 2) << QStringLiteral("a\tb\rc\td")
                               << QStringList{"1,1=a", "1,2=b", "2,1=c", "2,2=d"};
    QTest::newRow("reversed corners")
        << QPoint(2, 2) << QPoint(1, 1) << QStringLiteral("a\tb\rc\td")
        << QStringList{"1,1=a", "1,2=b", "2,1=c", "2,2=d"};
    QTest::newRow("crossed corners") << QPoint(1, 2) << QPoint(2, 1) << QStringLiteral("a\tb\rc\td")
                                     << QStringList{"1,1=a", "1,2=b", "2,1=c", "2,2=d"};
    QTest::newRow("cells beyond the right ignored")
        << QPoint(1, 1) << QPoint(2, 1) << QStringLiteral("a\tb\tc\td")
        << QStringList{"1,1=a", "1,2=b"};
    QTest::newRow("rows beyond the bottom ignored")
        << QPoint(0, 1) << QPoint(1, 1) << QStringLiteral("a\tb\rc\td\re")
        << QStringList{"1,0=a", "1,1=b"};
    QTest::newRow("short row keeps the rest")
        << QPoint(0, 1) << QPoint(3, 2) << QStringLiteral("a\rb\tc")
        << QStringList{"1,0=a", "2,0=b", "2,1=c"};
    QTest::newRow("fewer rows keep the rest")
        << QPoint(0, 1) << QPoint(1, 3) << QStringLiteral("a\tb") << QStringList{"1,0=a", "1,1=b"};
    QTest::newRow("empty cells overwrite") << QPoint(0, 1) << QPoint(2, 1) << QStringLiteral("\t\t")
                                           << QStringList{"1,0=", "1,1=", "1,2="};
    QTest::newRow("line feed is text")
        << QPoint(0, 1) << QPoint(1, 2) << QStringLiteral("a\nb\tc\r\nd")
        << QStringList{"1,0=a\nb", "1,1=c", "2,0=\nd"};
    QTest::newRow("line end after the last row")
        << QPoint(0, 0) << QPoint(3, 0) << QStringLiteral("a\tb\tc\td\r\n")
        << QStringList{"0,0=a", "0,1=b", "0,2=c", "0,3=d"};
    QTest::newRow("last cell of the table")
        << QPoint(3, 16) << QPoint(3, 16) << QStringLiteral("z\r") << QStringList{"16,3=z"};
}

void TestProgramTable::setClip() {
    QFETCH(QPoint, current);
    QFETCH(QPoint, selectionEnd);
    QFETCH(QString, block);
    QFETCH(QStringList, changes);

    ProgramTable table;
    fillCoordinates(table);
    table.setCurrentCell(current.y(), current.x());
    table.setSelectionEnd(selectionEnd.y(), selectionEnd.x());
    table.setClip(block);

    QHash<QString, QString> expected;
    for (const QString &change : std::as_const(changes)) {
        const qsizetype eq = change.indexOf(QLatin1Char('='));
        expected.insert(change.left(eq), change.mid(eq + 1));
    }
    for (int r = 0; r < table.rows(); ++r) {
        for (int c = 0; c < table.cols(); ++c) {
            const QString key = coordinates(r, c);
            QCOMPARE(table.text(r, c), expected.value(key, key));
        }
    }
    // The selection itself stays.
    QCOMPARE(table.row(), current.y());
    QCOMPARE(table.colSel(), selectionEnd.x());
}

void TestProgramTable::resizeKeepsCells_data() {
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("cols");
    QTest::addColumn<int>("expectedRows");
    QTest::addColumn<int>("expectedCols");

    QTest::newRow("more rows") << 30 << 4 << 30 << 4;
    QTest::newRow("fewer rows") << 5 << 4 << 5 << 4;
    QTest::newRow("only the title row") << 1 << 4 << 1 << 4;
    QTest::newRow("zero rows keeps the title row") << 0 << 4 << 1 << 4;
    QTest::newRow("negative rows") << -3 << 4 << 1 << 4;
    QTest::newRow("more columns") << 17 << 7 << 17 << 7;
    QTest::newRow("fewer columns") << 17 << 2 << 17 << 2;
    QTest::newRow("zero columns keeps the step column") << 17 << 0 << 17 << 1;
    QTest::newRow("both grow") << 40 << 6 << 40 << 6;
    QTest::newRow("both shrink") << 3 << 3 << 3 << 3;
    QTest::newRow("rows grow, columns shrink") << 25 << 2 << 25 << 2;
}

void TestProgramTable::resizeKeepsCells() {
    QFETCH(int, rows);
    QFETCH(int, cols);
    QFETCH(int, expectedRows);
    QFETCH(int, expectedCols);

    ProgramTable table;
    fillCoordinates(table);
    table.setCols(cols);
    table.setRows(rows);
    QCOMPARE(table.rows(), expectedRows);
    QCOMPARE(table.cols(), expectedCols);
    for (int r = 0; r < table.rows(); ++r) {
        for (int c = 0; c < table.cols(); ++c) {
            const bool kept = r < ProgramTable::kNewRowCount && c < ProgramTable::kNewColumnCount;
            QCOMPARE(table.text(r, c), kept ? coordinates(r, c) : QString());
        }
    }
    QVERIFY(table.text(expectedRows, 0).isEmpty());
    QVERIFY(table.text(0, expectedCols).isEmpty());
    // Growing back gives empty cells, not the ones that were cut off.
    table.setRows(ProgramTable::kNewRowCount);
    table.setCols(ProgramTable::kNewColumnCount);
    if (expectedRows < ProgramTable::kNewRowCount)
        QVERIFY(table.text(ProgramTable::kNewRowCount - 1, 0).isEmpty());
    if (expectedCols < ProgramTable::kNewColumnCount)
        QVERIFY(table.text(0, ProgramTable::kNewColumnCount - 1).isEmpty());
    QCOMPARE(table.columnWidth(0), 450);
}

void TestProgramTable::resizeClampsPositions() {
    ProgramTable table;
    table.setRows(40);
    table.setTopRow(30);
    table.setCurrentCell(35, 3);
    table.setSelectionEnd(20, 2);
    QSignalSpy current(&table, &ProgramTable::currentCellChanged);
    QSignalSpy top(&table, &ProgramTable::topRowChanged);

    table.setRows(10);
    table.setCols(2);
    QCOMPARE(table.row(), 9);
    QCOMPARE(table.col(), 1);
    QCOMPARE(table.rowSel(), 9);
    QCOMPARE(table.colSel(), 1);
    QCOMPARE(table.topRow(), 9);
    QVERIFY(!current.isEmpty());
    QCOMPARE(current.last(), (QList<QVariant>{9, 1}));
    QCOMPARE(top.last(), QList<QVariant>{9});

    table.setRows(1);
    QCOMPARE(table.row(), 0);
    QCOMPARE(table.topRow(), 1); // the first non-fixed row, even when there is none
}

void TestProgramTable::currentCellCollapsesSelection() {
    ProgramTable table;
    QSignalSpy current(&table, &ProgramTable::currentCellChanged);
    QSignalSpy selectionEnd(&table, &ProgramTable::selectionEndChanged);

    table.setCurrentCell(2, 1);
    table.setSelectionEnd(5, 3);
    QCOMPARE(table.row(), 2);
    QCOMPARE(table.col(), 1);
    QCOMPARE(table.rowSel(), 5);
    QCOMPARE(table.colSel(), 3);
    QCOMPARE(current.size(), 1);
    QCOMPARE(current.last(), (QList<QVariant>{2, 1}));
    QCOMPARE(selectionEnd.last(), (QList<QVariant>{5, 3}));

    // The same cell again still collapses the selection, and says so.
    table.setCurrentCell(2, 1);
    QCOMPARE(table.rowSel(), 2);
    QCOMPARE(table.colSel(), 1);
    QCOMPARE(current.size(), 2);
    QCOMPARE(selectionEnd.last(), (QList<QVariant>{2, 1}));
}

void TestProgramTable::positionsStayInside_data() {
    QTest::addColumn<QPoint>("requested"); // (col, row)
    QTest::addColumn<QPoint>("expected");
    QTest::addColumn<int>("expectedTopRow"); // for setTopRow(requested row)

    QTest::newRow("inside") << QPoint(2, 5) << QPoint(2, 5) << 5;
    QTest::newRow("beyond the end") << QPoint(9, 100) << QPoint(3, 16) << 16;
    QTest::newRow("negative") << QPoint(-1, -5) << QPoint(0, 0) << 1;
    QTest::newRow("title row") << QPoint(1, 0) << QPoint(1, 0) << 1;
}

void TestProgramTable::positionsStayInside() {
    QFETCH(QPoint, requested);
    QFETCH(QPoint, expected);
    QFETCH(int, expectedTopRow);

    ProgramTable table;
    fillCoordinates(table);
    table.setCurrentCell(requested.y(), requested.x());
    QCOMPARE(QPoint(table.col(), table.row()), expected);
    table.setCurrentCell(1, 1);
    table.setSelectionEnd(requested.y(), requested.x());
    QCOMPARE(QPoint(table.colSel(), table.rowSel()), expected);
    QVERIFY(!table.clip().isEmpty());
    table.setTopRow(requested.y());
    QCOMPARE(table.topRow(), expectedTopRow);
}

void TestProgramTable::genStepsAndAddrow() {
    ProgramTable table;
    table.setText(0, 0, QStringLiteral("Step"));
    table.setText(5, 1, QStringLiteral("7"));
    table.setRows(25);
    table.genSteps();
    QCOMPARE(table.text(0, 0), QStringLiteral("Step"));
    for (int r = 1; r < 25; ++r)
        QCOMPARE(table.text(r, 0), QString::number(r));
    QCOMPARE(table.text(5, 1), QStringLiteral("7"));

    table.addrow();
    QCOMPARE(table.rows(), 26);
    QVERIFY(table.text(25, 0).isEmpty());
    QCOMPARE(table.text(24, 0), QStringLiteral("24"));
}

void TestProgramTable::clearKeepsSizes() {
    ProgramTable table;
    table.setCols(5);
    table.setRows(20);
    fillCoordinates(table);
    table.setColumnWidth(2, 1500);
    table.setCurrentCell(3, 2);
    table.setCurrentCellBackground(Qt::yellow);

    table.clear();
    QCOMPARE(table.rows(), 20);
    QCOMPARE(table.cols(), 5);
    QCOMPARE(table.columnWidth(2), 1500);
    for (int r = 0; r < table.rows(); ++r) {
        for (int c = 0; c < table.cols(); ++c)
            QVERIFY(table.text(r, c).isEmpty());
    }
    QVERIFY(!table.cellBackground(3, 2).isValid());
}

void TestProgramTable::newProgram_data() {
    QTest::addColumn<int>("cols");
    QTest::addColumn<QStringList>("titles");

    const QStringList all{"Step", "Channel", "Time to wait", "Time unit"};
    QTest::newRow("four columns") << 4 << all;
    QTest::newRow("six columns keep six") << 6 << (all + QStringList{"", ""});
    QTest::newRow("two columns") << 2 << QStringList{"Step", "Channel"};
}

void TestProgramTable::newProgram() {
    QFETCH(int, cols);
    QFETCH(QStringList, titles);

    ProgramTable table;
    table.setCols(cols);
    table.setRows(40);
    fillCoordinates(table);
    StepTable steps;
    for (int i = 0; i < kStepTableSize; ++i)
        steps[std::size_t(i)] = {qint16(i), 2.5, QStringLiteral("s")};
    RecordingHost host(table);

    NewProgram(table, steps, &host);

    // The window hides before the table changes and enables the buttons once it is ready.
    QCOMPARE(host.calls, (QStringList{"hide rows=40", "enable rows=17"}));
    QCOMPARE(table.rows(), 17);
    QCOMPARE(table.cols(), cols);
    for (int c = 0; c < cols; ++c)
        QCOMPARE(table.text(0, c), titles.at(c));
    for (int r = 1; r < table.rows(); ++r) {
        for (int c = 0; c < cols; ++c)
            QVERIFY2(table.text(r, c).isEmpty(), qPrintable(coordinates(r, c)));
    }
    for (const StepRecord &step : steps) {
        QCOMPARE(step.channel_no, qint16(-1));
        QCOMPARE(step.wait_time, -1.0);
        QCOMPARE(step.time_unit, QStringLiteral("-1"));
    }

    // Without windows around it works alike.
    NewProgram(table, steps, nullptr);
    QCOMPARE(table.rows(), 17);
}

void TestProgramTable::background() {
    ProgramTable table;
    QSignalSpy changed(&table, &QAbstractItemModel::dataChanged);
    table.setCurrentCell(4, 1);
    table.setCurrentCellBackground(QColor(Qt::green));

    QCOMPARE(table.cellBackground(4, 1), QColor(Qt::green));
    QCOMPARE(table.data(table.index(4, 1), Qt::BackgroundRole).value<QColor>(), QColor(Qt::green));
    QVERIFY(!table.data(table.index(4, 2), Qt::BackgroundRole).isValid());
    QVERIFY(!table.cellBackground(4, 2).isValid());
    QCOMPARE(changed.size(), 1);
    QCOMPARE(changed.last().at(0).value<QModelIndex>(), table.index(4, 1));
    QVERIFY(changed.last().at(2).value<QList<int>>().contains(Qt::BackgroundRole));

    // Another cell, then back: each keeps its own.
    table.setCurrentCell(5, 1);
    table.setCurrentCellBackground(QColor(Qt::red));
    table.setCurrentCell(4, 1);
    table.setCurrentCellBackground(ProgramTable::buttonFace());
    QVERIFY(!table.cellBackground(4, 1).isValid());
    QVERIFY(!table.data(table.index(4, 1), Qt::BackgroundRole).isValid());
    QCOMPARE(table.cellBackground(5, 1), QColor(Qt::red));
    QCOMPARE(changed.size(), 3);

    // A colour on a row that is cut off does not come back with the row.
    table.setRows(5);
    table.setRows(17);
    QVERIFY(!table.cellBackground(5, 1).isValid());
}

void TestProgramTable::modelSignals() {
    ProgramTable table;
    QAbstractItemModelTester tester(&table, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QSignalSpy changed(&table, &QAbstractItemModel::dataChanged);
    StepTable steps;

    NewProgram(table, steps, nullptr);
    table.setRows(30);
    table.genSteps();
    table.setCols(6);
    table.setText(3, 5, QStringLiteral("x"));
    QVERIFY(table.setData(table.index(2, 2), QStringLiteral("500")));
    QCOMPARE(table.data(table.index(2, 2)), QVariant(QStringLiteral("500")));
    QVERIFY(!table.setData(table.index(2, 2), QStringLiteral("1"), Qt::DecorationRole));
    table.setCurrentCell(2, 1);
    table.setSelectionEnd(8, 5);
    changed.clear();
    table.setClip(QStringLiteral("a\tb\rc"));
    QCOMPARE(changed.size(), 1);
    QCOMPARE(changed.last().at(0).value<QModelIndex>(), table.index(2, 1));
    QVERIFY(changed.last().at(1).value<QModelIndex>().row() >= 3);
    table.setCurrentCellBackground(Qt::cyan);
    table.setCols(2);
    table.setRows(3);
    table.addrow();
    table.setCols(4);
    table.clear();
    NewProgram(table, steps, nullptr);
    QCOMPARE(table.flags(table.index(1, 1)), Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    QCOMPARE(table.rowCount(table.index(1, 1)), 0);
}

QTEST_GUILESS_MAIN(TestProgramTable)
#include "tst_programtable.moc"
