#include "platform/registry.h"

#include <QtEndian>

namespace {
constexpr quint32 kBufferSize = 1024;
} // namespace

#ifndef Q_OS_WIN
std::unique_ptr<Registry> systemRegistry() {
    return nullptr;
}
#endif

bool GetKeyValue(Registry &registry, quint32 KeyRoot, const QString &KeyName,
                 const QString &SubKeyRef, QString &KeyVal) {
    Registry::Handle handle = 0;
    bool read = false;
    if (registry.openKey(KeyRoot, KeyName, Registry::kReadAccess, handle) == Registry::kSuccess) {
        QByteArray buffer(kBufferSize, '\0');
        quint32 size = kBufferSize;
        quint32 type = 0;
        read = registry.queryValue(handle, SubKeyRef, type, buffer, size) == Registry::kSuccess;
        // The text ends at its first NUL; one that fills the whole buffer has no known end.
        const qsizetype end = buffer.indexOf('\0');
        if (read && type == Registry::kString) {
            read = end >= 0;
            KeyVal = QString::fromLocal8Bit(buffer.left(end));
        } else if (read && type == Registry::kNumber) {
            // Four bytes, low byte first; a zero byte among them is part of the number.
            KeyVal = QString::number(qFromLittleEndian<quint32>(buffer.constData()));
        }
    }
    // Closed also when opening failed, as the system allows for a handle never opened.
    registry.closeKey(handle);
    if (!read)
        KeyVal.clear();
    return read;
}
