#include "record/recorder.h"

#include "core/numbers.h"
#include "core/settingskeys.h"
#include "platform/clock.h"
#include "platform/serialport.h"
#include "platform/settingsstore.h"
#include "platform/statefolder.h"
#include "program/programfile.h"
#include "record/jsonobject.h"

#include <QDate>
#include <QDir>
#include <QMetaMethod>

#include <cstdio>
#include <utility>

namespace {
QLatin1String sourceName(SwitchSource source) {
    switch (source) {
    case SwitchSource::Dial:
        return QLatin1String("dial");
    case SwitchSource::MiniView:
        return QLatin1String("mini-view");
    case SwitchSource::Run:
        return QLatin1String("run");
    case SwitchSource::Remote:
        return QLatin1String("remote");
    case SwitchSource::Connect:
        break;
    }
    return QLatin1String("connect");
}

QLatin1String outcomeName(GotoResult result) {
    switch (result) {
    case GotoResult::Sent:
        return QLatin1String("sent");
    case GotoResult::NotSent:
        return QLatin1String("not-sent");
    case GotoResult::Failed:
        break;
    }
    return QLatin1String("failed");
}

QLatin1String modeName(ProgramRunner::RunMode mode) {
    switch (mode) {
    case ProgramRunner::RunMode::Once:
        return QLatin1String("once");
    case ProgramRunner::RunMode::Counted:
        return QLatin1String("counted");
    case ProgramRunner::RunMode::Endless:
        break;
    }
    return QLatin1String("endless");
}

// The kind of line and its outcome for each way the link changes.
struct LinkLine {
    const char *kind;
    QLatin1String outcome;
};

LinkLine linkLine(LinkEvent event) {
    switch (event) {
    case LinkEvent::Connected:
        return {"connect", QLatin1String("connected")};
    case LinkEvent::NotFound:
        return {"connect", QLatin1String("not-found")};
    case LinkEvent::ConnectFailed:
        return {"connect", QLatin1String("failed")};
    case LinkEvent::Disconnected:
        return {"disconnect", QLatin1String("disconnected")};
    case LinkEvent::Lost:
        break;
    }
    return {"link-lost", QLatin1String("lost")};
}

// ISO 8601 in UTC to the microsecond ("2024-02-29T12:00:01.760000Z"), and its date. Made by
// hand: Qt's own formatting of a date and time costs more than the rest of a line together.
QString isoUtc(std::chrono::system_clock::time_point utc, QDate &date) {
    const qint64 us =
        std::chrono::duration_cast<std::chrono::microseconds>(utc.time_since_epoch()).count();
    const qint64 seconds = us / 1'000'000;
    const int secondOfDay = int(seconds % 86400);
    date = QDate(1970, 1, 1).addDays(seconds / 86400);
    int year = 0;
    int month = 0;
    int day = 0;
    date.getDate(&year, &month, &day);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%06dZ", year, month, day,
                  secondOfDay / 3600, secondOfDay / 60 % 60, secondOfDay % 60, int(us % 1'000'000));
    return QString::fromLatin1(text);
}

void textOrNull(JsonObject &line, const char *key, const QString &text) {
    if (text.isEmpty())
        line.null(key);
    else
        line.text(key, text);
}

template <typename T>
void numberOrNull(JsonObject &line, const char *key, const std::optional<T> &value) {
    if (value)
        line.number(key, qint64(*value));
    else
        line.null(key);
}

void momentOrNull(JsonObject &line, const char *key, const std::optional<Clock::Duration> &at) {
    numberOrNull(line, key, at ? std::optional<qint64>(at->count()) : std::nullopt);
}

void millisecondsOrNull(JsonObject &line, const char *key,
                        const std::optional<Clock::Duration> &value) {
    if (value)
        line.milliseconds(key, *value);
    else
        line.null(key);
}
} // namespace

Recorder::Recorder(const RecorderSources &sources)
    : m_link(sources.link)
    , m_runner(sources.runner)
    , m_document(sources.document)
    , m_port(sources.port)
    , m_steps(sources.steps)
    , m_clock(sources.clock) {
    connect(&m_link, &DeviceLink::linkEvent, this, &Recorder::recordLink);
    connect(&m_link, &DeviceLink::faultReported, this, &Recorder::recordFault);
    connect(&m_link, &DeviceLink::switched, this, &Recorder::recordSwitch);
    connect(&m_runner, &ProgramRunner::runStarted, this, &Recorder::recordRunStart);
    connect(&m_runner, &ProgramRunner::stepStarted, this,
            [this](int row, int channel, qint64 plannedMs) {
                m_stepAnnounced = Step{row, channel, plannedMs, {}};
            });
    connect(&m_runner, &ProgramRunner::runEnded, this, &Recorder::recordRunEnd);
}

template <typename Fields> void Recorder::record(const char *kind, Fields fields) {
    if (!wanted())
        return;
    QDate date;
    JsonObject line;
    line.text("utc", isoUtc(m_clock.utcNow(), date));
    line.number("mono_ns", m_clock.monotonic().count());
    line.text("kind", QLatin1String(kind));
    fields(line);

    const QByteArray json = line.json();
    if (m_file.enabled()) {
        if (date != m_unwrittenDate)
            writeUnwritten();
        m_unwritten += json + '\n';
        m_unwrittenDate = date;
        if (m_together == 0)
            writeUnwritten();
    }
    emit recorded(json);
}

void Recorder::writeUnwritten() {
    if (m_unwritten.isEmpty())
        return;
    const QString failure = m_file.append(m_unwrittenDate, m_unwritten);
    m_unwritten.clear();
    setProblem(failure.isEmpty() ? QString()
                                 : tr("The run record cannot be written: %1.").arg(failure));
}

Recorder::Together::Together(Recorder &recorder)
    : m_recorder(recorder) {
    ++m_recorder.m_together;
}

Recorder::Together::~Together() {
    if (--m_recorder.m_together == 0)
        m_recorder.writeUnwritten();
}

void Recorder::loadSettings(const SettingsStore &store) {
    const QString section = QString::fromLatin1(kRecordSection);
    const std::optional<qint16> enabled =
        parseInteger(store.read(section, QString::fromLatin1(kRecordEnabledKey), QString()));
    QString folder = store.read(section, QString::fromLatin1(kRecordFolderKey),
                                QString::fromLatin1(kRecordFolderDefault));
    if (folder.isEmpty())
        folder = QDir(userStateFolder()).filePath(QStringLiteral("records"));
    else if (folder.startsWith(QLatin1String("~/")))
        folder = QDir::home().filePath(folder.mid(2));
    m_file.setFolder(enabled.value_or(kRecordEnabledDefault) != 0 ? folder : QString());
}

void Recorder::programEnding(Ending how) {
    m_programEnding = how;
    if (m_port.isOpen() && m_link.statusText() == QLatin1String(DeviceLink::kConnectedText))
        recordLink(LinkEvent::Disconnected, tr("the program ended"));
}

void Recorder::recordLink(LinkEvent event, const QString &reason) {
    const LinkLine kind = linkLine(event);
    record(kind.kind, [&](JsonObject &line) {
        textOrNull(line, "port", m_port.portName());
        textOrNull(line, "version", m_link.deviceVersion());
        line.text("outcome", kind.outcome);
        textOrNull(line, "reason", reason);
    });
}

void Recorder::recordFault(int fault) {
    // The device is asked at every position poll; the record keeps the changes.
    if (fault == m_lastFault)
        return;
    m_lastFault = fault;
    record("fault", [&](JsonObject &line) { line.number("fault", fault); });
}

void Recorder::recordSwitch(const SwitchReport &report) {
    const Together together(*this);
    const Clock::Duration now = m_clock.monotonic();
    const bool ofRun = report.source == SwitchSource::Run;
    // The step before ends as this command goes out.
    if (ofRun && m_stepWaiting)
        endStep(report.sent.value_or(now), false);
    record("switch", [&](JsonObject &line) {
        line.number("channel", report.index + 1);
        line.text("source", sourceName(report.source));
        line.text("outcome", outcomeName(report.result));
        numberOrNull(line, "position",
                     report.sent ? std::optional<qint16>(report.position) : std::nullopt);
        momentOrNull(line, "sent_ns", report.sent);
        momentOrNull(line, "reached_ns", report.reached);
        line.number("polls", report.polls);
        numberOrNull(line, "reading", report.reading);
        textOrNull(line, "reason", report.reason);
    });
    if (!ofRun)
        return;
    // A step whose command failed ends the run; any other waits from here.
    if (m_stepAnnounced && report.result != GotoResult::Failed) {
        m_stepWaiting = m_stepAnnounced;
        m_stepWaiting->started = report.reached.value_or(now);
    }
    m_stepAnnounced.reset();
}

void Recorder::recordRunStart() {
    m_timing = TimingSummary();
    m_stepAnnounced.reset();
    m_stepWaiting.reset();
    const ProgramRunner::RunPlan &plan = m_runner.plan();
    record("run-start", [&](JsonObject &line) {
        if (const std::optional<ProgramFileId> &file = m_document.file()) {
            line.text("program", file->path);
            line.text("sha256", QString::fromLatin1(file->sha256.toHex()));
        } else {
            QList<JsonObject> steps;
            for (int i = 1; i <= plan.steps; ++i) {
                const StepRecord &step = m_steps[static_cast<std::size_t>(i)];
                JsonObject fields;
                fields.number("channel", step.channel_no);
                fields.decimal("time", step.wait_time);
                fields.text("unit", step.time_unit);
                steps << fields;
            }
            line.text("program", QStringLiteral("unsaved"));
            line.array("steps", steps);
        }
        line.text("mode", modeName(plan.mode));
        line.number("runs", plan.runs);
    });
}

void Recorder::recordRunEnd(ProgramRunner::RunEnd why) {
    const Together together(*this);
    const bool stopped = why == ProgramRunner::RunEnd::Stopped;
    if (m_stepWaiting)
        endStep(m_clock.monotonic(), stopped);
    m_stepAnnounced.reset();
    QLatin1String reason("done");
    if (why == ProgramRunner::RunEnd::DeviceFailed)
        reason = QLatin1String("device-error");
    else if (stopped)
        reason = QLatin1String(!m_programEnding                          ? "stopped"
                               : m_programEnding == Ending::WindowClosed ? "window-closed"
                                                                         : "program-stopped");
    record("run-end", [&](JsonObject &line) {
        line.text("why", reason);
        line.number("passes", m_runner.passesDone());
        line.number("steps", m_timing.steps());
        millisecondsOrNull(line, "lateness_median_ms", m_timing.median());
        millisecondsOrNull(line, "lateness_p99_ms", m_timing.p99());
        line.milliseconds("drift_ms", m_timing.drift());
    });
}

void Recorder::endStep(Clock::Duration ended, bool stopped) {
    const Step step = *std::exchange(m_stepWaiting, std::nullopt);
    const Clock::Duration actual = ended - step.started;
    const Clock::Duration lateness = actual - std::chrono::milliseconds(step.plannedMs);
    // A stop that cut the wait short says nothing about timing.
    const bool cut = stopped && lateness < Clock::Duration::zero();
    if (!cut)
        m_timing.add(lateness);
    record("step", [&](JsonObject &line) {
        line.number("row", step.row);
        line.number("channel", step.channel);
        line.number("planned_ms", step.plannedMs);
        line.milliseconds("actual_ms", actual);
        line.milliseconds("lateness_ms", lateness);
        line.number("reached_ns", step.started.count());
        line.number("ended_ns", ended.count());
        line.flag("stopped", cut);
    });
}

bool Recorder::wanted() const {
    return m_file.enabled() || isSignalConnected(QMetaMethod::fromSignal(&Recorder::recorded));
}

void Recorder::setProblem(const QString &problem) {
    if (problem == m_problem)
        return;
    m_problem = problem;
    emit problemChanged(m_problem);
}
