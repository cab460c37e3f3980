#include "app/instrument.h"

#include "core/settings.h"
#include "device/devicelink.h"
#include "platform/clock.h"
#include "platform/settingsstore.h"
#include "platform/systemserialport.h"
#include "program/programfile.h"
#include "program/programtable.h"
#include "program/runner.h"
#include "program/waits.h"
#include "record/recorder.h"
#include "remote/controlserver.h"

#include <QCoreApplication>
#include <QScopeGuard>

// The clock of the link and the runner. Serving events is the one way an event handler (a close
// box, say) can run while another operation is on the stack, so the instrument counts it.
class Instrument::NestingClock final : public Clock {
public:
    NestingClock(Clock &clock, int &depth)
        : m_clock(clock)
        , m_depth(depth) {}
    Duration monotonic() const override { return m_clock.monotonic(); }
    void sleep(Duration duration) override { m_clock.sleep(duration); }
    void serveEvents() override {
        ++m_depth;
        const auto back = qScopeGuard([this] { --m_depth; });
        m_clock.serveEvents();
    }
    void waitForEvents(Duration deadline) override {
        ++m_depth;
        const auto back = qScopeGuard([this] { --m_depth; });
        m_clock.waitForEvents(deadline);
    }
    QTime localTime() const override { return m_clock.localTime(); }
    std::chrono::system_clock::time_point utcNow() const override { return m_clock.utcNow(); }

private:
    Clock &m_clock;
    int &m_depth;
};

Instrument::Instrument(Parts parts)
    : m_settings(std::move(parts.settings))
    , m_port(std::move(parts.port))
    , m_systemClock(std::move(parts.clock))
    , m_controlSocket(std::move(parts.controlSocket)) {
    if (!m_settings)
        m_settings = std::make_unique<SettingsStore>();
    if (!m_port)
        m_port = std::make_unique<SystemSerialPort>(*m_settings);
    if (!m_systemClock)
        m_systemClock = std::make_unique<SystemClock>();
    m_clock = std::make_unique<NestingClock>(*m_systemClock, m_depth);

    m_table = std::make_unique<ProgramTable>();
    setUpFirstProgram(*m_table);
    m_document = std::make_unique<ProgramDocument>(*m_table, m_steps);
    m_link = std::make_unique<DeviceLink>(m_state, *m_port, *m_clock);
    m_waits = std::make_unique<Waits>(*m_clock, m_state);
    m_runner =
        std::make_unique<ProgramRunner>(m_state, *m_table, m_steps, *m_link, *m_waits, *m_clock);
    m_recorder = std::make_unique<Recorder>(
        RecorderSources{*m_link, *m_runner, *m_document, *m_port, m_steps, *m_clock});
    if (m_controlSocket.isEmpty())
        m_controlSocket = ControlServer::defaultSocketPath();
    m_control = std::make_unique<ControlServer>(
        ControlServer::Instrument{m_state, *m_link, *m_runner, *m_document, [this] {
                                      return operationOnStack();
                                  }});
    // Every record goes to the clients that asked for them as it is written.
    QObject::connect(m_recorder.get(), &Recorder::recorded, m_control.get(),
                     &ControlServer::publishRecord);
}

Instrument::~Instrument() = default;

void Instrument::resetRunState() {
    m_runner->setContinuous(false);
    m_runner->setNoOfRuns(-1);
    m_link->selectChannel(-1);
}

void Instrument::loadSettings() {
    LoadSettings(m_state, *m_settings);
    m_recorder->loadSettings(*m_settings);
}

void Instrument::connectAtStartUp() {
    m_link->forgetDevice();
    m_link->Connect();
}

void Instrument::closePort() {
    if (m_port->isOpen())
        m_port->close();
}

void Instrument::shutDown(Recorder::Ending how) {
    m_recorder->programEnding(how);
    m_runner->RequestStop();
    closePort();
}

QStringList Instrument::serveControl() {
    QStringList problems{m_control->listenLocal(m_controlSocket)};
    const RemoteSettings remote = ReadRemoteSettings(*m_settings);
    if (remote.tcp && !remote.port)
        problems << QCoreApplication::translate(
            "Instrument", "The TCP port in the settings is no number from 1 to 65535.");
    else if (remote.tcp)
        problems << m_control->listenTcp(remote.address, *remote.port);
    problems.removeAll(QString());
    return problems;
}

bool Instrument::operationOnStack() const {
    // Events are served through the clock, and by the connect's message while it waits for its
    // OK.
    return m_depth > 0 || m_link->isConnecting();
}

Instrument::OperationScope::OperationScope(Instrument &instrument)
    : m_instrument(instrument) {
    ++m_instrument.m_depth;
}

Instrument::OperationScope::~OperationScope() {
    --m_instrument.m_depth;
}
