#pragma once

#include "ui/windowlinks.h"

// The options dialog, the about box and the help window as the main window's menus open them.
class AppDialogHost final : public DialogHost {
public:
    void showOptions(QWidget *owner) override;
    void showAbout(QWidget *owner) override;
    void showHelpContents() override;
    void unloadDialogs() override;
};
