// LoadProgram on any file: no crash and no table out of proportion to the file, and whatever it
// loads saves, loads back and saves again to the same bytes.
#include "fuzzcheck.h"
#include "program/programfile.h"
#include "program/programtable.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>

namespace {
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

    ProgramTable table;
    load(input, table);
    // A new program has 17 rows of 4 columns; anything more must be paid for by the file's bytes.
    FUZZ_CHECK(qint64(table.rows()) * table.cols() <= 18 * 4 + 4 * qint64(size));

    // Everything a load gives can be stored, and the saved file is a fixed point.
    FUZZ_CHECK(SaveProgram(saved, table).isEmpty());
    ProgramTable reloaded;
    load(saved, reloaded);
    FUZZ_CHECK(SaveProgram(again, reloaded).isEmpty());
    FUZZ_CHECK(contents(again) == contents(saved));
    return 0;
}
