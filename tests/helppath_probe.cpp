#include "ui/htmlhelp.h"
#include "ui/icons.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QTextStream>

// Prints where the help file is looked for from wherever this program lies, and whether a
// toolbar icon draws (Qt's SVG plug-ins found); fails when either is missing. The install and
// package tests place it as the program is placed.
int main(int argc, char *argv[]) {
    QGuiApplication application(argc, argv);
    const QString path = HelpFilePath(HelpMode::BesideProgram);
    // The icons are coloured: an icon that draws nothing, or only transparent pixels, is grey.
    const bool drawn = !toolbarIcon("open").pixmap(16, 16).toImage().allGray();
    QTextStream(stdout) << path << '\n' << (drawn ? "icon drawn" : "icon not drawn") << '\n';
    return QFileInfo(path).isFile() && drawn ? 0 : 1;
}
