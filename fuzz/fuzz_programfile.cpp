// LoadProgram on any file: no crash, no more memory than a small multiple of the file's size,
// and whatever it loads saves and loads back as the same table.
#include "fuzzcheck.h"
#include "program/programfile.h"
#include "program/programtable.h"
#include "support/files.h"

#include <QDir>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdint>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#include <sanitizer/allocator_interface.h>
#define QMX_COUNTS_HEAP
#endif
#endif

namespace {
// The most the heap has grown by since counting began: the sanitizer's allocator reports every
// allocation and release. Without the sanitizer nothing is counted and the peak reads 0.
long long g_growth = 0;
long long g_peak = 0;

template <typename Work> long long heapPeakOf(Work &&work) {
#ifdef QMX_COUNTS_HEAP
    static const bool installed = __sanitizer_install_malloc_and_free_hooks(
        [](const volatile void *, std::size_t size) {
            g_peak = std::max(g_peak, g_growth += static_cast<long long>(size));
        },
        [](const volatile void *pointer) {
            if (pointer)
                g_growth -= static_cast<long long>(
                    __sanitizer_get_allocated_size(const_cast<const void *>(pointer)));
        });
    FUZZ_CHECK(installed);
#endif
    g_growth = g_peak = 0;
    work();
    return g_peak;
}

void load(const QString &path, ProgramTable &table) {
    StepTable steps;
    ProgramDocument(table, steps).LoadProgram(path);
}

// The steps a save keeps: the rows before the first one without a channel.
int savedSteps(const ProgramTable &table) {
    int steps = 0;
    while (steps + 1 < table.rowCount() &&
           !table.text(steps + 1, ProgramTable::ChannelColumn).isEmpty())
        ++steps;
    return steps;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    // Files in memory where there is such a place: a save syncs its file to disk.
    static QTemporaryDir folder(QDir(QStringLiteral("/dev/shm")).exists()
                                    ? QStringLiteral("/dev/shm/qmx-fuzz-XXXXXX")
                                    : QDir::tempPath() + QStringLiteral("/qmx-fuzz-XXXXXX"));
    const QString input = folder.filePath(QStringLiteral("input.qmx"));
    const QString saved = folder.filePath(QStringLiteral("saved.qmx"));
    const QString again = folder.filePath(QStringLiteral("again.qmx"));
    FUZZ_CHECK(writeFile(input, QByteArray(reinterpret_cast<const char *>(data), qsizetype(size))));

    // Loading is bounded by what the file holds, not by what its header claims.
    ProgramTable table;
    FUZZ_CHECK(heapPeakOf([&] { load(input, table); }) <= 32 * qint64(size) + 64 * 1024);

    // Everything a load gives can be saved, and loads back as the same table: the saved steps
    // with every cell as it was, the title row included, and the same columns.
    FUZZ_CHECK(SaveProgram(saved, table).isEmpty());
    ProgramTable reloaded;
    load(saved, reloaded);
    const int steps = savedSteps(table);
    FUZZ_CHECK(savedSteps(reloaded) == steps);
    FUZZ_CHECK(reloaded.columnCount() == table.columnCount());
    for (int r = 0; r <= steps; ++r) {
        for (int c = 0; c < table.columnCount(); ++c)
            FUZZ_CHECK(reloaded.text(r, c) == table.text(r, c));
    }
    // And the saved file is a fixed point: saved again, it has the same bytes.
    FUZZ_CHECK(SaveProgram(again, reloaded).isEmpty());
    FUZZ_CHECK(readFile(again) == readFile(saved));
    return 0;
}
