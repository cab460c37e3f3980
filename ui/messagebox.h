#pragma once

#include "core/views.h"

#include <QPointer>
#include <QWidget>

// The program's message boxes: titled with the application title, modal to the whole program,
// owned by the main window (none once it is gone).
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
