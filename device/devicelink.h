#pragma once

#include "device/channelcommand.h"
#include "platform/clock.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

class SerialPort;
class LampDisplay;
class StatusDisplay;
class MessageDisplay;
class ChannelDial;
class TextBox;
struct GlobalState;

// The windows that the link reports to. Any of them may be missing.
struct LinkViews {
    StatusDisplay *status = nullptr;
    // The channel view's and the program editor's lamps.
    QList<LampDisplay *> lamps;
    MessageDisplay *messages = nullptr;
    ChannelDial *dial = nullptr;
    // The mini view's channel box; its change handler records the selected channel.
    TextBox *miniChannel = nullptr;
};

// The serial link to the QMX-7700: the handshake that identifies it and reads its channel
// positions, the status queries that drive the lamps, and the channel command. Every command
// writes, sleeps a fixed time and then takes whatever has arrived; nothing waits on the device.
// Bytes that arrive between operations answer nothing and are dropped.
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

    void setViews(const LinkViews &views);

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
    GotoResult GotoChannel(int index) override;

    // The text of the status panel, which is also the link's "up" test.
    QString statusText() const { return m_statusText; }
    // Why the last connect failed on the port, or why the last channel command stopped while the
    // link stayed up, for people; empty after a success.
    QString failureReason() const { return m_failureReason; }

private:
    struct LinkFailure {};

    // The port failed while no command used it: the link goes down at once.
    void portFailed();
    // An operation of its own begins (not one of a connect's steps).
    void beginOperation();
    // A command or a wait begins: on the schedule, or the schedule starts again from now.
    void beginStep();
    // Sleeps to the end of a fixed wait of ms milliseconds on the schedule.
    void wait(int ms);
    void send(const QByteArray &bytes);
    QByteArray receive();
    [[noreturn]] void failLink();
    // Like the public queries, but a port that fails under them ends the caller too.
    bool queryVersion();
    bool queryFault(bool force);
    bool handshake();
    void readChannelTable(const QList<QByteArray> &lines);
    void setStatus(const QString &text);
    // Records why a channel command stopped (empty: it did not) and shows it in the status panel.
    void showCommandFailure(const QString &reason);
    void setPowerLamp(bool on);
    void setErrorLamp(bool on);
    void takeFailurePath();
    void takeNotFoundPath();

    GlobalState &m_state;
    SerialPort &m_port;
    Clock &m_clock;
    LinkViews m_views;
    QString m_statusText = QString::fromLatin1(kInitialText);
    QString m_failureReason;
    bool m_connecting = false;
    // The port failed during a run; the run's next channel command reports it.
    bool m_lostInRun = false;
    // When the next step of the protocol is due, on the clock's monotonic time.
    Clock::Duration m_due{};
};
