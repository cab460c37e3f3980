#pragma once

class ProgramRunner;
class QAction;

// The run and stop buttons of a toolbar, two check buttons: the main window's "Run" and "Stop",
// the mini view's "start" and "stop". Running: run pressed, stop released; idle: the other way.
class RunStopButtons {
public:
    RunStopButtons(QAction &run, QAction &stop);

    // ProgramRun and ProgramStop of the toolbar.
    void showRunning();
    void showIdle();

    // The run button was clicked and has toggled. A click that released it came during a run:
    // it is pressed again and starts nothing. Otherwise the run starts; a program that its check
    // refused leaves the buttons idle.
    void runClicked(ProgramRunner &runner);

    QAction &run() const { return m_run; }
    QAction &stop() const { return m_stop; }

private:
    QAction &m_run;
    QAction &m_stop;
};
