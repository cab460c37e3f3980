#pragma once

#include "core/globalstate.h"

#include <QByteArray>
#include <QList>

#include <functional>

// Sixteen positions that differ, so that a channel read into the wrong place shows.
inline QList<qint16> distinctPositions() {
    QList<qint16> positions;
    for (int i = 1; i <= kChannelCount; ++i)
        positions << qint16(i * 100 + 7);
    return positions;
}

// The GPROGSEQ reply: four lines, then a line per position. Its prefix is "H01 " (form H),
// "A " (form A), or without the blank (forms "H." and "A.").
inline QByteArray sequenceReply(const QByteArray &form = "H", const QByteArray &lineEnd = "\r\n",
                                const QList<qint16> &positions = distinctPositions()) {
    QByteArray text =
        "GPROGSEQ" + lineEnd + "QMX-7700" + lineEnd + "16" + lineEnd + "pos" + lineEnd;
    for (int i = 0; i < positions.size(); ++i) {
        const QByteArray channel =
            form.startsWith('H') ? QByteArray::number(i + 1).rightJustified(2, '0') : "";
        text += form.left(1) + channel + (form.endsWith('.') ? "" : " ") +
                QByteArray::number(positions[i]) + lineEnd;
    }
    return text;
}

// A QMX-7700 that answers each command at once, as a ScriptedPort responder. Lists of replies
// are used up in order; their last entry then repeats.
struct ScriptedDevice {
    QByteArray sequence = sequenceReply();
    QByteArray version = "Version 3.1\r\n";
    QList<QByteArray> faults{"0\r\n"};
    QList<QByteArray> positions{""};
    bool silent = false;
    // Runs at each command written, before its answer.
    std::function<void(const QByteArray &written)> onWrite;

    QByteArray operator()(const QByteArray &written) {
        if (onWrite)
            onWrite(written);
        if (silent)
            return {};
        if (written == "GPROGSEQ\r\n")
            return sequence;
        if (written == "ver\r\n")
            return "QMX\r\n";
        if (written == "VER\r")
            return version;
        if (written == "GFS\r")
            return next(faults);
        return written == "POS\r" ? next(positions) : QByteArray();
    }
    static QByteArray next(QList<QByteArray> &replies) {
        return replies.size() > 1 ? replies.takeFirst() : replies.first();
    }
};
