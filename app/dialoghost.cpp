#include "app/dialoghost.h"

#include "core/globalstate.h"
#include "ui/frmabout.h"
#include "ui/frmoptions.h"
#include "ui/htmlhelp.h"

AppDialogHost::AppDialogHost(GlobalState &state, SettingsStore &settings)
    : m_state(state)
    , m_settings(settings) {}

void AppDialogHost::attachMainWindow(TopmostWindow &mainWindow) {
    m_mainWindow = &mainWindow;
}

void AppDialogHost::showOptions(QWidget *owner) {
    if (!m_mainWindow)
        return;
    // Each showing loads the dialog anew from the globals.
    showModal(
        new frmOptions(OptionsDialogDeps{m_state, m_settings, *m_mainWindow, m_ports}, owner));
}

void AppDialogHost::showAbout(QWidget *owner) {
    if (!m_mainWindow)
        return;
    showModal(new frmAbout(*m_mainWindow, m_tools, owner));
}

void AppDialogHost::showHelpContents() {
    ShowHelp(HelpMode::BesideProgram, m_state.opt_ontop == 1);
}

void AppDialogHost::unloadDialogs() {
    // Rejecting runs the dialog's own close handling (the options are stored, OnTop reapplied).
    if (m_open)
        m_open->reject();
    CloseHelp();
}

void AppDialogHost::showModal(QDialog *dialog) {
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    // Modal without an event loop of its own, so that a run keeps its times meanwhile.
    dialog->setWindowModality(Qt::ApplicationModal);
    m_open = dialog;
    dialog->show();
}
