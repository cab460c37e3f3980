#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <memory>

// The few registry calls the about box makes, behind a seam so that tests drive it with a fake.
// Results are the operating system's error codes: 0 is success.
class Registry {
public:
    using Handle = quintptr;

    static constexpr quint32 kLocalMachine = 0x80000002; // HKEY_LOCAL_MACHINE
    static constexpr quint32 kReadAccess = 0x20019;      // KEY_READ
    static constexpr quint32 kString = 1;                // REG_SZ
    static constexpr quint32 kNumber = 4;                // REG_DWORD
    static constexpr long kSuccess = 0;
    static constexpr long kMoreData = 234; // ERROR_MORE_DATA: the value does not fit

    virtual ~Registry() = default;
    // Opens `path` under `root`; on failure `handle` stays as it was.
    virtual long openKey(quint32 root, const QString &path, quint32 access, Handle &handle) = 0;
    // Reads value `name` into `buffer`, at most `size` bytes; `size` becomes the value's size.
    virtual long queryValue(Handle handle, const QString &name, quint32 &type, QByteArray &buffer,
                            quint32 &size) = 0;
    virtual long closeKey(Handle handle) = 0;
};

// The system's registry where there is one; null elsewhere.
std::unique_ptr<Registry> systemRegistry();

// Reads one value as text into KeyVal: a string as it is, a 32-bit number as its decimal value;
// a value of another type leaves KeyVal as it was. False, with KeyVal empty, when the key cannot
// be opened or the value cannot be read or holds 1024 bytes or more. The key is closed in every
// case.
bool GetKeyValue(Registry &registry, quint32 KeyRoot, const QString &KeyName,
                 const QString &SubKeyRef, QString &KeyVal);
