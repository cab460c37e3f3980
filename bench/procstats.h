#pragma once

#include <QCoreApplication>
#include <QDir>
#include <QFile>

// What the process holds, for the leak checks: open file descriptors and resident memory.
inline int openFileDescriptors() {
    return int(QDir(QStringLiteral("/proc/self/fd"))
                   .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)
                   .size());
}

inline qint64 residentKiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine()) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

// How much the process grew while `cycle` ran `cycles` times, counted from the end of cycle
// `warmUp` (caches, fonts and the first connect have settled by then). The count of descriptors
// may also fall: a thread that Qt's pool ends when idle takes its own with it.
struct Growth {
    int fds = 0;
    qint64 kib = 0;
};

template <typename Cycle> Growth growthOver(int cycles, int warmUp, Cycle cycle) {
    Growth before;
    for (int i = 1; i <= cycles; ++i) {
        cycle();
        // What a user's event loop would delete between two clicks.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        if (i == warmUp)
            before = {openFileDescriptors(), residentKiB()};
    }
    return {openFileDescriptors() - before.fds, residentKiB() - before.kib};
}
