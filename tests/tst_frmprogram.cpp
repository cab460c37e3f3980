// The program editor as the user meets it: keys and clicks on the grid and the in-cell list.
#include "core/globalstate.h"
#include "program/programfile.h"
#include "program/programtable.h"
#include "program/runner.h"
#include "program/waits.h"
#include "support/signallog.h"
#include "support/virtualclock.h"
#include "ui/frmprogram.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTableView>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
// The program editor over the first table, its key filter hooked, shown.
struct Rig {
    Rig() {
        view.HookGrid();
        view.resize(view.sizeHint());
        view.show();
    }
    void click(int row, int col) const {
        const QRect cell = grid->visualRect(table.index(row, col));
        if (cell.isValid())
            QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    }
    // Each key pressed and released with its text; "\b" stands for Backspace, "\x7f" for Delete.
    void type(const QString &keys) const {
        for (const QChar c : keys) {
            const int key = c == u'\b'             ? int(Qt::Key_Backspace)
                            : c == u'\x7f'         ? int(Qt::Key_Delete)
                            : c == u'\f'           ? int(Qt::Key_L) // Ctrl+L
                            : c.isLetterOrNumber() ? int(c.toUpper().unicode())
                                                   : int(Qt::Key_unknown);
            const QString text = key == Qt::Key_Backspace || key == Qt::Key_Delete ? QString() : c;
            for (const QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
                QKeyEvent event(type, key, c == u'\f' ? Qt::ControlModifier : Qt::NoModifier, text);
                QCoreApplication::sendEvent(grid, &event);
            }
        }
    }

    GlobalState state;
    ProgramTable table;
    // As the program starts with it, before the editor shows it.
    const bool firstProgram = (setUpFirstProgram(table), true);
    StepTable steps;
    VirtualClock clock;
    SignalLog log;
    RecordingChannelCommand device{log, clock};
    Waits waits{clock, state};
    ProgramRunner runner{state, table, steps, device, waits, clock};
    frmProgram view{state, table, runner};
    QTableView *grid = view.findChild<QTableView *>(QStringLiteral("grid"));
    QComboBox *list = view.findChild<QComboBox *>(QStringLiteral("cbEditCell"));
};
} // namespace

class TestFrmProgram : public QObject {
    Q_OBJECT

private slots:
    void keyFilter_data();
    void keyFilter();
    void editList_data();
    void editList();
    void runsBoxes();
};

void TestFrmProgram::keyFilter_data() {
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("col");
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("intoList"); // typed into the list's own box first
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("cell");
    QTest::addColumn<int>("rows");

    const auto add = [](const char *name, int row, int col, const char *start, const char *keys,
                        const char *cell, int rows = 17, const char *intoList = "") {
        QTest::newRow(name) << row << col << QString::fromLatin1(start) << intoList
                            << QString::fromLatin1(keys) << QString::fromLatin1(cell) << rows;
    };
    add("channel 1 then 2", 2, 1, "", "12", "12");
    add("channel 17 is not written", 2, 1, "", "17", "1");
    add("full stop in a channel is no number", 2, 1, "", "1.", "1");
    add("channel text of letters", 2, 1, "ab", "1", "ab");
    add("backspace shortens the list too", 2, 1, "", "6\b3", "3");
    add("Ctrl+L removes the last character", 2, 2, "", "15\f", "1");
    add("comma, then backspace", 2, 2, "", "1,5\b", "1,");
    add("full stop is a decimal mark", 2, 2, "", "2.5", "2.5");
    add("delete removes the last character", 2, 2, "7", "5\x7f\x7f", "");
    add("unit letters", 2, 3, "", "min", "min");
    add("unit letter in the time column", 2, 2, "", "m", "");
    add("other characters", 2, 3, "", "x1 ", "");
    add("title row after a save", 0, 2, "Time to wait", "\b5", "Time to wait");
    add("typed in the last row", 16, 2, "", "5", "5", 18);
    add("refused in the last row", 16, 2, "", "x", "", 18);
    // What the user typed into the list itself is carried on only when the filter admits it.
    add("list digits continue a channel", 2, 1, "", "2", "12", 17, "1");
    add("a sign in the list makes no channel", 2, 1, "", "3", "", 17, "-");
    add("list letters continue a unit", 2, 3, "", "s", "ms", 17, "m");
    add("other characters in the list make no unit", 2, 3, "", "m", "", 17, "8*");
}

void TestFrmProgram::keyFilter() {
    QFETCH(int, row);
    QFETCH(int, col);
    QFETCH(QString, start);
    QFETCH(QString, intoList);
    QFETCH(QString, keys);
    QFETCH(QString, cell);
    QFETCH(int, rows);

    Rig rig;
    rig.table.setText(row, col, start);
    // A cell below that starts like the typed text: typing must not jump there.
    rig.table.setText(row + 1, col, keys);
    // Saving and loading leave the current cell in the title row.
    if (row == 0)
        rig.table.setCurrentCell(row, col);
    else
        rig.click(row, col);
    if (!intoList.isEmpty())
        QTest::keyClicks(rig.list->lineEdit(), intoList);
    rig.type(keys);

    QCOMPARE(rig.table.text(row, col), cell);
    QCOMPARE(rig.table.rowCount(), rows);
    QCOMPARE(rig.table.text(rows - 1, 0), QString::number(rows - 1));
}

// The list opened with a click on its arrow over a cell of row 2, an item clicked, then a key.
void TestFrmProgram::editList_data() {
    QTest::addColumn<int>("col");
    QTest::addColumn<QString>("start");
    QTest::addColumn<int>("item");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("cell");
    for (const char *unit : {"", "ms", "s", "min", "h"})
        QTest::addRow("over \"%s\": h", unit) << 3 << unit << 3 << QString() << QStringLiteral("h");
    QTest::newRow("channel 1, then 2")
        << 1 << QString() << 0 << QStringLiteral("2") << QStringLiteral("12");
}

void TestFrmProgram::editList() {
    QFETCH(int, col);
    QFETCH(QString, start);
    QFETCH(int, item);
    QFETCH(QString, key);
    QFETCH(QString, cell);

    Rig rig;
    QVERIFY(QTest::qWaitForWindowActive(&rig.view));
    rig.table.setText(2, col, start);
    rig.click(2, col);
    QTest::mouseClick(rig.list, Qt::LeftButton, {},
                      {rig.list->width() - 4, rig.list->height() / 2});
    QAbstractItemView *items = rig.list->view();
    QTRY_VERIFY(items->isVisible());
    // The list takes no release this soon after it opened.
    QTest::qWait(QApplication::doubleClickInterval() + 100);
    QTest::mouseClick(items->viewport(), Qt::LeftButton, {},
                      items->visualRect(items->model()->index(item, 0)).center());
    rig.type(key);
    QCOMPARE(rig.table.text(2, col), cell);
    QCOMPARE(QPoint(rig.table.currentRow(), rig.table.currentColumn()), QPoint(2, col));
}

// "continous" clicked (an empty step) or text typed into the runs box over "0": cont_mode,
// no_of_runs, the box and whether it takes input.
void TestFrmProgram::runsBoxes() {
    Rig rig;
    auto *runs = rig.view.findChild<QLineEdit *>(QStringLiteral("txt_no_of_runs"));
    runs->setText(QStringLiteral("0"));
    QStringList seen;
    for (const QString typed : {"", "abc", " 5 ", ""}) {
        runs->selectAll();
        if (typed.isEmpty())
            QTest::mouseClick(rig.view.findChild<QCheckBox *>("chk_cont"), Qt::LeftButton);
        QTest::keyClicks(runs, typed);
        seen << u"%1 %2 \"%3\" %4"_s.arg(rig.state.cont_mode)
                    .arg(rig.state.no_of_runs)
                    .arg(runs->text())
                    .arg(runs->isEnabled());
    }
    QCOMPARE(seen,
             QStringList({"1 -1 \"-1\" 1", "1 -1 \"abc\" 1", "1 5 \" 5 \" 1", "0 5 \" 5 \" 0"}));
    // A run takes its passes from what the box shows.
    QTest::mouseClick(rig.view.findChild<QCheckBox *>("chk_cont"), Qt::LeftButton);
    rig.log.watch(rig.runner);
    rig.runner.RunProgram();
    QCOMPARE(rig.log.starting({"runs left"}).size(), 5);
}

QTEST_MAIN(TestFrmProgram)
#include "tst_frmprogram.moc"
