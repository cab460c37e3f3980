#pragma once

#include "core/views.h"
#include "program/steptable.h"
#include "ui/lineeditbox.h"
#include "ui/windowplacement.h"

#include <QWidget>

#include <optional>

class ChannelCommand;
class ContinuousSwitch;
class FileDialogs;
class ProgramRunner;
class ProgramTable;
class QAction;
class QLineEdit;
class QToolBar;
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
//
// One object lives for the whole run. Creating it runs Load. Unload (close box, "view", or the
// main window closing) hides and parks the window; the next move() or show() first runs Load
// again, as creating the window anew would, so a view switch that moves it afterwards still
// wins over the stored position.
class frmMini final : public QWidget, public RunButtons {
    Q_OBJECT

public:
    explicit frmMini(const MiniViewDeps &deps, QWidget *parent = nullptr);
    ~frmMini() override;

    // Position from "MiniLeft"/"MiniTop", "continous" from cont_mode, "stop" pressed unless a run
    // is active, "start" disabled until a program exists.
    void Load();
    // The boxes and "continous" from the shared state. Runs when the window becomes active and
    // when it is shown (a window shown without activation is not activated).
    void Activate();

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
    // to the channel view. Does nothing while the window is unloaded.
    void Unload();

protected:
    bool event(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildToolbar();
    QAction *addButton(const char *key, const QString &tooltip, const char *image, bool checkable);
    QLineEdit *addBox(const char *name, const QString &accessibleName, int placeholderTwips,
                      const QString &text);
    void reloadIfUnloaded();

    void onToolbarAction(QAction *action);
    void onStart();
    void onStop();
    void onLoad();
    void onContinous();
    void stepChannel(int delta);
    void gotoTypedChannel();
    void onView();
    void onChannelChanged(const QString &text);
    void onRunsChanged(const QString &text);
    // The whole number in `channel`, if the box holds one.
    std::optional<qint32> typedChannel() const;

    MiniViewDeps m_deps;
    WindowPlacement m_placement{*this};
    QToolBar *m_toolbar = nullptr;
    QAction *m_start = nullptr;
    QAction *m_stop = nullptr;
    QAction *m_continous = nullptr;
    QLineEdit *m_noRuns = nullptr;
    QLineEdit *m_channel = nullptr;
    std::optional<LineEditBox> m_channelBox;
    std::optional<LineEditBox> m_runsBox;
    // A program was created or loaded, so "start" stays enabled across an unload.
    bool m_programExists = false;
    // Unloaded since the last Load.
    bool m_unloaded = false;
};
