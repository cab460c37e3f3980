#include "app/dialoghost.h"

// The dialogs themselves arrive with the options window, the about box and the help viewer;
// until then the menus open nothing.

void AppDialogHost::showOptions(QWidget *) {}

void AppDialogHost::showAbout(QWidget *) {}

void AppDialogHost::showHelpContents() {}

void AppDialogHost::unloadDialogs() {}
