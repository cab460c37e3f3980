#include "core/globalstate.h"
#include "program/programtable.h"
#include "program/runner.h"
#include "program/steptable.h"
#include "program/waits.h"
#include "support/runnerfakes.h"
#include "support/virtualclock.h"

#include <QLocale>
#include <QTest>

#include <algorithm>
#include <memory>

namespace {
struct Step {
    QString channel;
    QString time;
    QString unit;
};

const QString kRed = QColor(255, 0, 0).name();

// One step a line: channel, time and unit in one text, "|" between them.
QList<Step> steps(const QStringList &lines) {
    QList<Step> parsed;
    for (const QString &line : lines) {
        const QStringList parts = line.split(QLatin1Char('|'));
        parsed.append({parts.value(0), parts.value(1), parts.value(2)});
    }
    return parsed;
}

QList<Step> repeatedSteps(int count, const QString &time, const QString &unit) {
    QList<Step> many;
    for (int i = 0; i < count; ++i)
        many.append({QString::number(i % 16 + 1), time, unit});
    return many;
}

// What the user sees of the table while a step waits.
struct TableView {
    int currentRow = -1;
    int topRow = -1;
    QList<int> blueSteps;
};
} // namespace

// Everything a run touches, in virtual time.
struct Rig {
    VirtualClock clock;
    GlobalState state;
    ProgramTable table;
    StepTable stepTable;
    RunLog log;
    RecordingChannelCommand device{log, clock};
    Waits waits{clock, state};
    LoggingRunButtons mainButtons{log, QStringLiteral("main")};
    LoggingRunButtons miniButtons{log, QStringLiteral("mini")};
    LoggingDial dial{log};
    LoggingTextBox miniChannel{log, QStringLiteral("miniChannel")};
    LoggingTextBox editorRuns{log, QStringLiteral("editorRuns"), QStringLiteral("-1")};
    LoggingTextBox miniRuns{log, QStringLiteral("miniRuns"), QStringLiteral("-1")};
    LoggingMessages messages{log};
    ProgramRunner runner{state, table, stepTable, device, waits, clock};
    QList<TableView> seenWhileWaiting;

    Rig() {
        clearSteps(stepTable);
        runner.setViews(
            {&mainButtons, &miniButtons, &dial, &miniChannel, &editorRuns, &miniRuns, &messages});
    }

    void setProgram(const QList<Step> &program) {
        table.setRows(std::max<int>(ProgramTable::kNewRowCount, int(program.size()) + 1));
        for (int i = 0; i < program.size(); ++i) {
            table.setText(i + 1, ProgramTable::StepColumn, QString::number(i + 1));
            table.setText(i + 1, ProgramTable::ChannelColumn, program[i].channel);
            table.setText(i + 1, ProgramTable::TimeColumn, program[i].time);
            table.setText(i + 1, ProgramTable::UnitColumn, program[i].unit);
        }
    }

    // Notes the table at every event round, which a wait in "s" has every 10 ms.
    void watchTable(std::function<void()> alsoOnEvents = {}) {
        clock.setOnServeEvents([this, alsoOnEvents] {
            const TableView view{table.row(), table.topRow(), blueSteps()};
            const bool changed = seenWhileWaiting.isEmpty() ||
                                 seenWhileWaiting.last().currentRow != view.currentRow ||
                                 seenWhileWaiting.last().blueSteps != view.blueSteps;
            if (!view.blueSteps.isEmpty() && changed)
                seenWhileWaiting << view;
            if (alsoOnEvents)
                alsoOnEvents();
        });
    }

    QList<int> blueSteps() const {
        QList<int> rows;
        for (int row = 0; row < table.rows(); ++row) {
            for (int col = 0; col < table.cols(); ++col) {
                if (table.cellBackground(row, col) == QColor(0, 0, 255))
                    rows << row;
            }
        }
        return rows;
    }

    bool allBackgroundsNormal() const {
        for (int row = 0; row < table.rows(); ++row) {
            for (int col = 0; col < table.cols(); ++col) {
                if (table.cellBackground(row, col) != ProgramTable::buttonFace())
                    return false;
            }
        }
        return true;
    }

    QStringList buttonCalls() const { return log.entries.filter(QStringLiteral(".Program")); }
    QStringList boxTexts(const QString &box) const {
        QStringList texts;
        for (const QString &entry : log.matching(box + QLatin1Char('=')))
            texts << entry.mid(box.size() + 1);
        return texts;
    }
    qint64 nowMs() const { return clock.nowMs(); }
};

class TestRunner : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void runsStepsInOrderWithTheirWaits();
    void passes_data();
    void passes();
    void endlessRunEnds_data();
    void endlessRunEnds();
    void stopDuringWait_data();
    void stopDuringWait();
    void channelZeroEndsSteps_data();
    void channelZeroEndsSteps();
    void secondRunReadsTableAgain();
    void topRowFollowsStep_data();
    void topRowFollowsStep();
    void unknownUnitDoesNotWait_data();
    void unknownUnitDoesNotWait();
    void faultyProgramDoesNotStart_data();
    void faultyProgramDoesNotStart();
    void acceptedPrograms_data();
    void acceptedPrograms();
    void noRunInsideRun_data();
    void noRunInsideRun();
    void emptyProgramEndsAtOnce_data();
    void emptyProgramEndsAtOnce();
    void deviceOutcome_data();
    void deviceOutcome();
    void localeReadsTime_data();
    void localeReadsTime();
    void runsWithoutViews();

private:
    std::unique_ptr<Rig> m_rig;
};

void TestRunner::init() {
    QLocale::setDefault(QLocale::c());
    m_rig = std::make_unique<Rig>();
}

void TestRunner::cleanup() {
    m_rig.reset();
    QLocale::setDefault(QLocale::c());
}

void TestRunner::runsStepsInOrderWithTheirWaits() {
    Rig &rig = *m_rig;
    rig.setProgram(
        steps({QStringLiteral("3|0.25|s"), QStringLiteral("7|1500|ms"), QStringLiteral("12|1|s")}));
    rig.watchTable();
    const qint64 start = rig.nowMs();
    rig.runner.RunProgram();

    QCOMPARE(rig.device.indexes(), QList<int>({2, 6, 11}));
    QList<qint64> at;
    for (const auto &command : std::as_const(rig.device.commands))
        at << command.atMs - start;
    QCOMPARE(at, QList<qint64>({0, 250, 1750}));
    QCOMPARE(rig.nowMs() - start, qint64(2750));

    QCOMPARE(rig.buttonCalls(),
             QStringList({QStringLiteral("main.ProgramRun"), QStringLiteral("mini.ProgramRun"),
                          QStringLiteral("main.ProgramStop"), QStringLiteral("mini.ProgramStop")}));
    QCOMPARE(rig.log.entries.first(), QStringLiteral("main.ProgramRun"));
    QCOMPARE(rig.log.entries.last(), QStringLiteral("mini.ProgramStop"));
    // Each step paints the dial, then moves the device, then shows the channel.
    QCOMPARE(rig.log.entries.mid(2, 3),
             QStringList({QStringLiteral("dial 2 ") + kRed, QStringLiteral("goto 2"),
                          QStringLiteral("miniChannel=3")}));
    QCOMPARE(rig.boxTexts(QStringLiteral("miniChannel")),
             QStringList({QStringLiteral("3"), QStringLiteral("7"), QStringLiteral("12")}));

    // One Step cell at a time is blue, the running one, and none afterwards.
    QCOMPARE(rig.seenWhileWaiting.size(), 3);
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(rig.seenWhileWaiting[i].currentRow, i + 1);
        QCOMPARE(rig.seenWhileWaiting[i].blueSteps, QList<int>({i + 1}));
    }
    QVERIFY(rig.allBackgroundsNormal());

    QVERIFY(!rig.state.prog_running);
    QCOMPARE(rig.state.cur_channel, qint16(11));
    QCOMPARE(rig.state.no_of_runs, 0);
    QVERIFY(rig.boxTexts(QStringLiteral("editorRuns")).isEmpty());
    QVERIFY(rig.boxTexts(QStringLiteral("miniRuns")).isEmpty());
    QVERIFY(rig.messages.shown.isEmpty());
    QCOMPARE(rig.stepTable[2].channel_no, qint16(7));
    QCOMPARE(rig.stepTable[2].wait_time, 1500.0);
    QCOMPARE(rig.stepTable[2].time_unit, QStringLiteral("ms"));
    QCOMPARE(rig.stepTable[4].channel_no, qint16(-1));
}

void TestRunner::passes_data() {
    QTest::addColumn<int>("contMode");
    QTest::addColumn<QString>("runsText");
    QTest::addColumn<int>("passes");
    // Shown in both runs boxes at the start of each pass.
    QTest::addColumn<QStringList>("runsLeft");
    QTest::addColumn<int>("noOfRunsAfter");

    QTest::newRow("one pass") << 0 << QStringLiteral("3") << 1 << QStringList() << 0;
    QTest::newRow("cont_mode 2 is one pass") << 2 << QStringLiteral("3") << 1 << QStringList() << 0;
    QTest::newRow("3 runs") << 1 << QStringLiteral("3") << 3
                            << QStringList(
                                   {QStringLiteral("2"), QStringLiteral("1"), QStringLiteral("0")})
                            << 0;
    QTest::newRow("1 run") << 1 << QStringLiteral("1") << 1 << QStringList({QStringLiteral("0")})
                           << 0;
    QTest::newRow("blanks and sign")
        << 1 << QStringLiteral(" +2 ") << 2
        << QStringList({QStringLiteral("1"), QStringLiteral("0")}) << 0;
    QTest::newRow("0 runs") << 1 << QStringLiteral("0") << 0 << QStringList() << 0;
    QTest::newRow("-5 runs") << 1 << QStringLiteral("-5") << 0 << QStringList() << -5;
}

void TestRunner::passes() {
    QFETCH(int, contMode);
    QFETCH(QString, runsText);
    QFETCH(int, passes);
    QFETCH(QStringList, runsLeft);
    QFETCH(int, noOfRunsAfter);

    Rig &rig = *m_rig;
    rig.setProgram(
        steps({QStringLiteral("3|1|s"), QStringLiteral("7|20|ms"), QStringLiteral("12|2|s")}));
    rig.state.cont_mode = qint16(contMode);
    rig.editorRuns.setText(runsText);
    rig.log.entries.clear();
    rig.runner.RunProgram();

    // The boxes count down before the pass they announce.
    QStringList expected;
    for (int pass = 0; pass < passes; ++pass) {
        if (!runsLeft.isEmpty())
            expected << QStringLiteral("editorRuns=") + runsLeft[pass]
                     << QStringLiteral("miniRuns=") + runsLeft[pass];
        expected << QStringLiteral("goto 2") << QStringLiteral("goto 6")
                 << QStringLiteral("goto 11");
    }
    QStringList seen;
    for (const QString &entry : std::as_const(rig.log.entries)) {
        if (entry.startsWith(QLatin1String("goto")) || entry.contains(QLatin1String("Runs=")))
            seen << entry;
    }
    QCOMPARE(seen, expected);
    QCOMPARE(rig.buttonCalls(),
             QStringList({QStringLiteral("main.ProgramRun"), QStringLiteral("mini.ProgramRun"),
                          QStringLiteral("main.ProgramStop"), QStringLiteral("mini.ProgramStop")}));
    QCOMPARE(rig.state.no_of_runs, noOfRunsAfter);
    QVERIFY(!rig.state.prog_running);
}

void TestRunner::endlessRunEnds_data() {
    QTest::addColumn<QString>("runsText");
    QTest::addColumn<bool>("untick");
    QTest::addColumn<int>("atCommand");
    QTest::addColumn<int>("commands");

    QTest::newRow("endless, stopped in pass 3") << QStringLiteral("-1") << false << 7 << 7;
    QTest::newRow("endless, unticked in pass 2") << QStringLiteral("-1") << true << 5 << 6;
    QTest::newRow("endless, unticked at the last step of pass 4")
        << QStringLiteral("-1") << true << 12 << 12;
    QTest::newRow("5 runs, unticked in pass 2") << QStringLiteral("5") << true << 4 << 6;
}

void TestRunner::endlessRunEnds() {
    QFETCH(QString, runsText);
    QFETCH(bool, untick);
    QFETCH(int, atCommand);
    QFETCH(int, commands);

    Rig &rig = *m_rig;
    rig.setProgram(
        steps({QStringLiteral("1|1|s"), QStringLiteral("2|1|s"), QStringLiteral("3|1|s")}));
    rig.state.cont_mode = 1;
    rig.editorRuns.setText(runsText);
    QList<qint32> noOfRunsSeen;
    rig.device.onGoto = [&](int) {
        noOfRunsSeen << rig.state.no_of_runs;
        if (int(rig.device.commands.size()) == atCommand) {
            if (untick)
                rig.state.cont_mode = 0;
            else
                rig.state.prog_running = false;
        }
    };
    rig.runner.RunProgram();

    QCOMPARE(int(rig.device.commands.size()), commands);
    QVERIFY(!rig.state.prog_running);
    QCOMPARE(rig.buttonCalls().size(), 4);
    if (runsText == QLatin1String("-1")) {
        QVERIFY(std::all_of(noOfRunsSeen.cbegin(), noOfRunsSeen.cend(),
                            [](qint32 runs) { return runs == 0; }));
        QCOMPARE(rig.editorRuns.text(), QStringLiteral("-1"));
        QCOMPARE(rig.miniRuns.text(), QStringLiteral("-1"));
    }
}

void TestRunner::stopDuringWait_data() {
    QTest::addColumn<qint64>("stopAtMs");
    QTest::addColumn<int>("commands");

    // Five steps of 2 s each.
    QTest::newRow("wait of step 1") << qint64(700) << 1;
    QTest::newRow("wait of step 2") << qint64(2700) << 2;
    QTest::newRow("wait of step 5") << qint64(9999) << 5;
}

void TestRunner::stopDuringWait() {
    QFETCH(qint64, stopAtMs);
    QFETCH(int, commands);

    Rig &rig = *m_rig;
    rig.setProgram(repeatedSteps(5, QStringLiteral("2"), QStringLiteral("s")));
    const qint64 start = rig.nowMs();
    qint64 stoppedAt = -1;
    rig.watchTable([&] {
        if (stoppedAt < 0 && rig.nowMs() - start >= stopAtMs) {
            rig.state.prog_running = false;
            stoppedAt = rig.nowMs();
        }
    });
    rig.runner.RunProgram();

    QCOMPARE(int(rig.device.commands.size()), commands);
    QVERIFY(stoppedAt >= 0);
    QVERIFY2(rig.nowMs() - stoppedAt <= 10,
             qPrintable(QStringLiteral("%1 ms after the stop").arg(rig.nowMs() - stoppedAt)));
    QCOMPARE(rig.seenWhileWaiting.last().blueSteps, QList<int>({commands}));
    QVERIFY(rig.allBackgroundsNormal());
    QVERIFY(!rig.state.prog_running);
    QCOMPARE(rig.log.entries.mid(rig.log.entries.size() - 2),
             QStringList({QStringLiteral("main.ProgramStop"), QStringLiteral("mini.ProgramStop")}));
}

void TestRunner::channelZeroEndsSteps_data() {
    QTest::addColumn<QString>("row4");
    QTest::addColumn<QString>("row5");

    QTest::newRow("\"0\"") << QStringLiteral("0") << QStringLiteral("5");
    QTest::newRow("empty") << QString() << QStringLiteral("5");
    QTest::newRow("\"00\"") << QStringLiteral("00") << QStringLiteral("5");
    QTest::newRow("blank and 0") << QStringLiteral(" 0") << QStringLiteral("5");
    QTest::newRow("no number") << QStringLiteral("abc") << QStringLiteral("5");
    QTest::newRow("0.4 rounds to 0") << QStringLiteral("0.4") << QStringLiteral("5");
    // Rows past the end are never run, so they are not checked either.
    QTest::newRow("\"00\", then channel 17") << QStringLiteral("00") << QStringLiteral("17");
}

void TestRunner::channelZeroEndsSteps() {
    QFETCH(QString, row4);
    QFETCH(QString, row5);

    Rig &rig = *m_rig;
    rig.setProgram(steps({QStringLiteral("1|1|s"), QStringLiteral("2|1|s"), QStringLiteral("3|1|s"),
                          row4 + QStringLiteral("|1|s"), row5 + QStringLiteral("|1|s"),
                          QStringLiteral("6|1|s")}));
    rig.runner.RunProgram();

    QCOMPARE(rig.device.indexes(), QList<int>({0, 1, 2}));
    QVERIFY(rig.messages.shown.isEmpty());
    QVERIFY(!rig.state.prog_running);
}

void TestRunner::secondRunReadsTableAgain() {
    Rig &rig = *m_rig;
    rig.setProgram(repeatedSteps(10, QStringLiteral("1"), QStringLiteral("s")));
    rig.runner.RunProgram();
    QCOMPARE(rig.device.commands.size(), 10);

    rig.table.setText(6, ProgramTable::ChannelColumn, QString());
    rig.table.setText(2, ProgramTable::ChannelColumn, QStringLiteral("9"));
    rig.device.commands.clear();
    rig.runner.RunProgram();

    QCOMPARE(rig.device.indexes(), QList<int>({0, 8, 2, 3, 4}));
    // Records past the steps read keep what the first run left.
    QCOMPARE(rig.stepTable[7].channel_no, qint16(7));
    QCOMPARE(rig.stepTable[11].channel_no, qint16(-1));
}

void TestRunner::topRowFollowsStep_data() {
    QTest::addColumn<int>("step");
    QTest::addColumn<int>("topRow");

    QTest::newRow("step 1") << 1 << 1;
    QTest::newRow("step 15") << 15 << 1;
    QTest::newRow("step 16") << 16 << 1;
    QTest::newRow("step 17") << 17 << 2;
    QTest::newRow("step 20") << 20 << 5;
}

void TestRunner::topRowFollowsStep() {
    QFETCH(int, step);
    QFETCH(int, topRow);

    Rig &rig = *m_rig;
    rig.setProgram(repeatedSteps(20, QStringLiteral("1"), QStringLiteral("s")));
    rig.table.setTopRow(9);
    rig.watchTable();
    rig.runner.RunProgram();

    QCOMPARE(rig.seenWhileWaiting.size(), 20);
    QCOMPARE(rig.seenWhileWaiting[step - 1].currentRow, step);
    QCOMPARE(rig.seenWhileWaiting[step - 1].topRow, topRow);
}

void TestRunner::unknownUnitDoesNotWait_data() {
    QTest::addColumn<QString>("unit");

    QTest::newRow("S") << QStringLiteral("S");
    QTest::newRow("empty") << QString();
    QTest::newRow("sec") << QStringLiteral("sec");
    QTest::newRow("Ms") << QStringLiteral("Ms");
    QTest::newRow("s with blank") << QStringLiteral("s ");
}

void TestRunner::unknownUnitDoesNotWait() {
    QFETCH(QString, unit);

    Rig &rig = *m_rig;
    rig.setProgram(steps({QStringLiteral("4|5|") + unit, QStringLiteral("5|100|ms")}));
    rig.runner.RunProgram();

    QCOMPARE(rig.device.indexes(), QList<int>({3, 4}));
    QCOMPARE(rig.device.commands[1].atMs, rig.device.commands[0].atMs);
}

void TestRunner::faultyProgramDoesNotStart_data() {
    QTest::addColumn<QList<Step>>("program");
    QTest::addColumn<int>("contMode");
    QTest::addColumn<QString>("runsText");
    // 0: the fault is in the runs box, not in a step.
    QTest::addColumn<int>("step");
    // A word the message uses for what is wrong.
    QTest::addColumn<QString>("topic");

    const QString channel = QStringLiteral("channel");
    const QString time = QStringLiteral("time");
    const QString ok1 = QStringLiteral("1|1|s");
    const QString ok2 = QStringLiteral("2|250|ms");
    QTest::newRow("channel 17") << steps({ok1, QStringLiteral("17|1|s")}) << 0 << QString() << 2
                                << channel;
    QTest::newRow("channel -1") << steps({ok1, ok2, QStringLiteral("-1|1|s")}) << 0 << QString()
                                << 3 << channel;
    QTest::newRow("channel 16.6 rounds to 17")
        << steps({QStringLiteral("16.6|1|s")}) << 0 << QString() << 1 << channel;
    QTest::newRow("channel 99999")
        << steps({QStringLiteral("99999|1|s")}) << 0 << QString() << 1 << channel;
    QTest::newRow("time %1") << steps({QStringLiteral("3|%1|s")}) << 0 << QString() << 1 << time;
    QTest::newRow("time x") << steps({ok1, QStringLiteral("3|x|s")}) << 0 << QString() << 2 << time;
    QTest::newRow("empty time") << steps({QStringLiteral("3||s")}) << 0 << QString() << 1 << time;
    QTest::newRow("negative time")
        << steps({ok1, ok2, ok1, QStringLiteral("4|-1|s")}) << 0 << QString() << 4 << time;
    QTest::newRow("negative time, unknown unit")
        << steps({QStringLiteral("4|-1|S")}) << 0 << QString() << 1 << time;
    QTest::newRow("999999 h") << steps({ok1, QStringLiteral("5|999999|h")}) << 0 << QString() << 2
                              << time;
    QTest::newRow("597 h") << steps({QStringLiteral("5|597|h")}) << 0 << QString() << 1 << time;
    QTest::newRow("200 steps") << repeatedSteps(200, QStringLiteral("1"), QStringLiteral("S")) << 0
                               << QString() << 200 << QStringLiteral("199");
    const QString runs = QStringLiteral("runs");
    QTest::newRow("runs 2x") << steps({ok1}) << 1 << QStringLiteral("2x") << 0 << runs;
    QTest::newRow("runs empty") << steps({ok1}) << 1 << QString() << 0 << runs;
    QTest::newRow("runs 1.5") << steps({ok1}) << 1 << QStringLiteral("1.5") << 0 << runs;
    QTest::newRow("runs beyond Long")
        << steps({ok1}) << 1 << QStringLiteral("2147483648") << 0 << runs;
}

void TestRunner::faultyProgramDoesNotStart() {
    QFETCH(QList<Step>, program);
    QFETCH(int, contMode);
    QFETCH(QString, runsText);
    QFETCH(int, step);
    QFETCH(QString, topic);

    Rig &rig = *m_rig;
    rig.setProgram(program);
    rig.state.cont_mode = qint16(contMode);
    rig.editorRuns.setText(runsText);
    rig.log.entries.clear();
    rig.runner.RunProgram();

    QCOMPARE(rig.messages.shown.size(), 1);
    const QString message = rig.messages.shown.first();
    if (step > 0)
        QVERIFY2(message.contains(QStringLiteral("Step %1:").arg(step)), qPrintable(message));
    else
        QVERIFY2(!message.contains(QLatin1String("Step")), qPrintable(message));
    QVERIFY2(message.contains(topic, Qt::CaseInsensitive), qPrintable(message));
    QCOMPARE(rig.log.entries, QStringList({QStringLiteral("message ") + message}));
    QVERIFY(rig.device.commands.isEmpty());
    QVERIFY(!rig.state.prog_running);
    QCOMPARE(rig.stepTable[1].channel_no, qint16(-1));
    QVERIFY(rig.allBackgroundsNormal());
}

void TestRunner::acceptedPrograms_data() {
    QTest::addColumn<QString>("step");
    QTest::addColumn<int>("index");
    // -1: a wait too long for the test, which stops the run once it started.
    QTest::addColumn<qint64>("waitMs");

    QTest::newRow("channel 16.5 rounds to 16") << QStringLiteral("16.5|0|s") << 15 << qint64(0);
    QTest::newRow("channel 1.5 rounds to 2") << QStringLiteral("1.5|0|s") << 1 << qint64(0);
    QTest::newRow("channel with text after it") << QStringLiteral("7a|0|s") << 6 << qint64(0);
    QTest::newRow("channel with blanks inside") << QStringLiteral(" 1 2|0|s") << 11 << qint64(0);
    QTest::newRow("time 0") << QStringLiteral("3|0|ms") << 2 << qint64(0);
    QTest::newRow("time with blanks") << QStringLiteral("3| 40 |ms") << 2 << qint64(40);
    QTest::newRow("596 h fits") << QStringLiteral("3|596|h") << 2 << qint64(-1);
    QTest::newRow("2147483647 ms fits") << QStringLiteral("3|2147483647|ms") << 2 << qint64(-1);
    QTest::newRow("huge time, unknown unit") << QStringLiteral("3|1e12|S") << 2 << qint64(0);
}

void TestRunner::acceptedPrograms() {
    QFETCH(QString, step);
    QFETCH(int, index);
    QFETCH(qint64, waitMs);

    Rig &rig = *m_rig;
    rig.setProgram(steps({step, QStringLiteral("1|0|s")}));
    if (waitMs < 0) {
        rig.clock.setOnServeEvents([&] {
            if (!rig.device.commands.isEmpty())
                rig.state.prog_running = false;
        });
    }
    rig.runner.RunProgram();

    QVERIFY2(rig.messages.shown.isEmpty(), qPrintable(rig.messages.shown.join(QLatin1Char('\n'))));
    if (waitMs < 0) {
        QCOMPARE(rig.device.indexes(), QList<int>({index}));
        return;
    }
    QCOMPARE(rig.device.indexes(), QList<int>({index, 0}));
    QCOMPARE(rig.device.commands[1].atMs - rig.device.commands[0].atMs, waitMs);
}

void TestRunner::noRunInsideRun_data() {
    QTest::addColumn<bool>("stopFirst");

    QTest::newRow("while running") << false;
    QTest::newRow("right after a stop") << true;
}

void TestRunner::noRunInsideRun() {
    QFETCH(bool, stopFirst);

    Rig &rig = *m_rig;
    rig.setProgram(steps({QStringLiteral("1|1|s"), QStringLiteral("2|1|s")}));
    bool pressed = false;
    rig.clock.setOnServeEvents([&] {
        if (!pressed && rig.device.commands.size() == 1) {
            pressed = true;
            if (stopFirst)
                rig.state.prog_running = false;
            rig.runner.RunProgram();
        }
    });
    rig.runner.RunProgram();

    QVERIFY(pressed);
    QCOMPARE(rig.buttonCalls().size(), 4);
    QCOMPARE(int(rig.device.commands.size()), stopFirst ? 1 : 2);
    QVERIFY(!rig.state.prog_running);
}

void TestRunner::emptyProgramEndsAtOnce_data() {
    QTest::addColumn<int>("contMode");
    QTest::addColumn<QString>("runsText");
    QTest::addColumn<QString>("row1");

    QTest::newRow("endless, empty") << 1 << QStringLiteral("-1") << QString();
    QTest::newRow("endless, row 1 has no number")
        << 1 << QStringLiteral("-1") << QStringLiteral("x");
    QTest::newRow("endless, row 1 is 0") << 1 << QStringLiteral("-1") << QStringLiteral("0");
    QTest::newRow("3 runs, empty") << 1 << QStringLiteral("3") << QString();
    QTest::newRow("one pass, empty") << 0 << QStringLiteral("-1") << QString();
}

void TestRunner::emptyProgramEndsAtOnce() {
    QFETCH(int, contMode);
    QFETCH(QString, runsText);
    QFETCH(QString, row1);

    Rig &rig = *m_rig;
    rig.setProgram(steps({row1 + QStringLiteral("|1|s")}));
    rig.state.cont_mode = qint16(contMode);
    rig.editorRuns.setText(runsText);
    rig.log.entries.clear();
    rig.runner.RunProgram();

    QCOMPARE(rig.log.entries,
             QStringList({QStringLiteral("main.ProgramRun"), QStringLiteral("mini.ProgramRun"),
                          QStringLiteral("main.ProgramStop"), QStringLiteral("mini.ProgramStop")}));
    QVERIFY(!rig.state.prog_running);
}

void TestRunner::deviceOutcome_data() {
    QTest::addColumn<GotoResult>("outcome");
    QTest::addColumn<int>("atCommand");
    QTest::addColumn<int>("commands");
    // 0: no message.
    QTest::addColumn<int>("failedStep");

    QTest::newRow("failed at step 2") << GotoResult::Failed << 2 << 2 << 2;
    QTest::newRow("failed at step 1") << GotoResult::Failed << 1 << 1 << 1;
    QTest::newRow("link down goes on") << GotoResult::NotSent << 2 << 3 << 0;
}

void TestRunner::deviceOutcome() {
    QFETCH(GotoResult, outcome);
    QFETCH(int, atCommand);
    QFETCH(int, commands);
    QFETCH(int, failedStep);

    Rig &rig = *m_rig;
    rig.setProgram(
        steps({QStringLiteral("3|1|s"), QStringLiteral("7|1|s"), QStringLiteral("12|1|s")}));
    rig.state.cont_mode = 1;
    rig.editorRuns.setText(QStringLiteral("1"));
    rig.device.result = [&](int n) {
        return n == atCommand ? outcome : GotoResult::Sent;
    };
    rig.runner.RunProgram();

    QCOMPARE(int(rig.device.commands.size()), commands);
    QVERIFY(!rig.state.prog_running);
    QVERIFY(rig.allBackgroundsNormal());
    QCOMPARE(rig.buttonCalls().size(), 4);
    if (failedStep == 0) {
        QVERIFY(rig.messages.shown.isEmpty());
        QCOMPARE(rig.state.cur_channel, qint16(11));
        return;
    }
    QCOMPARE(rig.messages.shown.size(), 1);
    const QString message = rig.messages.shown.first();
    QVERIFY2(message.contains(QStringLiteral("step %1").arg(failedStep)), qPrintable(message));
    // The windows are idle by the time the user reads why.
    QCOMPARE(rig.log.entries.mid(rig.log.entries.size() - 3),
             QStringList({QStringLiteral("main.ProgramStop"), QStringLiteral("mini.ProgramStop"),
                          QStringLiteral("message ") + message}));
    // The failed step's channel was not selected.
    QCOMPARE(rig.boxTexts(QStringLiteral("miniChannel")).size(), failedStep - 1);
    QCOMPARE(rig.state.cur_channel, qint16(failedStep == 1 ? -1 : 2));

    // The program goes on: the next run starts as usual.
    rig.state.cont_mode = 0;
    rig.device.result = {};
    rig.device.commands.clear();
    rig.runner.RunProgram();
    QCOMPARE(rig.device.commands.size(), 3);
}

void TestRunner::localeReadsTime_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("time");
    QTest::addColumn<qint64>("waitMs");

    QTest::newRow("German 1,5 s") << QStringLiteral("de_DE") << QStringLiteral("1,5")
                                  << qint64(1500);
    QTest::newRow("German 0,25 s")
        << QStringLiteral("de_DE") << QStringLiteral("0,25") << qint64(250);
    QTest::newRow("English 1.5 s")
        << QStringLiteral("en_US") << QStringLiteral("1.5") << qint64(1500);
}

void TestRunner::localeReadsTime() {
    QFETCH(QString, locale);
    QFETCH(QString, time);
    QFETCH(qint64, waitMs);

    QLocale::setDefault(QLocale(locale));
    Rig &rig = *m_rig;
    rig.setProgram(
        steps({QStringLiteral("2|") + time + QStringLiteral("|s"), QStringLiteral("3|0|s")}));
    rig.runner.RunProgram();

    QVERIFY2(rig.messages.shown.isEmpty(), qPrintable(rig.messages.shown.join(QLatin1Char('\n'))));
    QCOMPARE(rig.device.commands.size(), 2);
    QCOMPARE(rig.device.commands[1].atMs - rig.device.commands[0].atMs, waitMs);
}

void TestRunner::runsWithoutViews() {
    Rig &rig = *m_rig;
    rig.runner.setViews({});
    rig.setProgram(steps({QStringLiteral("3|1|s"), QStringLiteral("17|1|s")}));
    rig.runner.RunProgram();
    QVERIFY(rig.device.commands.isEmpty());

    rig.table.setText(2, ProgramTable::ChannelColumn, QStringLiteral("4"));
    rig.state.cont_mode = 1;
    rig.state.no_of_runs = 2;
    rig.runner.RunProgram();
    QCOMPARE(rig.device.indexes(), QList<int>({2, 3, 2, 3}));
    // Only the device was there to hear of it.
    QCOMPARE(rig.log.entries.filter(QStringLiteral("goto")), rig.log.entries);
}

QTEST_GUILESS_MAIN(TestRunner)
#include "tst_runner.moc"
