#pragma once

#include "core/globalstate.h"
#include "core/views.h"
#include "platform/clock.h"
#include "platform/serialport.h"
#include "platform/settingsstore.h"
#include "program/steptable.h"
#include "ui/filedialogs.h"
#include "ui/frmchannel.h"
#include "ui/frmprogram.h"
#include "ui/windowlinks.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <memory>

class DeviceLink;
class ProgramRunner;
class ProgramTable;
class Waits;
class frmMain;
class frmMini;

// The application module: owns the global state, the settings store, the port, the clock, the
// device link, the program and step tables, the runner and the windows, and gives each window
// what it needs. One instance lives from the start of the program to its end.
class Module1 final : public QObject, public ProgramHost {
    Q_OBJECT

public:
    // What the module works through. Anything left empty is the system's own: the user's
    // settings store, the serial port, the real clock, the file dialogs, message boxes and the
    // program's dialogs. Tests put fakes here.
    struct Parts {
        std::unique_ptr<SettingsStore> settings;
        std::unique_ptr<SerialPort> port;
        std::unique_ptr<Clock> clock;
        std::unique_ptr<FileDialogs> fileDialogs;
        std::unique_ptr<MessageDisplay> messages;
        std::unique_ptr<DialogHost> dialogs;
    };

    explicit Module1(Parts parts = {});
    ~Module1() override;

    // The start-up after the single-instance check: loads the windows, sets the run state,
    // shows the start-up view and connects.
    void startUp();
    // Reads the settings and shows the start-up view named by "View".
    bool StartView();

    // Brings the window in use to the front, at another start's request.
    void bringToFront();
    // Ends the program as File, End does, also while a message box waits for its OK.
    void endProgram();
    // Runs once the main window has closed and every window is unloaded.
    void setOnUnloaded(std::function<void()> onUnloaded);
    bool unloaded() const { return m_unloaded; }

    GlobalState &state() { return m_state; }
    SettingsStore &settings() { return *m_settings; }
    SerialPort &port() { return *m_port; }
    DeviceLink &link() { return *m_link; }
    ProgramTable &table() { return *m_table; }
    ProgramRunner &runner() { return *m_runner; }
    frmMain *mainWindow() const { return m_main.get(); }
    frmChannel *channelView() const { return m_channel; }
    frmProgram *programView() const { return m_program; }
    frmMini *miniView() const { return m_mini.get(); }

    void hideMainIfMiniVisible() override;
    void enableRunButtons() override;

private:
    class NestingClock;

    void loadWindows();
    void paintStartView();
    void unloadRequested();
    void unloadWhenIdle();
    void unloadWindows();

    std::unique_ptr<SettingsStore> m_settings;
    std::unique_ptr<SerialPort> m_port;
    std::unique_ptr<Clock> m_systemClock;
    std::unique_ptr<NestingClock> m_clock;
    std::unique_ptr<FileDialogs> m_fileDialogs;
    std::unique_ptr<MessageDisplay> m_messages;
    std::unique_ptr<DialogHost> m_dialogs;

    GlobalState m_state;
    std::unique_ptr<ProgramTable> m_table;
    StepTable m_steps{};
    std::unique_ptr<DeviceLink> m_link;
    std::unique_ptr<Waits> m_waits;
    std::unique_ptr<ProgramRunner> m_runner;

    // The windows go before everything they use.
    std::unique_ptr<frmMain> m_main;
    QPointer<frmChannel> m_channel;
    QPointer<frmProgram> m_program;
    std::unique_ptr<frmMini> m_mini;

    // How deep the program is inside an operation that serves events (start-up, a connect's
    // fault wait, a run): windows are unloaded only when that is zero.
    int m_depth = 0;
    QTimer m_unloadTimer;
    bool m_closing = false;
    bool m_unloaded = false;
    std::function<void()> m_onUnloaded;
};
