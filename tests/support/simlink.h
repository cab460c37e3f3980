#pragma once

#include "core/globalstate.h"
#include "device/devicelink.h"
#include "platform/clock.h"
#include "platform/portnames.h"
#include "platform/settingsstore.h"
#include "platform/systemserialport.h"
#include "support/simulator.h"

// The program's side of an end-to-end test: the real port, the real clock and the link, with
// port 1 mapped to the simulator's terminal (or to `device`, a bridge to it) in a settings store
// of the test's own.
struct SimLink {
    explicit SimLink(const Simulator &sim, const QString &device = {})
        : store(sim.filePath(QStringLiteral("settings.conf"))) {
        store.write(QString::fromLatin1(kPortsSection), QStringLiteral("Com1"),
                    device.isEmpty() ? sim.linkPath() : device);
        state.opt_comport = 1;
    }

    SettingsStore store;
    GlobalState state;
    SystemSerialPort port{store};
    SystemClock clock;
    DeviceLink link{state, port, clock};
};

// The simulator's --positions argument for a list of 16 positions.
inline QString positionList(const QList<int> &positions) {
    QStringList texts;
    for (const int position : positions)
        texts << QString::number(position);
    return texts.join(QLatin1Char(','));
}

// The trace of one channel command to `position` on a device that is there at once: the move,
// all 20 position polls with their fault queries, and the release.
inline QList<QByteArray> channelCommandTrace(int position) {
    QList<QByteArray> commands{"LA" + QByteArray::number(position) + "\\r", "M\\r"};
    for (int poll = 0; poll < 20; ++poll)
        commands << "POS\\r"
                 << "GFS\\r";
    return commands << "LR0\\r"
                    << "M\\r";
}
