#pragma once

#include "platform/clock.h"
#include "platform/systemserialport.h"
#include "program/programtable.h"
#include "support/apprig.h"

#include <QLabel>

// The application module with its windows around the real clock and serial port (or one built
// on it), port 1 on a simulator's terminal.
struct SimApp : AppRig {
    static std::unique_ptr<SerialPort> systemPort(SettingsStore &store) {
        return std::make_unique<SystemSerialPort>(store);
    }

    explicit SimApp(const QString &linkPath, const PortFactory &makePort = systemPort) {
        store({QStringLiteral("Com1=") + linkPath}, QStringLiteral("Ports"));
        build(makePort, std::make_unique<SystemClock>());
    }

    QLabel *statusPanel() const {
        return main().findChild<QLabel *>(QStringLiteral("sbStatusBarPanel1"));
    }
    QWidget *dialButton(int index) const {
        return module->channelView()->findChild<QWidget *>(QStringLiteral("MyButton%1").arg(index));
    }
    // A new program of "channel time unit" steps.
    void program(const QStringList &steps) {
        click(QStringLiteral("Neu"));
        for (int i = 0; i < steps.size(); ++i)
            for (int column = 0; column < 3; ++column)
                instrument().table().setText(i + 1, column + 1,
                                             steps[i].section(u' ', column, column));
    }
};
