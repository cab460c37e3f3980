#include "ui/htmlhelp.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTextStream>

// Prints where the help file is looked for from wherever this program lies, and fails when no
// file is there. The install test places it as the program is placed and starts it by its link.
int main(int argc, char *argv[]) {
    QCoreApplication application(argc, argv);
    const QString path = HelpFilePath(HelpMode::BesideProgram);
    QTextStream(stdout) << path << '\n';
    return QFileInfo(path).isFile() ? 0 : 1;
}
