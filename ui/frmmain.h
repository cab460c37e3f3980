#pragma once

#include "ui/runbuttons.h"
#include "ui/windowlinks.h"
#include "ui/windowplacement.h"

#include <QMainWindow>
#include <QTimer>

#include <functional>
#include <optional>

class DeviceLink;
class FileDialogs;
class MessageDisplay;
class ProgramDocument;
class ProgramRunner;
class ProgramTable;
class QAction;
class QLabel;
class QToolBar;
class SettingsStore;
class frmChannel;
class frmMini;
class frmProgram;
struct GlobalState;

// What the main window works with besides its own controls.
struct MainWindowDeps {
    GlobalState &state;
    SettingsStore &settings;
    DeviceLink &link;
    ProgramRunner &runner;
    ProgramTable &table;
    ProgramDocument &document;
    FileDialogs &fileDialogs;
    DialogHost &dialogs;
    MessageDisplay &messages;
};

// The frame window: menus, the toolbar tbToolBar, the status bar sbStatusBar, and the central
// area that hosts the channel view and the program editor, one in front of the other. The mini
// view stands in for it in view 2. Its size is fixed; its position is kept in the settings.
class frmMain final : public QMainWindow, public ViewSwitch, public TopmostWindow {
    Q_OBJECT

public:
    // Outer size in the normal state, in twips.
    static constexpr int kWidthTwips = 5300;
    static constexpr int kHeightTwips = 6500;

    // Loads the window without showing it: position from the settings, Run disabled.
    explicit frmMain(const MainWindowDeps &deps, QWidget *parent = nullptr);
    ~frmMain() override;

    // The parent of the two child views.
    QWidget *viewArea() const;
    // The views that the view switch moves; called once, after they are loaded.
    void attachViews(frmChannel &channel, frmProgram &program, frmMini &mini);

    void ChangeView(int iview) override;
    // Applies the always-on-top rule of opt_ontop.
    void OnTop() override;
    void ProgramRun();
    void ProgramStop();
    // The first panel of the status bar: the link state, and why it failed as its tooltip.
    void showLinkStatus(const QString &text, const QString &failureReason);
    // Why the run record cannot be written, in the same tooltip (empty: it can).
    void showRecordProblem(const QString &problem);

    // Start-up's showing of view 0 or 1, which brings up the main window too but leaves the
    // toolbar as it was created.
    void showStartView(int view);
    // Enables toolbar button 8 ("Run").
    void enableRun();
    // The toolbar button at a 1-based index, separators counted.
    QAction *toolButton(int index) const;
    // The child view in front, or none before any was shown.
    QWidget *activeChildView() const { return m_front; }

    int left() const { return m_placement.left(); }
    int top() const { return m_placement.top(); }
    bool isParked() const { return m_placement.isParked(); }

    // The file commands.
    void fileNew();
    void fileOpen();
    void fileSave();
    void fileSaveAs();

signals:
    // The window was closed: the run has been asked to stop and the position stored. The owner
    // closes the port and unloads the windows once nothing on the stack uses them.
    void unloadRequested();

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void moveEvent(QMoveEvent *event) override;

private:
    void createMenus();
    void createToolBar();
    void createStatusBar();
    void toolButtonClicked(QAction *button);
    // ontop: 1 keeps the window on top, 0 does not, any other value leaves it as it is.
    void applyOnTop(qint16 ontop);
    // The window must not stay on top of its own dialog; the dialog reapplies OnTop when it
    // closes.
    void showModally(void (DialogHost::*show)(QWidget *));
    // Saves the program to path, asking first when steps would be lost; then runs saved.
    void saveProgram(const QString &path, const std::function<void()> &saved);
    void connectDevice();
    void applyFixedSize();
    // Raises a child view; it is activated when it was not in front or the window came back.
    void bringToFront(QWidget &view, bool mainCameBack);
    void rememberMiniPosition();
    void takeFocusIfBack(bool mainWasVisible);
    void updateClock();
    void enableViews(bool channel, bool program);
    void updateStatusTip();

    GlobalState &m_state;
    SettingsStore &m_settings;
    DeviceLink &m_link;
    ProgramRunner &m_runner;
    ProgramTable &m_table;
    ProgramDocument &m_document;
    FileDialogs &m_fileDialogs;
    DialogHost &m_dialogs;
    MessageDisplay &m_messages;

    WindowPlacement m_placement{*this};
    QWidget *m_viewArea = nullptr;
    QToolBar *m_toolBar = nullptr;
    std::optional<RunStopButtons> m_runButtons;
    QLabel *m_statusPanel = nullptr;
    QString m_linkFailure;
    QString m_recordProblem;
    QLabel *m_clockPanel = nullptr;
    QTimer m_clockTimer;

    frmChannel *m_channel = nullptr;
    frmProgram *m_program = nullptr;
    frmMini *m_mini = nullptr;
    QWidget *m_front = nullptr;

    // Twips; where the main and the mini window go back to.
    int m_mainLeft = 0;
    int m_mainTop = 0;
    int m_miniLeft = 0;
    int m_miniTop = 0;
    bool m_unloading = false;
};
