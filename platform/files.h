#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Whole-file reads and writes as bytes, so that any byte survives a round trip.

// The file's bytes, or nothing when it does not exist or cannot be read.
std::optional<QByteArray> readWholeFile(const QString &path);

// Writes through a temporary file that replaces the target only when complete, so a failed save
// leaves the old file whole. Returns an empty text on success, otherwise why it failed.
QString writeWholeFile(const QString &path, const QByteArray &bytes);
