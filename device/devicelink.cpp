#include "device/devicelink.h"

#include "core/globalstate.h"
#include "core/numbers.h"
#include "platform/clock.h"
#include "platform/serialport.h"

#include <QScopeGuard>

#include <array>

namespace {
// The device has exactly these times to answer; replies that come later are taken by the next
// read.
constexpr int kHandshakeAttempts = 5;
constexpr int kBeforeIdentifyMs = 100;
constexpr int kAfterIdentifyMs = 100;
constexpr int kAfterSequenceMs = 900;
constexpr int kVersionMs = 100;
constexpr int kFaultMs = 60;
constexpr int kSettleMs = 500;
constexpr int kPositionMs = 50;
// The fixed waits are laid end to end on the monotonic clock, each ending its length after the
// end of the one before, so the time spent writing, reading and waking up does not add up over
// the 40 waits of a channel command. A step that begins later than this after it was due (events
// were served, or the machine stalled) starts the schedule afresh: no wait is ever shortened by
// more than this.
constexpr std::chrono::microseconds kMaxCatchUp{1000};

constexpr int kMaxPolls = 20;
// The position table: lines 4 to 19 of the sequence reply hold channels 1 to 16.
constexpr int kFirstPositionLine = 4;
constexpr int kSequenceLines = kFirstPositionLine + kChannelCount;
constexpr int kLongPrefix = 4;  // "H" form
constexpr int kShortPrefix = 2; // "A" form
constexpr int kMaxFaultReplyLength = 6;

const QByteArray kIdentify = QByteArrayLiteral("ver\r\n");
const QByteArray kSequence = QByteArrayLiteral("GPROGSEQ\r\n");
const QByteArray kVersion = QByteArrayLiteral("VER\r");
const QByteArray kVersionReply = QByteArrayLiteral("Version");
const QByteArray kFault = QByteArrayLiteral("GFS\r");
const QByteArray kPosition = QByteArrayLiteral("POS\r");
const QByteArray kRelease = QByteArrayLiteral("LR0\rM\r");

std::optional<qint16> readInteger(const QByteArray &text) {
    return parseInteger(QString::fromLatin1(text));
}
} // namespace

DeviceLink::DeviceLink(GlobalState &state, SerialPort &port, Clock &clock)
    : m_state(state)
    , m_port(port)
    , m_clock(clock) {
    connect(&m_port, &SerialPort::failed, this, &DeviceLink::portFailed);
}

void DeviceLink::Connect() {
    // The fault wait serves events, and a second connect from there would reopen the port under
    // the first one.
    if (m_connecting)
        return;
    m_connecting = true;
    const auto done = qScopeGuard([this] { m_connecting = false; });

    m_failureReason.clear();
    m_deviceVersion.clear();
    m_lostInRun = false;
    m_port.setPortNumber(m_state.opt_comport);
    if (!m_port.open()) {
        m_failureReason = m_port.errorString();
        takeFailurePath();
        return;
    }
    try {
        if (!m_state.dev_found && !handshake()) {
            takeNotFoundPath();
            return;
        }
        // A device that does not identify itself has had its port closed; reporting the link
        // as up would leave later commands writing to a closed port.
        if (!queryVersion()) {
            takeNotFoundPath();
            return;
        }
        do {
            m_clock.serveEvents();
        } while (m_port.isOpen() && queryFault(false));
        if (!m_port.isOpen()) {
            // A port that failed has said why.
            if (m_failureReason.isEmpty())
                m_failureReason = tr("The port was closed while the QMX-7700 reported a fault.");
            takeFailurePath();
            return;
        }
        wait(kSettleMs);
        if (GotoChannel(0, SwitchSource::Connect) == GotoResult::Failed) {
            takeFailurePath();
            return;
        }
    } catch (const LinkFailure &) {
        return; // the failure path has been taken
    }

    emit channelMarked(0, ChannelMark::Selected);
    selectChannel(0);
    m_failureReason.clear();
    setStatus(QString::fromLatin1(kConnectedText));
    setDeviceFound(true);
    emit linkEvent(LinkEvent::Connected, QString());
}

void DeviceLink::Disconnect() {
    if (m_port.isOpen())
        m_port.close();
    m_failureReason.clear();
    m_lostInRun = false;
    setStatus(QString::fromLatin1(kNotConnectedText));
    emit linkEvent(LinkEvent::Disconnected, QString());
}

bool DeviceLink::QueryVersion() {
    beginOperation();
    try {
        return queryVersion();
    } catch (const LinkFailure &) {
        return false;
    }
}

bool DeviceLink::QueryFault(bool force) {
    if (!m_port.isOpen())
        return false;
    beginOperation();
    try {
        return queryFault(force);
    } catch (const LinkFailure &) {
        return false;
    }
}

GotoResult DeviceLink::GotoChannel(int index, SwitchSource source) {
    SwitchReport report;
    report.index = index;
    report.source = source;
    report.result = moveTo(report);
    if (report.result == GotoResult::Failed)
        report.reason = m_failureReason;
    emit switched(report);
    return report.result;
}

GotoResult DeviceLink::moveTo(SwitchReport &report) {
    const int index = report.index;
    if (index < 0 || index >= kChannelCount)
        return GotoResult::NotSent;
    if (m_statusText != QLatin1String(kConnectedText)) {
        // A run that lost its port ends like one whose device stopped answering.
        if (m_lostInRun && m_state.prog_running) {
            m_lostInRun = false;
            return GotoResult::Failed;
        }
        return GotoResult::NotSent;
    }

    const qint16 target = m_state.ch_pos[index];
    report.position = target;
    beginOperation();
    try {
        report.sent =
            send(QByteArrayLiteral("LA") + QByteArray::number(target) + QByteArrayLiteral("\rM\r"));

        // The poll goes on while the reading stays within one unit of the stored position, and
        // ends at the first reading outside that window or after the last poll.
        qint16 reading = target;
        bool inWindow = true;
        do {
            ++report.polls;
            send(kPosition);
            wait(kPositionMs);
            const QByteArray reply = receive();
            if (!reply.isEmpty()) {
                const std::optional<qint16> position = readInteger(reply);
                if (!position) {
                    showCommandFailure(tr("The QMX-7700 gave a position that cannot be read."));
                    return GotoResult::Failed;
                }
                reading = *position;
                report.reading = reading;
            }
            queryFault(false);
            const int stored = m_state.ch_pos[index];
            inWindow = reading >= stored - 1 && reading <= stored + 1;
        } while (inWindow && report.polls < kMaxPolls);

        report.reached = send(kRelease);
    } catch (const LinkFailure &) {
        return GotoResult::Failed;
    }
    // A command that works again clears the reason an earlier one left.
    if (!m_failureReason.isEmpty())
        showCommandFailure(QString());
    return GotoResult::Sent;
}

void DeviceLink::selectChannel(int index) {
    m_state.cur_channel = static_cast<qint16>(index);
    emit currentChannelChanged(index);
}

void DeviceLink::forgetDevice() {
    setDeviceFound(false);
}

void DeviceLink::markCurrentChannel() {
    const int index = m_state.cur_channel;
    if (index >= 0 && index < kChannelCount)
        emit channelMarked(index, ChannelMark::MarkedAgain);
}

void DeviceLink::markChannel(int index) {
    if (index >= 0 && index < kChannelCount)
        emit channelMarked(index, ChannelMark::Selected);
}

void DeviceLink::portFailed() {
    if (!m_port.isOpen())
        return;
    m_failureReason = m_port.errorString();
    m_lostInRun = m_state.prog_running;
    takeFailurePath();
}

void DeviceLink::beginOperation() {
    // A connect's own steps keep the late replies of its sequence; its port opened empty.
    if (!m_connecting && m_port.isOpen())
        m_port.discardInput();
}

void DeviceLink::showCommandFailure(const QString &reason) {
    m_failureReason = reason;
    // A connect reports its own outcome when it ends.
    if (!m_connecting)
        setStatus(m_statusText);
}

bool DeviceLink::handshake() {
    for (int attempt = 0; attempt < kHandshakeAttempts; ++attempt) {
        wait(kBeforeIdentifyMs);
        send(kIdentify);
        wait(kAfterIdentifyMs);
        receive();
        send(kSequence);
        wait(kAfterSequenceMs);
        const QByteArray reply = receive();
        if (reply.isEmpty())
            continue;
        const QList<QByteArray> lines = reply.split('\r');
        if (lines.size() >= kSequenceLines) {
            readChannelTable(lines);
            return true;
        }
    }
    return false;
}

void DeviceLink::readChannelTable(const QList<QByteArray> &lines) {
    // Only the first position line tells the format; a lower-case letter counts as well.
    const QByteArray format = lines[kFirstPositionLine].toUpper();
    int prefix = 0;
    if (format.contains('H'))
        prefix = kLongPrefix;
    else if (format.contains('A'))
        prefix = kShortPrefix;
    else
        return;

    // All or nothing: a table that fails part-way leaves the previous positions in place.
    std::array<qint16, kChannelCount> positions{};
    for (int channel = 0; channel < kChannelCount; ++channel) {
        const QByteArray &line = lines[kFirstPositionLine + channel];
        const std::optional<qint16> position =
            line.size() < prefix ? std::nullopt : readInteger(line.mid(prefix));
        if (!position) {
            m_failureReason = tr("The QMX-7700 sent a channel table that cannot be read "
                                 "(channel %1).")
                                  .arg(channel + 1);
            failLink();
        }
        positions[channel] = *position;
    }
    m_state.ch_pos = positions;
}

bool DeviceLink::queryVersion() {
    send(kVersion);
    wait(kVersionMs);
    const QByteArray reply = receive();
    if (!reply.startsWith(kVersionReply)) {
        m_port.close();
        return false;
    }
    // The line the device gave, without its line end or what came after it.
    m_deviceVersion = QString::fromLatin1(reply).section(u'\r', 0, 0).trimmed();
    emit powerLampChanged(true);
    return true;
}

bool DeviceLink::queryFault(bool force) {
    if (!m_port.isOpen())
        return false;
    send(kFault);
    wait(kFaultMs);
    const QByteArray reply = receive();
    if (reply.isEmpty() || reply.size() > kMaxFaultReplyLength)
        return false;
    const std::optional<qint16> fault = readInteger(reply);
    if (!fault)
        return false;
    emit faultReported(*fault);
    const bool lit = *fault != 0 || force;
    emit errorLampChanged(lit);
    return lit;
}

Clock::Duration DeviceLink::beginStep() {
    const Clock::Duration now = m_clock.monotonic();
    if (now - m_due > kMaxCatchUp)
        m_due = now;
    return now;
}

void DeviceLink::wait(int ms) {
    beginStep();
    m_due += std::chrono::milliseconds(ms);
    m_clock.sleepUntil(m_due);
}

Clock::Duration DeviceLink::send(const QByteArray &bytes) {
    // Taken before the write: the write wakes the reader, which may take the processor from this
    // thread for a while before the write returns.
    const Clock::Duration at = beginStep();
    // Nothing is ever written to a closed port.
    if (!m_port.isOpen()) {
        if (m_failureReason.isEmpty())
            m_failureReason = tr("The port is closed.");
        failLink();
    }
    if (!m_port.write(bytes)) {
        m_failureReason = m_port.errorString();
        failLink();
    }
    return at;
}

QByteArray DeviceLink::receive() {
    std::optional<QByteArray> reply = m_port.readAll();
    if (!reply) {
        m_failureReason = m_port.errorString();
        failLink();
    }
    return *reply;
}

void DeviceLink::failLink() {
    takeFailurePath();
    throw LinkFailure{};
}

void DeviceLink::takeFailurePath() {
    setDeviceFound(false);
    if (m_port.isOpen())
        m_port.close();
    setStatus(QString::fromLatin1(kNotConnectedText));
    emit linkEvent(m_connecting ? LinkEvent::ConnectFailed : LinkEvent::Lost, m_failureReason);
}

void DeviceLink::takeNotFoundPath() {
    // Announced before the message, which waits until it has been read.
    emit linkEvent(LinkEvent::NotFound, QString());
    emit message(tr(kNotFoundMessage));
    m_failureReason.clear();
    setStatus(QString::fromLatin1(kNotConnectedText));
    setDeviceFound(false);
    if (m_port.isOpen())
        m_port.close();
}

void DeviceLink::setStatus(const QString &text) {
    m_statusText = text;
    emit statusChanged(m_statusText, m_failureReason);
}

void DeviceLink::setDeviceFound(bool found) {
    m_state.dev_found = found;
}
