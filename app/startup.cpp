#include "app/startup.h"

#include "app/commandline.h"
#include "app/module1.h"
#include "app/platformchoice.h"
#include "app/singleinstance.h"
#include "core/version.h"
#include "platform/applicationtitle.h"
#include "platform/stopsignals.h"
#include "ui/icons.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QLibraryInfo>

#include <cstdio>

std::optional<int> answerCommandLine(int argc, char *argv[]) {
    // The parser wants an application object; this one needs no display.
    const QCoreApplication application(argc, argv);
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(QCoreApplication::translate(
        "Main", "The control program for the QMX-7700 fibre-optic multiplexer.\n"
                "Its help opens from the menu ?, Contents; see also man qmx7700."));
    // Qt's own -platform and -display name the window system; the windows take them as given.
    QCommandLineOption platform(QStringLiteral("platform"), QString(), QStringLiteral("name"));
    QCommandLineOption display(QStringLiteral("display"), QString(), QStringLiteral("name"));
    platform.setFlags(QCommandLineOption::HiddenFromHelp);
    display.setFlags(QCommandLineOption::HiddenFromHelp);
    if (const std::optional<int> answered = answerHelpAndVersion(
            parser, "qmx7700", QCoreApplication::arguments(), {platform, display}))
        return answered;
    if (!parser.isSet(platform) && !parser.isSet(display) &&
        !displayNamed(currentDisplayEnvironment())) {
        std::fputs("qmx7700: no display to open the windows on (DISPLAY and WAYLAND_DISPLAY are "
                   "not set)\n",
                   stderr);
        return 1;
    }
    return std::nullopt;
}

std::unique_ptr<QTranslator> loadQtTranslations(const QLocale &locale) {
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return nullptr;
    return translator;
}

int Main(QApplication &application) {
    // A second start touches nothing: no window, no settings, no port.
    SingleInstance instance(SingleInstance::defaultServerName());
    if (!instance.claim())
        return 0;

    // The program ends when the main window has unloaded the others, not when the last window
    // is hidden (the main window is hidden while the mini view stands in for it).
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setApplicationName(QString::fromLatin1(kApplicationTitle));
    QGuiApplication::setDesktopFileName(QString::fromLatin1(kApplicationId));
    QApplication::setWindowIcon(applicationIcon());
    const std::unique_ptr<QTranslator> qtTexts = loadQtTranslations(QLocale());
    if (qtTexts)
        QCoreApplication::installTranslator(qtTexts.get());

    Module1 module;
    QObject::connect(&instance, &SingleInstance::raiseRequested, &module, &Module1::bringToFront);
    // A logout, a kill or Ctrl+C ends the program as File, End does.
    const StopSignals stopSignals;
    QObject::connect(&stopSignals, &StopSignals::stopRequested, &module, &Module1::endProgram);
    module.setOnUnloaded([] { QCoreApplication::exit(0); });
    module.startUp();
    return application.exec();
}
