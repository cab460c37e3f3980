#include "app/platformchoice.h"

#include <QtGlobal>

QByteArray chosenPlatform(const DisplayEnvironment &environment) {
    if (!environment.qpaPlatform.isEmpty())
        return {};
    const bool wayland =
        environment.sessionType == "wayland" || !environment.waylandDisplay.isEmpty();
    if (!wayland || environment.x11Display.isEmpty())
        return {};
    return QByteArrayLiteral("xcb");
}

void choosePlatform() {
    const QByteArray platform =
        chosenPlatform({qgetenv("QT_QPA_PLATFORM"), qgetenv("XDG_SESSION_TYPE"),
                        qgetenv("WAYLAND_DISPLAY"), qgetenv("DISPLAY")});
    if (!platform.isEmpty())
        qputenv("QT_QPA_PLATFORM", platform);
}
