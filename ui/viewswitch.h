#pragma once

// The main window's view switch, for the windows that lead back to it (the mini view).
class ViewSwitch {
public:
    virtual ~ViewSwitch() = default;
    // 0 = channel view, 1 = program view, 2 = mini view; any other value does nothing.
    virtual void ChangeView(int iview) = 0;
};
