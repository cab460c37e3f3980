#pragma once

#include "program/steptable.h"

#include <QCoreApplication>
#include <QString>
#include <QtGlobal>

#include <optional>

class ChannelCommand;
class ChannelDial;
class Clock;
class MessageDisplay;
class ProgramTable;
class RunButtons;
class TextBox;
class Waits;
struct GlobalState;

// The windows that a run reports to. Any of them may be missing.
struct RunnerViews {
    RunButtons *mainButtons = nullptr;
    RunButtons *miniButtons = nullptr;
    ChannelDial *dial = nullptr;
    // The mini view's channel box.
    TextBox *miniChannel = nullptr;
    // The program editor's txt_no_of_runs: the runs asked for, then the runs still to do.
    TextBox *editorRuns = nullptr;
    // The mini view's no_runs box, which mirrors txt_no_of_runs during a run.
    TextBox *miniRuns = nullptr;
    MessageDisplay *messages = nullptr;
};

// Runs the program of the table: each step switches the device to its channel, marks the step
// and waits its time, for one pass, a counted number of passes or endlessly. Everything runs on
// the user-interface thread; clearing prog_running stops the run.
class ProgramRunner {
    Q_DECLARE_TR_FUNCTIONS(ProgramRunner)

public:
    ProgramRunner(GlobalState &state, ProgramTable &table, StepTable &steps, ChannelCommand &device,
                  Waits &waits, Clock &clock);

    void setViews(const RunnerViews &views);

    // Checks the program, then runs it to its end, a stop request or a device failure. Does
    // nothing while a run is already in progress, and shows why when the program cannot run.
    void RunProgram();

private:
    enum class StepOutcome { Done, Stopped, DeviceFailed };

    // Why the table or the runs box cannot be run, for the user; nothing when it can.
    std::optional<QString> findFault() const;
    // Copies the steps of the table into the step table; returns how many were read.
    int readSteps();
    // The number of runs from the editor's box, once findFault() has accepted it.
    qint32 runsAskedFor() const;
    void showRunsLeft(qint32 runs);
    StepOutcome runStep(int i);
    void endRun();
    void showMessage(const QString &text);

    GlobalState &m_state;
    ProgramTable &m_table;
    StepTable &m_steps;
    ChannelCommand &m_device;
    Waits &m_waits;
    Clock &m_clock;
    RunnerViews m_views;
    // RunProgram is on the stack (prog_running alone is cleared by a stop before the run ends).
    bool m_inRun = false;
};
