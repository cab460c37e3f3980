#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>

// Message boxes titled with the application title and modal. They open without an event loop of
// their own, so that a run keeps its times while one is open. Tests answer them with a fake.
class MessageDisplay {
public:
    virtual ~MessageDisplay() = default;
    // With an OK button; returns at once, the box stays up until it is closed.
    virtual void showMessage(const QString &text) = 0;
    // The same, and returns once the box is closed.
    virtual void showMessageAndWait(const QString &text) = 0;
    // With Yes and No; returns at once, and onYes runs when the user answers Yes.
    virtual void ask(const QString &question, std::function<void()> onYes) = 0;
};

// The program's message boxes, modal to the whole program and owned by the main window (none
// once it is gone).
class MessageBoxDisplay final : public MessageDisplay {
public:
    explicit MessageBoxDisplay(QWidget *owner = nullptr)
        : m_owner(owner) {}
    void setOwner(QWidget *owner) { m_owner = owner; }
    void showMessage(const QString &text) override;
    void showMessageAndWait(const QString &text) override;
    void ask(const QString &question, std::function<void()> onYes) override;

private:
    QPointer<QWidget> m_owner;
};
