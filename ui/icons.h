#pragma once

#include <QIcon>
#include <QString>

// The program's artwork: 16 x 16 images drawn as SVG, so they stay crisp at any scale.
//
// Toolbar images by name:
//   main window   "programview" (1), "channelview" (2), "new" (3), "open" (4), "save" (5),
//                 "run" (6), "stop" (7)
//   mini view     "open", "start", "stop", "continous", "1up", "1down", "go", "view"
// Images of the same meaning are one drawing: "run" is "start", "view" is "channelview".
// An unknown name gives a null icon.
QIcon toolbarIcon(const char *name);

// The application icon, also installed as share/icons/hicolor/scalable/apps/qmx7700.svg from
// ui/icons/qmx7700.svg.
QIcon applicationIcon();

// The resource path of a toolbar image (empty for an unknown name).
QString toolbarIconPath(const char *name);
