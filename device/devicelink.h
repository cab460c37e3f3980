#pragma once

#include "device/channelcommand.h"
#include "platform/clock.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

#include <optional>

class SerialPort;
struct GlobalState;

// A channel command as it went: who asked, the stored position it moved to, the moment the move
// was sent and the moment the release that ends the command was sent (the channel is reached as
// far as the program can know, and a step's wait starts), the position polls and the last
// position the device gave. Moments are on the clock's monotonic time, as each write began.
struct SwitchReport {
    int index = 0;
    SwitchSource source = SwitchSource::Dial;
    GotoResult result = GotoResult::NotSent;
    qint16 position = 0;
    std::optional<Clock::Duration> sent;
    std::optional<Clock::Duration> reached;
    int polls = 0;
    std::optional<qint16> reading;
    // Why a command failed.
    QString reason;
};

// How a connect ended, and the other ways the link goes down.
enum class LinkEvent { Connected, NotFound, ConnectFailed, Disconnected, Lost };

// The serial link to the QMX-7700: the handshake that identifies it and reads its channel
// positions, the status queries that drive the lamps, and the channel command. Every command
// writes, sleeps a fixed time and then takes whatever has arrived; nothing waits on the device.
// Bytes that arrive between operations answer nothing and are dropped.
//
// It writes dev_found, ch_pos and cur_channel, and announces every change that a surface shows
// as a signal, at the moment it happens.
class DeviceLink final : public QObject, public ChannelCommand {
    Q_OBJECT

public:
    static constexpr char kConnectedText[] = "CONNECTED TO QMX7700";
    static constexpr char kNotConnectedText[] = "NOT CONNECTED";
    static constexpr char kInitialText[] = "Status";
    // Shown through tr(); marked so that lupdate finds it here.
    static constexpr char kNotFoundMessage[] =
        QT_TRANSLATE_NOOP("DeviceLink", "QMX-7700 not found");

    DeviceLink(GlobalState &state, SerialPort &port, Clock &clock);

    // Opens the configured port, identifies the device and reads its channel table (once, while
    // dev_found is set), waits out a reported fault and marks channel 1. The outcome is left in
    // the link state.
    void Connect();
    // Closes the port; dev_found and the channel table stay, so the next connect skips the
    // handshake.
    void Disconnect();
    // True when the device identified itself; otherwise the port is closed.
    bool QueryVersion();
    // True when the device reports a fault, or when force is set and a valid reply came.
    bool QueryFault(bool force);
    GotoResult GotoChannel(int index, SwitchSource source = SwitchSource::Dial) override;
    void selectChannel(int index) override;
    // Clears dev_found, so that the next connect identifies the device anew.
    void forgetDevice();
    // Announces the channel last selected as marked again, if there is one.
    void markCurrentChannel();
    // Announces channel `index` (0..15) as just chosen, as a click on the dial marks it.
    void markChannel(int index);

    // The text of the status panel, which is also the link's "up" test.
    QString statusText() const { return m_statusText; }
    // Why the last connect failed on the port, or why the last channel command stopped while the
    // link stayed up, for people; empty after a success.
    QString failureReason() const { return m_failureReason; }
    // A connect is on the stack (its fault wait or its message serve events).
    bool isConnecting() const { return m_connecting; }
    // The version line of the device, as it gave it to the last connect; empty when that connect
    // did not get as far.
    QString deviceVersion() const { return m_deviceVersion; }

signals:
    // The link state text, set again or changed, and why the last connect failed or the last
    // channel command stopped (empty otherwise).
    void statusChanged(const QString &text, const QString &failureReason);
    // The version query lit the power lamp; the fault query switches the error lamp.
    void powerLampChanged(bool on);
    void errorLampChanged(bool on);
    // "QMX-7700 not found": the link goes on once the slots have returned, so a surface that
    // shows it modally holds the connect until it is read.
    void message(const QString &text);
    // A channel is marked on the dial.
    void channelMarked(int index, ChannelMark mark);
    // cur_channel was set (-1: none).
    void currentChannelChanged(int index);
    // A channel command ended, sent or not.
    void switched(const SwitchReport &report);
    // A connect ended, the link was disconnected, or it was lost (the port failed); reason says
    // why a connect failed or the link was lost.
    void linkEvent(LinkEvent event, const QString &reason);
    // The device answered a fault query with this fault number (0: none).
    void faultReported(int fault);

private:
    struct LinkFailure {};

    // The port failed while no command used it: the link goes down at once.
    void portFailed();
    // An operation of its own begins (not one of a connect's steps).
    void beginOperation();
    // A command or a wait begins: on the schedule, or the schedule starts again from now.
    // Returns now.
    Clock::Duration beginStep();
    // Sleeps to the end of a fixed wait of ms milliseconds on the schedule.
    void wait(int ms);
    // Returns the moment the write began.
    Clock::Duration send(const QByteArray &bytes);
    GotoResult moveTo(SwitchReport &report);
    QByteArray receive();
    [[noreturn]] void failLink();
    // Like the public queries, but a port that fails under them ends the caller too.
    bool queryVersion();
    bool queryFault(bool force);
    bool handshake();
    void readChannelTable(const QList<QByteArray> &lines);
    void setStatus(const QString &text);
    void setDeviceFound(bool found);
    // Records why a channel command stopped (empty: it did not) and shows it in the status panel.
    void showCommandFailure(const QString &reason);
    void takeFailurePath();
    void takeNotFoundPath();

    GlobalState &m_state;
    SerialPort &m_port;
    Clock &m_clock;
    QString m_statusText = QString::fromLatin1(kInitialText);
    QString m_failureReason;
    QString m_deviceVersion;
    bool m_connecting = false;
    // The port failed during a run; the run's next channel command reports it.
    bool m_lostInRun = false;
    // When the next step of the protocol is due, on the clock's monotonic time.
    Clock::Duration m_due{};
};
