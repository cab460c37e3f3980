#include "program/programfile.h"
#include "program/programtable.h"
#include "program/steptable.h"
#include "support/files.h"
#include "support/signallog.h"
#include "support/tablerows.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <cstring>

using namespace Qt::StringLiterals;

namespace {
const QByteArray kTitles = "Step\tChannel\tTime to wait\tTime unit";
// The largest program file that is read or written.
constexpr qint64 kMaxFileBytes = 10 * 1024 * 1024;

// The title of column c: the usual four, then "T<c>".
QByteArray title(int c) {
    return c < 4 ? kTitles.split('\t').at(c) : "T" + QByteArray::number(c);
}

// A saved program of `steps` rows of `cols` cells; step r holds "r.c" in column c.
QByteArray programFile(int steps, int cols, const QByteArray &header = {}) {
    QByteArray bytes = header.isEmpty()
                           ? QByteArray::number(steps) + ',' + QByteArray::number(cols) + ';'
                           : header;
    for (int r = 0; r <= steps; ++r) {
        for (int c = 0; c < cols; ++c) {
            bytes += c > 0 ? "\t" : r > 0 ? "\r" : "";
            bytes += r == 0 ? title(c) : QByteArray::number(r) + '.' + QByteArray::number(c);
        }
    }
    return bytes + "\r\n";
}

// A new program with rows from row 1 on, cells split at tabs.
void newProgram(ProgramTable &table, int cols, const QStringList &rows) {
    StepTable steps;
    table.setColumnCount(cols);
    ProgramDocument(table, steps).NewProgram();
    table.setRowCount(std::max(table.rowCount(), int(rows.size()) + 1));
    for (int r = 0; r < rows.size(); ++r) {
        const QStringList cells = rows.at(r).split(u'\t');
        for (int c = 0; c < cells.size(); ++c)
            table.setText(r + 1, c, cells.at(c));
    }
}

// A file to load and the table it gives.
struct Load {
    QByteArray bytes; // empty: no file at all; "<fifo>": a FIFO
    int steps;        // rows whose cells come from the file
    int rows;
    int firstNumbered; // the new step numbers, first to last
    int lastNumbered;
    int fileCols = 4;
    bool message = false; // one message names the file
};

// A save that is refused (named is part of why), or goes through when named is empty.
struct Refusal {
    QString target;
    QPoint cell; // (col, row) that gets text
    QString text;
    QString named;
    qint64 fileSizeLimit = 0; // as a full disk would stop the writing
};

// File commands leave the current cell and the selection at the top left.
bool selectionAtOrigin(const ProgramTable &table) {
    return table.currentRow() == 0 && table.currentColumn() == 0 && table.selectionEndRow() == 0 &&
           table.selectionEndColumn() == 0;
}

} // namespace

class TestProgramFile : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        // Saves aimed at it must leave it a FIFO.
        QCOMPARE(::mkfifo(QFile::encodeName(path(u"pipe.qmx"_s)).constData(), 0600), 0);
    }

    void save_data() {
        QTest::addColumn<int>("cols");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QByteArray>("expected");

        QTest::newRow("empty program") << 4 << QStringList() << "0,4;" + kTitles + "\r\n";
        QTest::newRow("two steps") << 4 << QStringList{"1\t3\t500\tms", "2\t12\t1,5\ts"}
                                   << "2,4;" + kTitles + "\r1\t3\t500\tms\r2\t12\t1,5\ts\r\n";
        QTest::newRow("gap ends the program")
            << 4 << QStringList{"1\t3\t5\ts", "2\t4\t6\ts", "3\t\t7\ts", "4\t5\t8\ts"}
            << "2,4;" + kTitles + "\r1\t3\t5\ts\r2\t4\t6\ts\r\n";
        QTest::newRow("blank channel counts")
            << 4 << QStringList{"\t "} << "1,4;" + kTitles + "\r\t \t\t\r\n";
        QTest::newRow("six columns") << 6 << QStringList{"1\t3\t5\ts\ta\tb"}
                                     << "1,6;" + kTitles + "\t\t\r1\t3\t5\ts\ta\tb\r\n";
        QTest::newRow("one column has no channel")
            << 1 << QStringList{"1"} << QByteArray("0,1;Step\r\n");
        QTest::newRow("channels to the last row")
            << 4 << QStringList(25, "1\t2\t3\tms")
            << "25,4;" + kTitles + QByteArray("\r1\t2\t3\tms").repeated(25) + "\r\n";
    }

    void save() {
        QFETCH(int, cols);
        QFETCH(QStringList, rows);
        QFETCH(QByteArray, expected);

        ProgramTable table;
        newProgram(table, cols, rows);
        table.setCurrentCell(5, 2);
        table.setSelectionEnd(7, 3);
        const QString file = path(u"save.qmx"_s);
        QCOMPARE(SaveProgram(file, table), QString());
        QCOMPARE(readFile(file), expected);
        QVERIFY(selectionAtOrigin(table));
    }

    void load_data() {
        QTest::addColumn<Load>("c");
        // These are not program files; a new program stands in for them.
        QTest::newRow("no file") << Load{{}, 0, 17, 1, 16};
        QTest::newRow("a FIFO is not opened") << Load{"<fifo>", 0, 17, 1, 16, 4, true};
        QTest::newRow("no semicolon") << Load{"3,4 Step\tChannel", 0, 17, 1, 16};
        QTest::newRow("no comma") << Load{"3 4;Step\tChannel\r\n", 0, 17, 1, 16};

        QTest::newRow("empty program") << Load{programFile(0, 4), 0, 18, 1, 17};
        QTest::newRow("17 steps") << Load{programFile(17, 4), 17, 19, 18, 17};
        QTest::newRow("blanks in the header") << Load{programFile(3, 4, " 3 , 4 ;"), 3, 18, 4, 17};
        QTest::newRow("half rounds to even, down")
            << Load{programFile(2, 4, "2.5,4;"), 2, 18, 3, 17};
        QTest::newRow("half rounds to even, up") << Load{programFile(4, 4, "3.5,4;"), 4, 18, 5, 17};
        QTest::newRow("wider file widens the table") << Load{programFile(3, 6), 3, 18, 4, 17, 6};
        QTest::newRow("narrower file keeps four columns")
            << Load{programFile(3, 2), 3, 18, 4, 17, 2};
        // The rows the file lacks stay empty: no line end lands in them.
        QTest::newRow("fewer rows than announced")
            << Load{programFile(2, 4, "5,4;"), 2, 18, 6, 17, 4, true};
        for (const char *header :
             {"-1,4;", "3,0;", "3,0.5;", "3,;", "99999,4;", "3,99999;", "1e300,4;", "60,60;"}) {
            QTest::addRow("damaged header %s", header)
                << Load{programFile(3, 4, header), 0, 17, 1, 16, 4, true};
        }
    }

    void load() {
        QFETCH(Load, c);

        const QString file = path(u"load%1.qmx"_s.arg(m_loads++));
        if (c.bytes == "<fifo>")
            QCOMPARE(::mkfifo(QFile::encodeName(file).constData(), 0600), 0);
        else if (!c.bytes.isEmpty())
            QVERIFY(writeFile(file, c.bytes));
        ProgramTable table;
        table.setRowCount(50);
        table.setText(40, 2, u"old"_s);
        StepTable records;
        records[3].channel_no = 7;
        ProgramDocument document(table, records);
        SignalLog log;
        log.watch(document);
        document.LoadProgram(file);

        // A new program first, whatever the file holds; then what is wrong with the file.
        QCOMPARE(log.lines.value(0), u"new program"_s);
        QCOMPARE(log.messages().size(), c.message ? 1 : 0);
        if (c.message) {
            QVERIFY2(log.messages()[0].contains(QFileInfo(file).fileName()),
                     qPrintable(log.messages()[0]));
        }
        QCOMPARE(records[3].channel_no, qint16(-1));
        QVERIFY(selectionAtOrigin(table));
        QStringList expected;
        for (int r = 0; r < c.rows; ++r) {
            QByteArrayList cells;
            for (int col = 0; col < std::max(c.fileCols, 4); ++col) {
                if (r == 0)
                    cells << title(col);
                else if (r <= c.steps && col < c.fileCols)
                    cells << QByteArray::number(r) + '.' + QByteArray::number(col);
                else if (col == 0 && r >= c.firstNumbered && r <= c.lastNumbered)
                    cells << QByteArray::number(r);
                else
                    cells << QByteArray();
            }
            expected << QString::fromLatin1(cells.join('\t'));
        }
        QCOMPARE(tableRows(table), expected);
    }

    // Files that are refused, or loaded as far as they can be read, with a message that names the
    // file and says why.
    void loadMessage_data() {
        QTest::addColumn<QString>("name"); // in the test's folder, or an absolute path
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<qint64>("size"); // the file goes on with zeros up to this size
        QTest::addColumn<QString>("why"); // empty: no message
        const QByteArray saved = programFile(2, 4);
        QTest::newRow("rows end in LF")
            << "lf.qmx" << QByteArray(saved).replace('\r', '\n') << 0LL << "LF instead of CR";
        QTest::newRow("cut inside the last step")
            << "cut.qmx" << saved.chopped(4) << 0LL << "whole in the file: 1";
        QTest::newRow("a device") << "/dev/zero" << QByteArray() << 0LL << "not a regular file";
        QTest::newRow("as large as a file can be") << "big.qmx" << saved << kMaxFileBytes << "";
        QTest::newRow("one byte larger")
            << "bigger.qmx" << saved << kMaxFileBytes + 1 << "larger than a program file";
    }

    void loadMessage() {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(qint64, size);
        QFETCH(QString, why);

        const QString file = name.startsWith(u'/') ? name : path(name);
        if (!bytes.isEmpty())
            QVERIFY(writeFile(file, bytes) &&
                    QFile::resize(file, std::max(size, qint64(bytes.size()))));
        ProgramTable table;
        StepTable steps;
        ProgramDocument document(table, steps);
        SignalLog log;
        log.watch(document);
        document.LoadProgram(file);
        const QString shown = log.messages().value(0);
        QCOMPARE(log.messages().size(), why.isEmpty() ? 0 : 1);
        QVERIFY2(shown.contains(why) &&
                     shown.contains(why.isEmpty() ? "" : QFileInfo(file).fileName()),
                 qPrintable(shown));
    }

    // A file loads and saves again byte for byte.
    void roundTrip_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("cell"); // as loaded into step 1, column 2

        // Every byte but the separators, as another program might have written them.
        QByteArray all;
        for (int b = 0; b <= 0xff; ++b) {
            if (b != '\t' && b != '\r')
                all += char(b);
        }
        QTest::newRow("own titles")
            << QByteArray("1,4;Schritt\tKanal\tWartezeit\tEinheit\r1\t3\t500\tms\r\n") << "3";
        QTest::newRow("every byte")
            << "1,4;" + all + "\tKanal \xe4\t\t\xff\r1\t" + all + "\t" + all + "\t\r\n"
            << QString::fromLatin1(all);
        QTest::newRow("wide, no steps") << programFile(0, 30000) << "";
    }

    void roundTrip() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, cell);

        const QString file = path(u"first.qmx"_s);
        QVERIFY(writeFile(file, bytes));
        ProgramTable table;
        StepTable steps;
        ProgramDocument(table, steps).LoadProgram(file);
        QCOMPARE(table.text(1, 1), cell);
        const QString copy = path(u"copy.qmx"_s);
        QCOMPARE(SaveProgram(copy, table), QString());
        QCOMPARE(readFile(copy), bytes);
    }

    void saveRefused_data() {
        QTest::addColumn<Refusal>("c");
        const QString refused = u"refused.qmx"_s;
        QTest::newRow("euro sign") << Refusal{refused, {2, 2}, "5\u20ac", "step 2, column 3"};
        QTest::newRow("carriage return in a title")
            << Refusal{refused, {3, 0}, "Time\runit", "title of column 4"};
        QTest::newRow("outside the saved rows") << Refusal{refused, {2, 5}, "\u20ac", ""};
        QTest::newRow("line feed is stored") << Refusal{refused, {3, 1}, "m\ns", ""};
        QTest::newRow("target is a FIFO") << Refusal{"pipe.qmx", {}, "", "not a regular file"};
        QTest::newRow("disk full")
            << Refusal{refused, {}, "", QString::fromLocal8Bit(std::strerror(EFBIG)), 16};
        QTest::newRow("larger than a file can be")
            << Refusal{refused, {2, 1}, QString(kMaxFileBytes, u'5'), "larger than a program file"};
    }

    void saveRefused() {
        QFETCH(Refusal, c);

        const QByteArray old = "old contents";
        QVERIFY(writeFile(path(u"refused.qmx"_s), old));
        ProgramTable table;
        newProgram(table, 4, {u"1\t3\t500\tms"_s, u"2\t12\t1,5\ts"_s});
        if (!c.text.isEmpty())
            table.setText(c.cell.y(), c.cell.x(), c.text);

        rlimit unlimited{};
        getrlimit(RLIMIT_FSIZE, &unlimited);
        if (c.fileSizeLimit > 0) {
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{rlim_t(c.fileSizeLimit), unlimited.rlim_max};
            setrlimit(RLIMIT_FSIZE, &limit);
        }
        const QString reason = SaveProgram(path(c.target), table);
        setrlimit(RLIMIT_FSIZE, &unlimited);
        QVERIFY(selectionAtOrigin(table));
        if (c.named.isEmpty()) {
            QCOMPARE(reason, QString());
            QVERIFY(readFile(path(c.target)) != old);
            return;
        }
        QVERIFY2(reason.contains(c.named), qPrintable(reason));
        QVERIFY2(reason.contains(QFileInfo(c.target).fileName()), qPrintable(reason));
        // Nothing that was there before is touched.
        QCOMPARE(readFile(path(u"refused.qmx"_s)), old);
        QVERIFY(!QFileInfo(path(u"pipe.qmx"_s)).isFile());
    }

private:
    QString path(const QString &name) const { return m_dir.filePath(name); }
    QTemporaryDir m_dir;
    int m_loads = 0;
};

QTEST_GUILESS_MAIN(TestProgramFile)
#include "tst_programfile.moc"
