#pragma once

#include "core/views.h"
#include "device/channelcommand.h"
#include "platform/clock.h"

#include <QColor>
#include <QStringList>

#include <functional>

// Fakes for the windows and the device that the program runner and the file commands talk to.
// They all write into one RunLog, so a test can assert the order of calls across windows.
struct RunLog {
    QStringList entries;
};

// Writes "<name><what>" into the log.
struct LogWriter {
    RunLog &log;
    QString name;
    void note(const QString &what) const { log.entries << name + what; }
};

class LoggingRunButtons final : public RunButtons, LogWriter {
public:
    LoggingRunButtons(RunLog &log, const QString &name)
        : LogWriter{log, name} {}
    void ProgramRun() override { note(QStringLiteral(".ProgramRun")); }
    void ProgramStop() override { note(QStringLiteral(".ProgramStop")); }
};

class LoggingDial final : public ChannelDial, LogWriter {
public:
    explicit LoggingDial(RunLog &log)
        : LogWriter{log, QStringLiteral("dial ")} {}
    void change_button_color(int index, const QColor &color) override {
        note(QString::number(index) + QLatin1Char(' ') + color.name());
        if (onChange)
            onChange(index);
    }
    std::function<void(int index)> onChange;
};

class LoggingTextBox final : public TextBox, LogWriter {
public:
    LoggingTextBox(RunLog &log, const QString &name, const QString &text = {})
        : LogWriter{log, name + QLatin1Char('=')}
        , m_text(text) {}
    QString text() const override { return m_text; }
    void setText(const QString &text) override {
        m_text = text;
        note(text);
        if (onSetText)
            onSetText(text);
    }
    // Plays the box's change handler.
    std::function<void(const QString &)> onSetText;

private:
    QString m_text;
};

class LoggingMessages final : public MessageDisplay, LogWriter {
public:
    explicit LoggingMessages(RunLog &log)
        : LogWriter{log, QStringLiteral("message ")} {}
    void showMessage(const QString &text) override {
        shown << text;
        note(text);
    }
    QStringList shown;
};

class LoggingHost final : public ProgramHost, LogWriter {
public:
    explicit LoggingHost(RunLog &log)
        : LogWriter{log, QStringLiteral("host.")} {}
    void hideMainIfMiniVisible() override { note(QStringLiteral("hide")); }
    void enableRunButtons() override { note(QStringLiteral("enable")); }
};

// A device that logs "goto <index>" and keeps each command as "<index>@<ms since it was made>".
class RecordingChannelCommand final : public ChannelCommand, LogWriter {
public:
    RecordingChannelCommand(RunLog &log, const Clock &clock)
        : LogWriter{log, QStringLiteral("goto ")}
        , m_clock(clock)
        , m_start(clock.monotonic()) {}
    GotoResult GotoChannel(int index) override {
        using std::chrono::milliseconds;
        const auto ms = std::chrono::duration_cast<milliseconds>(m_clock.monotonic() - m_start);
        commands << QStringLiteral("%1@%2").arg(index).arg(ms.count());
        note(QString::number(index));
        return answer ? answer(int(commands.size())) : GotoResult::Sent;
    }

    QStringList commands;
    // The outcome of the n-th command (from 1), Sent when unset. It runs while the command is on
    // the stack, as the device's time would pass.
    std::function<GotoResult(int n)> answer;

private:
    const Clock &m_clock;
    const Clock::Duration m_start;
};
