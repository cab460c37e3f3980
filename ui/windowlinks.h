#pragma once

class QWidget;

// The calls from one window to another, and from the main window's menus to the dialogs, as
// small interfaces: each window is built and tested without the others. What the device link
// and the runner report reaches the windows as their signals instead.

// The main window's view switch, for the window that leads back to it (the mini view).
class ViewSwitch {
public:
    virtual ~ViewSwitch() = default;
    // 0 = channel view, 1 = program view, 2 = mini view; any other value does nothing.
    virtual void ChangeView(int iview) = 0;
};

// The main window's always-on-top rule, which the dialogs reapply when they close.
class TopmostWindow {
public:
    virtual ~TopmostWindow() = default;
    virtual void OnTop() = 0;
};

// The dialogs and the help that the main window's menus open.
class DialogHost {
public:
    virtual ~DialogHost() = default;
    // frmOptions and frmAbout, modal; they return at once, the dialog stays up until closed.
    virtual void showOptions(QWidget *owner) = 0;
    virtual void showAbout(QWidget *owner) = 0;
    virtual void showHelpContents() = 0; // the help window
    // At shutdown: closes an open dialog as its Cancel does, and the help window.
    virtual void unloadDialogs() = 0;
};
