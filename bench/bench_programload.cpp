// Loads crafted program files of about 10 MB, laid out to make the table as costly as a file can,
// and a file of 100 MB, into the program editor (its grid attached and shown, as the user opens
// a file), and reports the time and the extra peak memory of each load against the bounds: at
// most 1 s, and at most 30 bytes a byte of file plus 20 MB. A file may also be refused, at once.
// Each file loads in its own forked process, so that its peak is its own. The time bound is
// checked on the process's CPU time, which other load on a shared machine stretches far less
// than the wall-clock time that is shown beside it. Exits 1 when a load breaks a bound.

#include "core/globalstate.h"
#include "device/channelcommand.h"
#include "platform/clock.h"
#include "program/programfile.h"
#include "program/programtable.h"
#include "program/runner.h"
#include "program/steptable.h"
#include "program/waits.h"
#include "ui/frmprogram.h"

#include <QApplication>
#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace {
constexpr qint64 kMaxMs = 1000;
constexpr qint64 kBytesPerByte = 30;
constexpr qint64 kFixedBytes = 20LL * 1024 * 1024;

struct Case {
    const char *name;
    QByteArray bytes;
    // When larger than the bytes: the file goes on with zeros up to this size.
    qint64 size = 0;
};

// The editor's runner needs a device; nothing is run here.
struct NoDevice final : ChannelCommand {
    GotoResult GotoChannel(int, SwitchSource) override { return GotoResult::NotSent; }
    void selectChannel(int) override {}
};

// Resident memory now, from /proc/self/status, in KiB.
long residentKiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

QByteArray header(qint64 steps, qint64 columns) {
    return QByteArray::number(steps) + ',' + QByteArray::number(columns) + ';';
}

QList<Case> cases(qint64 size) {
    const qint64 half = size / 2;
    // What SaveProgram writes for a table of steps like "1 3 500 ms".
    QByteArray steps = "Step\tChannel\tTime to wait\tTime unit";
    qint64 n = 0;
    while (steps.size() < size) {
        ++n;
        steps += '\r' + QByteArray::number(n) + '\t' + QByteArray::number(n % 16 + 1) + '\t' +
                 QByteArray::number(n % 977 * 5) + "\tms";
    }
    return {
        {"1.2 MB, header 0,1200000;", header(0, 1200000) + QByteArray(1200000, '\t') + "\r\n"},
        {"crafted columns: 0,N; then N tabs", header(0, size) + QByteArray(size, '\t') + "\r\n"},
        {"one wide row of 1-byte cells", header(0, half) + QByteArray("a\t").repeated(half)},
        {"rows of one 1-byte cell", header(half, 1) + QByteArray("\ra").repeated(half)},
        {"empty rows", header(size - 1, 1) + QByteArray(size, '\r')},
        {"one cell of 10 MB", header(1, 4) + "Step\r" + QByteArray(size, 'x')},
        {"saved program of 4 columns", header(n, 4) + steps + "\r\n"},
        {"header asks for more rows than bytes", header(size * 2, 4) + QByteArray(size, '\r')},
        {"100 MB", header(1, 4) + "Step\r", 100'000'000},
    };
}

// In the child: loads the file into the editor and reports; returns the exit status.
int measure(const QString &path, qint64 size) {
    int argc = 1;
    char name[] = "bench_programload";
    char *argv[] = {name, nullptr};
    QApplication application(argc, argv);
    GlobalState state;
    ProgramTable table;
    setUpFirstProgram(table);
    StepTable steps;
    SystemClock clock;
    NoDevice device;
    Waits waits(clock, state);
    ProgramRunner runner(state, table, steps, device, waits, clock);
    frmProgram editor(state, table, runner);
    editor.show();
    QCoreApplication::processEvents();
    const long before = residentKiB();
    rusage start{};
    getrusage(RUSAGE_SELF, &start);
    const qint64 cpuBefore = qint64(start.ru_utime.tv_sec + start.ru_stime.tv_sec) * 1000 +
                             (start.ru_utime.tv_usec + start.ru_stime.tv_usec) / 1000;
    QElapsedTimer timer;
    timer.start();
    ProgramDocument document(table, steps);
    QString said;
    QObject::connect(&document, &ProgramDocument::message,
                     [&said](const QString &text) { said = text; });
    document.LoadProgram(path);
    // The grid lays itself out and paints what the load brought.
    QCoreApplication::processEvents();
    const qint64 ms = timer.elapsed();
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto cpuMs = [](const timeval &t) {
        return qint64(t.tv_sec) * 1000 + t.tv_usec / 1000;
    };
    const qint64 cpu = cpuMs(usage.ru_utime) + cpuMs(usage.ru_stime) - cpuBefore;
    const qint64 extra = (qint64(usage.ru_maxrss) - before) * 1024;
    const qint64 bound = kBytesPerByte * size + kFixedBytes;
    const bool ok = cpu <= kMaxMs && extra <= bound;
    std::printf(
        "| %9lld | %5lld | %5lld | %6.1f MiB | %6.1f MiB | %5.1f | %8d x %-8d | %s | %s |\n",
        static_cast<long long>(size), static_cast<long long>(cpu), static_cast<long long>(ms),
        double(extra) / 1048576.0, double(bound) / 1048576.0, double(extra) / double(size),
        table.columnCount(), table.rowCount(), qPrintable(said), ok ? "yes" : "NO");
    std::fflush(stdout);
    return ok ? 0 : 1;
}
} // namespace

int main() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir dir;
    if (!dir.isValid())
        return 2;
    const QString path = dir.filePath(QStringLiteral("crafted.qmx"));
    std::printf("| file | bytes | CPU ms | wall ms | extra peak | bound | bytes a byte "
                "| table (cols x rows) | message | within |\n"
                "|---|--:|--:|--:|--:|--:|--:|--:|---|---|\n");
    std::fflush(stdout);
    int failures = 0;
    for (const Case &c : cases(10'000'000)) {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(c.bytes) != c.bytes.size() ||
            !file.resize(std::max(c.size, qint64(c.bytes.size()))))
            return 2;
        file.close();
        std::printf("| %s ", c.name);
        std::fflush(stdout);
        const pid_t child = fork();
        if (child < 0)
            return 2;
        if (child == 0)
            _exit(measure(path, file.size()));
        int status = 0;
        if (waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            if (!WIFEXITED(status))
                std::printf("| the load ended the process |\n");
            ++failures;
        }
    }
    return failures == 0 ? 0 : 1;
}
