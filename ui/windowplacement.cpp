#include "ui/windowplacement.h"

#include "core/settings.h"
#include "ui/twips.h"

#include <QWidget>

WindowPlacement::WindowPlacement(QWidget &window)
    : m_window(window) {}

int WindowPlacement::left() const {
    return m_parked ? kParkedTwips : toTwipsX(m_window.pos().x());
}

int WindowPlacement::top() const {
    return m_parked ? kParkedTwips : toTwipsY(m_window.pos().y());
}

void WindowPlacement::move(int leftTwips, int topTwips) {
    m_parked = leftTwips == kParkedTwips && topTwips == kParkedTwips;
    if (m_parked) {
        m_window.hide();
        return;
    }
    m_window.move(toPixels(QPoint(leftTwips, topTwips)));
}

void WindowPlacement::park() {
    move(kParkedTwips, kParkedTwips);
}

void WindowPlacement::storePosition(SettingsStore &store, const WindowPositionKeys &keys) const {
    if (m_parked || m_window.isMinimized())
        return;
    StoreWindowPosition(store, keys, QPoint(left(), top()));
}
