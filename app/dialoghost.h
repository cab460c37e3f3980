#pragma once

#include "ui/windowlinks.h"

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
    GlobalState &m_state;
    SettingsStore &m_settings;
    TopmostWindow *m_mainWindow = nullptr;
};
