#pragma once

#include "program/steptable.h"

#include <QObject>
#include <QString>
#include <QtGlobal>

#include <optional>

class ChannelCommand;
class Clock;
class ProgramTable;
class Waits;
struct GlobalState;

// Runs the program of the table: each step switches the device to its channel, marks the step
// and waits its time, for one pass, a counted number of passes or endlessly. Everything runs on
// the user-interface thread; clearing prog_running stops the run.
//
// It writes the run state (prog_running, cont_mode, no_of_runs) and announces what a surface
// shows of a run as signals, at the moment it happens.
class ProgramRunner final : public QObject {
    Q_OBJECT

public:
    // Why a run ended. A program that its check refuses starts no run.
    enum class RunEnd { Done, Stopped, DeviceFailed };
    Q_ENUM(RunEnd)
    // One pass, a counted number, or passes until stopped.
    enum class RunMode { Once, Counted, Endless };
    // What a run does, as read when it starts.
    struct RunPlan {
        RunMode mode = RunMode::Once;
        // The passes asked for: 1 for one pass, -1 for endless.
        qint32 runs = 1;
        // The run executes steps 1 to this one of the step table.
        int steps = 0;
    };

    ProgramRunner(GlobalState &state, ProgramTable &table, StepTable &steps, ChannelCommand &device,
                  Waits &waits, Clock &clock);

    // Checks the program, then runs it to its end, a stop request or a device failure. Does
    // nothing while a run is already in progress, and says why when the program cannot run.
    void RunProgram();
    // The Stop buttons' and the closing main window's request: the run ends at its next check.
    void RequestStop();
    // RunProgram is on the stack (prog_running alone is cleared by a stop before the run ends).
    bool isRunning() const { return m_inRun; }
    // The run in progress, or the last one.
    const RunPlan &plan() const { return m_plan; }
    // The passes that the run in progress, or the last one, ran to their end.
    qint32 passesDone() const { return m_passesDone; }

    // Where the run in progress, or the last one, stands.
    struct Progress {
        // The step begun last; 0 before the first.
        int step = 0;
        // The pass, from 1.
        qint32 pass = 0;
        // Runs still to do after this pass: -1 for an endless run, 0 for a single one.
        qint32 runsLeft = 0;
    };
    Progress progress() const { return m_progress; }

    // The state of the "continous" boxes: on, a run makes the passes of the runs box.
    void setContinuous(bool on);
    // The runs entered in a runs box (-1 = endless); the one writer of no_of_runs, which a
    // counted run counts down.
    void setNoOfRuns(qint32 runs);
    // The text of the program editor's runs box, from which a run takes its passes, as it
    // changes.
    void setRunsText(const QString &text);
    // The runs asked for from outside the windows: the runs boxes show them.
    void askRuns(qint32 runs);

signals:
    // The run's plan() has been read; its first step follows.
    void runStarted();
    void runEnded(ProgramRunner::RunEnd why);
    // Step `row` of the table begins: the device goes to `channel` (1..16), then the step waits
    // plannedMs milliseconds.
    void stepStarted(int row, int channel, qint64 plannedMs);
    // A pass of a counted run begins with `runs` runs still to do after it.
    void runsLeftChanged(qint32 runs);
    // cont_mode changed.
    void continuousChanged(bool on);
    // askRuns() set the runs.
    void runsAsked(qint32 runs);
    // Why a program cannot run, or why a run stopped short, for the user.
    void message(const QString &text);

private:
    struct PassEnd {
        RunEnd end = RunEnd::Done;
        // The step that ended the pass early, or the steps it ran.
        int step = 0;
    };

    // Why the table or the runs box cannot be run, for the user; nothing when it can.
    std::optional<QString> findFault() const;
    std::optional<QString> findStepFault(int row) const;
    // Copies the steps of the table into the step table; returns how many were read.
    int readSteps();
    RunMode runMode() const;
    PassEnd runPasses();
    void beginPass(RunMode mode, qint32 passesLeft);
    bool anotherPass(RunMode mode, qint32 passesLeft) const;
    PassEnd runPass(int steps);
    RunEnd runStep(int i);
    void endRun(PassEnd end);
    void setRunning(bool running);

    GlobalState &m_state;
    ProgramTable &m_table;
    StepTable &m_steps;
    ChannelCommand &m_device;
    Waits &m_waits;
    Clock &m_clock;
    // As the runs box starts.
    QString m_runsText = QStringLiteral("-1");
    bool m_inRun = false;
    Progress m_progress;
    RunPlan m_plan;
    qint32 m_passesDone = 0;
};
