// LoadProgram on any file: no crash and no more memory than a small multiple of the file's size,
// and whatever it loads saves, loads back and saves again to the same bytes.
#include "fuzzcheck.h"
#include "program/programfile.h"
#include "program/programtable.h"

#include <QDir>
#include <QFile>
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
#ifdef QMX_COUNTS_HEAP
// What the heap has grown by since counting began, and the most it has: the sanitizer's
// allocator reports every allocation and release.
long long g_heapGrowth = 0;
long long g_heapPeak = 0;

void onAllocation(const volatile void *, std::size_t size) {
    g_heapGrowth += static_cast<long long>(size);
    g_heapPeak = std::max(g_heapPeak, g_heapGrowth);
}

void onRelease(const volatile void *pointer) {
    if (pointer)
        g_heapGrowth -= static_cast<long long>(
            __sanitizer_get_allocated_size(const_cast<const void *>(pointer)));
}

// The most the heap grew while `work` ran.
template <typename Work> long long heapPeakOf(Work &&work) {
    static const bool installed =
        __sanitizer_install_malloc_and_free_hooks(onAllocation, onRelease);
    FUZZ_CHECK(installed);
    g_heapGrowth = g_heapPeak = 0;
    work();
    return g_heapPeak;
}
#else
// The ordinary build cannot see allocations; the sanitized fuzzing build checks them.
template <typename Work> long long heapPeakOf(Work &&work) {
    work();
    return 0;
}
#endif

// Files in memory where there is such a place: a save syncs its file to disk.
QTemporaryDir &folder() {
    static QTemporaryDir dir(QDir(QStringLiteral("/dev/shm")).exists()
                                 ? QStringLiteral("/dev/shm/qmx-fuzz-XXXXXX")
                                 : QDir::tempPath() + QStringLiteral("/qmx-fuzz-XXXXXX"));
    return dir;
}

QByteArray contents(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void load(const QString &path, ProgramTable &table) {
    StepTable steps;
    LoadProgram(path, table, steps, nullptr, nullptr);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const QString input = folder().filePath(QStringLiteral("input.qmx"));
    const QString saved = folder().filePath(QStringLiteral("saved.qmx"));
    const QString again = folder().filePath(QStringLiteral("again.qmx"));
    QFile file(input);
    FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    FUZZ_CHECK(file.write(reinterpret_cast<const char *>(data), qint64(size)) == qint64(size));
    file.close();

    // Loading is bounded by what the file holds, not by what its header claims.
    ProgramTable table;
    const long long peak = heapPeakOf([&] { load(input, table); });
    FUZZ_CHECK(peak <= 32 * static_cast<long long>(size) + 64 * 1024);

    // Everything a load gives can be stored, and the saved file is a fixed point.
    FUZZ_CHECK(SaveProgram(saved, table).isEmpty());
    ProgramTable reloaded;
    load(saved, reloaded);
    FUZZ_CHECK(SaveProgram(again, reloaded).isEmpty());
    FUZZ_CHECK(contents(again) == contents(saved));
    return 0;
}
