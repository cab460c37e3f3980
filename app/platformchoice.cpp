#include "app/platformchoice.h"

#include <QtGlobal>

DisplayEnvironment currentDisplayEnvironment() {
    return {qgetenv("QT_QPA_PLATFORM"), qgetenv("XDG_SESSION_TYPE"), qgetenv("WAYLAND_DISPLAY"),
            qgetenv("DISPLAY")};
}

QByteArray chosenPlatform(const DisplayEnvironment &environment) {
    if (!environment.qpaPlatform.isEmpty())
        return {};
    const bool wayland =
        environment.sessionType == "wayland" || !environment.waylandDisplay.isEmpty();
    if (!wayland || environment.x11Display.isEmpty())
        return {};
    return QByteArrayLiteral("xcb");
}

bool displayNamed(const DisplayEnvironment &environment) {
    return !environment.qpaPlatform.isEmpty() || !environment.waylandDisplay.isEmpty() ||
           !environment.x11Display.isEmpty();
}

void choosePlatform() {
    const QByteArray platform = chosenPlatform(currentDisplayEnvironment());
    if (!platform.isEmpty())
        qputenv("QT_QPA_PLATFORM", platform);
}
