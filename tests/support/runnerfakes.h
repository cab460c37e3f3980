#pragma once

#include "core/views.h"
#include "device/channelcommand.h"
#include "platform/clock.h"

#include <QColor>
#include <QList>
#include <QStringList>

#include <functional>

// Fakes for the program runner's windows and device. They all write into one RunLog, so a test
// can assert the order of calls across windows.
struct RunLog {
    QStringList entries;

    QStringList matching(const QString &prefix) const {
        QStringList found;
        for (const QString &entry : entries) {
            if (entry.startsWith(prefix))
                found << entry;
        }
        return found;
    }
};

class LoggingRunButtons final : public RunButtons {
public:
    LoggingRunButtons(RunLog &log, const QString &name)
        : m_log(log)
        , m_name(name) {}
    void ProgramRun() override { m_log.entries << m_name + QStringLiteral(".ProgramRun"); }
    void ProgramStop() override { m_log.entries << m_name + QStringLiteral(".ProgramStop"); }

private:
    RunLog &m_log;
    QString m_name;
};

class LoggingDial final : public ChannelDial {
public:
    explicit LoggingDial(RunLog &log)
        : m_log(log) {}
    void change_button_color(int index, const QColor &color) override {
        m_log.entries << QStringLiteral("dial %1 %2").arg(index).arg(color.name());
        if (onChange)
            onChange(index);
    }
    std::function<void(int index)> onChange;

private:
    RunLog &m_log;
};

class LoggingTextBox final : public TextBox {
public:
    LoggingTextBox(RunLog &log, const QString &name, const QString &text = {})
        : m_log(log)
        , m_name(name)
        , m_text(text) {}
    QString text() const override { return m_text; }
    void setText(const QString &text) override {
        m_text = text;
        m_log.entries << m_name + QLatin1Char('=') + text;
        if (onSetText)
            onSetText(text);
    }
    // Plays the box's change handler.
    std::function<void(const QString &)> onSetText;

private:
    RunLog &m_log;
    QString m_name;
    QString m_text;
};

class LoggingMessages final : public MessageDisplay {
public:
    explicit LoggingMessages(RunLog &log)
        : m_log(log) {}
    void showMessage(const QString &text) override {
        shown << text;
        m_log.entries << QStringLiteral("message ") + text;
    }
    QStringList shown;

private:
    RunLog &m_log;
};

// A device that records each channel command with the clock's time in milliseconds.
class RecordingChannelCommand final : public ChannelCommand {
public:
    struct Command {
        qint64 atMs;
        int index;
    };

    RecordingChannelCommand(RunLog &log, const Clock &clock)
        : m_log(log)
        , m_clock(clock) {}
    GotoResult GotoChannel(int index) override {
        const qint64 atMs =
            std::chrono::duration_cast<std::chrono::milliseconds>(m_clock.monotonic()).count();
        commands << Command{atMs, index};
        m_log.entries << QStringLiteral("goto %1").arg(index);
        if (onGoto)
            onGoto(index);
        return result ? result(int(commands.size())) : GotoResult::Sent;
    }
    QList<int> indexes() const {
        QList<int> found;
        for (const Command &command : commands)
            found << command.index;
        return found;
    }

    QList<Command> commands;
    // The outcome of the n-th command (from 1); Sent when unset.
    std::function<GotoResult(int n)> result;
    // Runs while the command is on the stack, as the device's time would pass.
    std::function<void(int index)> onGoto;

private:
    RunLog &m_log;
    const Clock &m_clock;
};
