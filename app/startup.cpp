#include "app/startup.h"

#include "app/module1.h"
#include "app/singleinstance.h"
#include "platform/applicationtitle.h"
#include "platform/stopsignals.h"

#include <QApplication>

int Main(QApplication &application) {
    // A second start touches nothing: no window, no settings, no port.
    SingleInstance instance(SingleInstance::defaultServerName());
    if (!instance.claim())
        return 0;

    // The program ends when the main window has unloaded the others, not when the last window
    // is hidden (the main window is hidden while the mini view stands in for it).
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setApplicationName(QString::fromLatin1(kApplicationTitle));
    Module1 module;
    QObject::connect(&instance, &SingleInstance::raiseRequested, &module, &Module1::bringToFront);
    // A logout, a kill or Ctrl+C ends the program as File, End does.
    const StopSignals stopSignals;
    QObject::connect(&stopSignals, &StopSignals::stopRequested, &module, &Module1::endProgram);
    module.setOnUnloaded([] { QCoreApplication::exit(0); });
    module.startUp();
    return application.exec();
}
