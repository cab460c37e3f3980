#pragma once

#include "device/devicelink.h"
#include "platform/clock.h"
#include "program/programfile.h"
#include "program/runner.h"

#include <QMetaEnum>
#include <QStringList>

#include <functional>

// What the link, the runner and the program document announce, a line each in the order it
// came, so that a test can assert the order of changes across every surface:
//   link:     "status <text>", "power on", "error off", "message <text>", "mark <index> selected"
//             (or "again"), "channel <index>"
//   runner:   "run started", "run ended <Done|Stopped|DeviceFailed>", "step <row>: channel <n>,
//             <ms> ms", "runs left <n>", "continuous on", "message <text>"
//   document: "new program", "message <text>"
struct SignalLog : QObject {
    QStringList lines;
    // Why the link state is what it is, as the last status line gave it.
    QString reason;

    void watch(DeviceLink &link) {
        connect(&link, &DeviceLink::statusChanged, this,
                [this](const QString &text, const QString &why) {
                    reason = why;
                    add("status " + text);
                });
        connect(&link, &DeviceLink::powerLampChanged, this,
                [this](bool on) { add(on ? "power on" : "power off"); });
        connect(&link, &DeviceLink::errorLampChanged, this,
                [this](bool on) { add(on ? "error on" : "error off"); });
        connect(&link, &DeviceLink::message, this, [this](const QString &text) {
            add("message " + text);
            if (onMessage)
                onMessage();
        });
        connect(&link, &DeviceLink::channelMarked, this, [this](int index, ChannelMark mark) {
            add(QStringLiteral("mark %1 %2")
                    .arg(index)
                    .arg(mark == ChannelMark::Selected ? "selected" : "again"));
        });
        connect(&link, &DeviceLink::currentChannelChanged, this,
                [this](int index) { add("channel " + QString::number(index)); });
    }

    void watch(ProgramRunner &runner) {
        connect(&runner, &ProgramRunner::runStarted, this, [this] { add("run started"); });
        connect(&runner, &ProgramRunner::runEnded, this, [this](ProgramRunner::RunEnd why) {
            add(QStringLiteral("run ended ") +
                QMetaEnum::fromType<ProgramRunner::RunEnd>().valueToKey(int(why)));
        });
        connect(&runner, &ProgramRunner::stepStarted, this,
                [this](int row, int channel, qint64 ms) {
                    add(QStringLiteral("step %1: channel %2, %3 ms").arg(row).arg(channel).arg(ms));
                });
        connect(&runner, &ProgramRunner::runsLeftChanged, this,
                [this](qint32 runs) { add("runs left " + QString::number(runs)); });
        connect(&runner, &ProgramRunner::continuousChanged, this,
                [this](bool on) { add(on ? "continuous on" : "continuous off"); });
        connect(&runner, &ProgramRunner::message, this,
                [this](const QString &text) { add("message " + text); });
    }

    void watch(ProgramDocument &document) {
        connect(&document, &ProgramDocument::newProgram, this, [this] { add("new program"); });
        connect(&document, &ProgramDocument::message, this,
                [this](const QString &text) { add("message " + text); });
    }

    void add(const QString &line) { lines << line; }
    // The lines that start with any of the prefixes.
    QStringList starting(const QStringList &prefixes) const {
        QStringList found;
        for (const QString &line : lines) {
            for (const QString &prefix : prefixes) {
                if (line.startsWith(prefix)) {
                    found << line;
                    break;
                }
            }
        }
        return found;
    }
    // The texts of the "message" lines.
    QStringList messages() const {
        QStringList texts = starting({"message "});
        for (QString &text : texts)
            text.remove(0, 8);
        return texts;
    }

    // Runs while a message of the link is up, as the user reading it would see the windows.
    std::function<void()> onMessage;
};

// A device that logs "goto <index>" and "select <index>" and keeps each command as
// "<index>@<ms since it was made>".
class RecordingChannelCommand final : public ChannelCommand {
public:
    RecordingChannelCommand(SignalLog &log, const Clock &clock)
        : m_log(log)
        , m_clock(clock)
        , m_start(clock.monotonic()) {}
    GotoResult GotoChannel(int index, SwitchSource) override {
        using std::chrono::milliseconds;
        const auto ms = std::chrono::duration_cast<milliseconds>(m_clock.monotonic() - m_start);
        commands << QStringLiteral("%1@%2").arg(index).arg(ms.count());
        m_log.add("goto " + QString::number(index));
        return answer ? answer(int(commands.size())) : GotoResult::Sent;
    }
    void selectChannel(int index) override { m_log.add("select " + QString::number(index)); }

    QStringList commands;
    // The outcome of the n-th command (from 1), Sent when unset. It runs while the command is on
    // the stack, as the device's time would pass.
    std::function<GotoResult(int n)> answer;

private:
    SignalLog &m_log;
    const Clock &m_clock;
    const Clock::Duration m_start;
};
