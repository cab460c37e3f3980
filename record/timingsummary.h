#pragma once

#include <QtGlobal>

#include <chrono>
#include <map>
#include <optional>

// How late the steps of a run ended against their planned waits: how many, the median and the
// 99th percentile (nearest rank) and the sum, which is how far the run drifted from its plan.
// Lateness is counted to the microsecond in a table of the values that came, so a run of any
// length costs the same memory: should more than kMaxValues different values come, neighbours
// are merged (2 µs apart, then 4 µs, ...) and a percentile is then the low end of its range.
class TimingSummary {
public:
    static constexpr std::size_t kMaxValues = 16384;

    void add(std::chrono::nanoseconds lateness);

    qint64 steps() const { return m_steps; }
    std::chrono::nanoseconds drift() const { return m_drift; }
    // Nothing while there are no steps.
    std::optional<std::chrono::nanoseconds> median() const { return percentile(50); }
    std::optional<std::chrono::nanoseconds> p99() const { return percentile(99); }

private:
    std::optional<std::chrono::nanoseconds> percentile(int percent) const;
    void mergeNeighbours();

    // Steps by lateness in units of m_unitUs microseconds, rounded down.
    std::map<qint64, qint64> m_counts;
    qint64 m_unitUs = 1;
    qint64 m_steps = 0;
    std::chrono::nanoseconds m_drift{};
};
