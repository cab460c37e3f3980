// A program run over a real pseudo-terminal against qmx7700-sim, in real time.
#include "program/programtable.h"
#include "program/runner.h"
#include "program/steptable.h"
#include "program/waits.h"
#include "support/runnerfakes.h"
#include "support/simlink.h"

#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

namespace {
const QList<int> kPositions{100,  -250, 1300,  2400,  3500,  4600,  5700,  6800,
                            7900, 9000, 10100, 11200, 12300, 13400, 14500, 15600};

struct ProgramStep {
    int channel;
    QString time;
    QString unit;
    qint64 waitMs;
};

const QList<ProgramStep> kProgram{{3, QStringLiteral("150"), QStringLiteral("ms"), 150},
                                  {7, QStringLiteral("0.2"), QStringLiteral("s"), 200},
                                  {12, QStringLiteral("50"), QStringLiteral("ms"), 50}};

// The commands of one channel switch on a device that is at once where it was sent: the move,
// all 20 position polls (each with its fault query) and the release.
QList<QByteArray> channelSwitch(int channel) {
    QList<QByteArray> commands{"LA" + QByteArray::number(kPositions[channel - 1]) + "\\r", "M\\r"};
    for (int poll = 0; poll < 20; ++poll)
        commands << "POS\\r"
                 << "GFS\\r";
    commands << "LR0\\r"
             << "M\\r";
    return commands;
}

// The link with the runner and the windows it reports to.
struct Program : SimLink {
    explicit Program(const Simulator &sim)
        : SimLink(sim) {
        clearSteps(steps);
        runner.setViews(
            {&mainButtons, &miniButtons, &dial, &miniChannel, &editorRuns, &miniRuns, &messages});
        for (int i = 0; i < kProgram.size(); ++i) {
            table.setText(i + 1, ProgramTable::ChannelColumn, QString::number(kProgram[i].channel));
            table.setText(i + 1, ProgramTable::TimeColumn, kProgram[i].time);
            table.setText(i + 1, ProgramTable::UnitColumn, kProgram[i].unit);
        }
    }

    ProgramTable table;
    StepTable steps;
    Waits waits{clock, state};
    RunLog log;
    LoggingRunButtons mainButtons{log, QStringLiteral("main")};
    LoggingRunButtons miniButtons{log, QStringLiteral("mini")};
    LoggingDial dial{log};
    LoggingTextBox miniChannel{log, QStringLiteral("miniChannel")};
    LoggingTextBox editorRuns{log, QStringLiteral("editorRuns"), QStringLiteral("-1")};
    LoggingTextBox miniRuns{log, QStringLiteral("miniRuns"), QStringLiteral("-1")};
    LoggingMessages messages{log};
    ProgramRunner runner{state, table, steps, link, waits, clock};
};
} // namespace

class TestRunnerSim : public QObject {
    Q_OBJECT

private slots:
    void runSwitchesChannelsInOrder();
    void stopInStep2_data();
    void stopInStep2();
};

void TestRunnerSim::runSwitchesChannelsInOrder() {
    Simulator sim;
    QVERIFY(sim.start({QStringLiteral("--positions"), positionList(kPositions),
                       QStringLiteral("--speed"), QStringLiteral("0")}));
    Program program(sim);
    program.link.Connect();
    QCOMPARE(program.link.statusText(), QStringLiteral("CONNECTED TO QMX7700"));
    QTRY_VERIFY(!sim.trace().isEmpty());
    const qsizetype afterConnect = sim.trace().size();

    // Each wait starts once the mini view shows the channel and ends before the next step paints
    // the dial; on the program's own clock it can only come out longer, never shorter.
    QElapsedTimer timer;
    timer.start();
    QList<qint64> shownAt;
    QList<qint64> paintedAt;
    program.miniChannel.onSetText = [&](const QString &) {
        shownAt << timer.elapsed();
    };
    program.dial.onChange = [&](int) {
        paintedAt << timer.elapsed();
    };
    program.runner.RunProgram();
    paintedAt << timer.elapsed();

    QList<QByteArray> expected;
    for (const ProgramStep &step : kProgram)
        expected << channelSwitch(step.channel);
    QTRY_COMPARE(sim.commandsSince(afterConnect), expected);
    // Nothing follows the run.
    QTest::qWait(300);
    QCOMPARE(sim.commandsSince(afterConnect), expected);

    QVERIFY(!program.state.prog_running);
    QVERIFY(program.messages.shown.isEmpty());
    QCOMPARE(program.log.entries.filter(QStringLiteral(".Program")),
             QStringList({QStringLiteral("main.ProgramRun"), QStringLiteral("mini.ProgramRun"),
                          QStringLiteral("main.ProgramStop"), QStringLiteral("mini.ProgramStop")}));
    QCOMPARE(shownAt.size(), 3);
    for (int i = 0; i < kProgram.size(); ++i) {
        const qint64 waited = paintedAt[i + 1] - shownAt[i];
        QVERIFY2(waited >= kProgram[i].waitMs,
                 qPrintable(QStringLiteral("step %1 waited %2 ms").arg(i + 1).arg(waited)));
    }
    QCOMPARE(program.state.cur_channel, qint16(11));
}

void TestRunnerSim::stopInStep2_data() {
    QTest::addColumn<bool>("byTimer");

    // A stop button is an event, served during step 2's wait.
    QTest::newRow("stop event during the wait") << true;
    // The stop arrives while the device is being switched to step 2's channel.
    QTest::newRow("stop during the switch") << false;
}

void TestRunnerSim::stopInStep2() {
    QFETCH(bool, byTimer);

    Simulator sim;
    QVERIFY(sim.start({QStringLiteral("--positions"), positionList(kPositions),
                       QStringLiteral("--speed"), QStringLiteral("0")}));
    Program program(sim);
    program.table.setText(2, ProgramTable::TimeColumn, QStringLiteral("2"));
    program.table.setText(2, ProgramTable::UnitColumn, QStringLiteral("min"));
    program.link.Connect();
    QCOMPARE(program.link.statusText(), QStringLiteral("CONNECTED TO QMX7700"));
    QTRY_VERIFY(!sim.trace().isEmpty());
    const qsizetype afterConnect = sim.trace().size();

    if (byTimer) {
        program.miniChannel.onSetText = [&](const QString &channel) {
            if (channel == QLatin1String("7"))
                QTimer::singleShot(200, [&] { program.state.prog_running = false; });
        };
    } else {
        program.dial.onChange = [&](int index) {
            if (index == 6)
                program.state.prog_running = false;
        };
    }
    QElapsedTimer timer;
    timer.start();
    program.runner.RunProgram();

    const QList<QByteArray> expected = channelSwitch(3) + channelSwitch(7);
    QTRY_COMPARE(sim.commandsSince(afterConnect), expected);
    QTest::qWait(300);
    QCOMPARE(sim.commandsSince(afterConnect), expected);
    QVERIFY(!program.state.prog_running);
    QCOMPARE(program.log.entries.mid(program.log.entries.size() - 2),
             QStringList({QStringLiteral("main.ProgramStop"), QStringLiteral("mini.ProgramStop")}));
    // Step 2's wait of two minutes did not run out.
    QVERIFY(timer.elapsed() < 120000);
}

QTEST_GUILESS_MAIN(TestRunnerSim)
#include "tst_runner_sim.moc"
