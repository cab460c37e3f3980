#include "app/dialoghost.h"

// The dialogs themselves arrive with the options window, the about box and the help viewer;
// until then the menus open nothing.

AppDialogHost::AppDialogHost(GlobalState &state, SettingsStore &settings)
    : m_state(state)
    , m_settings(settings) {}

void AppDialogHost::attachMainWindow(TopmostWindow &mainWindow) {
    m_mainWindow = &mainWindow;
}

void AppDialogHost::showOptions(QWidget *) {}

void AppDialogHost::showAbout(QWidget *) {}

void AppDialogHost::showHelpContents() {}

void AppDialogHost::unloadDialogs() {}
