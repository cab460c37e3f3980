// The main window and start-up, with the application module around a scripted device in virtual
// time, a temporary settings file and fake dialogs.
#include "app/frmsplash.h"
#include "device/devicelink.h"
#include "program/programfile.h"
#include "program/programtable.h"
#include "program/runner.h"
#include "support/apprig.h"
#include "support/scriptedport.h"
#include "support/tablerows.h"
#include "ui/frmchannel.h"
#include "ui/frmmini.h"
#include "ui/frmprogram.h"
#include "ui/twips.h"

#include <QDir>
#include <QLabel>
#include <QPointer>
#include <QTest>

namespace {
const QString kConnected = QStringLiteral("CONNECTED TO QMX7700");
const QString kNotConnected = QStringLiteral("NOT CONNECTED");

// A QMX-7700 that answers at once; its fault replies are used up in order, the last repeats.
struct Device {
    bool present = true;
    QList<QByteArray> faults{"0\r\n"};
    QByteArray position; // the reply to POS; empty: no reply
    std::function<void()> onFirstWrite;
    int writes = 0;

    QByteArray operator()(const QByteArray &written) {
        if (writes++ == 0 && onFirstWrite)
            onFirstWrite();
        if (!present)
            return {};
        if (written == "GPROGSEQ\r\n") {
            QByteArray table = "GPROGSEQ\r\nQMX-7700\r\n16\r\npos\r\n";
            for (int channel = 1; channel <= 16; ++channel)
                table += "H" + QByteArray::number(channel).rightJustified(2, '0') + " " +
                         QByteArray::number(channel * 100) + "\r\n";
            return table;
        }
        if (written == "VER\r")
            return "Version 2.10\r\n";
        if (written == "GFS\r")
            return faults.size() > 1 ? faults.takeFirst() : faults.first();
        if (written == "POS\r")
            return position;
        return {};
    }
};

// The module around the scripted device; serveEvents() runs `user`, who plays the person at the
// windows while an operation is on the stack, and then serves the pending events.
struct Rig : AppRig {
    Rig() {
        auto virtualClock = std::make_unique<VirtualClock>();
        clock = virtualClock.get();
        clock->setOnServeEvents([this] {
            ++served;
            if (user)
                user(served);
            // As the real clock does: a closed window's unload could run from here.
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
    QString statusText() const {
        return main().findChild<QLabel *>(QStringLiteral("sbStatusBarPanel1"))->text();
    }
    bool pressed(const QString &key) const { return action(key)->isChecked(); }
    // A program of "channel time unit" steps, and the Run button enabled.
    void program(const QStringList &steps) {
        click(QStringLiteral("Neu"));
        for (int i = 0; i < steps.size(); ++i) {
            const QStringList cells = steps[i].split(u' ');
            for (int c = 0; c < 3; ++c)
                module->table().setText(i + 1, c + 1, cells[c]);
        }
    }
    int channelMoves() const {
        int moves = 0;
        for (const QByteArray &w : port->writtenBytes())
            moves += w.startsWith("LA") ? 1 : 0;
        return moves;
    }

    VirtualClock *clock = nullptr;
    ScriptedPort *port = nullptr;
    Device device;
    std::function<void(int served)> user;
    int served = 0;
};

QString visibleWindows(const Module1 &module) {
    QStringList shown;
    const frmMain &main = *module.mainWindow();
    if (main.isVisible())
        shown << QStringLiteral("main");
    if (module.channelView()->isVisible() && main.activeChildView() == module.channelView())
        shown << QStringLiteral("channel");
    if (module.programView()->isVisible() && main.activeChildView() == module.programView())
        shown << QStringLiteral("program");
    if (module.miniView()->isVisible())
        shown << QStringLiteral("mini");
    return shown.join(u'+');
}

QString place(int left, int top, bool parked, bool visible) {
    if (parked)
        return visible ? QStringLiteral("parked but shown") : QStringLiteral("parked");
    return QStringLiteral("%1,%2%3").arg(left).arg(top).arg(visible ? "" : " hidden");
}

// Where the windows are, which is in front and enabled, and the view buttons.
QString viewState(const Rig &rig) {
    const frmMain &main = rig.main();
    const frmMini &mini = *rig.module->miniView();
    const QWidget *front = main.activeChildView();
    return QStringLiteral("main %1; mini %2; %3 in front; enabled %4%5; buttons %6%7")
        .arg(place(main.left(), main.top(), main.isParked(), main.isVisible()),
             place(mini.left(), mini.top(), mini.isParked(), mini.isVisible()),
             front == rig.module->channelView() ? QStringLiteral("channel")
                                                : QStringLiteral("program"))
        .arg(rig.module->channelView()->isEnabled() ? 'c' : '-')
        .arg(rig.module->programView()->isEnabled() ? 'p' : '-')
        .arg(rig.pressed(QStringLiteral("Channelmode")) ? '1' : '-')
        .arg(rig.pressed(QStringLiteral("Programmode")) ? '2' : '-');
}
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
    void saveAsWithoutView();
    void modalDialogs_data();
    void modalDialogs();
    void closing_data();
    void closing();
    void fixedFrame();
    void splash();
};

void TestFrmMain::startUp_data() {
    QTest::addColumn<QString>("view"); // empty: no settings stored
    QTest::addColumn<bool>("device");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("curChannel");

    QTest::newRow("fresh settings, device found") << QString() << true << "main+channel" << 0;
    QTest::newRow("fresh settings, no device") << QString() << false << "main+channel" << -1;
    QTest::newRow("View 1") << "1" << true << "main+program" << 0;
    QTest::newRow("View 2") << "2" << true << "mini" << 0;
    QTest::newRow("View 3: no view, connect still runs") << "3" << true << "" << 0;
}

void TestFrmMain::startUp() {
    QFETCH(QString, view);
    QFETCH(bool, device);
    QFETCH(QString, shown);
    QFETCH(int, curChannel);

    Rig rig;
    if (!view.isEmpty())
        rig.setSetting(QStringLiteral("Settings"), QStringLiteral("View"), view);
    rig.device.present = device;
    QString shownWhenConnecting = QStringLiteral("no connect");
    rig.device.onFirstWrite = [&] {
        shownWhenConnecting = visibleWindows(*rig.module);
    };
    rig.module->startUp();

    QCOMPARE(shownWhenConnecting, shown);
    QCOMPARE(visibleWindows(*rig.module), shown);
    QCOMPARE(rig.port->number(), 1);
    QCOMPARE(rig.port->opens(), 1);
    QCOMPARE(rig.state().cur_channel, qint16(curChannel));
    QCOMPARE(rig.state().no_of_runs, -1);
    QCOMPARE(rig.state().cont_mode, qint16(0));
    QCOMPARE(rig.statusText(), device ? kConnected : kNotConnected);
    QCOMPARE(rig.messages->messages,
             device ? QStringList() : QStringList{QStringLiteral("QMX-7700 not found")});
    QVERIFY(!rig.action(QStringLiteral("Run"))->isEnabled());
    QCOMPARE(viewState(rig).section(u';', 4), QStringLiteral(" buttons 1-"));
    QVERIFY(rig.pressed(QStringLiteral("Stop")));
}

void TestFrmMain::changeView_data() {
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("expected"); // empty: as after start-up

    // Start-up: main window at 1500,1200, the mini window loaded at 3000,600.
    QTest::newRow("mini view")
        << QStringList{"2"}
        << "main parked; mini 3000,600; channel in front; enabled cp; buttons 1-";
    QTest::newRow("and back")
        << QStringList{"2", "0"}
        << "main 1500,1200; mini parked; channel in front; enabled c-; buttons 1-";
    QTest::newRow("moved windows come back where they were left")
        << QStringList{"main 4500,300", "2", "mini 600,900", "0", "2"}
        << "main parked; mini 600,900; channel in front; enabled c-; buttons 1-";
    QTest::newRow("main window back from the mini view")
        << QStringList{"main 4500,300", "2", "mini 600,900", "0"}
        << "main 4500,300; mini parked; channel in front; enabled c-; buttons 1-";
    QTest::newRow("program view")
        << QStringList{"1"}
        << "main 1500,1200; mini parked; program in front; enabled -p; buttons -2";
    QTest::newRow("program view from the mini view")
        << QStringList{"2", "1"}
        << "main 1500,1200; mini parked; program in front; enabled -p; buttons -2";
    QTest::newRow("channel view again") << QStringList{"1", "0"}
                                        << "main 1500,1200; mini parked; channel in front; "
                                           "enabled c-; buttons 1-";
    QTest::newRow("3 changes nothing") << QStringList{"3"} << QString();
    QTest::newRow("-1 changes nothing") << QStringList{"-1"} << QString();
}

void TestFrmMain::changeView() {
    QFETCH(QStringList, steps);
    QFETCH(QString, expected);

    Rig rig;
    const QString section = QStringLiteral("Settings");
    rig.setSetting(section, QStringLiteral("MainLeft"), QStringLiteral("1500"));
    rig.setSetting(section, QStringLiteral("MainTop"), QStringLiteral("1200"));
    rig.setSetting(section, QStringLiteral("MiniLeft"), QStringLiteral("3000"));
    rig.setSetting(section, QStringLiteral("MiniTop"), QStringLiteral("600"));
    rig.module->startUp();
    const QString afterStartUp = viewState(rig);
    QCOMPARE(afterStartUp, QStringLiteral("main 1500,1200; mini 3000,600 hidden; channel in "
                                          "front; enabled cp; buttons 1-"));

    for (const QString &step : steps) {
        const QStringList words = step.split(u' ');
        if (words.size() == 1) {
            rig.main().ChangeView(step.toInt());
            continue;
        }
        const QStringList at = words[1].split(u',');
        if (words[0] == QLatin1String("main"))
            rig.main().move(toPixels(QPoint(at[0].toInt(), at[1].toInt())));
        else
            rig.module->miniView()->move(at[0].toInt(), at[1].toInt());
    }
    QCOMPARE(viewState(rig), expected.isEmpty() ? afterStartUp : expected);
}

void TestFrmMain::runAndStop_data() {
    QTest::addColumn<QStringList>("program");
    QTest::addColumn<QString>("clickDuringRun"); // at the run's second event round
    QTest::addColumn<QByteArray>("position");    // the device's reply to POS
    QTest::addColumn<QStringList>("buttonsDuringRun");
    QTest::addColumn<int>("moves");
    QTest::addColumn<QString>("message");

    const QStringList twoSteps{"3 1 s", "5 1 s"};
    QTest::newRow("a run") << twoSteps << QString() << QByteArray() << QStringList{"R-"} << 2
                           << QString();
    QTest::newRow("Run during the run starts nothing")
        << twoSteps << "Run" << QByteArray() << QStringList{"R-", "R-"} << 2 << QString();
    QTest::newRow("Stop during the run ends it")
        << twoSteps << "Stop" << QByteArray() << QStringList{"R-", "RS"} << 1 << QString();
    QTest::newRow("a program that cannot run")
        << QStringList{"17 1 s"} << QString() << QByteArray() << QStringList() << 0
        << "Step 1: the channel must be 1 to 16.";
    QTest::newRow("a broken reply ends the run, not the program")
        << twoSteps << QString() << QByteArray("#?x\r\n") << QStringList{"R-"} << 1
        << "The run stopped at step 1: the QMX-7700 did not answer as expected.";
}

void TestFrmMain::runAndStop() {
    QFETCH(QStringList, program);
    QFETCH(QString, clickDuringRun);
    QFETCH(QByteArray, position);
    QFETCH(QStringList, buttonsDuringRun);
    QFETCH(int, moves);
    QFETCH(QString, message);

    Rig rig;
    rig.module->startUp();
    QCOMPARE(rig.statusText(), kConnected);
    rig.program(program);
    rig.port->clearWrites();
    rig.device.position = position;
    const auto buttons = [&rig] {
        return QStringLiteral("%1%2")
            .arg(rig.pressed(QStringLiteral("Run")) ? 'R' : '-')
            .arg(rig.pressed(QStringLiteral("Stop")) ? 'S' : '-');
    };
    const int servedBefore = rig.served;
    QStringList seen;
    rig.user = [&](int served) {
        if (served == servedBefore + 1)
            seen << buttons();
        if (served == servedBefore + 2 && !clickDuringRun.isEmpty()) {
            rig.click(clickDuringRun);
            seen << buttons();
        }
    };

    rig.click(QStringLiteral("Run"));

    QCOMPARE(seen, buttonsDuringRun);
    QCOMPARE(rig.channelMoves(), moves);
    QCOMPARE(rig.messages->messages, message.isEmpty() ? QStringList() : QStringList{message});
    // Idle again, and the program goes on.
    QVERIFY(!rig.state().prog_running);
    QCOMPARE(buttons(), QStringLiteral("-S"));
    QVERIFY(rig.main().isVisible());
    QCOMPARE(rig.exits, 0);

    // Stop while idle stays pressed.
    rig.click(QStringLiteral("Stop"));
    QCOMPARE(buttons(), QStringLiteral("-S"));
}

void TestFrmMain::fileCommands_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("answer"); // "file", "bad" (a folder that does not exist), cancel
    QTest::addColumn<QString>("dialog");
    QTest::addColumn<bool>("runEnabled");
    QTest::addColumn<bool>("written");
    QTest::addColumn<bool>("loaded");

    const QString open =
        QStringLiteral("open|Open|All Files (*.*)|*.*|") +
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("Program Files"));
    const QString save = QStringLiteral("save|Speichern|QMX Files (*.qmx)|*.qmx");
    const QString saveAs = QStringLiteral("save|Speichern unter|Alle Dateien (*.*)|*.*");

    QTest::newRow("New") << "mnuFileNew" << QString() << QString() << true << false << false;
    QTest::newRow("Neu") << "Neu" << QString() << QString() << true << false << false;
    QTest::newRow("Open, cancel") << "mnuFileOpen" << QString() << open << false << false << false;
    QTest::newRow("Open") << "mnuFileOpen"
                          << "file" << open << true << false << true;
    QTest::newRow("Öffnen") << "Öffnen"
                            << "file" << open << true << false << true;
    QTest::newRow("Save, cancel") << "mnuFileSave" << QString() << save << false << false << false;
    QTest::newRow("Save") << "mnuFileSave"
                          << "file" << save << true << true << false;
    QTest::newRow("Speichern") << "Speichern"
                               << "file" << save << true << true << false;
    QTest::newRow("Save that fails") << "mnuFileSave"
                                     << "bad" << save << true << false << false;
    QTest::newRow("Save as, cancel")
        << "mnuFileSaveAs" << QString() << saveAs << false << false << false;
    QTest::newRow("Save as") << "mnuFileSaveAs"
                             << "file" << saveAs << false << true << false;
    QTest::newRow("Save as that fails") << "mnuFileSaveAs"
                                        << "bad" << saveAs << false << false << false;
}

void TestFrmMain::fileCommands() {
    QFETCH(QString, command);
    QFETCH(QString, answer);
    QFETCH(QString, dialog);
    QFETCH(bool, runEnabled);
    QFETCH(bool, written);
    QFETCH(bool, loaded);

    Rig rig;
    rig.module->startUp();
    ProgramTable &table = rig.module->table();
    // A file with a program of its own, and another in the table.
    const QString stored = rig.dir.filePath(QStringLiteral("stored.qmx"));
    ProgramTable storedTable;
    storedTable.setText(1, ProgramTable::ChannelColumn, QStringLiteral("9"));
    QCOMPARE(SaveProgram(stored, storedTable), QString());
    table.setText(1, ProgramTable::ChannelColumn, QStringLiteral("4"));
    const QStringList before = tableRows(table);

    const QString target = rig.dir.filePath(QStringLiteral("target.qmx"));
    if (answer == QLatin1String("file"))
        rig.files->answer = dialog.startsWith(QLatin1String("open")) ? stored : target;
    else if (answer == QLatin1String("bad"))
        rig.files->answer = rig.dir.filePath(QStringLiteral("no such folder/target.qmx"));
    rig.click(command);

    QCOMPARE(rig.files->calls, dialog.isEmpty() ? QStringList() : QStringList{dialog});
    QCOMPARE(rig.action(QStringLiteral("Run"))->isEnabled(), runEnabled);
    QCOMPARE(QFileInfo::exists(target), written);
    QCOMPARE(rig.messages->messages.size(), answer == QLatin1String("bad") ? 1 : 0);
    if (written) {
        ProgramTable reread;
        StepTable steps;
        LoadProgram(target, reread, steps, nullptr, nullptr);
        QCOMPARE(reread.text(1, ProgramTable::ChannelColumn), QStringLiteral("4"));
    }
    if (loaded)
        QCOMPARE(table.text(1, ProgramTable::ChannelColumn), QStringLiteral("9"));
    else if (!command.contains(QLatin1String("New")) && command != QLatin1String("Neu"))
        QCOMPARE(tableRows(table), before);

    // Save as names the file in the caption of the view in front.
    const bool savedAs = command == QLatin1String("mnuFileSaveAs") && !answer.isEmpty();
    QCOMPARE(rig.module->channelView()->windowTitle(), savedAs ? rig.files->answer : QString());
}

void TestFrmMain::saveAsWithoutView() {
    Rig rig;
    rig.setSetting(QStringLiteral("Settings"), QStringLiteral("View"), QStringLiteral("3"));
    rig.module->startUp();
    rig.files->answer = rig.dir.filePath(QStringLiteral("target.qmx"));
    rig.action(QStringLiteral("mnuFileSaveAs"))->trigger();
    QVERIFY(rig.files->calls.isEmpty());
    QVERIFY(!QFileInfo::exists(rig.files->answer));
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

    Rig rig;
    rig.setSetting(QStringLiteral("Settings"), QStringLiteral("OnTop"), QStringLiteral("1"));
    rig.module->startUp();
    rig.dialogs->mainWindow = &rig.main();
    rig.main().ChangeView(0);
    const auto topmost = [&] {
        return rig.main().windowFlags().testFlag(Qt::WindowStaysOnTopHint);
    };
    QVERIFY(topmost());

    QString whileOpen;
    rig.dialogs->whileOpen = [&](QWidget *owner) {
        whileOpen = QStringLiteral("owner %1, topmost %2, opt_ontop %3")
                        .arg(owner == &rig.main() ? "main" : "other")
                        .arg(topmost() ? "yes" : "no")
                        .arg(rig.state().opt_ontop);
    };
    rig.action(item)->trigger();

    QCOMPARE(rig.dialogs->log, QStringList{dialog});
    if (dialog != QLatin1String("help"))
        QCOMPARE(whileOpen, QStringLiteral("owner main, topmost no, opt_ontop 1"));
    QVERIFY(topmost());
    QVERIFY(rig.main().isVisible());
}

void TestFrmMain::closing_data() {
    QTest::addColumn<QString>("during");
    QTest::addColumn<bool>("positionStored");

    QTest::newRow("idle") << "idle" << true;
    QTest::newRow("File, End in the mini view") << "mini view" << false;
    QTest::newRow("a run") << "run" << true;
    QTest::newRow("the fault wait of a connect") << "connect" << true;
    QTest::newRow("the fault wait of the start-up connect") << "start-up" << true;
}

void TestFrmMain::closing() {
    QFETCH(QString, during);
    QFETCH(bool, positionStored);

    Rig rig;
    const QString section = QStringLiteral("Settings");
    rig.setSetting(section, QStringLiteral("MainLeft"), QStringLiteral("1500"));
    rig.setSetting(section, QStringLiteral("MainTop"), QStringLiteral("1200"));
    QStringList unloaded;
    bool aliveAfterClose = true;
    const auto closeNow = [&] {
        rig.main().move(toPixels(QPoint(3000, 450)));
        rig.main().close();
        aliveAfterClose = rig.module->mainWindow() && rig.module->channelView() &&
                          rig.module->programView() && rig.module->miniView();
    };
    if (during == QLatin1String("start-up")) {
        rig.device.faults = {"3\r\n"};
        rig.user = [&](int served) {
            if (served == 3)
                closeNow();
        };
    }
    rig.module->startUp();
    const auto watch = [&](QObject *window, const QString &name) {
        connect(window, &QObject::destroyed, this, [&unloaded, name] { unloaded << name; });
    };
    watch(rig.module->miniView(), QStringLiteral("mini"));
    watch(rig.module->channelView(), QStringLiteral("channel"));
    watch(rig.module->programView(), QStringLiteral("program"));
    const QPointer<frmMain> main = &rig.main();

    if (during == QLatin1String("idle")) {
        closeNow();
    } else if (during == QLatin1String("mini view")) {
        rig.main().ChangeView(2);
        rig.action(QStringLiteral("mnuFileExit"))->trigger();
    } else if (during == QLatin1String("run")) {
        rig.program({QStringLiteral("3 1 min")});
        const int start = rig.served;
        rig.user = [&, start](int served) {
            if (served == start + 3)
                closeNow();
        };
        rig.click(QStringLiteral("Run"));
        QCOMPARE(rig.channelMoves(), 1);
    } else if (during == QLatin1String("connect")) {
        rig.device.faults = {"3\r\n"};
        rig.action(QStringLiteral("mnuToolsmnuDisconnect"))->trigger();
        // Closed once the device has reported its fault.
        const int start = rig.served;
        rig.user = [&, start](int served) {
            if (served == start + 2)
                closeNow();
        };
        rig.action(QStringLiteral("mnuToolsmnuConnect"))->trigger();
        QCOMPARE(rig.port->count("GFS\r"), 2);
    }
    rig.user = nullptr;

    // Nothing was unloaded while the operation was on the stack.
    QVERIFY(aliveAfterClose);
    QVERIFY(!main.isNull());
    QVERIFY(!rig.state().prog_running);
    QVERIFY(!rig.port->isOpen());
    if (during.contains(QLatin1String("connect")) || during == QLatin1String("start-up"))
        QCOMPARE(rig.statusText(), kNotConnected);

    QTRY_VERIFY(rig.module->unloaded());
    QCOMPARE(unloaded, (QStringList{"mini", "channel", "program"}));
    QCOMPARE(rig.dialogs->log, QStringList{QStringLiteral("unload dialogs")});
    QVERIFY(main.isNull());
    QVERIFY(!rig.state().main_window);
    QCOMPARE(rig.exits, 1);
    QCOMPARE(rig.setting(QStringLiteral("MainLeft")),
             positionStored ? QStringLiteral("3000") : QStringLiteral("1500"));
    QCOMPARE(rig.setting(QStringLiteral("MainTop")),
             positionStored ? QStringLiteral("450") : QStringLiteral("1200"));
}

void TestFrmMain::fixedFrame() {
    Rig rig;
    rig.module->startUp();
    frmMain &main = rig.main();
    const QSize size = toPixels(QSize(5300, 6500));
    QCOMPARE(main.frameGeometry().size(), size);
    // Move and close only.
    QVERIFY(!main.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!main.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    QVERIFY(main.windowFlags().testFlag(Qt::WindowCloseButtonHint));
    main.showMaximized();
    QTRY_VERIFY(!main.isMaximized());
    QCOMPARE(main.frameGeometry().size(), size);
}

void TestFrmMain::splash() {
    frmSplash splash;
    QCOMPARE(splash.findChild<QLabel *>(QStringLiteral("lblVersion"))->text(),
             QStringLiteral("Version 2.0.0"));
    QCOMPARE(splash.findChild<QLabel *>(QStringLiteral("lblProductName"))->text(),
             QStringLiteral("QMX-7700"));
}

QTEST_MAIN(TestFrmMain)
#include "tst_frmmain.moc"
