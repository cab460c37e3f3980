#pragma once

#include "core/views.h"
#include "ui/windowlinks.h"

#include <QWidget>

class ProgramTable;
struct GlobalState;

// The program editor: the read-only grid over the program table, edited through the in-cell list
// cbEditCell and the key filter; the "continous" box chk_cont, the runs box txt_no_of_runs and the
// lamps. A child of the main window's central area, without a frame.
class frmProgram final : public QWidget, public LampDisplay, public ContinuousSwitch {
    Q_OBJECT

public:
    frmProgram(GlobalState &state, ProgramTable &table, QWidget *parent = nullptr);
    ~frmProgram() override;

    // Installs the key filter and the list placement on the grid; called once at start-up.
    void HookGrid();

    void addrow();
    void genSteps();

    // The view became the active child of the main window: chk_cont from cont_mode, then the runs
    // box from no_of_runs.
    void Activate();

    void setContinuous(bool ticked) override;
    // txt_no_of_runs, as the runner writes into it.
    TextBox &runsBox();

    void setPowerLamp(bool on) override;
    void setErrorLamp(bool on) override;
};
