#pragma once

#include "platform/serialportlist.h"
#include "platform/systeminfo.h"
#include "ui/windowlinks.h"

#include <QPointer>

class QDialog;
class SettingsStore;
struct GlobalState;

// The options dialog, the about box and the help window as the main window's menus open them.
class AppDialogHost final : public DialogHost {
public:
    AppDialogHost(GlobalState &state, SettingsStore &settings);
    // The window whose OnTop the dialogs reapply when they close; set once it is loaded.
    void attachMainWindow(TopmostWindow &mainWindow);

    void showOptions(QWidget *owner) override;
    void showAbout(QWidget *owner) override;
    void showHelpContents() override;
    void unloadDialogs() override;

private:
    void showModal(QDialog *dialog);

    GlobalState &m_state;
    SettingsStore &m_settings;
    TopmostWindow *m_mainWindow = nullptr;
    SystemSerialPortList m_ports;
    OperatingSystemTools m_tools;
    // The dialog being shown, so that a shutdown from inside its event loop closes it first.
    QPointer<QDialog> m_open;
};
