// Start-up to the first painted main window, and the peak memory at that moment, beside the
// same for a Qt Widgets program that shows one empty window (the toolkit's floor). Every sample
// is a fresh process: this program started again with --child.
//
//   bench_startup [--samples N]
//
// Runs on the display in DISPLAY (xcb), or offscreen without one.
#include "app/platformchoice.h"
#include "app/startup.h"

#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QWidget>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {
qint64 monotonicNs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// Reports the first paint of the named window and ends the process there.
class FirstPaint final : public QObject {
public:
    explicit FirstPaint(const QString &windowName)
        : m_windowName(windowName) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (event->type() == QEvent::Paint && watched->isWidgetType() &&
            watched->objectName() == m_windowName && static_cast<QWidget *>(watched)->isWindow()) {
            rusage usage{};
            getrusage(RUSAGE_SELF, &usage);
            std::printf("shown %lld %ld\n", static_cast<long long>(monotonicNs()), usage.ru_maxrss);
            std::fflush(stdout);
            _exit(0);
        }
        return false;
    }

private:
    QString m_windowName;
};

int runChild(int argc, char *argv[], const QString &mode) {
    choosePlatform();
    QApplication application(argc, argv);
    if (mode == QLatin1String("floor")) {
        FirstPaint watch(QStringLiteral("floor"));
        application.installEventFilter(&watch);
        QWidget window;
        window.setObjectName(QStringLiteral("floor"));
        window.resize(353, 433);
        window.show();
        return application.exec();
    }
    FirstPaint watch(QStringLiteral("frmMain"));
    application.installEventFilter(&watch);
    return Main(application);
}

struct Sample {
    double ms;
    long maxRssKb;
};

// One start of this program in the given mode; false when it did not report.
bool measure(const QString &self, const QString &mode, const QProcessEnvironment &environment,
             Sample &sample) {
    QProcess child;
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    const qint64 started = monotonicNs();
    child.start(self, {QStringLiteral("--child"), mode});
    if (!child.waitForFinished(30000))
        return false;
    long long shownNs = 0;
    long rss = 0;
    if (std::sscanf(child.readAllStandardOutput().constData(), "shown %lld %ld", &shownNs, &rss) !=
        2)
        return false;
    sample = {double(shownNs - started) / 1e6, rss};
    return true;
}

template <typename T> T percentile(std::vector<T> values, double p) {
    std::sort(values.begin(), values.end());
    const std::size_t rank = std::size_t(p * double(values.size() - 1) + 0.5);
    return values[rank];
}
} // namespace

int main(int argc, char *argv[]) {
    if (argc == 3 && qstrcmp(argv[1], "--child") == 0)
        return runChild(argc, argv, QString::fromLatin1(argv[2]));
    int samples = 15;
    if (argc == 3 && qstrcmp(argv[1], "--samples") == 0)
        samples = std::max(1, atoi(argv[2]));

    QCoreApplication application(argc, argv);
    // Settings, instance socket, run record and a port that does not exist, all of the
    // benchmark's own.
    QTemporaryDir home;
    QDir(home.path()).mkpath(QStringLiteral("config/QMX-7700"));
    QDir(home.path()).mkpath(QStringLiteral("runtime"));
    QFile::setPermissions(home.filePath(QStringLiteral("runtime")),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QFile settings(home.filePath(QStringLiteral("config/QMX-7700/QMX-7700.conf")));
    if (settings.open(QIODevice::WriteOnly))
        settings.write("[Ports]\nCom1=" + QFile::encodeName(home.filePath(QStringLiteral("none"))) +
                       "\n");
    settings.close();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.filePath(QStringLiteral("runtime")));
    environment.insert(QStringLiteral("XDG_STATE_HOME"), home.filePath(QStringLiteral("state")));
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));

    const QString self = QCoreApplication::applicationFilePath();
    const QStringList modes{QStringLiteral("floor"), QStringLiteral("app")};
    std::vector<double> times[2];
    std::vector<long> memory[2];
    // Alternating, so that a change in the machine's load reaches both alike.
    for (int i = 0; i < samples; ++i) {
        for (int m = 0; m < 2; ++m) {
            Sample sample{};
            if (!measure(self, modes[m], environment, sample)) {
                std::fprintf(stderr, "%s: no report from the child\n", qPrintable(modes[m]));
                return 1;
            }
            times[m].push_back(sample.ms);
            memory[m].push_back(sample.maxRssKb);
        }
    }

    std::printf("platform: %s, %d samples each\n",
                qPrintable(environment.value(QStringLiteral("QT_QPA_PLATFORM"),
                                             QStringLiteral("xcb (DISPLAY)"))),
                samples);
    std::printf("%-22s %10s %10s %14s\n", "", "median ms", "p90 ms", "peak RSS KiB");
    const char *names[2] = {"empty Qt window", "qmx7700 main window"};
    for (int m = 0; m < 2; ++m)
        std::printf("%-22s %10.1f %10.1f %14ld\n", names[m], percentile(times[m], 0.5),
                    percentile(times[m], 0.9), percentile(memory[m], 0.5));
    std::printf("time: %.2f x the floor; memory: +%.1f MiB\n",
                percentile(times[1], 0.5) / percentile(times[0], 0.5),
                double(percentile(memory[1], 0.5) - percentile(memory[0], 0.5)) / 1024.0);
    return 0;
}
