#pragma once

class QWidget;
class SettingsStore;
struct WindowPositionKeys;

// A window out of use is parked at left and top -20000 twips.
inline constexpr int kParkedTwips = -20000;

// The logical position of a top-level window in twips, which the view switching reads and
// writes. A parked window is also hidden, since window managers pull off-screen windows back
// into view; its logical position stays -20000 until it is moved again.
class WindowPlacement {
public:
    explicit WindowPlacement(QWidget &window);

    // The window's outer left and top edges in twips (-20000 while parked).
    int left() const;
    int top() const;
    // Moves the window's outer frame; a parked window becomes unparked but stays hidden until
    // it is shown.
    void move(int leftTwips, int topTwips);
    void park();
    bool isParked() const { return m_parked; }

    // Stores the window's position under its keys; a parked or minimized window keeps the one
    // stored before.
    void storePosition(SettingsStore &store, const WindowPositionKeys &keys) const;

private:
    QWidget &m_window;
    bool m_parked = false;
};
