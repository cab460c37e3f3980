#pragma once

// The small interfaces by which one window reaches another, so that each can be built and tested
// without the others.

// The main window's view switch, for the windows that lead back to it (the mini view).
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

// The program editor's "continous" box, which the mini view ticks and clears.
class ContinuousSwitch {
public:
    virtual ~ContinuousSwitch() = default;
    // A change of the box's value runs its click behaviour.
    virtual void setContinuous(bool ticked) = 0;
};

class QWidget;

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
