#include "ui/runbuttons.h"

#include "program/runner.h"

#include <QAction>

RunStopButtons::RunStopButtons(QAction &run, QAction &stop)
    : m_run(run)
    , m_stop(stop) {}

void RunStopButtons::showRunning() {
    m_stop.setChecked(false);
    m_run.setChecked(true);
}

void RunStopButtons::showIdle() {
    m_run.setChecked(false);
    m_stop.setChecked(true);
}

void RunStopButtons::runClicked(ProgramRunner &runner) {
    if (!m_run.isChecked()) {
        m_run.setChecked(true);
        return;
    }
    m_stop.setChecked(false);
    runner.RunProgram();
    // A run that its check refused never reached the idle state that a run's end shows.
    if (!runner.isRunning() && m_run.isChecked())
        showIdle();
}
