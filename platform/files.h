#pragma once

#include <QByteArray>
#include <QString>

// Whole-file reads and writes as bytes, so that any byte survives a round trip.

// How a whole-file read ended; bytes holds the file when it was read.
struct FileRead {
    enum class Outcome { Read, Missing, NotRegular, TooLarge, Unreadable };
    Outcome outcome = Outcome::Unreadable;
    QByteArray bytes;
    // Why an unreadable file could not be read, from the system.
    QString error;
};

// The bytes of a regular file of at most maxBytes. Anything else is never read: a FIFO would wait
// for a writer and a device may never end, so neither is opened, and a larger file is refused
// before its first byte.
FileRead readRegularFile(const QString &path, qint64 maxBytes);

// Writes through a temporary file that replaces the target only when complete, so a failed save
// leaves the old file whole. A target that exists and is not a regular file (a device, a FIFO) is
// refused: it would be replaced by one. Returns an empty text on success, otherwise why it failed.
QString writeWholeFile(const QString &path, const QByteArray &bytes);
