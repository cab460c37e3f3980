#include "platform/registry.h"

#include <windows.h>

namespace {
HKEY toKey(quintptr value) {
    return reinterpret_cast<HKEY>(value);
}

// Root keys are 32-bit values that the system widens with their sign, as HKEY_LOCAL_MACHINE is.
HKEY rootKey(quint32 root) {
    return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(root)));
}

// The registry of the ANSI calls, as the tool's locations were always read.
class WindowsRegistry final : public Registry {
public:
    long openKey(quint32 root, const QString &path, quint32 access, Handle &handle) override {
        HKEY opened = nullptr;
        const long result = RegOpenKeyExA(rootKey(root), path.toLocal8Bit().constData(), 0,
                                          REGSAM(access), &opened);
        if (result == ERROR_SUCCESS)
            handle = reinterpret_cast<Handle>(opened);
        return result;
    }
    long queryValue(Handle handle, const QString &name, quint32 &type, QByteArray &buffer,
                    quint32 &size) override {
        DWORD valueType = 0;
        DWORD valueSize = size;
        const long result =
            RegQueryValueExA(toKey(handle), name.toLocal8Bit().constData(), nullptr, &valueType,
                             reinterpret_cast<LPBYTE>(buffer.data()), &valueSize);
        type = valueType;
        size = valueSize;
        return result;
    }
    long closeKey(Handle handle) override { return RegCloseKey(toKey(handle)); }
};
} // namespace

std::unique_ptr<Registry> systemRegistry() {
    return std::make_unique<WindowsRegistry>();
}
