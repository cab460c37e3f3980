#include "program/runner.h"

#include "core/globalstate.h"
#include "core/numbers.h"
#include "device/channelcommand.h"
#include "platform/clock.h"
#include "program/programfile.h"
#include "program/programtable.h"
#include "program/waits.h"

#include <QColor>

namespace {
const QColor kRunningStep(0, 0, 255);
// The step table has no record 0, so its last record is the last step.
constexpr int kMaxSteps = kStepTableSize - 1;
// Keeps the running step in the 16 rows that the editor shows.
constexpr int kVisibleSteps = 16;

// A Channel cell that ends the program where it stands.
bool endsProgram(const QString &channelText) {
    return channelText.isEmpty() || channelText == QLatin1String("0");
}

// A step record that a run executes; channel 0 (a text without a number) or an emptied step
// table ends the pass there.
bool isRunnable(const StepRecord &step) {
    return step.channel_no >= 1 && step.channel_no <= kChannelCount;
}
} // namespace

ProgramRunner::ProgramRunner(GlobalState &state, ProgramTable &table, StepTable &steps,
                             ChannelCommand &device, Waits &waits, Clock &clock)
    : m_state(state)
    , m_table(table)
    , m_steps(steps)
    , m_device(device)
    , m_waits(waits)
    , m_clock(clock) {}

void ProgramRunner::RequestStop() {
    setRunning(false);
}

void ProgramRunner::setContinuous(bool on) {
    const qint16 mode = on ? 1 : 0;
    if (m_state.cont_mode == mode)
        return;
    m_state.cont_mode = mode;
    emit continuousChanged(on);
}

void ProgramRunner::setNoOfRuns(qint32 runs) {
    m_state.no_of_runs = runs;
}

void ProgramRunner::setRunsText(const QString &text) {
    m_runsText = text;
}

void ProgramRunner::askRuns(qint32 runs) {
    setRunsText(QString::number(runs));
    setNoOfRuns(runs);
    emit runsAsked(runs);
}

std::optional<QString> ProgramRunner::findFault() const {
    std::optional<QString> fault;
    for (int i = 1; i < m_table.rowCount() && !fault; ++i) {
        const QString channelText = m_table.text(i, ProgramTable::ChannelColumn);
        // A text without a number reads as channel 0, which ends the steps at this row as "0"
        // does. "0" ends a program on purpose; an empty cell may be a slip that loses steps.
        if (endsProgram(channelText) || roundHalfEven(leadingNumber(channelText)) == 0) {
            fault = channelText.isEmpty() ? describeLostSteps(m_table) : std::nullopt;
            break;
        }
        fault = findStepFault(i);
    }
    if (!fault && m_state.cont_mode == 1 && !parseWholeLong(m_runsText))
        fault = tr("The number of runs must be a whole number (-1 runs endlessly).");
    return fault;
}

std::optional<QString> ProgramRunner::findStepFault(int row) const {
    if (row > kMaxSteps)
        return tr("Step %1: a program can have at most %2 steps.").arg(row).arg(kMaxSteps);
    const double channel =
        roundHalfEven(leadingNumber(m_table.text(row, ProgramTable::ChannelColumn)));
    if (!(channel >= 1 && channel <= kChannelCount))
        return tr("Step %1: the channel must be 1 to %2.").arg(row).arg(kChannelCount);

    const QString timeText = m_table.text(row, ProgramTable::TimeColumn);
    const std::optional<double> time = parseLocaleNumber(timeText);
    if (!time) {
        if (timeText.trimmed().isEmpty())
            return tr("Step %1: the time to wait is missing.").arg(row);
        return tr("Step %1: the time to wait \"%2\" is not a number.")
            .arg(QString::number(row), timeText);
    }
    if (*time < 0)
        return tr("Step %1: the time to wait must not be negative.").arg(row);
    const std::optional<double> ms =
        Waits::inMilliseconds(*time, m_table.text(row, ProgramTable::UnitColumn));
    if (ms && !toLong(*ms))
        return tr("Step %1: the time to wait is too long; a step can wait at most 596 hours.")
            .arg(row);
    return std::nullopt;
}

int ProgramRunner::readSteps() {
    int n = 0;
    for (int i = 1; i <= kMaxSteps && i < m_table.rowCount(); ++i) {
        const QString channelText = m_table.text(i, ProgramTable::ChannelColumn);
        if (endsProgram(channelText))
            break;
        // Rows after a channel 0 are read but never run, so findFault() has not seen them.
        StepRecord &step = m_steps[static_cast<std::size_t>(i)];
        step.channel_no = toInteger(leadingNumber(channelText)).value_or(0);
        step.wait_time = parseLocaleNumber(m_table.text(i, ProgramTable::TimeColumn)).value_or(0.0);
        step.time_unit = m_table.text(i, ProgramTable::UnitColumn);
        n = i;
    }
    return n;
}

ProgramRunner::RunMode ProgramRunner::runMode() const {
    if (m_state.cont_mode != 1)
        return RunMode::Once;
    return parseWholeLong(m_runsText) == -1 ? RunMode::Endless : RunMode::Counted;
}

void ProgramRunner::RunProgram() {
    // The run serves events, and a run button pressed there must not start a run inside it.
    if (m_state.prog_running || m_inRun)
        return;
    if (const std::optional<QString> fault = findFault()) {
        emit message(*fault);
        return;
    }
    m_inRun = true;
    m_progress = {};
    m_plan.steps = readSteps();
    m_plan.mode = runMode();
    // The runs asked for, which findFault() has accepted.
    if (m_plan.mode != RunMode::Once)
        setNoOfRuns(parseWholeLong(m_runsText).value_or(0));
    m_plan.runs = m_plan.mode == RunMode::Once ? 1 : m_state.no_of_runs;
    m_passesDone = 0;
    emit runStarted();
    setRunning(true);
    endRun(runPasses());
}

ProgramRunner::PassEnd ProgramRunner::runPasses() {
    const RunMode mode = m_plan.mode;
    const int steps = m_plan.steps;
    qint32 passesLeft = m_plan.runs;
    bool anyStep = steps >= 1 && isRunnable(m_steps[1]);
    for (bool more = mode != RunMode::Counted || passesLeft > 0; more;
         more = anotherPass(mode, passesLeft)) {
        // An endless pass without steps would spin without ever serving events, so an endless
        // run of an empty table ends here; single and counted passes are finite and all run.
        if (mode != RunMode::Counted && m_state.cont_mode == 1 && !anyStep)
            break;
        beginPass(mode, passesLeft);
        const PassEnd pass = runPass(steps);
        if (pass.end != RunEnd::Done)
            return pass;
        // A stop in the last wait of a pass leaves no step of it to notice.
        if (!m_state.prog_running)
            return {RunEnd::Stopped, pass.step};
        ++m_passesDone;
        anyStep = pass.step > 0;
        // A pass without steps takes no time: served here, Stop and closing still end a long
        // counted run of an empty table.
        if (!anyStep) {
            m_clock.serveEvents();
            if (!m_state.prog_running)
                return {RunEnd::Stopped, 0};
        }
        if (mode == RunMode::Counted)
            --passesLeft;
    }
    return {};
}

void ProgramRunner::beginPass(RunMode mode, qint32 passesLeft) {
    ++m_progress.pass;
    m_progress.runsLeft = mode == RunMode::Counted   ? passesLeft - 1
                          : mode == RunMode::Endless ? -1
                                                     : 0;
    // A counted run shows the runs still to do after this pass; the others count nothing.
    if (mode != RunMode::Counted) {
        setNoOfRuns(0);
        return;
    }
    setNoOfRuns(passesLeft - 1);
    m_runsText = QString::number(m_state.no_of_runs);
    emit runsLeftChanged(m_state.no_of_runs);
}

bool ProgramRunner::anotherPass(RunMode mode, qint32 passesLeft) const {
    // Unticking "continous" during a run makes the pass just run the last; ticking it during a
    // single pass goes on as an endless run would. Only 1 means ticked, as at the start.
    return m_state.cont_mode == 1 && (mode != RunMode::Counted || passesLeft > 0);
}

ProgramRunner::PassEnd ProgramRunner::runPass(int steps) {
    int i = 1;
    // Checked at every step: a new program emptied during the run ends the pass there.
    for (; i <= steps && isRunnable(m_steps[static_cast<std::size_t>(i)]); ++i) {
        const RunEnd end = runStep(i);
        if (end != RunEnd::Done)
            return {end, i};
    }
    return {RunEnd::Done, i - 1};
}

ProgramRunner::RunEnd ProgramRunner::runStep(int i) {
    m_clock.serveEvents();
    if (!m_state.prog_running)
        return RunEnd::Stopped;
    // A copy: events served just now or during the wait may empty the step table (a new
    // program), which ends the pass.
    const StepRecord step = m_steps[static_cast<std::size_t>(i)];
    if (!isRunnable(step))
        return RunEnd::Done;
    const int index = step.channel_no - 1;
    m_progress.step = i;
    emit stepStarted(i, step.channel_no, Waits::plannedMs(step.wait_time, step.time_unit));
    // NotSent (link down) lets the run go on as it always has; only a broken reply ends it.
    if (m_device.GotoChannel(index, SwitchSource::Run) == GotoResult::Failed)
        return RunEnd::DeviceFailed;
    m_device.selectChannel(index);

    m_table.setCurrentCell(i, ProgramTable::StepColumn);
    m_table.setCurrentCellBackground(kRunningStep);
    m_table.setTopRow(i < kVisibleSteps ? 1 : i - (kVisibleSteps - 1));
    m_table.refresh();

    m_waits.WaitTime(step.wait_time, step.time_unit);

    m_table.setCurrentCell(i, ProgramTable::StepColumn);
    m_table.setCurrentCellBackground(ProgramTable::buttonFace());
    return RunEnd::Done;
}

void ProgramRunner::endRun(PassEnd end) {
    m_table.setCurrentCellBackground(ProgramTable::buttonFace());
    // The selection goes back to the title row.
    m_table.setCurrentCell(0, m_table.currentColumn());
    setRunning(false);
    m_inRun = false;
    emit runEnded(end.end);
    if (end.end == RunEnd::DeviceFailed)
        emit message(tr("The run stopped at step %1: the QMX-7700 did not answer as expected.")
                         .arg(end.step));
}

void ProgramRunner::setRunning(bool running) {
    m_state.prog_running = running;
}
