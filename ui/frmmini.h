#pragma once

#include "ui/runbuttons.h"
#include "ui/windowplacement.h"

#include <QWidget>

#include <optional>

class DeviceLink;
class FileDialogs;
class ProgramDocument;
class ProgramRunner;
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
    ProgramDocument &document;
    ProgramRunner &runner;
    DeviceLink &link;
    FileDialogs &dialogs;
    ViewSwitch &views;
};

// The mini view: a fixed-size tool window with one toolbar (Toolbar1) that stands in for the main
// window: load, start, stop, continous, one channel up and down, go to the channel typed in
// `channel`, and back to the channel view; `no_runs` shows the runs.
//
// One object lives for the whole run. Creating it restores it. Closing it (close box, "view", or
// the main window closing) hides and parks the window; the next move() or show() first restores
// it again, as creating the window anew would, so a view switch that moves it afterwards still
// wins over the stored position.
class frmMini final : public QWidget {
    Q_OBJECT

public:
    explicit frmMini(const MiniViewDeps &deps, QWidget *parent = nullptr);
    ~frmMini() override;

    // Position from "MiniLeft"/"MiniTop", "continous" from cont_mode, "stop" pressed unless a run
    // is active, "start" disabled until a program exists.
    void restore();
    // The boxes and "continous" from the shared state. Runs when the window becomes active and
    // when it is shown (a window shown without activation is not activated).
    void showSharedState();

    void OnTop();
    void ProgramRun();
    void ProgramStop();
    // `channel` shows the channel selected (index 0..15, -1 for none), unless the user is typing
    // it.
    void showChannel(int index);
    // `no_runs` shows the runs still to do.
    void showRunsLeft(qint32 runs);

    // Enables the "start" button once a program exists.
    void enableStart();

    // Logical position in twips; -20000 while parked.
    int left() const;
    int top() const;
    void move(int leftTwips, int topTwips);
    void park();
    bool isParked() const;

    // Closes the window as its close box does: stores the position unless parked, then leads back
    // to the channel view. Does nothing while the window is closed.
    void closeToChannelView();

protected:
    bool event(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildToolbar();
    QAction *addButton(const char *key, const QString &tooltip, const char *image, bool checkable);
    QLineEdit *addBox(const char *name, const QString &accessibleName, int placeholderTwips,
                      const QString &text);
    void restoreIfClosed();

    void onToolbarAction(QAction *action);
    void onStop();
    void onLoad();
    void onContinuous();
    void stepChannel(int delta);
    void gotoTypedChannel();
    void onView();
    // The change handlers of the boxes, for what the user typed.
    void channelTyped(const QString &text);
    void runsTyped(const QString &text);
    // The whole number in `channel`, if the box holds one.
    std::optional<qint32> typedChannel() const;

    MiniViewDeps m_deps;
    WindowPlacement m_placement{*this};
    QToolBar *m_toolbar = nullptr;
    QAction *m_start = nullptr;
    QAction *m_stop = nullptr;
    std::optional<RunStopButtons> m_runButtons;
    QAction *m_continuous = nullptr;
    QLineEdit *m_noRuns = nullptr;
    QLineEdit *m_channel = nullptr;
    // A program was created or loaded, so "start" stays enabled across a close.
    bool m_programExists = false;
    // Closed since it was last restored.
    bool m_closed = false;
    // The channel typed is being taken, so its box does not show it back.
    bool m_takingChannel = false;
};
