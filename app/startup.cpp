#include "app/startup.h"

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
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QCoreApplication::translate("Main", "Show this help and exit."));
    const QCommandLineOption version(
        {QStringLiteral("v"), QStringLiteral("version")},
        QCoreApplication::translate("Main", "Show the program's version and exit."));
    // Qt's own -platform and -display name the window system; the windows take them as given.
    QCommandLineOption platform(QStringLiteral("platform"), QString(), QStringLiteral("name"));
    QCommandLineOption display(QStringLiteral("display"), QString(), QStringLiteral("name"));
    platform.setFlags(QCommandLineOption::HiddenFromHelp);
    display.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOptions({help, version, platform, display});
    // Any other argument is ignored, so what the parser says about one is not shown.
    parser.parse(QCoreApplication::arguments());

    if (parser.isSet(help)) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return 0;
    }
    if (parser.isSet(version)) {
        std::printf("qmx7700 %s\n", kVersionText);
        return 0;
    }
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
