// Times saving and loading program files of growing size and the block text of the whole table,
// and reports the memory each size needs. Each size runs in its own process so that the peak
// memory of one does not hide that of the next.

#include "program/programfile.h"
#include "program/programtable.h"
#include "program/steptable.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {
constexpr int kRuns = 7;

// A field of /proc/self/status in KiB.
long statusKiB(const char *field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray prefix = QByteArray(field) + ':';
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

double medianMs(const std::function<void()> &run) {
    std::vector<double> times;
    for (int i = 0; i < kRuns; ++i) {
        QElapsedTimer timer;
        timer.start();
        run();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void fillProgram(ProgramTable &table, int steps) {
    StepTable records;
    ProgramDocument(table, records).NewProgram();
    table.setRowCount(steps + 1);
    static const QString units[] = {QStringLiteral("ms"), QStringLiteral("s"),
                                    QStringLiteral("min")};
    for (int r = 1; r <= steps; ++r) {
        table.setText(r, ProgramTable::StepColumn, QString::number(r));
        table.setText(r, ProgramTable::ChannelColumn, QString::number(r % 16 + 1));
        table.setText(r, ProgramTable::TimeColumn, QString::number(r % 977 * 5));
        table.setText(r, ProgramTable::UnitColumn, units[r % 3]);
    }
}

int measure(int steps) {
    const long rssBefore = statusKiB("VmRSS");
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    const QString path = dir.filePath(QStringLiteral("bench.qmx"));

    ProgramTable table;
    fillProgram(table, steps);

    const double saveMs = medianMs([&] {
        if (!SaveProgram(path, table).isEmpty())
            std::abort();
    });
    const qint64 fileSize = QFileInfo(path).size();

    ProgramTable loaded;
    StepTable records;
    ProgramDocument document(loaded, records);
    const double loadMs = medianMs([&] { document.LoadProgram(path); });
    if (loaded.rowCount() != std::max(18, steps + 2) ||
        loaded.text(steps, 1) != table.text(steps, 1))
        std::abort();

    table.setCurrentCell(0, 0);
    table.setSelectionEnd(table.rowCount() - 1, table.columnCount() - 1);
    QString block;
    const double clipMs = medianMs([&] { block = table.selectedText(); });
    loaded.setCurrentCell(0, 0);
    loaded.setSelectionEnd(loaded.rowCount() - 1, loaded.columnCount() - 1);
    const double setClipMs = medianMs([&] { loaded.setSelectedText(block); });
    // Writing the same text again skips equal cells, so time a fresh table too.
    const double setClipFreshMs = medianMs([&] {
        ProgramTable fresh;
        fresh.setRowCount(table.rowCount());
        fresh.setCurrentCell(0, 0);
        fresh.setSelectionEnd(fresh.rowCount() - 1, fresh.columnCount() - 1);
        fresh.setSelectedText(block);
    });

    const long peak = statusKiB("VmHWM");
    std::printf(
        "| %7d | %8.1f KiB | %8.2f | %8.2f | %7.2f | %7.2f | %7.2f | %8ld KiB | %8ld KiB |\n",
        steps, double(fileSize) / 1024.0, saveMs, loadMs, clipMs, setClipMs, setClipFreshMs, peak,
        peak - rssBefore);
    std::fflush(stdout);
    return 0;
}
} // namespace

int main() {
    std::printf("Median of %d runs, times in ms.\n\n", kRuns);
    std::printf("|   steps |    file size |     save |     load |    clip | setClip | setClip, "
                "new table | peak RSS (VmHWM) | growth |\n");
    std::printf("|--------:|-------------:|---------:|---------:|--------:|--------:|"
                "------------------:|-----------------:|-------------:|\n");
    std::fflush(stdout);
    for (const int steps : {1000, 10000, 100000}) {
        const pid_t child = fork();
        if (child < 0)
            return 1;
        if (child == 0)
            _exit(measure(steps));
        int status = 0;
        if (waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            std::fprintf(stderr, "size %d failed\n", steps);
            return 1;
        }
    }
    return 0;
}
