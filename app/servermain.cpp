// qmx7700-server: the instrument without windows. It owns the port, connects at start as the
// program does, and serves the control protocol until SIGTERM, SIGINT or SIGHUP.
#include "app/commandline.h"
#include "app/instrument.h"
#include "device/devicelink.h"
#include "platform/applicationtitle.h"
#include "platform/stopsignals.h"
#include "program/runner.h"
#include "remote/controlserver.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTimer>

#include <cstdio>
#include <optional>

namespace {
// How often the end looks again whether the operation under it has returned.
constexpr int kEndRetryMs = 10;

// Answers --help and --version; see answerHelpAndVersion.
std::optional<int> answerArguments(const QCoreApplication &application) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QCoreApplication::translate(
            "Main",
            "Serves the QMX-7700 on the serial port of the settings to the programs of this "
            "machine, without windows: the control protocol on the local socket "
            "$XDG_RUNTIME_DIR/%1 and, when the settings section [Remote] says Tcp=1, on "
            "TCP.\nSee also man qmx7700-server.")
            .arg(QLatin1String(ControlServer::kSocketName)));
    return answerHelpAndVersion(parser, "qmx7700-server", application.arguments());
}
} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication application(argc, argv);
    if (const std::optional<int> answered = answerArguments(application))
        return *answered;
    // The settings store goes by the program's title, as the windows' does.
    QCoreApplication::setApplicationName(QString::fromLatin1(kApplicationTitle));

    Instrument instrument;
    instrument.resetRunState();
    instrument.loadSettings();
    const QStringList problems = instrument.serveControl();
    for (const QString &problem : problems)
        std::fprintf(stderr, "qmx7700-server: %s\n", qPrintable(problem));
    if (!problems.isEmpty())
        return 1;
    std::fprintf(stderr, "qmx7700-server: serving %s\n",
                 qPrintable(instrument.control().localPath()));

    // A stop ends a run and a connect's fault wait; the program ends once they have returned.
    const StopSignals stopSignals;
    QTimer end;
    end.setInterval(kEndRetryMs);
    QObject::connect(&end, &QTimer::timeout, &application, [&instrument] {
        if (!instrument.operationOnStack())
            QCoreApplication::exit(0);
    });
    QObject::connect(&stopSignals, &StopSignals::stopRequested, &application, [&] {
        instrument.control().close();
        instrument.shutDown(Recorder::Ending::StopSignal);
        end.start();
    });

    {
        const Instrument::OperationScope startingUp(instrument);
        instrument.connectAtStartUp();
    }
    std::fprintf(stderr, "qmx7700-server: %s\n", qPrintable(instrument.link().statusText()));
    const int code = QCoreApplication::exec();
    instrument.closePort();
    return code;
}
