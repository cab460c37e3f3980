#pragma once

#include "core/views.h"
#include "device/channelcommand.h"
#include "platform/clock.h"

#include <QColor>
#include <QStringList>

#include <functional>

// Fakes for the windows and the device that the link, the runner and the file commands talk to.
// Given a RunLog, they also write every call into it as "<name><what>", so that a test can assert
// the order of calls across windows.
struct RunLog {
    QStringList entries;
};

class Logged {
public:
    explicit Logged(RunLog *log = nullptr, QString name = {})
        : m_log(log)
        , m_name(std::move(name)) {}

protected:
    void note(const QString &what) const {
        if (m_log)
            m_log->entries << m_name + what;
    }

private:
    RunLog *m_log;
    QString m_name;
};

class FakeLamps final : public LampDisplay {
public:
    void setPowerLamp(bool on) override { log << (on ? "power on" : "power off"); }
    void setErrorLamp(bool on) override { log << (on ? "error on" : "error off"); }
    QStringList log;
};

class FakeStatus final : public StatusDisplay {
public:
    void showLinkStatus(const QString &, const QString &failureReason) override {
        reason = failureReason;
    }
    QString reason;
};

class FakeMessages final : public MessageDisplay, Logged {
public:
    explicit FakeMessages(RunLog *log = nullptr)
        : Logged(log, QStringLiteral("message ")) {}
    void showMessage(const QString &text) override {
        messages << text;
        note(text);
        if (onShow)
            onShow(text);
    }
    void showMessageAndWait(const QString &text) override { showMessage(text); }
    void ask(const QString &question, std::function<void()> onYes) override {
        showMessage(question);
        if (answerYes)
            onYes();
    }
    QStringList messages;
    bool answerYes = false;
    // Runs while the message is up, as the user reading it would see the windows.
    std::function<void(const QString &)> onShow;
};

class FakeDial final : public ChannelDial, Logged {
public:
    explicit FakeDial(RunLog *log = nullptr)
        : Logged(log, QStringLiteral("dial ")) {}
    void change_button_color(int index, const QColor &color) override {
        calls << qMakePair(index, color);
        note(QString::number(index) + QLatin1Char(' ') + color.name());
    }
    QList<QPair<int, QColor>> calls;
};

class FakeTextBox final : public TextBox, Logged {
public:
    explicit FakeTextBox(RunLog *log = nullptr, const QString &name = {}, const QString &text = {})
        : Logged(log, name + QLatin1Char('='))
        , m_text(text) {}
    QString text() const override { return m_text; }
    void setText(const QString &text) override {
        m_text = text;
        note(text);
    }

private:
    QString m_text;
};

class FakeRunButtons final : public RunButtons, Logged {
public:
    FakeRunButtons(RunLog &log, const QString &name)
        : Logged(&log, name) {}
    void ProgramRun() override { note(QStringLiteral(".ProgramRun")); }
    void ProgramStop() override { note(QStringLiteral(".ProgramStop")); }
};

class FakeHost final : public ProgramHost, Logged {
public:
    explicit FakeHost(RunLog &log)
        : Logged(&log, QStringLiteral("host.")) {}
    void hideMainIfMiniVisible() override { note(QStringLiteral("hide")); }
    void enableRunButtons() override { note(QStringLiteral("enable")); }
};

// A device that logs "goto <index>" and keeps each command as "<index>@<ms since it was made>".
class RecordingChannelCommand final : public ChannelCommand, Logged {
public:
    RecordingChannelCommand(RunLog &log, const Clock &clock)
        : Logged(&log, QStringLiteral("goto "))
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
