#pragma once

#include "core/views.h"

#include <QStringList>

#include <functional>

// Records what the link shows in the windows.
class FakeLamps final : public LampDisplay {
public:
    void setPowerLamp(bool on) override {
        power = on;
        log << (on ? QStringLiteral("power on") : QStringLiteral("power off"));
    }
    void setErrorLamp(bool on) override {
        error = on;
        log << (on ? QStringLiteral("error on") : QStringLiteral("error off"));
    }
    bool power = false;
    bool error = false;
    QStringList log;
};

class FakeStatus final : public StatusDisplay {
public:
    void showLinkStatus(const QString &text, const QString &failureReason) override {
        shown << text;
        reason = failureReason;
    }
    QStringList shown;
    QString reason;
};

class FakeMessages final : public MessageDisplay {
public:
    void showMessage(const QString &text) override {
        messages << text;
        if (onShow)
            onShow(text);
    }
    QStringList messages;
    // Runs while the message is up, as the user reading it would see the windows.
    std::function<void(const QString &)> onShow;
};

class FakeDial final : public ChannelDial {
public:
    void change_button_color(int index, const QColor &color) override {
        calls << qMakePair(index, color);
    }
    QList<QPair<int, QColor>> calls;
};

class FakeTextBox final : public TextBox {
public:
    QString text() const override { return m_text; }
    void setText(const QString &text) override {
        m_text = text;
        history << text;
    }
    QStringList history;

private:
    QString m_text;
};
