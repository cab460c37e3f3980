#pragma once

#include "core/globalstate.h"
#include "platform/clock.h"
#include "platform/serialport.h"
#include "platform/settingsstore.h"
#include "program/steptable.h"
#include "record/recorder.h"

#include <QStringList>

#include <memory>

class ControlServer;
class DeviceLink;
class ProgramDocument;
class ProgramRunner;
class ProgramTable;
class Waits;

// The instrument without any window: the global state, the settings store, the port, the clock,
// the device link, the program and step tables, the waits, the runner and the run record. Every
// surface (the windows, a server) drives it through these and listens to the signals of the link,
// the runner and the program document. One instance lives from the start of the program to its end.
class Instrument final {
public:
    // What the instrument works through. Anything left empty is the system's own: the user's
    // settings store, the serial port, the real clock. Tests put fakes here.
    struct Parts {
        std::unique_ptr<SettingsStore> settings;
        std::unique_ptr<SerialPort> port;
        std::unique_ptr<Clock> clock;
        // The control server's local socket; empty: the one of the user's runtime folder.
        QString controlSocket;
    };

    explicit Instrument(Parts parts = {});
    ~Instrument();
    Instrument(const Instrument &) = delete;
    Instrument &operator=(const Instrument &) = delete;

    // The run state of a fresh start: one pass, endless runs, no channel selected.
    void resetRunState();
    // Reads the options and the record's settings from the settings store; whether the options
    // were read whole is not looked at.
    void loadSettings();
    // The start-up's connect: the device is identified anew.
    void connectAtStartUp();
    // Closes the port if it is open; a connect's fault wait then ends.
    void closePort();
    // The program is ending: a run is asked to stop and is recorded as ended that way, and the
    // port is closed.
    void shutDown(Recorder::Ending how);
    // Serves the control on the local socket and, when the settings say so, on TCP. Returns
    // what cannot be served, for people.
    QStringList serveControl();

    // An operation that serves events is on the stack: a connect (its fault wait, its message),
    // a run, or one the caller holds an OperationScope for. An event handled inside it must not
    // start another such operation or take away what it uses.
    bool operationOnStack() const;

    // Counts the caller's own operation (the start-up) as one on the stack while it lives.
    class OperationScope {
    public:
        explicit OperationScope(Instrument &instrument);
        ~OperationScope();
        OperationScope(const OperationScope &) = delete;
        OperationScope &operator=(const OperationScope &) = delete;

    private:
        Instrument &m_instrument;
    };

    GlobalState &state() { return m_state; }
    SettingsStore &settings() { return *m_settings; }
    SerialPort &port() { return *m_port; }
    DeviceLink &link() { return *m_link; }
    ProgramTable &table() { return *m_table; }
    ProgramDocument &document() { return *m_document; }
    ProgramRunner &runner() { return *m_runner; }
    ControlServer &control() { return *m_control; }
    Recorder &recorder() { return *m_recorder; }

private:
    class NestingClock;

    std::unique_ptr<SettingsStore> m_settings;
    std::unique_ptr<SerialPort> m_port;
    std::unique_ptr<Clock> m_systemClock;
    // How deep the program is inside operations that serve events.
    int m_depth = 0;
    std::unique_ptr<NestingClock> m_clock;

    GlobalState m_state;
    std::unique_ptr<ProgramTable> m_table;
    StepTable m_steps{};
    std::unique_ptr<ProgramDocument> m_document;
    std::unique_ptr<DeviceLink> m_link;
    std::unique_ptr<Waits> m_waits;
    std::unique_ptr<ProgramRunner> m_runner;
    std::unique_ptr<Recorder> m_recorder;
    QString m_controlSocket;
    std::unique_ptr<ControlServer> m_control;
};
