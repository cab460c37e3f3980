#include "record/timingsummary.h"

#include "record/jsonobject.h"

namespace {
// Rounded down, also below zero.
qint64 floorDiv(qint64 value, qint64 divisor) {
    const qint64 quotient = value / divisor;
    return quotient * divisor > value ? quotient - 1 : quotient;
}
} // namespace

void TimingSummary::add(std::chrono::nanoseconds lateness) {
    ++m_counts[floorDiv(microsecondsRounded(lateness), m_unitUs)];
    ++m_steps;
    m_drift += lateness;
    while (m_counts.size() > kMaxValues)
        mergeNeighbours();
}

void TimingSummary::mergeNeighbours() {
    std::map<qint64, qint64> merged;
    for (const auto &[unit, count] : m_counts)
        merged[floorDiv(unit, 2)] += count;
    m_counts.swap(merged);
    m_unitUs *= 2;
}

std::optional<std::chrono::nanoseconds> TimingSummary::percentile(int percent) const {
    if (m_steps == 0)
        return std::nullopt;
    // The smallest value that at least `percent` per cent of the steps do not exceed.
    const qint64 rank = std::max<qint64>(1, (m_steps * percent + 99) / 100);
    qint64 seen = 0;
    for (const auto &[unit, count] : m_counts) {
        seen += count;
        if (seen >= rank)
            return std::chrono::microseconds(unit * m_unitUs);
    }
    return std::nullopt; // not reached: the counts add up to m_steps
}
