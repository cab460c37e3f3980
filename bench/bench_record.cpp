// Measures what the run record costs a run: a run of 1,000 steps of 5 ms (10 passes of 100 steps,
// as a program holds at most 199), its whole time from RunProgram to its return, with the record
// on (its file in a folder of its own) against off (Enabled=0, nothing made), in the same run.
// The two alternate, on first, so that a machine that gets busier or quieter meets both alike.
// The link is down, so each step is its 5 ms wait and nothing else of the device: the record
// writes the same two lines a step (the switch and the step) that it writes with a device, whose
// 110 ms or more a command would only make the record's share smaller.
//
//   bench_record [--pairs N] [--folder DIR]
//
// Prints each run, the medians, and the cost: the median over the pairs of how much longer the
// run with the record took than the run without just before it; exits 1 when that is above 1 %.

#include "app/instrument.h"
#include "bench/timing.h"
#include "platform/settingsstore.h"
#include "program/programtable.h"
#include "program/runner.h"
#include "record/recorder.h"

#include <QCoreApplication>
#include <QDir>
#include <QStringList>
#include <QTemporaryDir>

#include <time.h>

#include <cstdio>
#include <vector>

namespace {
using bench::msBetween;
using bench::percentile;
using bench::Steady;

constexpr int kStepsPerPass = 100;
constexpr int kPasses = 10;

double cpuMs() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

int lineCount(const QString &folder) {
    int lines = 0;
    const QDir dir(folder);
    for (const QString &name : dir.entryList(QDir::Files)) {
        QFile file(dir.filePath(name));
        if (file.open(QIODevice::ReadOnly))
            lines += int(file.readAll().count('\n'));
    }
    return lines;
}
} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const qsizetype pairsAt = args.indexOf(QStringLiteral("--pairs"));
    const int pairs = pairsAt > 0 && pairsAt + 1 < args.size() ? args[pairsAt + 1].toInt() : 10;
    const qsizetype folderAt = args.indexOf(QStringLiteral("--folder"));
    QTemporaryDir temporary;
    const QString folder = folderAt > 0 && folderAt + 1 < args.size()
                               ? args[folderAt + 1]
                               : temporary.filePath(QStringLiteral("records"));

    const QString ini = temporary.filePath(QStringLiteral("settings.ini"));
    SettingsStore settings(ini);
    settings.write(QStringLiteral("Record"), QStringLiteral("Folder"), folder);
    Instrument::Parts parts;
    parts.settings = std::make_unique<SettingsStore>(ini);
    Instrument instrument(std::move(parts));
    ProgramTable &table = instrument.table();
    table.setRowCount(kStepsPerPass + 1);
    for (int k = 1; k <= kStepsPerPass; ++k) {
        table.setText(k, ProgramTable::ChannelColumn, QString::number((k - 1) % 16 + 1));
        table.setText(k, ProgramTable::TimeColumn, QStringLiteral("5"));
        table.setText(k, ProgramTable::UnitColumn, QStringLiteral("ms"));
    }
    ProgramRunner &runner = instrument.runner();
    runner.setContinuous(true);

    std::vector<double> onMs;
    std::vector<double> offMs;
    std::vector<double> onCpuMs;
    std::vector<double> offCpuMs;
    std::printf("bench_record: %d x %d steps of 5 ms, link down, record in %s\n", kPasses,
                kStepsPerPass, qPrintable(folder));
    for (int run = 0; run < 2 * pairs; ++run) {
        const bool on = run % 2 == 0;
        settings.write(QStringLiteral("Record"), QStringLiteral("Enabled"),
                       on ? QStringLiteral("1") : QStringLiteral("0"));
        instrument.loadSettings();
        runner.setRunsText(QString::number(kPasses));
        const int linesBefore = lineCount(folder);
        const double cpuBefore = cpuMs();
        const Steady::time_point start = Steady::now();
        runner.RunProgram();
        const double ms = msBetween(start, Steady::now());
        const double cpu = cpuMs() - cpuBefore;
        (on ? onMs : offMs).push_back(ms);
        (on ? onCpuMs : offCpuMs).push_back(cpu);
        std::printf("  record %-3s %9.1f ms, CPU %6.1f ms, %5d lines written\n", on ? "on" : "off",
                    ms, cpu, lineCount(folder) - linesBefore);
    }

    // Each pair ran back to back, so its difference is the record's cost under one state of the
    // machine; their median is the figure, the spread says how much the machine varied.
    std::vector<double> percents;
    for (std::size_t i = 0; i < onMs.size(); ++i)
        percents.push_back((onMs[i] - offMs[i]) / offMs[i] * 100);
    const double percent = percentile(percents, 0.5);
    std::printf("median run: on %.1f ms, off %.1f ms (planned waits %d ms)\n",
                percentile(onMs, 0.5), percentile(offMs, 0.5), kPasses * kStepsPerPass * 5);
    std::printf("the record costs a run %+.2f %% (pairs from %+.2f to %+.2f %%), %+.1f us a step; "
                "target 1 %%: %s\n",
                percent, percentile(percents, 0.0), percentile(percents, 1.0),
                percent / 100 * percentile(offMs, 0.5) * 1000 / (kPasses * kStepsPerPass),
                percent <= 1.0 ? "met" : "MISSED");
    std::printf("CPU, median: on %.1f ms, off %.1f ms (%+.1f us a step)\n",
                percentile(onCpuMs, 0.5), percentile(offCpuMs, 0.5),
                (percentile(onCpuMs, 0.5) - percentile(offCpuMs, 0.5)) * 1000 /
                    (kPasses * kStepsPerPass));
    return percent <= 1.0 ? 0 : 1;
}
