#pragma once

#include "device/devicelink.h"
#include "program/runner.h"
#include "program/steptable.h"
#include "record/recordfile.h"
#include "record/timingsummary.h"

#include <QByteArray>
#include <QDate>
#include <QObject>
#include <QString>

#include <optional>

class Clock;
class JsonObject;
class ProgramDocument;
class SerialPort;
class SettingsStore;

// What the record is made from.
struct RecorderSources {
    DeviceLink &link;
    ProgramRunner &runner;
    ProgramDocument &document;
    const SerialPort &port;
    const StepTable &steps;
    const Clock &clock;
};

// The run record: every connect, disconnect and lost link, every channel command with who asked
// for it, every fault the device reports, and every run with its steps' planned and actual waits,
// as JSON Lines, each written as it happens (RecordFile). Each line holds its moment twice: `utc`
// on the calendar (ISO 8601, microseconds) and `mono_ns` on the monotonic clock that times the
// protocol, then its `kind` and the kind's fields. It never touches the port, and a line that
// cannot be written costs nothing but its place in the file.
class Recorder final : public QObject {
    Q_OBJECT

public:
    explicit Recorder(const RecorderSources &sources);

    // Reads the section "Record": the folder of the files and whether they are written.
    void loadSettings(const SettingsStore &store);
    // How the program comes to end.
    enum class Ending { WindowClosed, StopSignal };
    // The program is ending: a run that ends from now on ended that way ("window-closed",
    // "program-stopped"), and a link that is up is recorded as disconnected.
    void programEnding(Ending how);
    // Why the record cannot be written, for the user; empty while it can.
    QString problem() const { return m_problem; }

signals:
    // A line of the record, as it is written: one JSON object, without its line end. Sent also
    // when no file is written.
    void recorded(const QByteArray &jsonLine);
    void problemChanged(const QString &problem);

private:
    // A step whose channel command is on its way, then its wait.
    struct Step {
        int row = 0;
        int channel = 0;
        qint64 plannedMs = 0;
        // The wait began: the channel was reached (or the command that was not sent returned).
        Clock::Duration started{};
    };

    void recordLink(LinkEvent event, const QString &reason);
    void recordFault(int fault);
    void recordSwitch(const SwitchReport &report);
    void recordRunStart();
    void recordRunEnd(ProgramRunner::RunEnd why);
    // The step that waits ends now, at `ended`: the next command was sent or the run ended.
    void endStep(Clock::Duration ended, bool stopped);
    // Some file or some listener takes the lines.
    bool wanted() const;
    template <typename Fields> void record(const char *kind, Fields fields);
    void writeUnwritten();
    void setProblem(const QString &problem);

    // While one lives, the lines made go to the file together when it ends, in one write: a
    // step's end and the next command, the last step and the run's end. They are made within
    // microseconds, and one write costs the run about as much as two lines' making.
    class Together {
    public:
        explicit Together(Recorder &recorder);
        ~Together();
        Together(const Together &) = delete;
        Together &operator=(const Together &) = delete;

    private:
        Recorder &m_recorder;
    };

    DeviceLink &m_link;
    ProgramRunner &m_runner;
    ProgramDocument &m_document;
    const SerialPort &m_port;
    const StepTable &m_steps;
    const Clock &m_clock;

    RecordFile m_file;
    // Lines made and not yet handed to the file, all of one date.
    QByteArray m_unwritten;
    QDate m_unwrittenDate;
    // How many Together are alive.
    int m_together = 0;
    QString m_problem;
    int m_lastFault = 0;
    std::optional<Ending> m_programEnding;
    std::optional<Step> m_stepAnnounced;
    std::optional<Step> m_stepWaiting;
    TimingSummary m_timing;
};
