// The program editor as the user meets it: clicks and keys on the grid, the in-cell list, the
// runs controls, and the grid showing what the table holds.
#include "core/globalstate.h"
#include "program/programtable.h"
#include "ui/frmprogram.h"
#include "ui/twips.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QScrollBar>
#include <QTableView>
#include <QTest>

namespace {
const QStringList kChannels{"  1", "  2", "  3", "  4", "  5", "  6", "  7", "  8",
                            "  9", " 10", " 11", " 12", " 13", " 14", " 15", " 16"};
const QStringList kUnits{"ms", "s", "min", "h"};

struct Rig {
    Rig() {
        view.HookGrid();
        view.resize(view.sizeHint());
        view.show();
    }
    template <typename T> T *find(const char *name) const {
        return view.findChild<T *>(QLatin1String(name));
    }
    void click(int row, int col) {
        const QRect cell = grid->visualRect(table.index(row, col));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    }
    // "\b" stands for Backspace and "\x7f" for Delete.
    void type(const QString &keys) {
        for (const QChar c : keys) {
            if (c == u'\b')
                QTest::keyClick(grid, Qt::Key_Backspace);
            else if (c == u'\x7f')
                QTest::keyClick(grid, Qt::Key_Delete);
            else
                QTest::keyClick(grid, char(c.toLatin1()));
        }
    }
    QStringList items() const {
        QStringList all;
        for (int i = 0; i < list->count(); ++i)
            all << list->itemText(i);
        return all;
    }

    GlobalState state;
    ProgramTable table;
    frmProgram view{state, table};
    QTableView *grid = find<QTableView>("grid");
    QComboBox *list = find<QComboBox>("cbEditCell");
    QCheckBox *continuous = find<QCheckBox>("chk_cont");
    QLineEdit *runs = find<QLineEdit>("txt_no_of_runs");
};
} // namespace

class TestFrmProgram : public QObject {
    Q_OBJECT

private slots:
    void keyFilter_data();
    void keyFilter();
    void editList_data();
    void editList();
    void lastRowGrows_data();
    void lastRowGrows();
    void continuousBox_data();
    void continuousBox();
    void runsText_data();
    void runsText();
    void activate_data();
    void activate();
    void gridShowsTheTable();
    void lamps();
};

void TestFrmProgram::keyFilter_data() {
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("col");
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("cell");

    QTest::newRow("channel 1 then 2") << 2 << 1 << ""
                                      << "12"
                                      << "12";
    QTest::newRow("channel 17 and up is not written") << 2 << 1 << ""
                                                      << "123"
                                                      << "12";
    QTest::newRow("full stop in a channel is no number") << 2 << 1 << ""
                                                         << "1."
                                                         << "1";
    QTest::newRow("channel text of letters") << 2 << 1 << "ab"
                                             << "1"
                                             << "ab";
    QTest::newRow("backspace leaves the list text") << 2 << 1 << ""
                                                    << "12\b3"
                                                    << "1";
    QTest::newRow("comma, then backspace") << 2 << 2 << ""
                                           << "1,5\b"
                                           << "1,";
    QTest::newRow("full stop is a decimal mark") << 2 << 2 << ""
                                                 << "2.5"
                                                 << "2.5";
    QTest::newRow("delete removes the last character") << 2 << 2 << "7"
                                                       << "5\x7f\x7f"
                                                       << "";
    QTest::newRow("backspace on an empty cell") << 2 << 2 << ""
                                                << "\b"
                                                << "";
    QTest::newRow("unit letters") << 2 << 3 << ""
                                  << "min"
                                  << "min";
    QTest::newRow("unit letter in the time column") << 2 << 2 << ""
                                                    << "m"
                                                    << "";
    QTest::newRow("other characters") << 2 << 3 << ""
                                      << "x1 "
                                      << "";
    QTest::newRow("title row after a save") << 0 << 2 << "Time to wait"
                                            << "\b5"
                                            << "Time to wait";
}

void TestFrmProgram::keyFilter() {
    QFETCH(int, row);
    QFETCH(int, col);
    QFETCH(QString, start);
    QFETCH(QString, keys);
    QFETCH(QString, cell);

    Rig rig;
    rig.table.setText(row, col, start);
    // Saving and loading leave the current cell in the title row.
    if (row == 0)
        rig.table.setCurrentCell(row, col);
    else
        rig.click(row, col);
    rig.type(keys);

    QCOMPARE(rig.table.text(row, col), cell);
    QCOMPARE(rig.table.rows(), 17);
}

void TestFrmProgram::editList_data() {
    QTest::addColumn<int>("col");
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<QString>("choice");
    QTest::addColumn<QString>("cell");

    QTest::newRow("channel cell") << 1 << kChannels << " 12"
                                  << "12";
    QTest::newRow("unit cell") << 3 << kUnits << "min"
                               << "min";
    QTest::newRow("time cell has no list") << 2 << QStringList() << ""
                                           << "7";
}

void TestFrmProgram::editList() {
    QFETCH(int, col);
    QFETCH(QStringList, items);
    QFETCH(QString, choice);
    QFETCH(QString, cell);

    Rig rig;
    rig.table.setText(5, col, QStringLiteral("7"));
    rig.click(5, col);

    QCOMPARE(rig.list->isVisible(), !items.isEmpty());
    if (items.isEmpty())
        return;
    QCOMPARE(rig.items(), items);
    QCOMPARE(rig.list->currentText(), QStringLiteral("7"));
    const QRect over = rig.grid->visualRect(rig.table.index(5, col));
    QCOMPARE(rig.list->geometry().topLeft(), over.topLeft());
    QCOMPARE(rig.list->width(), over.width());

    rig.list->showPopup();
    QAbstractItemView *popup = rig.list->view();
    const QModelIndex item = popup->model()->index(rig.list->findText(choice), 0);
    QTest::mouseClick(popup->viewport(), Qt::LeftButton, {}, popup->visualRect(item).center());

    QCOMPARE(rig.table.text(5, col), cell);
    QVERIFY(!rig.list->isVisible());
    QCOMPARE(rig.table.rows(), 17);
}

void TestFrmProgram::lastRowGrows_data() {
    QTest::addColumn<int>("col");
    QTest::addColumn<QString>("keys"); // typed, or empty to choose the second item
    QTest::addColumn<QString>("cell");

    QTest::newRow("typed time") << 2 << "5"
                                << "5";
    QTest::newRow("refused character") << 2 << "x"
                                       << "";
    QTest::newRow("chosen unit") << 3 << ""
                                 << "s";
}

void TestFrmProgram::lastRowGrows() {
    QFETCH(int, col);
    QFETCH(QString, keys);
    QFETCH(QString, cell);

    Rig rig;
    rig.table.setText(16, 0, QStringLiteral("old"));
    rig.click(16, col);
    if (keys.isEmpty()) {
        rig.list->setCurrentIndex(0);
        QTest::keyClick(rig.list, Qt::Key_Down);
    } else {
        rig.type(keys);
    }

    QCOMPARE(rig.table.text(16, col), cell);
    QCOMPARE(rig.table.rows(), 18);
    QCOMPARE(rig.table.text(16, 0), QStringLiteral("16"));
    QCOMPARE(rig.table.text(17, 0), QStringLiteral("17"));
}

void TestFrmProgram::continuousBox_data() {
    QTest::addColumn<bool>("fromMini");
    QTest::addColumn<bool>("startTicked");
    QTest::addColumn<QString>("startRuns");
    QTest::addColumn<QString>("runs");

    QTest::newRow("ticked while 0") << false << false << "0"
                                    << "-1";
    QTest::newRow("ticked while 5") << false << false << "5"
                                    << "5";
    QTest::newRow("unticked") << false << true << "3"
                              << "3";
    QTest::newRow("ticked by the mini view") << true << false << "0"
                                             << "-1";
}

void TestFrmProgram::continuousBox() {
    QFETCH(bool, fromMini);
    QFETCH(bool, startTicked);
    QFETCH(QString, startRuns);
    QFETCH(QString, runs);

    Rig rig;
    QVERIFY(!rig.runs->isEnabled());
    rig.view.setContinuous(startTicked);
    rig.runs->setText(startRuns);
    if (fromMini)
        rig.view.setContinuous(!startTicked);
    else
        QTest::mouseClick(rig.continuous, Qt::LeftButton);

    QCOMPARE(rig.continuous->isChecked(), !startTicked);
    QCOMPARE(rig.runs->isEnabled(), !startTicked);
    QCOMPARE(rig.state.cont_mode, qint16(startTicked ? 0 : 1));
    QCOMPARE(rig.runs->text(), runs);
}

void TestFrmProgram::runsText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint32>("runs");

    QTest::newRow("blanks around") << " 5 " << 5;
    QTest::newRow("endless") << "-1" << -1;
    QTest::newRow("letters") << "abc" << 3;
    QTest::newRow("fraction") << "1.5" << 3;
    QTest::newRow("beyond a Long") << "2147483648" << 3;
    QTest::newRow("empty") << "" << 3;
}

void TestFrmProgram::runsText() {
    QFETCH(QString, text);
    QFETCH(qint32, runs);

    Rig rig;
    rig.view.runsBox().setText(QStringLiteral("3"));
    rig.view.runsBox().setText(text);
    QCOMPARE(rig.state.no_of_runs, runs);
}

void TestFrmProgram::activate_data() {
    QTest::addColumn<qint16>("contMode");
    QTest::addColumn<qint32>("noOfRuns");

    QTest::newRow("counted") << qint16(1) << 7;
    // The box's click would turn a "0" shown first into "-1".
    QTest::newRow("counted, no runs") << qint16(1) << 0;
    QTest::newRow("one pass") << qint16(0) << -1;
}

void TestFrmProgram::activate() {
    QFETCH(qint16, contMode);
    QFETCH(qint32, noOfRuns);

    Rig rig;
    rig.view.setContinuous(contMode == 0);
    rig.runs->setText(QStringLiteral("2"));
    rig.state.cont_mode = contMode;
    rig.state.no_of_runs = noOfRuns;
    rig.view.Activate();

    QCOMPARE(rig.continuous->isChecked(), contMode == 1);
    QCOMPARE(rig.runs->isEnabled(), contMode == 1);
    QCOMPARE(rig.runs->text(), QString::number(noOfRuns));
    QCOMPARE(rig.state.no_of_runs, noOfRuns);
}

void TestFrmProgram::gridShowsTheTable() {
    Rig rig;
    QVERIFY(QTest::qWaitForWindowExposed(&rig.view));
    QCOMPARE(rig.table.text(0, 2), QStringLiteral("Time to wait"));
    QCOMPARE(rig.table.text(16, 0), QStringLiteral("16"));

    // Widths in twips, the step column as the fixed column on the left.
    rig.table.setColumnWidth(2, 1500);
    QCOMPARE(rig.grid->verticalHeader()->width(), toPixelsX(450));
    QCOMPARE(rig.grid->columnWidth(1), toPixelsX(700));
    QCOMPARE(rig.grid->columnWidth(2), toPixelsX(1500));

    // The table's current cell and selection show in the view, and a click goes back.
    rig.table.setCurrentCell(0, 0);
    rig.table.setSelectionEnd(3, 2);
    QVERIFY(!rig.grid->currentIndex().isValid());
    QCOMPARE(rig.grid->selectionModel()->selectedIndexes().size(), 6);
    rig.click(4, 3);
    QCOMPARE(QPoint(rig.table.row(), rig.table.col()), QPoint(4, 3));
    QCOMPARE(QPoint(rig.table.rowSel(), rig.table.colSel()), QPoint(4, 3));
    QCOMPARE(rig.grid->selectionModel()->selectedIndexes().size(), 1);

    // The running step's mark in the fixed column, and the top row, both ways.
    rig.table.setRows(60);
    rig.table.setCurrentCell(3, 0);
    rig.table.setCurrentCellBackground(QColor(0, 0, 255));
    rig.table.refresh();
    const QHeaderView *steps = rig.grid->verticalHeader();
    const QPoint mark =
        steps->mapTo(rig.grid, QPoint(steps->width() / 4, steps->sectionViewportPosition(3) + 3));
    QCOMPARE(rig.grid->grab().toImage().pixelColor(mark), QColor(0, 0, 255));
    rig.table.setTopRow(20);
    QCOMPARE(rig.grid->rowAt(0), 20);
    rig.grid->verticalScrollBar()->setValue(steps->sectionPosition(31));
    QCOMPARE(rig.table.topRow(), 31);
}

void TestFrmProgram::lamps() {
    Rig rig;
    rig.view.setPowerLamp(true);
    rig.view.setErrorLamp(true);
    rig.view.setErrorLamp(false);
    QVERIFY(rig.find<QWidget>("picPoweroff")->isHidden());
    QVERIFY(!rig.find<QWidget>("picPoweron")->isHidden());
    QVERIFY(rig.find<QWidget>("picErroron")->isHidden());
    QVERIFY(!rig.find<QWidget>("picErroroff")->isHidden());
}

QTEST_MAIN(TestFrmProgram)
#include "tst_frmprogram.moc"
