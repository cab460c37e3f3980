#pragma once

#include "core/views.h"

#include <QPointer>
#include <QWidget>

// The program's message box: titled with the application title, one OK button, modal to its
// owner (none once the owner is gone).
class MessageBoxDisplay final : public MessageDisplay {
public:
    explicit MessageBoxDisplay(QWidget *owner = nullptr)
        : m_owner(owner) {}
    void setOwner(QWidget *owner) { m_owner = owner; }
    void showMessage(const QString &text) override;

private:
    QPointer<QWidget> m_owner;
};
