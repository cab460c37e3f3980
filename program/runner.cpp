#include "program/runner.h"

#include "core/globalstate.h"
#include "core/numbers.h"
#include "core/views.h"
#include "device/channelcommand.h"
#include "platform/clock.h"
#include "program/programfile.h"
#include "program/programtable.h"
#include "program/waits.h"

#include <QColor>

namespace {
const QColor kActiveChannel(255, 0, 0);
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

void ProgramRunner::setViews(const RunnerViews &views) {
    m_views = views;
}

std::optional<QString> ProgramRunner::findFault() const {
    for (int i = 1; i < m_table.rows(); ++i) {
        const QString channelText = m_table.text(i, ProgramTable::ChannelColumn);
        if (endsProgram(channelText)) {
            // "0" ends a program on purpose; an empty cell may be a slip that loses steps.
            const std::optional<QString> lost =
                channelText.isEmpty() ? describeLostSteps(m_table) : std::nullopt;
            if (lost)
                return lost;
            break;
        }
        const double channel = roundHalfEven(leadingNumber(channelText));
        // A text without a number reads as channel 0, which ends the steps at this row.
        if (channel == 0)
            break;
        if (i > kMaxSteps)
            return tr("Step %1: a program can have at most %2 steps.").arg(i).arg(kMaxSteps);
        if (!(channel >= 1 && channel <= kChannelCount))
            return tr("Step %1: the channel must be 1 to %2.").arg(i).arg(kChannelCount);

        const QString timeText = m_table.text(i, ProgramTable::TimeColumn);
        const std::optional<double> time = parseLocaleNumber(timeText);
        if (!time) {
            if (timeText.trimmed().isEmpty())
                return tr("Step %1: the time to wait is missing.").arg(i);
            return tr("Step %1: the time to wait \"%2\" is not a number.")
                .arg(QString::number(i), timeText);
        }
        if (*time < 0)
            return tr("Step %1: the time to wait must not be negative.").arg(i);
        const std::optional<double> ms =
            Waits::inMilliseconds(*time, m_table.text(i, ProgramTable::UnitColumn));
        if (ms && !toLong(*ms))
            return tr("Step %1: the time to wait is too long; a step can wait at most 596 hours.")
                .arg(i);
    }
    if (m_state.cont_mode == 1 && m_views.editorRuns && !parseWholeLong(m_views.editorRuns->text()))
        return tr("The number of runs must be a whole number (-1 runs endlessly).");
    return std::nullopt;
}

int ProgramRunner::readSteps() {
    int n = 0;
    for (int i = 1; i <= kMaxSteps && i < m_table.rows(); ++i) {
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

qint32 ProgramRunner::runsAskedFor() const {
    // Without the editor's box, the runs are those its change handler last recorded.
    if (!m_views.editorRuns)
        return m_state.no_of_runs;
    return parseWholeLong(m_views.editorRuns->text()).value_or(0);
}

void ProgramRunner::showRunsLeft(qint32 runs) {
    const QString text = QString::number(runs);
    if (m_views.editorRuns)
        m_views.editorRuns->setText(text);
    if (m_views.miniRuns)
        m_views.miniRuns->setText(text);
}

void ProgramRunner::RunProgram() {
    // The run serves events, and a run button pressed there must not start a run inside it.
    if (m_state.prog_running || m_inRun)
        return;
    if (const std::optional<QString> fault = findFault()) {
        showMessage(*fault);
        return;
    }
    m_inRun = true;

    if (m_views.mainButtons)
        m_views.mainButtons->ProgramRun();
    if (m_views.miniButtons)
        m_views.miniButtons->ProgramRun();

    const int n = readSteps();
    qint32 passesLeft = 0;
    qint32 runLimit = -1;
    if (m_state.cont_mode == 1) {
        m_state.no_of_runs = runsAskedFor();
        runLimit = passesLeft = m_state.no_of_runs;
    }
    m_state.prog_running = true;

    std::optional<int> failedStep;
    bool anyStep = n >= 1 && isRunnable(m_steps[1]);
    while (passesLeft > 0 || runLimit == -1) {
        // An endless pass without steps would spin without ever serving events, so an endless
        // run of an empty table ends here; single and counted passes are finite and all run.
        if (runLimit == -1 && m_state.cont_mode == 1 && !anyStep)
            break;
        if (runLimit != -1) {
            m_state.no_of_runs = passesLeft - 1;
            showRunsLeft(m_state.no_of_runs);
        } else {
            m_state.no_of_runs = 0;
        }

        StepOutcome outcome = StepOutcome::Done;
        int i = 1;
        // Checked at every step: a new program emptied during the run ends the pass there.
        for (; i <= n && isRunnable(m_steps[static_cast<std::size_t>(i)]); ++i) {
            outcome = runStep(i);
            if (outcome != StepOutcome::Done)
                break;
        }
        if (outcome == StepOutcome::Stopped)
            break;
        if (outcome == StepOutcome::DeviceFailed) {
            failedStep = i;
            break;
        }
        anyStep = i > 1;
        // A pass without steps takes no time: served here, Stop and closing still end a long
        // counted run of an empty table.
        if (!anyStep) {
            m_clock.serveEvents();
            if (!m_state.prog_running)
                break;
        }

        // Unticking "continous" during a run makes this pass the last. Only 1 means ticked, as
        // at the start, so no other value can make a single pass endless.
        if (m_state.cont_mode != 1) {
            passesLeft = -1;
            runLimit = 0;
        }
        if (passesLeft >= 1 && runLimit != -1)
            --passesLeft;
    }

    endRun();
    if (failedStep)
        showMessage(tr("The run stopped at step %1: the QMX-7700 did not answer as expected.")
                        .arg(*failedStep));
}

ProgramRunner::StepOutcome ProgramRunner::runStep(int i) {
    m_clock.serveEvents();
    if (!m_state.prog_running)
        return StepOutcome::Stopped;
    // A copy: events served just now or during the wait may empty the step table (a new
    // program), which ends the pass.
    const StepRecord step = m_steps[static_cast<std::size_t>(i)];
    if (!isRunnable(step))
        return StepOutcome::Done;
    const int index = step.channel_no - 1;
    if (m_views.dial)
        m_views.dial->change_button_color(index, kActiveChannel);
    // NotSent (link down) lets the run go on as it always has; only a broken reply ends it.
    if (m_device.GotoChannel(index) == GotoResult::Failed)
        return StepOutcome::DeviceFailed;
    m_state.cur_channel = static_cast<qint16>(index);
    if (m_views.miniChannel)
        m_views.miniChannel->setText(QString::number(step.channel_no));

    m_table.setCurrentCell(i, ProgramTable::StepColumn);
    m_table.setCurrentCellBackground(kRunningStep);
    m_table.setTopRow(i < kVisibleSteps ? 1 : i - (kVisibleSteps - 1));
    m_table.refresh();

    m_waits.WaitTime(step.wait_time, step.time_unit);

    m_table.setCurrentCell(i, ProgramTable::StepColumn);
    m_table.setCurrentCellBackground(ProgramTable::buttonFace());
    return StepOutcome::Done;
}

void ProgramRunner::endRun() {
    m_table.setCurrentCellBackground(ProgramTable::buttonFace());
    if (m_views.mainButtons)
        m_views.mainButtons->ProgramStop();
    if (m_views.miniButtons)
        m_views.miniButtons->ProgramStop();
    m_state.prog_running = false;
    m_inRun = false;
}

void ProgramRunner::showMessage(const QString &text) {
    if (m_views.messages)
        m_views.messages->showMessage(text);
}
