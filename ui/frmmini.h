#pragma once

#include "core/views.h"
#include "program/steptable.h"

#include <QWidget>

class ChannelCommand;
class ContinuousSwitch;
class FileDialogs;
class ProgramRunner;
class ProgramTable;
class SettingsStore;
class ViewSwitch;
struct GlobalState;

// What the mini view works with besides its own controls.
struct MiniViewDeps {
    GlobalState &state;
    SettingsStore &settings;
    ProgramTable &table;
    StepTable &steps;
    ProgramRunner &runner;
    ChannelCommand &device;
    FileDialogs &dialogs;
    ViewSwitch &views;
    ChannelDial &dial;
    // The program editor's "continous" box.
    ContinuousSwitch &editorContinuous;
    ProgramHost *host = nullptr;
    MessageDisplay *messages = nullptr;
};

// The mini view: a fixed-size tool window with one toolbar (Toolbar1) that stands in for the main
// window: load, start, stop, continous, one channel up and down, go to the channel typed in
// `channel`, and back to the channel view; `no_runs` shows the runs.
class frmMini final : public QWidget, public RunButtons {
    Q_OBJECT

public:
    explicit frmMini(const MiniViewDeps &deps, QWidget *parent = nullptr);
    ~frmMini() override;

    void OnTop();
    void ProgramRun() override;
    void ProgramStop() override;

    // Enables the "start" button once a program exists.
    void enableStart();

    // Logical position in twips; -20000 while parked.
    int left() const;
    int top() const;
    void move(int leftTwips, int topTwips);
    void park();
    bool isParked() const;

    // The boxes, as the link and the runner write into them.
    TextBox &channelBox();
    TextBox &runsBox();

    // Closes the window as its close box does: stores the position unless parked, then leads back
    // to the channel view.
    void Unload();
};
