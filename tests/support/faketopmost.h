#pragma once

#include "core/globalstate.h"
#include "ui/windowlinks.h"

#include <QList>

// The main window's always-on-top rule: records the option in force at each call.
class FakeTopmost final : public TopmostWindow {
public:
    explicit FakeTopmost(const GlobalState &state)
        : m_state(state) {}
    void OnTop() override { ontopAtCalls << m_state.opt_ontop; }
    QList<int> ontopAtCalls;

private:
    const GlobalState &m_state;
};
