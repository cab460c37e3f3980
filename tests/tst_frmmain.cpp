// The main window and start-up: the application module around a scripted device in virtual
// time, a temporary settings file and fake dialogs.
#include "app/frmsplash.h"
#include "device/devicelink.h"
#include "program/programfile.h"
#include "program/programtable.h"
#include "support/apprig.h"
#include "support/scriptedport.h"
#include "ui/frmmini.h"
#include "ui/twips.h"

#include <QDir>
#include <QLabel>
#include <QPointer>
#include <QTest>

namespace {
// A QMX-7700 that answers at once; its fault replies are used up in order, the last repeats.
struct Device {
    bool present = true;
    QList<QByteArray> faults{"0\r\n"};
    QByteArray position; // the reply to POS
    std::function<void()> onFirstWrite;

    QByteArray operator()(const QByteArray &written) {
        if (onFirstWrite)
            std::exchange(onFirstWrite, nullptr)();
        if (!present)
            return {};
        QByteArray table = "GPROGSEQ\r\nQMX-7700\r\n16\r\npos\r\n";
        for (int channel = 1; channel <= 16; ++channel)
            table += "H" + QByteArray::number(channel + 10) + " " +
                     QByteArray::number(channel * 100) + "\r\n";
        if (written == "GFS\r")
            return faults.size() > 1 ? faults.takeFirst() : faults.first();
        const QHash<QByteArray, QByteArray> replies{
            {"GPROGSEQ\r\n", table}, {"VER\r", "Version 2.10\r\n"}, {"POS\r", position}};
        return replies.value(written);
    }
};

// serveEvents() lets `user` act, as the person at the windows would while an operation is on
// the stack, then serves the pending events as the real clock does.
struct Rig : AppRig {
    explicit Rig(const QStringList &settings = {}) {
        for (const QString &setting : settings)
            setSetting(QStringLiteral("Settings"), setting.section(u'=', 0, 0),
                       setting.section(u'=', 1));
        auto virtualClock = std::make_unique<VirtualClock>();
        clock = virtualClock.get();
        clock->setOnServeEvents([this] {
            if (user)
                user(++served);
            QCoreApplication::processEvents();
        });
        build(
            [this](SettingsStore &) {
                auto scripted = std::make_unique<ScriptedPort>(*clock);
                scripted->setResponder([this](const QByteArray &w) { return device(w); });
                port = scripted.get();
                return scripted;
            },
            std::move(virtualClock));
    }
    GlobalState &state() const { return module->state(); }
    QString status() const {
        return main().findChild<QLabel *>(QStringLiteral("sbStatusBarPanel1"))->text();
    }
    // The pressed toolbar buttons, then the enabled views.
    QString buttons() const {
        QString pressed;
        for (const char *key : {"Channelmode", "Programmode", "Run", "Stop"})
            pressed += action(QString::fromLatin1(key))->isChecked() ? key[0] : '-';
        return pressed;
    }
    QString enabledViews() const {
        return QStringLiteral("%1%2")
            .arg(module->channelView()->isEnabled() ? 'c' : '-')
            .arg(module->programView()->isEnabled() ? 'p' : '-');
    }
    // Steps of "channel time unit", in a new program.
    void program(const QStringList &steps) {
        click(QStringLiteral("Neu"));
        for (int i = 0; i < steps.size(); ++i)
            for (int c = 0; c < 3; ++c)
                module->table().setText(i + 1, c + 1, steps[i].section(u' ', c, c));
    }
    int moves() const {
        const QList<QByteArray> writes = port->writtenBytes();
        return int(std::count_if(writes.cbegin(), writes.cend(),
                                 [](const QByteArray &w) { return w.startsWith("LA"); }));
    }
    // What the windows show; positions in twips.
    QString windows() const {
        const auto place = [](auto &w, const char *name) {
            if (!w.isVisible())
                return w.isParked() ? QStringLiteral("%1 parked").arg(name) : QString();
            return QStringLiteral("%1 %2,%3").arg(name).arg(w.left()).arg(w.top());
        };
        const QWidget *front = main().activeChildView();
        const QString child = !front || !front->isVisible()    ? QString()
                              : front == module->channelView() ? QStringLiteral("channel")
                                                               : QStringLiteral("program");
        QStringList shown{place(main(), "main"), place(*module->miniView(), "mini"), child};
        shown.removeAll(QString());
        return shown.join(QStringLiteral("; "));
    }

    VirtualClock *clock = nullptr;
    ScriptedPort *port = nullptr;
    Device device;
    std::function<void(int served)> user;
    int served = 0;
};
} // namespace

class TestFrmMain : public QObject {
    Q_OBJECT

private slots:
    void startUp_data();
    void startUp();
    void changeView_data();
    void changeView();
    void runAndStop_data();
    void runAndStop();
    void fileCommands_data();
    void fileCommands();
    void modalDialogs_data();
    void modalDialogs();
    void closing_data();
    void closing();
    void fixedFrameAndSplash();
};

void TestFrmMain::startUp_data() {
    QTest::addColumn<QStringList>("settings"); // none: a fresh installation
    QTest::addColumn<bool>("device");
    QTest::addColumn<QString>("shown"); // 1000 twips are 67 pixels, 1005 twips
    QTest::addColumn<int>("curChannel");

    QTest::newRow("fresh, device found") << QStringList() << true << "main 1005,1005; channel" << 0;
    QTest::newRow("fresh, no device") << QStringList() << false << "main 1005,1005; channel" << -1;
    QTest::newRow("View 1") << QStringList{"View=1"} << true << "main 1005,1005; program" << 0;
    QTest::newRow("View 2") << QStringList{"View=2", "MiniLeft=450"} << true << "mini 450,1005"
                            << 0;
    QTest::newRow("View 3: no view, connect still runs")
        << QStringList{"View=3"} << true << "" << 0;
}

void TestFrmMain::startUp() {
    QFETCH(QStringList, settings);
    QFETCH(bool, device);
    QFETCH(QString, shown);
    QFETCH(int, curChannel);

    Rig rig(settings);
    rig.device.present = device;
    QString shownWhenConnecting = QStringLiteral("no connect");
    rig.device.onFirstWrite = [&] {
        shownWhenConnecting = rig.windows();
    };
    rig.module->startUp();

    QCOMPARE(shownWhenConnecting, shown);
    QCOMPARE(rig.windows(), shown);
    QCOMPARE(rig.port->number(), 1);
    QCOMPARE(rig.port->opens(), 1);
    QCOMPARE(rig.state().cur_channel, qint16(curChannel));
    QCOMPARE(rig.state().no_of_runs, -1);
    QCOMPARE(rig.state().cont_mode, qint16(0));
    QCOMPARE(rig.status(),
             device ? QStringLiteral("CONNECTED TO QMX7700") : QStringLiteral("NOT CONNECTED"));
    QCOMPARE(rig.messages->messages, device ? QStringList() : QStringList{"QMX-7700 not found"});
    QCOMPARE(rig.buttons(), QStringLiteral("C--S"));
    QVERIFY(!rig.action(QStringLiteral("Run"))->isEnabled());
}

void TestFrmMain::changeView_data() {
    QTest::addColumn<QStringList>("steps"); // a view, or a window moved to a place in twips
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("state"); // pressed buttons, enabled views

    QTest::newRow("mini view") << QStringList{"2"} << "main parked; mini 3000,600"
                               << "C--S cp";
    QTest::newRow("and back") << QStringList{"2", "0"} << "main 1500,1200; mini parked; channel"
                              << "C--S c-";
    QTest::newRow("moved windows come back where they were left")
        << QStringList{"main 4500,300", "2", "mini 600,900", "0", "2"}
        << "main parked; mini 600,900"
        << "C--S c-";
    QTest::newRow("main window from the mini view")
        << QStringList{"main 4500,300", "2", "mini 600,900", "1"}
        << "main 4500,300; mini parked; program"
        << "-P-S -p";
    QTest::newRow("program view") << QStringList{"1"} << "main 1500,1200; mini parked; program"
                                  << "-P-S -p";
    QTest::newRow("channel view again")
        << QStringList{"1", "0"} << "main 1500,1200; mini parked; channel"
        << "C--S c-";
    QTest::newRow("3 changes nothing") << QStringList{"3"} << "main 1500,1200; channel"
                                       << "C--S cp";
    QTest::newRow("-1 changes nothing")
        << QStringList{"1", "-1"} << "main 1500,1200; mini parked; program"
        << "-P-S -p";
}

void TestFrmMain::changeView() {
    QFETCH(QStringList, steps);
    QFETCH(QString, shown);
    QFETCH(QString, state);

    Rig rig({"MainLeft=1500", "MainTop=1200", "MiniLeft=3000", "MiniTop=600"});
    rig.module->startUp();
    for (const QString &step : steps) {
        const QStringList at = step.section(u' ', 1).split(u',');
        if (at.size() < 2)
            rig.main().ChangeView(step.toInt());
        else if (step.startsWith(QLatin1String("main")))
            rig.main().move(toPixels(QPoint(at[0].toInt(), at[1].toInt())));
        else
            rig.module->miniView()->move(at[0].toInt(), at[1].toInt());
    }
    QCOMPARE(rig.windows(), shown);
    QCOMPARE(rig.buttons() + u' ' + rig.enabledViews(), state);
}

void TestFrmMain::runAndStop_data() {
    QTest::addColumn<QString>("step");           // steps "<channel> 1 s": the first, and 5
    QTest::addColumn<QString>("clickDuringRun"); // at the run's second event round
    QTest::addColumn<QByteArray>("position");    // the reply to POS
    QTest::addColumn<QStringList>("buttonsDuringRun");
    QTest::addColumn<int>("moves");
    QTest::addColumn<QString>("message");

    QTest::newRow("a run") << "3"
                           << "" << QByteArray() << QStringList{"C-R-"} << 2 << "";
    QTest::newRow("Run during the run starts nothing")
        << "3"
        << "Run" << QByteArray() << QStringList{"C-R-", "C-R-"} << 2 << "";
    QTest::newRow("Stop during the run ends it")
        << "3"
        << "Stop" << QByteArray() << QStringList{"C-R-", "C-RS"} << 1 << "";
    QTest::newRow("a program that cannot run")
        << "17"
        << "" << QByteArray() << QStringList() << 0 << "Step 1: the channel must be 1 to 16.";
    QTest::newRow("a broken reply ends the run, not the program")
        << "3"
        << "" << QByteArray("#?x\r\n") << QStringList{"C-R-"} << 1
        << "The run stopped at step 1: the QMX-7700 did not answer as expected.";
}

void TestFrmMain::runAndStop() {
    QFETCH(QString, step);
    QFETCH(QString, clickDuringRun);
    QFETCH(QByteArray, position);
    QFETCH(QStringList, buttonsDuringRun);
    QFETCH(int, moves);
    QFETCH(QString, message);

    Rig rig;
    rig.module->startUp();
    rig.program({step + QStringLiteral(" 1 s"), QStringLiteral("5 1 s")});
    rig.port->clearWrites();
    rig.device.position = position;
    QStringList seen;
    rig.user = [&, start = rig.served](int served) {
        if (served == start + 1)
            seen << rig.buttons();
        if (served == start + 2 && !clickDuringRun.isEmpty()) {
            rig.click(clickDuringRun);
            seen << rig.buttons();
        }
    };
    rig.click(QStringLiteral("Run"));

    QCOMPARE(seen, buttonsDuringRun);
    QCOMPARE(rig.moves(), moves);
    QCOMPARE(rig.messages->messages, message.isEmpty() ? QStringList() : QStringList{message});
    // Idle again, and the program goes on; Stop while idle stays pressed.
    QVERIFY(!rig.state().prog_running);
    rig.click(QStringLiteral("Stop"));
    QCOMPARE(rig.buttons(), QStringLiteral("C--S"));
    QVERIFY(rig.main().isVisible());
    QCOMPARE(rig.exits, 0);
}

void TestFrmMain::fileCommands_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("answer"); // "file", "bad" (a folder that does not exist), cancel
    QTest::addColumn<QString>("dialog");
    QTest::addColumn<bool>("runEnabled");
    QTest::addColumn<QString>("channel1"); // in the table after the command; "" emptied
    QTest::addColumn<bool>("written");

    const QString open =
        "open|Open|All Files (*.*)|*.*|" +
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("Program Files"));
    const QString save = QStringLiteral("save|Speichern|QMX Files (*.qmx)|*.qmx");
    const QString saveAs = QStringLiteral("save|Speichern unter|Alle Dateien (*.*)|*.*");

    QTest::newRow("New") << "mnuFileNew"
                         << ""
                         << "" << true << "" << false;
    QTest::newRow("Open, cancel") << "mnuFileOpen"
                                  << "" << open << false << "4" << false;
    QTest::newRow("Open") << "mnuFileOpen"
                          << "file" << open << true << "9" << false;
    QTest::newRow("Öffnen") << "Öffnen"
                            << "file" << open << true << "9" << false;
    QTest::newRow("Save, cancel") << "mnuFileSave"
                                  << "" << save << false << "4" << false;
    QTest::newRow("Save") << "mnuFileSave"
                          << "file" << save << true << "4" << true;
    QTest::newRow("Speichern") << "Speichern"
                               << "file" << save << true << "4" << true;
    QTest::newRow("Save that fails") << "mnuFileSave"
                                     << "bad" << save << true << "4" << false;
    QTest::newRow("Save as, cancel") << "mnuFileSaveAs"
                                     << "" << saveAs << false << "4" << false;
    QTest::newRow("Save as") << "mnuFileSaveAs"
                             << "file" << saveAs << false << "4" << true;
    QTest::newRow("Save as with no view") << "View=3"
                                          << "file"
                                          << "" << false << "4" << false;
}

void TestFrmMain::fileCommands() {
    QFETCH(QString, command);
    QFETCH(QString, answer);
    QFETCH(QString, dialog);
    QFETCH(bool, runEnabled);
    QFETCH(QString, channel1);
    QFETCH(bool, written);

    const bool noView = command.startsWith(QLatin1String("View"));
    Rig rig(noView ? QStringList{command} : QStringList());
    rig.module->startUp();
    const QString stored = rig.dir.filePath(QStringLiteral("stored.qmx"));
    ProgramTable storedTable;
    storedTable.setText(1, ProgramTable::ChannelColumn, QStringLiteral("9"));
    QCOMPARE(SaveProgram(stored, storedTable), QString());
    rig.module->table().setText(1, ProgramTable::ChannelColumn, QStringLiteral("4"));

    const QString target = rig.dir.filePath(QStringLiteral("target.qmx"));
    if (answer == QLatin1String("file"))
        rig.files->answer = dialog.startsWith(QLatin1String("open")) ? stored : target;
    else if (answer == QLatin1String("bad"))
        rig.files->answer = rig.dir.filePath(QStringLiteral("none/target.qmx"));
    rig.click(noView ? QStringLiteral("mnuFileSaveAs") : command);

    QCOMPARE(rig.files->calls, dialog.isEmpty() ? QStringList() : QStringList{dialog});
    QCOMPARE(rig.action(QStringLiteral("Run"))->isEnabled(), runEnabled);
    QCOMPARE(rig.module->table().text(1, ProgramTable::ChannelColumn), channel1);
    QCOMPARE(rig.messages->messages.size(), answer == QLatin1String("bad") ? 1 : 0);
    QCOMPARE(QFileInfo::exists(target), written);
    if (written) {
        ProgramTable reread;
        StepTable steps;
        LoadProgram(target, reread, steps, nullptr, nullptr);
        QCOMPARE(reread.text(1, ProgramTable::ChannelColumn), QStringLiteral("4"));
    }
    // Save as names the file in the caption of the view in front.
    const bool savedAs = command == QLatin1String("mnuFileSaveAs") && !answer.isEmpty();
    QCOMPARE(rig.module->channelView()->windowTitle(), savedAs ? rig.files->answer : QString());
}

void TestFrmMain::modalDialogs_data() {
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("dialog");

    QTest::newRow("Tools, Options") << "mnuToolsOptions"
                                    << "options";
    QTest::newRow("File, Options") << "mnuFileProperties"
                                   << "options";
    QTest::newRow("?, Info") << "mnuHelpAbout"
                             << "about";
    QTest::newRow("?, Contents opens no dialog") << "mnuHelpContents"
                                                 << "help";
}

void TestFrmMain::modalDialogs() {
    QFETCH(QString, item);
    QFETCH(QString, dialog);

    Rig rig({"OnTop=1"});
    rig.module->startUp();
    rig.dialogs->mainWindow = &rig.main();
    rig.main().ChangeView(0);
    const auto topmost = [&] {
        return rig.main().windowFlags().testFlag(Qt::WindowStaysOnTopHint);
    };
    QVERIFY(topmost());
    QString whileOpen;
    rig.dialogs->whileOpen = [&](QWidget *owner) {
        whileOpen = QStringLiteral("owner %1, on top %2, opt_ontop %3")
                        .arg(owner == &rig.main() ? 'm' : '?')
                        .arg(topmost() ? 'y' : 'n')
                        .arg(rig.state().opt_ontop);
    };
    rig.action(item)->trigger();

    QCOMPARE(rig.dialogs->log, QStringList{dialog});
    QCOMPARE(whileOpen, dialog == QLatin1String("help")
                            ? QString()
                            : QStringLiteral("owner m, on top n, opt_ontop 1"));
    QVERIFY(topmost());
}

void TestFrmMain::closing_data() {
    QTest::addColumn<QString>("during");
    QTest::addColumn<QString>("mainLeft"); // as stored afterwards

    QTest::newRow("idle") << "idle"
                          << "3000";
    QTest::newRow("File, End in the mini view") << "mini view"
                                                << "1500";
    QTest::newRow("a run") << "run"
                           << "3000";
    QTest::newRow("the fault wait of a connect") << "connect"
                                                 << "3000";
    QTest::newRow("the fault wait of the start-up connect") << "start-up"
                                                            << "3000";
}

void TestFrmMain::closing() {
    QFETCH(QString, during);
    QFETCH(QString, mainLeft);

    Rig rig({"MainLeft=1500"});
    bool aliveAfterClose = false;
    const auto closeNow = [&] {
        rig.main().move(toPixels(QPoint(3000, 450)));
        rig.main().close();
        aliveAfterClose = rig.module->channelView() && rig.module->programView();
    };
    // Closed at the given event round of the operation.
    const auto closeAt = [&](int round) {
        rig.user = [&, at = rig.served + round](int served) {
            if (served == at)
                closeNow();
        };
    };
    if (during == QLatin1String("start-up")) {
        rig.device.faults = {"3\r\n"};
        closeAt(2);
    }
    rig.module->startUp();
    QStringList unloaded;
    for (QObject *window : QList<QObject *>{rig.module->miniView(), rig.module->channelView(),
                                            rig.module->programView()})
        connect(window, &QObject::destroyed, this,
                [&unloaded, name = window->metaObject()->className()] { unloaded << name; });
    const QPointer<frmMain> main = &rig.main();

    if (during == QLatin1String("idle")) {
        closeNow();
    } else if (during == QLatin1String("mini view")) {
        rig.main().ChangeView(2);
        rig.click(QStringLiteral("mnuFileExit"));
    } else if (during == QLatin1String("run")) {
        rig.program({QStringLiteral("3 1 min")});
        closeAt(3);
        rig.click(QStringLiteral("Run"));
        QCOMPARE(rig.moves(), 1);
    } else if (during == QLatin1String("connect")) {
        rig.click(QStringLiteral("mnuToolsmnuDisconnect"));
        rig.device.faults = {"3\r\n"};
        closeAt(2); // once the device has reported its fault
        rig.click(QStringLiteral("mnuToolsmnuConnect"));
        QCOMPARE(rig.port->count("GFS\r"), 2);
    }
    // Nothing was unloaded while the operation was on the stack.
    QVERIFY(aliveAfterClose || during == QLatin1String("mini view"));
    QVERIFY(main);
    QVERIFY(!rig.state().prog_running);
    QVERIFY(!rig.port->isOpen());
    const bool inConnect =
        during == QLatin1String("connect") || during == QLatin1String("start-up");
    QCOMPARE(rig.status(),
             inConnect ? QStringLiteral("NOT CONNECTED") : QStringLiteral("CONNECTED TO QMX7700"));

    QTRY_VERIFY(rig.module->unloaded());
    QCOMPARE(unloaded, (QStringList{"frmMini", "frmChannel", "frmProgram"}));
    QCOMPARE(rig.dialogs->log, QStringList{"unload dialogs"});
    QVERIFY(!main);
    QVERIFY(!rig.state().main_window);
    QCOMPARE(rig.exits, 1);
    QCOMPARE(rig.setting(QStringLiteral("MainLeft")), mainLeft);
}

void TestFrmMain::fixedFrameAndSplash() {
    Rig rig;
    rig.module->startUp();
    frmMain &main = rig.main();
    const QSize size = toPixels(QSize(5300, 6500));
    QCOMPARE(main.frameGeometry().size(), size);
    // Move and close only.
    const Qt::WindowFlags flags = main.windowFlags();
    QCOMPARE(flags & (Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint),
             Qt::WindowCloseButtonHint);
    main.showMaximized();
    QTRY_VERIFY(!main.isMaximized());
    QCOMPARE(main.frameGeometry().size(), size);

    frmSplash splash;
    QCOMPARE(splash.findChild<QLabel *>(QStringLiteral("lblVersion"))->text(),
             QStringLiteral("Version 2.0.0"));
    QCOMPARE(splash.findChild<QLabel *>(QStringLiteral("lblProductName"))->text(),
             QStringLiteral("QMX-7700"));
}

QTEST_MAIN(TestFrmMain)
#include "tst_frmmain.moc"
