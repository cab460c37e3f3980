#include "app/platformchoice.h"
#include "app/startup.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

namespace {
QtMessageHandler qtMessageHandler = nullptr;

// Qt ends a program whose display it cannot open with an abort and the advice to reinstall it;
// the user learns more from one line. Qt's warning before it names the display.
void endWithoutDisplay(QtMsgType type, const QMessageLogContext &context, const QString &text) {
    if (type != QtFatalMsg)
        return qtMessageHandler(type, context, text);
    std::fputs("qmx7700: the display cannot be opened\n", stderr);
    std::_Exit(1);
}
} // namespace

int main(int argc, char *argv[]) {
    if (const std::optional<int> exitCode = answerCommandLine(argc, argv))
        return *exitCode;
    choosePlatform();
    qtMessageHandler = qInstallMessageHandler(endWithoutDisplay);
    QApplication application(argc, argv);
    qInstallMessageHandler(qtMessageHandler);
    return Main(application);
}
