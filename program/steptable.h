#pragma once

#include <QString>
#include <QtGlobal>

#include <array>

// One step of a program as the runner reads it from the table. The -1 values mean "no step".
struct StepRecord {
    qint16 channel_no = -1;
    double wait_time = -1.0;
    QString time_unit = QStringLiteral("-1");
};

// Index 0 is never used: step i is at index i, so a program holds at most 199 steps.
constexpr int kStepTableSize = 200;
using StepTable = std::array<StepRecord, kStepTableSize>;

inline void clearSteps(StepTable &steps) {
    steps.fill(StepRecord{});
}
