#pragma once

#include "app/instrument.h"
#include "ui/filedialogs.h"
#include "ui/frmchannel.h"
#include "ui/frmprogram.h"
#include "ui/messagebox.h"
#include "ui/windowlinks.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <memory>

class frmMain;
class frmMini;

// The application module: owns the instrument and the windows, gives each window what it needs
// and connects the windows to what the instrument announces. One instance lives from the start
// of the program to its end.
class Module1 final : public QObject {
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
        // The control server's local socket; empty: the one of the user's runtime folder.
        QString controlSocket;
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

    Instrument &instrument() { return m_instrument; }
    frmMain *mainWindow() const { return m_main.get(); }
    frmChannel *channelView() const { return m_channel; }
    frmProgram *programView() const { return m_program; }
    frmMini *miniView() const { return m_mini.get(); }

private:
    void loadWindows();
    void connectLink();
    void connectRunner();
    void connectDocument();
    // A new program: the main window hides while the mini view stands in for it, and the run
    // buttons of both toolbars offer to run it.
    void showNewProgram();
    void paintStartView();
    void unloadRequested();
    void unloadWhenIdle();
    void unloadWindows();

    Instrument m_instrument;
    std::unique_ptr<FileDialogs> m_fileDialogs;
    std::unique_ptr<MessageDisplay> m_messages;
    std::unique_ptr<DialogHost> m_dialogs;

    // The windows go before everything they use; their connections go with them.
    std::unique_ptr<frmMain> m_main;
    QPointer<frmChannel> m_channel;
    QPointer<frmProgram> m_program;
    std::unique_ptr<frmMini> m_mini;

    QTimer m_unloadTimer;
    bool m_closing = false;
    bool m_unloaded = false;
    std::function<void()> m_onUnloaded;
};
