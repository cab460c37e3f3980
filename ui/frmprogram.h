#pragma once

#include "ui/lamps.h"

#include <QList>
#include <QWidget>

class ProgramGrid;
class ProgramRunner;
class ProgramTable;
class QCheckBox;
class QComboBox;
class QKeyEvent;
class QLineEdit;
struct GlobalState;

// The program editor: the read-only grid over the program table, edited through the in-cell list
// cbEditCell and the key filter; the "continous" box chk_cont, the runs box txt_no_of_runs and the
// lamps. A child of the main window's central area, without a frame.
//
// Object names: "grid", "cbEditCell", "chk_cont", "txt_no_of_runs", "Label1", "Label2",
// "lbRemRuns", "picPoweroff", "picPoweron", "picErroroff", "picErroron".
class frmProgram final : public QWidget {
    Q_OBJECT

public:
    // chk_cont and what the user types into txt_no_of_runs set the run mode and the runs through
    // the runner, which takes a run's passes from what txt_no_of_runs shows.
    frmProgram(GlobalState &state, ProgramTable &table, ProgramRunner &runner,
               QWidget *parent = nullptr);
    ~frmProgram() override;

    // Installs the key filter and the list placement on the grid; called once at start-up.
    void HookGrid();

    void addrow();
    void genSteps();

    // The view became the active child of the main window: chk_cont from cont_mode, then the runs
    // box from no_of_runs.
    void showRunSettings();

    // chk_cont ticked or cleared; a change of the box's value runs its click behaviour.
    void setContinuous(bool ticked);
    // txt_no_of_runs shows the runs still to do.
    void showRunsLeft(qint32 runs);

    void setPowerLamp(bool on);
    void setErrorLamp(bool on);

    // Empties the edit list and fills it with the choices of a column (none for most columns).
    void FillEditCombo(int col);

    // The area the controls are laid out in, 5100 x 4935 twips.
    QSize sizeHint() const override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Steps the font down until the captions and the grid's titles fit their places.
    void fitFont();
    void placeEditList();
    void showInEditList(const QString &text);
    void hideEditList();
    void gridSelectionChanged();
    void gridKeyPressed(QKeyEvent *event);
    void gridLeftButtonPressed();
    void typeCharacter(QChar c);
    void editListChosen();
    void continuousClicked(bool ticked);
    void runsEdited(const QString &text);

    GlobalState &m_state;
    ProgramTable &m_table;
    ProgramRunner &m_runner;
    ProgramGrid *m_grid;
    QComboBox *m_editList;
    QCheckBox *m_continuous;
    QLineEdit *m_runs;
    // The check box and the labels, whose texts must fit their places.
    QList<QWidget *> m_captions;
    LampPair m_power;
    LampPair m_error;
};
