#include "core/views.h"
#include "program/programfile.h"
#include "program/programtable.h"
#include "program/steptable.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {
const QByteArray kTitles = "Step\tChannel\tTime to wait\tTime unit";

class RecordingHost final : public ProgramHost {
public:
    void hideMainIfMiniVisible() override { calls << QStringLiteral("hide"); }
    void enableRunButtons() override { calls << QStringLiteral("enable"); }
    QStringList calls;
};

class RecordingMessages final : public MessageDisplay {
public:
    void showMessage(const QString &text) override { messages << text; }
    QStringList messages;
};

// A saved program of `steps` rows of `cols` cells: step r holds "r", "c<r>", "<r>00", "ms" and
// then "x<r>.<c>" in any further column.
QByteArray programFile(int steps, int cols, const QByteArray &header = {}) {
    QByteArray bytes = header.isEmpty()
                           ? QByteArray::number(steps) + ',' + QByteArray::number(cols) + ';'
                           : header;
    QList<QByteArray> titles = kTitles.split('\t');
    for (int c = 0; c < cols; ++c) {
        if (c)
            bytes += '\t';
        bytes += c < titles.size() ? titles.at(c) : QByteArray("T") + QByteArray::number(c);
    }
    for (int r = 1; r <= steps; ++r) {
        bytes += '\r';
        const QByteArray n = QByteArray::number(r);
        const QByteArray cells[] = {n, "c" + n, n + "00", "ms"};
        for (int c = 0; c < cols; ++c) {
            if (c)
                bytes += '\t';
            bytes += c < 4 ? cells[c] : "x" + n + "." + QByteArray::number(c);
        }
    }
    bytes += "\r\n";
    return bytes;
}

// Puts rows into the table from row 1 on, cells split at tabs.
void fillRows(ProgramTable &table, const QStringList &rows) {
    if (table.rows() < rows.size() + 1)
        table.setRows(int(rows.size()) + 1);
    for (int r = 0; r < rows.size(); ++r) {
        const QStringList cells = rows.at(r).split(QLatin1Char('\t'));
        for (int c = 0; c < cells.size(); ++c)
            table.setText(r + 1, c, cells.at(c));
    }
}

QByteArray readFile(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

bool writeFile(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

void verifySelectionAtOrigin(const ProgramTable &table) {
    QCOMPARE(table.row(), 0);
    QCOMPARE(table.col(), 0);
    QCOMPARE(table.rowSel(), 0);
    QCOMPARE(table.colSel(), 0);
}

// Rows first..last carry their own numbers in the step column; the rows after them up to the end
// of the table have no step text.
void verifyNumbering(const ProgramTable &table, int first, int last) {
    for (int r = first; r <= last; ++r)
        QCOMPARE(table.text(r, 0), QString::number(r));
    for (int r = std::max(first, last + 1); r < table.rows(); ++r)
        QVERIFY2(table.text(r, 0).isEmpty(), qPrintable(QString::number(r)));
}
} // namespace

class TestProgramFile : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void save_data();
    void save();
    void load_data();
    void load();
    void exactExample();
    void fewerRowsThanAnnounced();
    void roundTrip_data();
    void roundTrip();
    void latin1Bytes();
    void rejectedHeader_data();
    void rejectedHeader();
    void unreadableFile();
    void saveRefusesUnstorableCells_data();
    void saveRefusesUnstorableCells();
    void saveFailure_data();
    void saveFailure();

private:
    QString path(const QString &name) const { return m_dir.filePath(name); }
    QTemporaryDir m_dir;
};

void TestProgramFile::initTestCase() {
    QVERIFY(m_dir.isValid());
}

void TestProgramFile::save_data() {
    QTest::addColumn<int>("cols");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("empty program") << 4 << QStringList{} << "0,4;" + kTitles + "\r\n";
    QTest::newRow("step text without a channel")
        << 4 << QStringList{"1\t\t500\tms"} << "0,4;" + kTitles + "\r\n";
    QTest::newRow("channel only") << 4 << QStringList{"\t3"} << "1,4;" + kTitles + "\r\t3\t\t\r\n";
    QTest::newRow("gap ends the program")
        << 4 << QStringList{"1\t3\t5\ts", "2\t4\t6\ts", "3\t\t7\ts", "4\t5\t8\ts"}
        << "2,4;" + kTitles + "\r1\t3\t5\ts\r2\t4\t6\ts\r\n";
    QTest::newRow("blank channel counts")
        << 4 << QStringList{"1\t \t\t"} << "1,4;" + kTitles + "\r1\t \t\t\r\n";
    QTest::newRow("six columns") << 6 << QStringList{"1\t3\t5\ts\ta\tb"}
                                 << "1,6;" + kTitles + "\t\t\r1\t3\t5\ts\ta\tb\r\n";
    QTest::newRow("one column has no channel")
        << 1 << QStringList{"1"} << QByteArray("0,1;Step\r\n");
    QTest::newRow("16 steps") << 4 << QStringList(16, "1\t2\t3\tms")
                              << "16,4;" + kTitles + QByteArray("\r1\t2\t3\tms").repeated(16) +
                                     "\r\n";
    QTest::newRow("channels to the last row")
        << 4 << QStringList(25, "1\t2\t3\tms")
        << "25,4;" + kTitles + QByteArray("\r1\t2\t3\tms").repeated(25) + "\r\n";
}

void TestProgramFile::save() {
    QFETCH(int, cols);
    QFETCH(QStringList, rows);
    QFETCH(QByteArray, expected);

    ProgramTable table;
    StepTable steps;
    table.setCols(cols);
    NewProgram(table, steps, nullptr);
    fillRows(table, rows);
    table.setCurrentCell(5, 2);
    table.setSelectionEnd(7, 3);

    const QString file = path(QStringLiteral("save.qmx"));
    QCOMPARE(SaveProgram(file, table), QString());
    QCOMPARE(readFile(file), expected);
    verifySelectionAtOrigin(table);
}

void TestProgramFile::load_data() {
    QTest::addColumn<QByteArray>("bytes"); // empty: no file at all
    QTest::addColumn<int>("steps");        // rows whose cells come from the file
    QTest::addColumn<int>("expectedRows");
    QTest::addColumn<int>("expectedCols");
    QTest::addColumn<int>("lastNumbered"); // numbered rows run from steps + 1 to this one
    QTest::addColumn<int>("fileCols");

    QTest::newRow("no file") << QByteArray() << 0 << 17 << 4 << 16 << 4;
    QTest::newRow("no semicolon") << QByteArray("3,4 Step\tChannel") << 0 << 17 << 4 << 16 << 4;
    QTest::newRow("no comma") << QByteArray("3 4;Step\tChannel\r\n") << 0 << 17 << 4 << 16 << 4;
    QTest::newRow("comma only after the semicolon")
        << QByteArray("34;Step,Channel\r\n") << 0 << 17 << 4 << 16 << 4;
    QTest::newRow("empty program") << programFile(0, 4) << 0 << 18 << 4 << 17 << 4;
    QTest::newRow("3 steps") << programFile(3, 4) << 3 << 18 << 4 << 17 << 4;
    QTest::newRow("16 steps") << programFile(16, 4) << 16 << 18 << 4 << 17 << 4;
    QTest::newRow("17 steps") << programFile(17, 4) << 17 << 19 << 4 << 17 << 4;
    QTest::newRow("30 steps") << programFile(30, 4) << 30 << 32 << 4 << 30 << 4;
    QTest::newRow("blanks in the header")
        << programFile(3, 4, " 3 , 4 ;") << 3 << 18 << 4 << 17 << 4;
    QTest::newRow("text after the numbers")
        << programFile(3, 4, "3steps,4cols;") << 3 << 18 << 4 << 17 << 4;
    QTest::newRow("half rounds to even, down")
        << programFile(2, 4, "2.5,4;") << 2 << 18 << 4 << 17 << 4;
    QTest::newRow("half rounds to even, up")
        << programFile(4, 4, "3.5,4;") << 4 << 18 << 4 << 17 << 4;
    QTest::newRow("columns round") << programFile(2, 4, "2,4.4;") << 2 << 18 << 4 << 17 << 4;
    QTest::newRow("wider file widens the table") << programFile(3, 6) << 3 << 18 << 6 << 17 << 6;
    QTest::newRow("narrower file keeps four columns")
        << programFile(3, 2) << 3 << 18 << 4 << 17 << 2;
}

void TestProgramFile::load() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, steps);
    QFETCH(int, expectedRows);
    QFETCH(int, expectedCols);
    QFETCH(int, lastNumbered);
    QFETCH(int, fileCols);

    const QString file = path(QStringLiteral("load.qmx"));
    QFile::remove(file);
    if (!bytes.isEmpty())
        QVERIFY(writeFile(file, bytes));

    ProgramTable table;
    table.setRows(50);
    table.setText(40, 2, QStringLiteral("old"));
    StepTable records;
    records[3].channel_no = 7;
    RecordingHost host;
    RecordingMessages messages;
    LoadProgram(file, table, records, &host, &messages);

    QCOMPARE(messages.messages, QStringList());
    QCOMPARE(host.calls, (QStringList{"hide", "enable", "enable"}));
    QCOMPARE(records[3].channel_no, qint16(-1));
    QCOMPARE(table.rows(), expectedRows);
    QCOMPARE(table.cols(), expectedCols);
    verifySelectionAtOrigin(table);

    for (int r = 1; r <= steps; ++r) {
        QCOMPARE(table.text(r, 0), QString::number(r));
        QCOMPARE(table.text(r, 1), QStringLiteral("c%1").arg(r));
        if (fileCols >= 4) {
            QCOMPARE(table.text(r, 2), QString::number(r) + QStringLiteral("00"));
            QCOMPARE(table.text(r, 3), QStringLiteral("ms"));
        }
    }
    verifyNumbering(table, steps + 1, lastNumbered);
    for (int r = steps + 1; r < table.rows(); ++r) {
        for (int c = 1; c < table.cols(); ++c)
            QVERIFY2(table.text(r, c).isEmpty(), qPrintable(QStringLiteral("%1,%2").arg(r).arg(c)));
    }
    if (expectedCols > 4) {
        QCOMPARE(table.text(0, 4), QStringLiteral("T4"));
        QCOMPARE(table.text(steps, expectedCols - 1),
                 QStringLiteral("x%1.%2").arg(steps).arg(expectedCols - 1));
    }
    // The titles are there whether they come from the file or from the new program.
    QCOMPARE(table.text(0, 1), QStringLiteral("Channel"));
}

void TestProgramFile::exactExample() {
    ProgramTable table;
    StepTable steps;
    NewProgram(table, steps, nullptr);
    fillRows(table, {"1\t3\t500\tms", "2\t12\t1,5\ts"});
    const QString file = path(QStringLiteral("example.qmx"));
    QCOMPARE(SaveProgram(file, table), QString());
    const QByteArray expected = "2,4;" + kTitles + "\r1\t3\t500\tms\r2\t12\t1,5\ts\r\n";
    QCOMPARE(readFile(file), expected);

    ProgramTable loaded;
    LoadProgram(file, loaded, steps, nullptr, nullptr);
    QCOMPARE(loaded.rows(), 18);
    QCOMPARE(loaded.text(2, 2), QStringLiteral("1,5"));
    // The line end is not part of the last cell.
    QCOMPARE(loaded.text(2, 3), QStringLiteral("s"));
    QCOMPARE(loaded.text(3, 0), QStringLiteral("3"));
    QVERIFY(loaded.text(3, 1).isEmpty());
}

void TestProgramFile::fewerRowsThanAnnounced() {
    const QString file = path(QStringLiteral("short.qmx"));
    QVERIFY(writeFile(file, programFile(2, 4, "5,4;")));
    ProgramTable table;
    StepTable steps;
    LoadProgram(file, table, steps, nullptr, nullptr);
    QCOMPARE(table.rows(), 18);
    QCOMPARE(table.text(2, 3), QStringLiteral("ms"));
    // The rows the file lacks stay empty: no line end lands in them.
    for (int r = 3; r <= 5; ++r) {
        for (int c = 0; c < table.cols(); ++c)
            QVERIFY2(table.text(r, c).isEmpty(), qPrintable(table.text(r, c)));
    }
    verifyNumbering(table, 6, 17);
}

void TestProgramFile::roundTrip_data() {
    QTest::addColumn<int>("cols");
    QTest::addColumn<QStringList>("titles");
    QTest::addColumn<QStringList>("rows");

    QString high;
    for (int u = 0x80; u <= 0xff; ++u)
        high += QChar(u);
    QString low;
    for (int u = 0x00; u < 0x80; ++u) {
        if (u != '\t' && u != '\r')
            low += QChar(u);
    }
    QTest::newRow("plain") << 4 << QStringList{"Step", "Channel", "Time to wait", "Time unit"}
                           << QStringList{"1\t3\t500\tms", "2\t12\t1,5\ts"};
    QTest::newRow("own titles") << 4 << QStringList{"Schritt", "Kanal", "Wartezeit", "Einheit"}
                                << QStringList{"1\t3\t500\tms"};
    QTest::newRow("latin-1 above ascii")
        << 4 << QStringList{high, "Kanal \u00e4", "", "\u00ff"}
        << QStringList{high + "\t" + high + "\t\u00b5s\t\u00e9", "\t1\t\t"};
    QTest::newRow("control characters and line feeds")
        << 4 << QStringList{"Step", "Channel", "Time", "Unit"}
        << QStringList{low + "\t\n\t\n\n\t", "\t \t  \t"};
    QTest::newRow("empty titles") << 4 << QStringList{"", "", "", ""} << QStringList{"\t1\t\t"};
    QTest::newRow("wide") << 7 << QStringList{"Step", "Channel", "Time", "Unit", "a", "b", "c"}
                          << QStringList{"1\t2\t3\t4\t5\t6\t7", "\t2\t\t\t\t\t7"};
}

void TestProgramFile::roundTrip() {
    QFETCH(int, cols);
    QFETCH(QStringList, titles);
    QFETCH(QStringList, rows);

    ProgramTable table;
    StepTable steps;
    table.setCols(cols);
    NewProgram(table, steps, nullptr);
    for (int c = 0; c < cols; ++c)
        table.setText(0, c, titles.at(c));
    fillRows(table, rows);
    const QString first = path(QStringLiteral("first.qmx"));
    QCOMPARE(SaveProgram(first, table), QString());

    ProgramTable loaded;
    LoadProgram(first, loaded, steps, nullptr, nullptr);
    QCOMPARE(loaded.cols(), std::max(cols, 4));
    for (int c = 0; c < cols; ++c)
        QCOMPARE(loaded.text(0, c), titles.at(c));
    for (int r = 1; r <= rows.size(); ++r) {
        for (int c = 0; c < cols; ++c)
            QCOMPARE(loaded.text(r, c), table.text(r, c));
    }

    const QString second = path(QStringLiteral("second.qmx"));
    QCOMPARE(SaveProgram(second, loaded), QString());
    QCOMPARE(readFile(second), readFile(first));
}

void TestProgramFile::latin1Bytes() {
    // Every byte but the separators, as another program might have written them.
    QByteArray cell;
    for (int b = 0; b <= 0xff; ++b) {
        if (b != '\t' && b != '\r')
            cell += char(b);
    }
    const QByteArray bytes = "1,4;" + cell + "\tChannel\t\t\r1\t" + cell + "\t" + cell + "\t\r\n";
    const QString file = path(QStringLiteral("bytes.qmx"));
    QVERIFY(writeFile(file, bytes));

    ProgramTable table;
    StepTable steps;
    LoadProgram(file, table, steps, nullptr, nullptr);
    QCOMPARE(table.text(1, 1).size(), cell.size());
    QCOMPARE(table.text(1, 1).at(cell.size() - 1), QChar(0xff));

    const QString copy = path(QStringLiteral("bytes-copy.qmx"));
    QCOMPARE(SaveProgram(copy, table), QString());
    QCOMPARE(readFile(copy), bytes);
}

void TestProgramFile::rejectedHeader_data() {
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("negative steps") << programFile(2, 4, "-1,4;");
    QTest::newRow("no columns") << programFile(3, 4, "3,0;");
    QTest::newRow("half a column rounds to none") << programFile(3, 4, "3,0.5;");
    QTest::newRow("negative columns") << programFile(3, 4, "3,-4;");
    QTest::newRow("blank columns") << programFile(3, 4, "3,;");
    QTest::newRow("steps beyond the file") << programFile(3, 4, "99999,4;");
    QTest::newRow("columns beyond the file") << programFile(3, 4, "3,99999;");
    QTest::newRow("huge steps") << programFile(3, 4, "1e300,4;");
    QTest::newRow("more cells than bytes") << programFile(3, 4, "60,60;");
}

void TestProgramFile::rejectedHeader() {
    QFETCH(QByteArray, bytes);

    const QString file = path(QStringLiteral("damaged.qmx"));
    QVERIFY(writeFile(file, bytes));
    ProgramTable table;
    StepTable steps;
    RecordingHost host;
    RecordingMessages messages;
    LoadProgram(file, table, steps, &host, &messages);

    QCOMPARE(messages.messages.size(), 1);
    QVERIFY2(messages.messages.first().contains(QStringLiteral("damaged.qmx")),
             qPrintable(messages.messages.first()));
    QCOMPARE(host.calls, (QStringList{"hide", "enable", "enable"}));
    QCOMPARE(table.rows(), 17);
    QCOMPARE(table.cols(), 4);
    QCOMPARE(table.text(0, 2), QStringLiteral("Time to wait"));
    verifyNumbering(table, 1, 16);
    for (int r = 1; r < table.rows(); ++r)
        QVERIFY(table.text(r, 1).isEmpty());
    verifySelectionAtOrigin(table);
}

void TestProgramFile::unreadableFile() {
    // A directory is there but cannot be read as a file.
    const QString dir = path(QStringLiteral("folder.qmx"));
    QVERIFY(QDir().mkpath(dir));
    ProgramTable table;
    StepTable steps;
    RecordingMessages messages;
    LoadProgram(dir, table, steps, nullptr, &messages);
    QCOMPARE(messages.messages.size(), 1);
    QVERIFY(messages.messages.first().contains(QStringLiteral("folder.qmx")));
    QCOMPARE(table.rows(), 17);
    verifyNumbering(table, 1, 16);
}

void TestProgramFile::saveRefusesUnstorableCells_data() {
    QTest::addColumn<QPoint>("cell"); // (col, row)
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("named"); // empty: the save goes through

    QTest::newRow("euro sign") << QPoint(2, 2) << QStringLiteral("5\u20ac")
                               << QStringLiteral("step 2, column 3");
    QTest::newRow("tab in a cell")
        << QPoint(1, 1) << QStringLiteral("3\t4") << QStringLiteral("step 1, column 2");
    QTest::newRow("carriage return in a title")
        << QPoint(3, 0) << QStringLiteral("Time\runit") << QStringLiteral("title of column 4");
    QTest::newRow("outside the saved rows")
        << QPoint(2, 5) << QStringLiteral("\u20ac") << QString();
    QTest::newRow("line feed is stored") << QPoint(3, 1) << QStringLiteral("m\ns") << QString();
}

void TestProgramFile::saveRefusesUnstorableCells() {
    QFETCH(QPoint, cell);
    QFETCH(QString, text);
    QFETCH(QString, named);

    const QString file = path(QStringLiteral("refused.qmx"));
    const QByteArray old = "old contents";
    QVERIFY(writeFile(file, old));
    ProgramTable table;
    StepTable steps;
    NewProgram(table, steps, nullptr);
    fillRows(table, {"1\t3\t500\tms", "2\t12\t1,5\ts"});
    table.setText(cell.y(), cell.x(), text);

    const QString reason = SaveProgram(file, table);
    verifySelectionAtOrigin(table);
    if (named.isEmpty()) {
        QCOMPARE(reason, QString());
        QVERIFY(readFile(file) != old);
    } else {
        QVERIFY2(reason.contains(named), qPrintable(reason));
        QVERIFY2(reason.contains(QStringLiteral("refused.qmx")), qPrintable(reason));
        QCOMPARE(readFile(file), old);
    }
}

void TestProgramFile::saveFailure_data() {
    QTest::addColumn<QString>("target");

    // Both work when the tests run as root, where permission bits stop nothing.
    QTest::newRow("target is a directory") << QStringLiteral("busy.qmx");
    QTest::newRow("parent is a file") << QStringLiteral("plain/inner.qmx");
}

void TestProgramFile::saveFailure() {
    QFETCH(QString, target);

    const QString keep = path(QStringLiteral("busy.qmx/keep"));
    QVERIFY(QDir().mkpath(path(QStringLiteral("busy.qmx"))));
    QVERIFY(writeFile(keep, "kept"));
    QVERIFY(writeFile(path(QStringLiteral("plain")), "plain file"));

    ProgramTable table;
    StepTable steps;
    NewProgram(table, steps, nullptr);
    fillRows(table, {"1\t3\t500\tms"});
    const QString reason = SaveProgram(path(target), table);
    QVERIFY(!reason.isEmpty());
    verifySelectionAtOrigin(table);
    QCOMPARE(readFile(keep), QByteArray("kept"));
    QCOMPARE(readFile(path(QStringLiteral("plain"))), QByteArray("plain file"));
    QVERIFY(QFileInfo(path(QStringLiteral("busy.qmx"))).isDir());
}

QTEST_GUILESS_MAIN(TestProgramFile)
#include "tst_programfile.moc"
