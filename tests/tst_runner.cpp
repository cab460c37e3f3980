#include "core/globalstate.h"
#include "program/programfile.h"
#include "program/programtable.h"
#include "program/runner.h"
#include "program/waits.h"
#include "support/signallog.h"
#include "support/virtualclock.h"

#include <QLocale>
#include <QRegularExpression>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
const QStringList kDone{"run started", "run ended Done"};

// n steps "<channel>|<time>|<unit>" over channels 1 to 16.
QStringList manySteps(int n, const QString &timeAndUnit) {
    QStringList lines;
    for (int i = 0; i < n; ++i)
        lines << QString::number(i % 16 + 1) + u'|' + timeAndUnit;
    return lines;
}

// The table while step `row` of the first 15 waits: that row is current and its Step cell
// alone is blue.
QString marking(int row) {
    return u"row %1 top 1: %1,0 #0000ff"_s.arg(row);
}

// Everything a run touches, in virtual time.
struct Rig {
    VirtualClock clock;
    GlobalState state;
    ProgramTable table;
    StepTable stepTable;
    ProgramDocument document{table, stepTable};
    SignalLog log;
    RecordingChannelCommand device{log, clock};
    Waits waits{clock, state};
    ProgramRunner runner{state, table, stepTable, device, waits, clock};
    const qint64 startMs = clock.nowMs();
    // The table at each change while a step is marked; see watchTable().
    QStringList seen;

    Rig() {
        log.watch(runner);
        device.answer = [this](int n) {
            return endRunThatDoesNotEnd(n);
        };
    }

    // Ends a run that does not end, so that it fails the test rather than hangs it.
    GotoResult endRunThatDoesNotEnd(int command) {
        if (command > 400) {
            state.cont_mode = 0;
            state.prog_running = false;
        }
        return GotoResult::Sent;
    }

    qint64 elapsedMs() const { return clock.nowMs() - startMs; }

    // Puts the steps "<channel>|<time>|<unit>" into the table and runs them from a clean log.
    void run(const QStringList &program, int contMode = 0, const QString &runs = u"-1"_s) {
        table.setRowCount(std::max<int>(ProgramTable::kNewRowCount, int(program.size()) + 1));
        for (int i = 0; i < program.size(); ++i) {
            const QStringList cells = program[i].split(u'|');
            for (int c = 0; c < 3; ++c)
                table.setText(i + 1, ProgramTable::ChannelColumn + c, cells.value(c));
        }
        state.cont_mode = qint16(contMode);
        runner.setRunsText(runs);
        log.lines.clear();
        runner.RunProgram();
    }

    // Every cell with a background of its own, as "row,col colour".
    QStringList markedCells() const {
        QStringList cells;
        for (int r = 0; r < table.rowCount(); ++r) {
            for (int c = 0; c < table.columnCount(); ++c) {
                if (table.cellBackground(r, c).isValid())
                    cells << u"%1,%2 %3"_s.arg(r).arg(c).arg(table.cellBackground(r, c).name());
            }
        }
        return cells;
    }

    // Notes the table at every event round (every 10 ms of a wait in "s") that shows a change.
    void watchTable(const std::function<void()> &alsoOnEvents = {}) {
        clock.setOnServeEvents([this, alsoOnEvents] {
            const QStringList cells = markedCells();
            const QString view = u"row %1 top %2: %3"_s.arg(table.currentRow())
                                     .arg(table.topRow())
                                     .arg(cells.join(u"; "));
            if (!cells.isEmpty() && (seen.isEmpty() || seen.last() != view))
                seen << view;
            if (alsoOnEvents)
                alsoOnEvents();
        });
    }
};

struct Interruption {
    QString runs;
    QString action; // "stop", "untick" and/or "run"
    int atCommand;
    int commands;
};
} // namespace

class TestRunner : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void threeStepsOnce() {
        Rig rig;
        rig.watchTable();
        rig.run({"3|0.25|s", "7|1500|ms", "12|1|s"});

        // Each command follows the wait of the step before it, and the run ends after the last.
        QCOMPARE(rig.device.commands, QStringList({"2@0", "6@250", "11@1750"}));
        QCOMPARE(rig.elapsedMs(), 2750);
        // Each step is announced with its time, moves the device, then selects the channel; no
        // runs are counted and nothing is said.
        QStringList expected{"run started"};
        const std::array<int, 3> steps[] = {{1, 3, 250}, {2, 7, 1500}, {3, 12, 1000}};
        for (const auto &[row, channel, ms] : steps)
            expected << u"step %1: channel %2, %3 ms"_s.arg(row).arg(channel).arg(ms)
                     << u"goto %1"_s.arg(channel - 1) << u"select %1"_s.arg(channel - 1);
        QCOMPARE(rig.log.lines, expected << "run ended Done");
        QCOMPARE(rig.seen, QStringList({marking(1), marking(2), marking(3)}));
        // At the end no step is marked and the selection is back in the title row.
        QVERIFY(rig.markedCells().isEmpty() && rig.table.currentRow() == 0);
        QVERIFY(!rig.state.prog_running);
    }

    // Programs that run without a message, and the commands they give.
    void commands_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QStringList>("program");
        // "<index>@<ms since the start>" for each channel command.
        QTest::addColumn<QString>("expected");
        const auto row = [](const char *name, const QStringList &program, const char *expected,
                            const char *locale = "C") {
            QTest::newRow(name) << locale << program << expected;
        };
        // Any of these in row 4's Channel cell ends the program at row 3.
        for (const char *end : {"abc", "0.4"}) {
            QStringList program = manySteps(6, "1|s");
            program[3] = QLatin1String(end) + "|1|s";
            QTest::addRow("row 4 \"%s\"", end) << u"C"_s << program << u"0@0 1@1000 2@2000"_s;
        }
        // The rows after the end are not checked either.
        row("\"0\" before channel 17", {"1|1|s", "0|1|s", "17|1|s"}, "0@0");
        row("unit \"S\" does not wait", {"4|5|S", "5|100|ms"}, "3@0 4@0");
        row("channel 16.5 rounds to even", {"16.5|0|s", "1|0|s"}, "15@0 0@0");
        row("blanks inside the channel", {" 1 2|0|s", "1|0|s"}, "11@0 0@0");
        row("time with blanks", {"3| 40 |ms", "1|0|s"}, "2@0 0@40");
        row("huge time in an unknown unit", {"3|1e12|S", "1|0|s"}, "2@0 0@0");
        // The test stops this long wait after 100 s.
        row("596 h fits", {"3|596|h"}, "2@0");
        row("German 1,5 s", {"2|1,5|s", "3|0|s"}, "1@0 2@1500", "de_DE");
        // The full stop is a decimal mark in every locale, never a group separator.
        row("English 2.500 s", {"2|2.500|s", "3|0|s"}, "1@0 2@2500", "en_US");
        QStringList all;
        for (int i = 0; i < 199; ++i)
            all << QString::number(i % 16) + "@0";
        QTest::newRow("199 steps") << u"C"_s << manySteps(199, "0|s") << all.join(u' ');
    }

    void commands() {
        QFETCH(QString, locale);
        QFETCH(QStringList, program);
        QFETCH(QString, expected);

        QLocale::setDefault(QLocale(locale));
        Rig rig;
        rig.clock.setOnServeEvents([&] {
            if (rig.elapsedMs() > 100000)
                rig.state.prog_running = false;
        });
        rig.run(program);
        QVERIFY2(rig.log.messages().isEmpty(), qPrintable(rig.log.messages().join(u'\n')));
        QCOMPARE(rig.device.commands.join(u' '), expected);
        QVERIFY(!rig.state.prog_running);
    }

    void passes_data() {
        QTest::addColumn<int>("contMode");
        QTest::addColumn<QString>("runs");
        QTest::addColumn<QString>("channel1"); // row 1's Channel cell; rows 2 and 3 hold 7 and 12
        QTest::addColumn<QString>(
            "passes"); // a word a pass: the runs boxes before it, "-" uncounted
        QTest::addColumn<int>("noOfRunsAfter");
        const auto row = [](const char *name, int contMode, const char *runs, const char *channel1,
                            const char *passes, int after) {
            QTest::newRow(name) << contMode << runs << channel1 << passes << after;
        };
        row("one pass", 0, "3", "3", "-", 0);
        row("3 runs", 1, "3", "3", "2 1 0", 0);
        row("blanks and sign", 1, " +2 ", "3", "1 0", 0);
        row("-5 runs", 1, "-5", "3", "", -5);
        // An endless run of no steps would never serve events; the finite ones keep their passes.
        row("endless, empty table", 1, "-1", "", "", -1);
        row("endless, row 1 has no number", 1, "-1", "x", "", -1);
        row("3 runs, empty table", 1, "3", "", "2 1 0", 0);
        row("one pass, empty table", 0, "3", "", "-", 0);
    }

    void passes() {
        QFETCH(int, contMode);
        QFETCH(QString, runs);
        QFETCH(QString, channel1);
        QFETCH(QString, passes);
        QFETCH(int, noOfRunsAfter);

        Rig rig;
        rig.run(channel1.isEmpty() ? QStringList()
                                   : QStringList{channel1 + "|1|s", "7|20|ms", "12|2|s"},
                contMode, runs);

        QStringList expected;
        for (const QString &runsLeft : passes.split(u' ', Qt::SkipEmptyParts)) {
            if (runsLeft != u"-")
                expected << "runs left " + runsLeft;
            if (channel1 == u"3")
                expected += QStringList{"goto 2", "goto 6", "goto 11"};
        }
        QCOMPARE(rig.log.starting({"goto", "runs left"}), expected);
        QCOMPARE(rig.log.starting({"run started", "run ended", "message"}), kDone);
        QCOMPARE(rig.state.no_of_runs, noOfRunsAfter);
        QVERIFY(!rig.state.prog_running);
    }

    // What the user does 700 ms into the wait of the atCommand-th step; every step waits 2 s.
    void interrupted_data() {
        QTest::addColumn<Interruption>("c");
        QTest::newRow("one pass, stopped in step 2") << Interruption{"1", "stop", 2, 2};
        QTest::newRow("one pass, stopped in its last step") << Interruption{"1", "stop", 5, 5};
        QTest::newRow("endless, stopped in pass 2") << Interruption{"-1", "stop", 7, 7};
        QTest::newRow("endless, unticked at the last step of pass 3")
            << Interruption{"-1", "untick", 15, 15};
        QTest::newRow("5 runs, unticked in pass 2") << Interruption{"5", "untick", 7, 10};
        QTest::newRow("run pressed while running") << Interruption{"1", "run", 1, 5};
        QTest::newRow("run pressed right after a stop") << Interruption{"1", "stop, run", 1, 1};
        QTest::newRow("endless, a new program in step 2") << Interruption{"-1", "new", 2, 2};
    }

    void interrupted() {
        QFETCH(Interruption, c);

        Rig rig;
        QList<qint32> noOfRuns;
        rig.device.answer = [&](int n) {
            noOfRuns << rig.state.no_of_runs;
            return rig.endRunThatDoesNotEnd(n);
        };
        qint64 actedAt = -1;
        rig.watchTable([&] {
            if (actedAt >= 0 || rig.elapsedMs() < (c.atCommand - 1) * 2000 + 700)
                return;
            actedAt = rig.elapsedMs();
            if (c.action.contains(u"untick"))
                rig.state.cont_mode = 0;
            if (c.action.contains(u"stop"))
                rig.state.prog_running = false;
            if (c.action.contains(u"run"))
                rig.runner.RunProgram();
            if (c.action == u"new")
                rig.document.NewProgram();
        });
        rig.run(manySteps(5, "2|s"), 1, c.runs);

        QCOMPARE(rig.device.commands.size(), c.commands);
        QCOMPARE(rig.log.starting({"run started", "run ended", "message"}),
                 QStringList({"run started", c.action.startsWith(u"stop") ? "run ended Stopped"
                                                                          : "run ended Done"}));
        QVERIFY(!rig.state.prog_running);
        QVERIFY(rig.markedCells().isEmpty());
        if (c.action.startsWith(u"stop")) {
            // The wait ends at the next event round, the step marked until then.
            QVERIFY2(rig.elapsedMs() - actedAt <= 10, qPrintable(QString::number(actedAt)));
            QCOMPARE(rig.seen.last(), marking((c.atCommand - 1) % 5 + 1));
        }
        if (c.runs == u"-1") {
            // An endless run counts nothing down.
            QCOMPARE(noOfRuns, QList<qint32>(c.commands, 0));
            QCOMPARE(rig.log.starting({"runs left"}), QStringList());
        }
    }

    // A pass without steps serves events, so that a stop ends a long counted run of them.
    void emptyCountedRunStops() {
        Rig rig;
        int served = 0;
        rig.clock.setOnServeEvents([&] { rig.state.prog_running = ++served < 3; });
        rig.run({}, 1, u"1000"_s);
        QCOMPARE(rig.state.no_of_runs, 997);
    }

    // A new program (its steps emptied) just as a step of 500 ms begins ends the pass there.
    void emptiedAsAStepBegins() {
        Rig rig;
        rig.clock.setOnServeEvents([&] {
            if (rig.elapsedMs() == 500)
                rig.document.NewProgram();
        });
        rig.run(manySteps(5, u"500|ms"_s), 1, u"-1"_s);
        QCOMPARE(rig.device.commands, QStringList{"0@0"});
        QCOMPARE(rig.log.starting({"select", "run ended"}),
                 QStringList({"select 0", "run ended Done"}));
    }

    void faultyProgramDoesNotStart_data() {
        QTest::addColumn<QStringList>("program");
        QTest::addColumn<int>("step"); // 0: the fault is in the runs box, which cont_mode 1 reads
        QTest::addColumn<QString>("topic"); // a word the message uses for what is wrong
        QTest::addColumn<QString>("runs");
        const auto row = [](const char *name, const QStringList &program, int step,
                            const char *topic, const char *runs = "-1") {
            QTest::newRow(name) << program << step << topic << runs;
        };
        const QString ok1 = u"1|1|s"_s;
        const QString ok2 = u"2|250|ms"_s;
        row("channel 17", {ok1, "17|1|s"}, 2, "channel");
        row("channel 16.6 rounds to 17", {"16.6|1|s"}, 1, "channel");
        row("time x", {ok1, "3|x|s"}, 2, "time");
        row("time with a group separator", {ok1, "3|1,000|s"}, 2, "time");
        row("empty time", {"3||s"}, 1, "time");
        row("negative time", {ok1, ok2, ok1, "4|-1|s"}, 4, "time");
        row("597 h", {ok1, "5|597|h"}, 2, "time");
        row("200 steps", manySteps(200, "1|S"), 200, "199");
        row("no channel, steps after it", {ok1, "|1|s", ok2, "|1|s", ok1}, 2,
            "no channel: steps 3 to 5 would be lost.");
        for (const char *runs : {"2x", "", "1.5", "2147483648"})
            QTest::addRow("runs \"%s\"", runs) << QStringList{ok1} << 0 << u"runs"_s << runs;
    }

    void faultyProgramDoesNotStart() {
        QFETCH(QStringList, program);
        QFETCH(int, step);
        QFETCH(QString, topic);
        QFETCH(QString, runs);

        Rig rig;
        rig.run(program, step == 0 ? 1 : 0, runs);

        QCOMPARE(rig.log.messages().size(), 1);
        const QString message = rig.log.messages().first();
        QVERIFY2(step > 0 ? message.contains(QRegularExpression(u"^Step %1\\b"_s.arg(step)))
                          : !message.contains(u"Step"),
                 qPrintable(message));
        QVERIFY2(message.contains(topic, Qt::CaseInsensitive), qPrintable(message));
        // Nothing else: no window shows a run and the device stays where it is.
        QCOMPARE(rig.log.lines, QStringList{"message " + message});
        QVERIFY(!rig.state.prog_running);
    }
};

QTEST_GUILESS_MAIN(TestRunner)
#include "tst_runner.moc"
