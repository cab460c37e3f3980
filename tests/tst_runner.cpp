#include "core/globalstate.h"
#include "program/programtable.h"
#include "program/runner.h"
#include "program/waits.h"
#include "support/runnerfakes.h"
#include "support/virtualclock.h"

#include <QLocale>
#include <QRegularExpression>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
const QStringList kButtons{"main.ProgramRun", "mini.ProgramRun", "main.ProgramStop",
                           "mini.ProgramStop"};

// n steps "<channel>|<time>|<unit>" over channels 1 to 16.
QStringList manySteps(int n, const QString &timeAndUnit) {
    QStringList lines;
    for (int i = 0; i < n; ++i)
        lines << QString::number(i % 16 + 1) + u'|' + timeAndUnit;
    return lines;
}

// The table while step `row` waits: that row is current and its Step cell alone is blue.
QString marking(int row, int top = 1) {
    return u"row %1 top %2: %1,0 #0000ff"_s.arg(row).arg(top);
}

// Everything a run touches, in virtual time.
struct Rig {
    VirtualClock clock;
    GlobalState state;
    ProgramTable table;
    StepTable stepTable;
    RunLog log;
    RecordingChannelCommand device{log, clock};
    Waits waits{clock, state};
    LoggingRunButtons mainButtons{log, "main"};
    LoggingRunButtons miniButtons{log, "mini"};
    LoggingDial dial{log};
    LoggingTextBox miniChannel{log, "miniChannel"};
    LoggingTextBox editorRuns{log, "editorRuns", "-1"};
    LoggingTextBox miniRuns{log, "miniRuns", "-1"};
    LoggingMessages messages{log};
    ProgramRunner runner{state, table, stepTable, device, waits, clock};
    const qint64 startMs = clock.nowMs();
    // The table at each change while a step is marked; see watchTable().
    QStringList seen;

    Rig() {
        runner.setViews(
            {&mainButtons, &miniButtons, &dial, &miniChannel, &editorRuns, &miniRuns, &messages});
    }

    qint64 elapsedMs() const { return clock.nowMs() - startMs; }

    // Puts the steps "<channel>|<time>|<unit>" into the table and runs them from a clean log.
    void run(const QStringList &program, int contMode = 0, const QString &runs = u"-1"_s) {
        table.setRows(std::max<int>(ProgramTable::kNewRowCount, int(program.size()) + 1));
        for (int i = 0; i < program.size(); ++i) {
            const QStringList cells = program[i].split(u'|');
            for (int c = 0; c < 3; ++c)
                table.setText(i + 1, ProgramTable::ChannelColumn + c, cells.value(c));
        }
        state.cont_mode = qint16(contMode);
        editorRuns.setText(runs);
        log.entries.clear();
        runner.RunProgram();
    }

    // Every cell with a background of its own, as "row,col colour".
    QStringList markedCells() const {
        QStringList cells;
        for (int r = 0; r < table.rows(); ++r) {
            for (int c = 0; c < table.cols(); ++c) {
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
            const QString view =
                u"row %1 top %2: %3"_s.arg(table.row()).arg(table.topRow()).arg(cells.join(u"; "));
            if (!cells.isEmpty() && (seen.isEmpty() || seen.last() != view))
                seen << view;
            if (alsoOnEvents)
                alsoOnEvents();
        });
    }
};

// The cases of the data-driven tests, one column each.
struct Passes {
    int contMode;
    QString runs;
    QString channel1; // row 1's Channel cell; rows 2 and 3 hold channels 7 and 12
    QString passes;   // a word a pass: what the runs boxes show before it, "-" when not counted
    int noOfRunsAfter;
};

struct Interruption {
    QString runs;
    QString action; // "stop", "untick" and/or "run"
    int atCommand;
    int commands;
};

struct Fault {
    QStringList program;
    int step;      // 0: the fault is in the runs box, which cont_mode 1 reads
    QString topic; // a word the message uses for what is wrong
    QString runs = QStringLiteral("-1");
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
        // Each step paints the dial, moves the device, then shows the channel; the runs boxes
        // and the message box are left alone.
        QStringList expected = kButtons.mid(0, 2);
        for (int channel : {3, 7, 12}) {
            expected << u"dial %1 #ff0000"_s.arg(channel - 1) << u"goto %1"_s.arg(channel - 1)
                     << u"miniChannel=%1"_s.arg(channel);
        }
        QCOMPARE(rig.log.entries, expected + kButtons.mid(2));
        QCOMPARE(rig.seen, QStringList({marking(1), marking(2), marking(3)}));
        QVERIFY(rig.markedCells().isEmpty());
        QVERIFY(!rig.state.prog_running);
        QCOMPARE(rig.state.cur_channel, qint16(11));
    }

    // Programs that run without a message, and the commands they give.
    void commands_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QStringList>("program");
        // "<index>@<ms since the start>" for each channel command.
        QTest::addColumn<QString>("expected");

        const auto row = [](const char *name, const QStringList &program, const char *expected,
                            const char *locale = "C") {
            QTest::newRow(name) << QString::fromLatin1(locale) << program
                                << QString::fromLatin1(expected);
        };
        // Any of these in row 4's Channel cell ends the program at row 3.
        for (const char *end : {"0", "", "abc", "0.4"}) {
            QStringList program = manySteps(6, "1|s");
            program[3] = QLatin1String(end) + "|1|s";
            QTest::addRow("row 4 \"%s\"", end) << u"C"_s << program << u"0@0 1@1000 2@2000"_s;
        }
        // The rows after the end are not checked either.
        row("\"0\" before channel 17", {"1|1|s", "0|1|s", "17|1|s"}, "0@0");
        for (const char *unit : {"S", "", "sec", "s "}) {
            QTest::addRow("unit \"%s\" does not wait", unit)
                << u"C"_s << QStringList{"4|5|" + QString::fromLatin1(unit), "5|100|ms"}
                << u"3@0 4@0"_s;
        }
        row("channel 16.5 rounds to even", {"16.5|0|s", "1|0|s"}, "15@0 0@0");
        row("channel 1.5 rounds to even", {"1.5|0|s", "1|0|s"}, "1@0 0@0");
        row("text after the channel", {"7a|0|s", "1|0|s"}, "6@0 0@0");
        row("blanks inside the channel", {" 1 2|0|s", "1|0|s"}, "11@0 0@0");
        row("time with blanks", {"3| 40 |ms", "1|0|s"}, "2@0 0@40");
        row("huge time in an unknown unit", {"3|1e12|S", "1|0|s"}, "2@0 0@0");
        // The test stops these long waits after 100 s.
        row("596 h fits", {"3|596|h"}, "2@0");
        row("2147483647 ms fits", {"3|2147483647|ms"}, "2@0");
        row("German 1,5 s", {"2|1,5|s", "3|0|s"}, "1@0 2@1500", "de_DE");
        // The full stop is a decimal mark in every locale, never a group separator.
        row("German 2.500 s", {"2|2.500|s", "3|0|s"}, "1@0 2@2500", "de_DE");
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
        QVERIFY2(rig.messages.shown.isEmpty(), qPrintable(rig.messages.shown.join(u'\n')));
        QCOMPARE(rig.device.commands.join(u' '), expected);
        QVERIFY(!rig.state.prog_running);
    }

    void passes_data() {
        QTest::addColumn<Passes>("c");
        QTest::newRow("one pass") << Passes{0, "3", "3", "-", 0};
        QTest::newRow("cont_mode 2 is one pass") << Passes{2, "3", "3", "-", 0};
        QTest::newRow("3 runs") << Passes{1, "3", "3", "2 1 0", 0};
        QTest::newRow("blanks and sign") << Passes{1, " +2 ", "3", "1 0", 0};
        QTest::newRow("0 runs") << Passes{1, "0", "3", "", 0};
        QTest::newRow("-5 runs") << Passes{1, "-5", "3", "", -5};
        // An endless run of no steps would never serve events; the finite ones keep their passes.
        QTest::newRow("endless, empty table") << Passes{1, "-1", "", "", -1};
        QTest::newRow("endless, row 1 has no number") << Passes{1, "-1", "x", "", -1};
        QTest::newRow("3 runs, empty table") << Passes{1, "3", "", "2 1 0", 0};
        QTest::newRow("one pass, empty table") << Passes{0, "3", "", "-", 0};
    }

    void passes() {
        QFETCH(Passes, c);

        Rig rig;
        rig.run({c.channel1 + "|1|s", "7|20|ms", "12|2|s"}, c.contMode, c.runs);

        QStringList expected;
        for (const QString &runsLeft : c.passes.split(u' ', Qt::SkipEmptyParts)) {
            if (runsLeft != u"-")
                expected << "editorRuns=" + runsLeft << "miniRuns=" + runsLeft;
            if (c.channel1 == u"3")
                expected += QStringList{"goto 2", "goto 6", "goto 11"};
        }
        QCOMPARE(rig.log.entries.filter(QRegularExpression(u"^goto|Runs="_s)), expected);
        QCOMPARE(rig.log.entries.filter(u".Program"_s), kButtons);
        QVERIFY(rig.messages.shown.isEmpty());
        QCOMPARE(rig.state.no_of_runs, c.noOfRunsAfter);
        QVERIFY(!rig.state.prog_running);
    }

    // What the user does 700 ms into the wait of the atCommand-th step; every step waits 2 s.
    void interrupted_data() {
        QTest::addColumn<Interruption>("c");
        QTest::newRow("one pass, stopped in step 2") << Interruption{"1", "stop", 2, 2};
        QTest::newRow("one pass, stopped in the last step") << Interruption{"1", "stop", 5, 5};
        QTest::newRow("endless, stopped in pass 2") << Interruption{"-1", "stop", 7, 7};
        QTest::newRow("endless, unticked in pass 2") << Interruption{"-1", "untick", 6, 10};
        QTest::newRow("endless, unticked at the last step of pass 3")
            << Interruption{"-1", "untick", 15, 15};
        QTest::newRow("5 runs, unticked in pass 2") << Interruption{"5", "untick", 7, 10};
        QTest::newRow("run pressed while running") << Interruption{"1", "run", 1, 5};
        QTest::newRow("run pressed right after a stop") << Interruption{"1", "stop, run", 1, 1};
    }

    void interrupted() {
        QFETCH(Interruption, c);

        Rig rig;
        QList<qint32> noOfRuns;
        rig.device.answer = [&](int n) {
            noOfRuns << rig.state.no_of_runs;
            // Ends a run that does not end, so that it fails the test rather than hangs it.
            if (n > 50) {
                rig.state.cont_mode = 0;
                rig.state.prog_running = false;
            }
            return GotoResult::Sent;
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
        });
        rig.run(manySteps(5, "2|s"), 1, c.runs);

        QCOMPARE(rig.device.commands.size(), c.commands);
        QCOMPARE(rig.log.entries.filter(u".Program"_s), kButtons);
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
            QCOMPARE(rig.editorRuns.text(), u"-1"_s);
            QCOMPARE(rig.miniRuns.text(), u"-1"_s);
        }
    }

    // Steps under a second in "ms" never serve events in their waits; each step still does,
    // before its command, so a stop pressed then is seen.
    void stopBetweenShortSteps() {
        Rig rig;
        int rounds = 0;
        rig.clock.setOnServeEvents([&] {
            if (++rounds == 2)
                rig.state.prog_running = false;
        });
        rig.run({"3|100|ms", "7|100|ms", "12|100|ms"});
        QCOMPARE(rig.device.commands, QStringList{"2@0"});
    }

    void secondRunReadsTableAgain() {
        Rig rig;
        rig.run(manySteps(10, "1|s"));
        QCOMPARE(rig.device.commands.size(), 10);

        rig.table.setText(6, ProgramTable::ChannelColumn, QString());
        rig.table.setText(2, ProgramTable::ChannelColumn, u"9"_s);
        rig.device.commands.clear();
        rig.runner.RunProgram();
        QCOMPARE(rig.device.commands.join(u' '), u"0@10000 8@11000 2@12000 3@13000 4@14000"_s);
    }

    void topRowFollowsStep() {
        Rig rig;
        rig.table.setTopRow(9);
        rig.watchTable();
        rig.run(manySteps(20, "1|s"));

        // The editor shows 16 steps: from step 17 on, the running step is the bottom row.
        QStringList expected;
        for (int step = 1; step <= 20; ++step)
            expected << marking(step, step <= 16 ? 1 : step - 15);
        QCOMPARE(rig.seen, expected);
    }

    void faultyProgramDoesNotStart_data() {
        QTest::addColumn<Fault>("c");
        const QString ok1 = u"1|1|s"_s;
        const QString ok2 = u"2|250|ms"_s;
        QTest::newRow("channel 17") << Fault{{ok1, "17|1|s"}, 2, "channel"};
        QTest::newRow("channel -1") << Fault{{ok1, ok2, "-1|1|s"}, 3, "channel"};
        QTest::newRow("channel 16.6 rounds to 17") << Fault{{"16.6|1|s"}, 1, "channel"};
        QTest::newRow("time x") << Fault{{ok1, "3|x|s"}, 2, "time"};
        QTest::newRow("time %1") << Fault{{"3|%1|s"}, 1, "time"};
        QTest::newRow("time with a group separator") << Fault{{ok1, "3|1,000|s"}, 2, "time"};
        QTest::newRow("empty time") << Fault{{"3||s"}, 1, "time"};
        QTest::newRow("negative time") << Fault{{ok1, ok2, ok1, "4|-1|s"}, 4, "time"};
        QTest::newRow("negative time, unknown unit") << Fault{{"4|-1|S"}, 1, "time"};
        QTest::newRow("597 h") << Fault{{ok1, "5|597|h"}, 2, "time"};
        QTest::newRow("200 steps") << Fault{manySteps(200, "1|S"), 200, "199"};
        for (const char *runs : {"2x", "", "1.5", "2147483648"})
            QTest::addRow("runs \"%s\"", runs) << Fault{{ok1}, 0, "runs", runs};
    }

    void faultyProgramDoesNotStart() {
        QFETCH(Fault, c);

        Rig rig;
        rig.run(c.program, c.step == 0 ? 1 : 0, c.runs);

        QCOMPARE(rig.messages.shown.size(), 1);
        const QString message = rig.messages.shown.first();
        QVERIFY2(c.step > 0 ? message.contains(u"Step %1:"_s.arg(c.step))
                            : !message.contains(u"Step"),
                 qPrintable(message));
        QVERIFY2(message.contains(c.topic, Qt::CaseInsensitive), qPrintable(message));
        // Nothing else: no window shows a run and the device stays where it is.
        QCOMPARE(rig.log.entries, QStringList{"message " + message});
        QVERIFY(!rig.state.prog_running);
    }

    void deviceOutcome_data() {
        QTest::addColumn<GotoResult>("outcome");
        QTest::addColumn<int>("atCommand");
        QTest::newRow("failed at step 2") << GotoResult::Failed << 2;
        QTest::newRow("failed at step 1") << GotoResult::Failed << 1;
        QTest::newRow("link down goes on") << GotoResult::NotSent << 2;
    }

    void deviceOutcome() {
        QFETCH(GotoResult, outcome);
        QFETCH(int, atCommand);

        Rig rig;
        rig.device.answer = [&](int n) {
            return n == atCommand ? outcome : GotoResult::Sent;
        };
        rig.run({"3|1|s", "7|1|s", "12|1|s"}, 1, u"1"_s);

        const bool failed = outcome == GotoResult::Failed;
        QCOMPARE(rig.device.commands.size(), failed ? atCommand : 3);
        // A failed step's channel is never selected, and the windows are idle before the
        // message tells why.
        const QStringList shown = QStringList{"3", "7", "12"}.mid(0, failed ? atCommand - 1 : 3);
        QStringList expected = kButtons.mid(0, 2);
        for (const QString &channel : shown)
            expected << "miniChannel=" + channel;
        expected << kButtons.mid(2);
        if (failed) {
            QVERIFY(rig.messages.shown.value(0).contains(u"step %1"_s.arg(atCommand)));
            expected << "message " + rig.messages.shown.value(0);
        }
        QCOMPARE(rig.log.entries.filter(QRegularExpression(u"Program|Channel=|message"_s)),
                 expected);
        QCOMPARE(rig.state.cur_channel, qint16(shown.isEmpty() ? -1 : shown.last().toInt() - 1));
        QVERIFY(!rig.state.prog_running);
        QVERIFY(rig.markedCells().isEmpty());

        // The next run starts as usual.
        rig.state.cont_mode = 0;
        rig.device.answer = {};
        rig.device.commands.clear();
        rig.runner.RunProgram();
        QCOMPARE(rig.device.commands.size(), 3);
    }

    void runsWithoutViews() {
        Rig rig;
        rig.runner.setViews({});
        rig.run({"3|1|s", "17|1|s"});
        QVERIFY(rig.device.commands.isEmpty());

        rig.table.setText(2, ProgramTable::ChannelColumn, u"4"_s);
        rig.state.cont_mode = 1;
        // Without the editor's box, the runs are those recorded last.
        rig.state.no_of_runs = 2;
        rig.runner.RunProgram();
        QCOMPARE(rig.device.commands.join(u' '), u"2@0 3@1000 2@2000 3@3000"_s);
        // Only the device was there to hear of it.
        QCOMPARE(rig.log.entries.filter(u"goto"_s), rig.log.entries);
    }
};

QTEST_GUILESS_MAIN(TestRunner)
#include "tst_runner.moc"
