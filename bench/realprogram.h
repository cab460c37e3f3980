#pragma once

#include <QByteArray>
#include <QLatin1String>
#include <QStringList>

#include <algorithm>

// For the benchmarks that run the real program with its windows against qmx7700-sim.
namespace bench {
// Before the application is made: offscreen when there is no display, and the simulator this
// build made unless QMX_SIM names another.
inline void prepareEnvironment(const char *simulatorPath) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("QMX_SIM"))
        qputenv("QMX_SIM", simulatorPath);
}

// The value given as "<name> N" among the arguments, at least `least`; `fallback` without one.
inline int intArgument(const QStringList &arguments, const char *name, int fallback, int least) {
    const qsizetype at = arguments.indexOf(QLatin1String(name));
    return at > 0 && at + 1 < arguments.size() ? std::max(least, arguments[at + 1].toInt())
                                               : fallback;
}
} // namespace bench
