#pragma once

#include "support/apprig.h"
#include "support/scripteddevice.h"
#include "support/scriptedport.h"

// The application module around a scripted device in virtual time. serveEvents() lets `user`
// act, as the person at the windows would while an operation is on the stack, then serves the
// pending events as the real clock does.
struct ScriptedApp : AppRig {
    explicit ScriptedApp(const QStringList &settings = {}, bool realDialogs = false) {
        store(settings);
        auto virtualClock = std::make_unique<VirtualClock>();
        VirtualClock *clock = virtualClock.get();
        clock->setOnServeEvents([this] {
            if (user)
                user(++served);
            QCoreApplication::processEvents();
        });
        build(
            [this, clock](SettingsStore &) {
                auto scripted = std::make_unique<ScriptedPort>(*clock);
                scripted->setResponder([this](const QByteArray &w) { return device(w); });
                port = scripted.get();
                return scripted;
            },
            std::move(virtualClock), realDialogs);
    }
    // The channels the device was moved to, read from the distinct positions it has.
    QList<int> moves() const {
        QList<int> channels;
        for (const QByteArray &w : port->writtenBytes()) {
            if (w.startsWith("LA"))
                channels << (w.mid(2).chopped(3).toInt() - 7) / 100;
        }
        return channels;
    }

    ScriptedPort *port = nullptr;
    ScriptedDevice device;
    std::function<void(int served)> user;
    int served = 0;
};
