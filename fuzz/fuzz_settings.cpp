// The settings store on any INI file, as a hand edit or a damaged disk may leave it: the options
// read as the straightforward Integer reading of numberreference.h reads their texts, in their
// order, up to the first that fails; a key reads alike in any case; a port maps to a device path;
// a port mapping written over the file reads back while every option keeps its text; and the
// options written back read as they were written.
#include "core/globalstate.h"
#include "core/settings.h"
#include "core/settingskeys.h"
#include "fuzzcheck.h"
#include "numberreference.h"
#include "platform/portnames.h"
#include "platform/settingsstore.h"
#include "support/files.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdint>

namespace {
// The input: byte 0 bits 0-2 the port number to map (0..7), bit 3 whether the options are
// written back too; byte 1 the length of the device path at the end of the input (UTF-8); the
// INI file's bytes in between.

const QString kSection = QString::fromLatin1(kSettingsSection);

QString optionText(const SettingsStore &store, const OptionKey &key) {
    return store.read(kSection, QString::fromLatin1(key.readAs), QString::number(key.defaultValue));
}

QStringList optionTexts(const SettingsStore &store) {
    QStringList texts;
    for (const OptionKey *key : kOptionReadOrder)
        texts << optionText(store, *key);
    return texts;
}

// What LoadSettings leaves: each option read in turn until one is not an Integer.
bool expectedOptions(const SettingsStore &store, GlobalState &state) {
    for (const OptionKey *key : kOptionReadOrder) {
        const std::optional<qint16> value = reference::integer(optionText(store, *key));
        if (!value)
            return false;
        state.*(key->global) = *value;
    }
    return true;
}

bool sameOptions(const GlobalState &a, const GlobalState &b) {
    return std::all_of(kOptionReadOrder.cbegin(), kOptionReadOrder.cend(),
                       [&](const OptionKey *key) { return a.*(key->global) == b.*(key->global); });
}

QString platformPath(int number) {
    return QStringLiteral("/dev/ttyS%1").arg(number - 1);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size < 2)
        return 0;
    // Files in memory where there is such a place: every write syncs the file to disk.
    static QTemporaryDir folder(QDir(QStringLiteral("/dev/shm")).exists()
                                    ? QStringLiteral("/dev/shm/qmx-fuzz-XXXXXX")
                                    : QDir::tempPath() + QStringLiteral("/qmx-fuzz-XXXXXX"));
    const QString file = folder.filePath(QStringLiteral("settings.conf"));
    const auto *chars = reinterpret_cast<const char *>(data);
    const int number = data[0] & 0x07;
    const qsizetype pathSize = std::min<qsizetype>(data[1], qsizetype(size) - 2);
    const QString path = QString::fromUtf8(chars + size - pathSize, pathSize);
    FUZZ_CHECK(writeFile(file, QByteArray(chars + 2, qsizetype(size) - 2 - pathSize)));
    // QSettings keeps what it parsed of a file until the file's size or time changes: every input
    // gets a time of its own.
    static qint64 inputs = 0;
    QFile written(file);
    FUZZ_CHECK(written.open(QIODevice::ReadWrite) &&
               written.setFileTime(QDateTime::fromSecsSinceEpoch(++inputs, Qt::UTC),
                                   QFileDevice::FileModificationTime));
    written.close();

    QStringList texts;
    GlobalState loaded;
    {
        SettingsStore store(file);
        GlobalState expected;
        FUZZ_CHECK(LoadSettings(loaded, store) == expectedOptions(store, expected));
        FUZZ_CHECK(sameOptions(loaded, expected));

        // Keys and sections are matched without regard to case.
        for (const OptionKey *key : kOptionReadOrder) {
            const QString text = optionText(store, *key);
            FUZZ_CHECK(store.read(kSection.toUpper(), QString::fromLatin1(key->writtenAs).toLower(),
                                  QString::number(key->defaultValue)) == text);
        }
        // A port number names a device path with no blanks around it, or none below 1.
        const QString device = portDevicePath(number, store);
        FUZZ_CHECK(number < 1 ? device.isEmpty() : !device.isEmpty() && device == device.trimmed());

        texts = optionTexts(store);
        mapPortDevice(number, path, store);
    }
    // What was written reads back from the file, and nothing else changed.
    SettingsStore reread(file);
    if (number >= 1) {
        const QString mapped = path.trimmed();
        FUZZ_CHECK(portDevicePath(number, reread) ==
                   (mapped.isEmpty() ? platformPath(number) : mapped));
    }
    FUZZ_CHECK(optionTexts(reread) == texts);

    // The options as the options dialog writes them read back whole, whatever other spellings
    // of their keys the file held. Seven writes, seven syncs: not for every input.
    if (!(data[0] & 0x08))
        return 0;
    SaveOptions(loaded, reread);
    GlobalState saved;
    FUZZ_CHECK(LoadSettings(saved, SettingsStore(file)) && sameOptions(saved, loaded));
    return 0;
}
