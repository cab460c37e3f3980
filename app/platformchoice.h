#pragma once

#include <QByteArray>

// The views place, raise and keep their windows on top, which Wayland lets no client do; where
// the session also offers X11 the program asks for it. The user's own QT_QPA_PLATFORM wins.

struct DisplayEnvironment {
    QByteArray qpaPlatform;    // QT_QPA_PLATFORM
    QByteArray sessionType;    // XDG_SESSION_TYPE
    QByteArray waylandDisplay; // WAYLAND_DISPLAY
    QByteArray x11Display;     // DISPLAY
};

// This process's environment.
DisplayEnvironment currentDisplayEnvironment();

// The platform plug-in to ask for, or empty to leave the choice to Qt.
QByteArray chosenPlatform(const DisplayEnvironment &environment);

// Whether there is a display to open the windows on, or a platform plug-in the user chose.
bool displayNamed(const DisplayEnvironment &environment);

// Applies chosenPlatform() to this process's environment; call it before the application
// object exists.
void choosePlatform();
