// The windows around the program: the application module around a scripted device in virtual
// time, a temporary settings file and fake dialogs. The main window and start-up, the channel
// dial and the mini view as the user meets them.
#include "app/startup.h"
#include "program/programfile.h"
#include "program/programtable.h"
#include "support/files.h"
#include "support/scriptedapp.h"
#include "ui/frmchannel.h"
#include "ui/frmmini.h"
#include "ui/twips.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

namespace {
const QColor kRed(255, 0, 0);

struct Rig : ScriptedApp {
    explicit Rig(const QStringList &settings = {}, bool realDialogs = false)
        : ScriptedApp(settings, realDialogs) {
        device.onWrite = [this](const QByteArray &written) {
            const QCursor *cursor = QGuiApplication::overrideCursor();
            if (written.startsWith("LA"))
                busy << (cursor && cursor->shape() == Qt::WaitCursor);
        };
    }
    QLabel *panel() const {
        return main().findChild<QLabel *>(QStringLiteral("sbStatusBarPanel1"));
    }
    // The pressed toolbar buttons; with mini, then the mini view's "start" (R) and "stop" (S).
    QString buttons(bool mini = false) const {
        QString pressed;
        for (const char *key : {"Channelmode", "Programmode", "Run", "Stop"})
            pressed += action(QString::fromLatin1(key))->isChecked() ? key[0] : '-';
        if (!mini)
            return pressed;
        const auto miniPressed = [this](const char *key) {
            return module->miniView()->findChild<QAction *>(key)->isChecked();
        };
        return pressed + u'/' + (miniPressed("start") ? u'R' : u'-') +
               (miniPressed("stop") ? u'S' : u'-');
    }
    // What the windows show, positions in twips, then the enabled views.
    QString windows() const {
        const auto place = [](auto &w, const char *name) {
            if (!w.isVisible())
                return w.isParked() ? QStringLiteral("%1 parked; ").arg(name) : QString();
            return QStringLiteral("%1 %2,%3; ").arg(name).arg(w.left()).arg(w.top());
        };
        const QWidget *front = main().activeChildView();
        return place(main(), "main") + place(*module->miniView(), "mini") +
               (!front || !front->isVisible()    ? ""
                : front == module->channelView() ? "channel "
                                                 : "program ") +
               (module->channelView()->isEnabled() ? 'c' : '-') +
               (module->programView()->isEnabled() ? 'p' : '-');
    }
    // Steps "<channel> <time> <unit>" from row 1 on, in a new program.
    void program(const QStringList &steps) {
        click(QStringLiteral("Neu"));
        for (int r = 0; r < steps.size(); ++r) {
            for (int c = 0; c < 3; ++c)
                instrument().table().setText(r + 1, c + 1, steps[r].section(u' ', c, c));
        }
    }
    // The mini view's toolbar button.
    void clickMini(const QString &key) const {
        auto *toolbar = module->miniView()->findChild<QToolBar *>(QStringLiteral("Toolbar1"));
        QTest::mouseClick(toolbar->widgetForAction(toolbar->findChild<QAction *>(key)),
                          Qt::LeftButton);
    }
    QList<QColor> dial() const {
        QList<QColor> colours;
        for (int k = 0; k < kChannelCount; ++k)
            colours << module->channelView()->buttonColor(k);
        return colours;
    }

    // Whether the busy cursor showed at each move.
    QList<bool> busy;
};

// The accessible tree under `node` as assistive tools see it, one line a visible object. The
// controls a user can act on or move the focus to that have no name, and the icon buttons not
// named by their tooltip, go to `misnamed`.
QString accessibleTree(QAccessibleInterface *node, QStringList &misnamed, int depth = 0) {
    static const QSet<QAccessible::Role> kControls{
        QAccessible::Button,     QAccessible::CheckBox,     QAccessible::RadioButton,
        QAccessible::ComboBox,   QAccessible::EditableText, QAccessible::SpinBox,
        QAccessible::MenuItem,   QAccessible::PageTab,      QAccessible::Table,
        QAccessible::ButtonMenu, QAccessible::Slider};
    if (!node || node->state().invisible)
        return {};
    const QString name = node->text(QAccessible::Name);
    const QString line =
        QStringLiteral("%1%2 \"%3\"")
            .arg(QString(depth * 2, u' '),
                 QLatin1String(QMetaEnum::fromType<QAccessible::Role>().valueToKey(node->role())),
                 name);
    const auto *iconButton = qobject_cast<QToolButton *>(node->object());
    if ((name.isEmpty() && (kControls.contains(node->role()) || node->state().focusable)) ||
        (iconButton && name != iconButton->toolTip()))
        misnamed << line.trimmed() + u' ' + node->object()->objectName();
    QString tree =
        line + (node->state().disabled ? QLatin1String(" disabled\n") : QLatin1String("\n"));
    // A table's cells are the program's data, not controls.
    for (int i = 0; node->role() != QAccessible::Table && i < node->childCount(); ++i)
        tree += accessibleTree(node->child(i), misnamed, depth + 1);
    return tree;
}

// The dial with button `index` in `colour`, the others idle.
QList<QColor> onlyOne(int index, const QColor &colour) {
    QList<QColor> all(kChannelCount, frmChannel::kIdleColor);
    all[index] = colour;
    return all;
}
} // namespace

class TestFrmMain : public QObject {
    Q_OBJECT

private slots:
    void startUp_data() {
        QTest::addColumn<QStringList>("settings"); // none: a fresh installation
        QTest::addColumn<bool>("device");
        QTest::addColumn<QString>("shown"); // also while connecting; 1000 twips are 1005 here
        QTest::addColumn<QString>("panel"); // the status panel and its tooltip
        const QString up = QStringLiteral("CONNECTED TO QMX7700|");
        const char *main = "main 1005,1005; channel cp";
        QTest::newRow("fresh, device found") << QStringList() << true << main << up;
        QTest::newRow("fresh, no device") << QStringList() << false << main << "NOT CONNECTED|";
        QTest::newRow("port 0: the tooltip says why")
            << QStringList{"ComPort=0"} << true << main << "NOT CONNECTED|scripted failure";
        QTest::newRow("View 1, on top")
            << QStringList{"View=1", "OnTop=1"} << true << "main 1005,1005; program cp" << up;
        QTest::newRow("View 2, on top") << QStringList{"View=2", "MiniLeft=450.5", "OnTop=1"}
                                        << true << "mini 450,1005; cp" << up;
        QTest::newRow("View 3: no view, connect still runs")
            << QStringList{"View=3"} << true << "cp" << up;
    }

    void startUp() {
        QFETCH(QStringList, settings);
        QFETCH(bool, device);
        QFETCH(QString, shown);
        QFETCH(QString, panel);

        Rig rig(settings);
        rig.device.silent = !device;
        QString whenConnecting;
        rig.device.onWrite = [&](const QByteArray &) {
            if (whenConnecting.isEmpty())
                whenConnecting = rig.windows();
        };
        rig.module->startUp();

        QCOMPARE(rig.windows(), shown);
        QCOMPARE(whenConnecting, rig.port->writes().isEmpty() ? QString() : shown);
        QCOMPARE(rig.panel()->text() + u'|' + rig.panel()->toolTip(), panel);
        QCOMPARE(rig.messages->messages,
                 device ? QStringList() : QStringList{"QMX-7700 not found"});
        QCOMPARE(rig.buttons(), QStringLiteral("C--S"));
        QVERIFY(!rig.action(QStringLiteral("Run"))->isEnabled());
        const GlobalState &state = rig.instrument().state();
        const bool found = panel.startsWith(u"CONNECTED");
        QCOMPARE(QList<int>({state.cont_mode, state.no_of_runs, state.cur_channel}),
                 QList<int>({0, -1, found ? 0 : -1}));
        // The mini view's channel box shows the channel, whether the view is shown or not.
        QCOMPARE(rig.module->miniView()->findChild<QLineEdit *>("channel")->text(),
                 found ? "1" : "0");
        // Always on top is in force in the view shown, and the editor takes keys.
        const QWidget *shownWindow =
            rig.main().isVisible() ? static_cast<QWidget *>(&rig.main()) : rig.module->miniView();
        QCOMPARE(shownWindow->windowFlags().testFlag(Qt::WindowStaysOnTopHint),
                 settings.contains("OnTop=1"));
        QTest::keyClick(rig.module->programView()->findChild<QWidget *>("grid"), Qt::Key_7);
        QCOMPARE(rig.instrument().table().text(1, 1), QStringLiteral("7"));
        // Another start asks for the front; with no view shown, the channel view comes up.
        rig.module->bringToFront();
        QCOMPARE(rig.windows(),
                 settings.contains("View=3") ? "main 1005,1005; mini parked; channel c-" : shown);
    }

    void changeView_data() {
        QTest::addColumn<QStringList>("steps"); // a view, or a window moved to a place in twips
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("buttons");
        const auto row = [](const char *name, const QStringList &steps, const char *shown,
                            const char *buttons) {
            QTest::newRow(name) << steps << shown << buttons;
        };
        row("mini view", {"2"}, "main parked; mini 3000,600; cp", "C--S");
        row("and back", {"2", "0"}, "main 1500,1200; mini parked; channel c-", "C--S");
        row("moved windows come back where they were left",
            {"main 4500,300", "2", "mini 600,900", "0", "2"}, "main parked; mini 600,900; c-",
            "C--S");
        row("main window from the mini view", {"main 4500,300", "2", "mini 600,900", "1"},
            "main 4500,300; mini parked; program -p", "-P-S");
        row("program view", {"1"}, "main 1500,1200; mini parked; program -p", "-P-S");
        row("3 changes nothing", {"3"}, "main 1500,1200; channel cp", "C--S");
        // The mini view's own way back.
        row("mini view, its close box", {"2", "mini 600,900", "close"},
            "main 1500,1200; mini parked; channel c-", "C--S");
    }

    void changeView() {
        QFETCH(QStringList, steps);
        QFETCH(QString, shown);
        QFETCH(QString, buttons);

        Rig rig({"MainLeft=1500", "MainTop=1200", "MiniLeft=3000", "MiniTop=600"});
        rig.module->startUp();
        rig.instrument().state().cur_channel = 6;
        rig.instrument().state().cont_mode = 1;
        rig.instrument().state().no_of_runs = 7;
        for (const QString &step : steps) {
            const QStringList at = step.section(u' ', 1).split(u',');
            if (step == u"close")
                rig.module->miniView()->close();
            else if (at.size() < 2)
                rig.main().ChangeView(step.toInt());
            else if (step.startsWith(QLatin1String("main")))
                rig.main().move(toPixels(QPoint(at[0].toInt(), at[1].toInt())));
            else
                rig.module->miniView()->move(at[0].toInt(), at[1].toInt());
        }
        QCOMPARE(rig.windows(), shown);
        QCOMPARE(rig.buttons(), buttons);
        // Shown, the mini view takes the shared state into its boxes and "continous".
        const frmMini &mini = *rig.module->miniView();
        const auto box = [&](const char *name) {
            return mini.findChild<QLineEdit *>(name);
        };
        if (mini.isVisible())
            QVERIFY(box("channel")->text() == u"7" && box("no_runs")->text() == u"7" &&
                    box("no_runs")->isEnabled() &&
                    mini.findChild<QAction *>("continous")->isChecked());
        // The mini view stores its place only when closed where the user can see it.
        QCOMPARE(rig.setting(QStringLiteral("MiniLeft")), steps.endsWith("close") ? "600" : "3000");
    }

    void runAndStop_data() {
        QTest::addColumn<QString>("step");        // steps "<channel> 1 s": the first, and 5
        QTest::addColumn<QString>("click");       // at the run's second event round
        QTest::addColumn<QByteArray>("position"); // the reply to POS
        QTest::addColumn<QString>("buttons");     // pressed during the run, and after the click
        QTest::addColumn<QList<int>>("moves");
        QTest::addColumn<QString>("message");
        const auto row = [](const char *name, const char *step, const char *click,
                            const QByteArray &position, const char *buttons,
                            const QList<int> &moves, const char *message = "") {
            QTest::newRow(name) << step << click << position << buttons << moves << message;
        };
        row("a run", "3", "", {}, "C-R-/R-", {3, 5});
        row("Run during the run starts nothing", "3", "Run", {}, "C-R-/R- C-R-", {3, 5});
        row("Stop during the run ends it", "3", "Stop", {}, "C-R-/R- C-RS", {3});
        row("a program that cannot run", "17", "", {}, "", {},
            "Step 1: the channel must be 1 to 16.");
        row("a broken reply ends the run, not the program", "3", "", "#?x\r\n", "C-R-/R-", {3},
            "The run stopped at step 1: the QMX-7700 did not answer as expected.");
    }

    void runAndStop() {
        QFETCH(QString, step);
        QFETCH(QString, click);
        QFETCH(QByteArray, position);
        QFETCH(QString, buttons);
        QFETCH(QList<int>, moves);
        QFETCH(QString, message);

        Rig rig;
        rig.module->startUp();
        rig.program({step + QStringLiteral(" 1 s"), QStringLiteral("5 1 s")});
        rig.device.positions = {position};
        QStringList seen;
        rig.user = [&, start = rig.served](int served) {
            if (served == start + 1)
                seen << rig.buttons(true);
            if (served == start + 2 && !click.isEmpty()) {
                rig.click(click);
                seen << rig.buttons();
            }
        };
        rig.click(QStringLiteral("Run"));

        QCOMPARE(seen.join(u' '), buttons);
        QCOMPARE(rig.moves(), moves);
        QCOMPARE(rig.messages->messages, message.isEmpty() ? QStringList() : QStringList{message});
        // Idle again, and the program goes on; Stop while idle stays pressed.
        QVERIFY(!rig.instrument().state().prog_running);
        rig.click(QStringLiteral("Stop"));
        QCOMPARE(rig.buttons(true), QStringLiteral("C--S/-S"));
        QVERIFY(rig.main().isVisible() && rig.exits == 0);
    }

    // The running step stays in view, also beyond the rows the program view shows at once.
    void runningStepInView() {
        Rig rig({"View=1"});
        rig.module->startUp();
        QStringList steps;
        for (int step = 1; step <= 20; ++step)
            steps << QStringLiteral("%1 1 s").arg((step - 1) % 16 + 1);
        rig.program(steps);
        const ProgramTable &table = rig.instrument().table();
        auto *grid = rig.module->programView()->findChild<QAbstractItemView *>("grid");
        QList<int> outOfView;
        rig.user = [&](int) {
            const QRect cell = grid->visualRect(table.index(table.currentRow(), 1));
            if (table.currentRow() > 0 && !grid->viewport()->rect().contains(cell))
                outOfView << table.currentRow();
        };
        rig.click(QStringLiteral("Run"));
        QCOMPARE(outOfView, QList<int>());
    }

    // The file commands with the dialog's answer, over a program of three steps, the second
    // without a channel when a gap is asked for. Saving one asks "Save anyway?" first.
    void fileCommands_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("answers"); // a path or a cancel; a gap; Yes to the question
        QTest::addColumn<QString>("done");    // dialog title, file saved or read, Run, caption
        const auto row = [](const char *name, const char *command, const char *answers,
                            const char *done) {
            QTest::newRow(name) << QString::fromLatin1(command) << QString::fromLatin1(answers)
                                << QString::fromLatin1(done);
        };
        row("Open", "mnuFileOpen", "path", "Open: read*, Run; ");
        row("Open, cancel", "mnuFileOpen", "cancel", "Open: -, -; ");
        row("Save", "mnuFileSave", "path", "Speichern: saved*, Run; ");
        row("Save, cancel", "mnuFileSave", "cancel", "Speichern: -, -; ");
        row("Save As", "mnuFileSaveAs", "path", "Speichern unter: saved*, -; PATH");
        row("Save a gap, No", "mnuFileSave", "path gap", "Speichern: -, -; ");
        row("Save a gap, Yes", "mnuFileSave", "path gap yes", "Speichern: saved*, Run; ");
    }

    void fileCommands() {
        QFETCH(QString, command);
        QFETCH(QString, answers);
        QFETCH(QString, done);

        Rig rig;
        rig.module->startUp();
        const QString path = rig.dir.filePath(QStringLiteral("p.qmx"));
        const QByteArray before = "1,4;Step\tChannel\tTime to wait\tTime unit\r1\t9\t1\ts\r\n";
        QVERIFY(writeFile(path, before));
        ProgramTable &table = rig.instrument().table();
        for (int step = 1; step <= 3; ++step)
            table.setText(step, 1, step == 2 && answers.contains(u"gap") ? "" : "3");
        rig.files->answer = answers.startsWith(u"path") ? path : QString();
        rig.messages->answerYes = answers.contains(u"yes");
        rig.click(command);

        // "*": the program is known to be that file, as the run record names it.
        const QString file = (readFile(path) != before   ? "saved"
                              : table.text(1, 1) == u"9" ? "read"
                                                         : "-") +
                             QString(rig.instrument().document().file() ? "*" : "");
        const QString caption = rig.main().activeChildView()->windowTitle();
        QCOMPARE(QStringLiteral("%1: %2, %3; %4")
                     .arg(rig.files->titles.join(u' '), file,
                          rig.action(QStringLiteral("Run"))->isEnabled() ? "Run" : "-",
                          caption == path ? "PATH" : caption),
                 done);
        QCOMPARE(rig.messages->messages,
                 answers.contains(u"gap")
                     ? QStringList{"Step 2 has no channel: step 3 would be lost.\nSave anyway?"}
                     : QStringList());
    }

    // A dialog or message box opened during a run leaves the run its times: it is still open
    // when the run ends. The options dialog and the about box take the main window's topmost
    // state while they are open.
    void dialogDuringRun_data() {
        QTest::addColumn<QString>("command");
        for (const char *command :
             {"mnuHelpAbout", "mnuToolsOptions", "mnuFileOpen", "mnuFileSave", "mnuFileSaveAs"})
            QTest::newRow(command) << command;
        QTest::newRow("a message box: the save failed") << "failed save";
    }

    void dialogDuringRun() {
        QFETCH(QString, command);

        Rig rig({"OnTop=1"}, true);
        rig.module->startUp();
        rig.program({"3 2 s", "5 2 s"});
        // A dialog that held the run would have it until this closes it.
        QTimer closer;
        closer.callOnTimeout([] { QApplication::activeModalWidget()->close(); });
        closer.start(3000);
        QPointer<QWidget> dialog;
        bool onTopWhileOpen = true;
        rig.user = [&, start = rig.served](int served) {
            if (served != start + 1)
                return;
            rig.click(command == u"failed save" ? QStringLiteral("mnuFileSave") : command);
            if (auto *files = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
                files && command == u"failed save") {
                files->selectFile(rig.dir.filePath(QStringLiteral("missing/p.qmx")));
                static_cast<QDialog *>(files)->accept(); // virtual: the dialog's own
            }
            dialog = QApplication::activeModalWidget();
            onTopWhileOpen = rig.main().windowFlags().testFlag(Qt::WindowStaysOnTopHint);
        };
        rig.click(QStringLiteral("Run"));

        QVERIFY(dialog && dialog->isVisible());
        QCOMPARE(rig.moves(), QList<int>({3, 5}));
        // Open takes only a file that exists: a typo must not empty the table.
        if (auto *files = qobject_cast<QFileDialog *>(dialog.data()))
            QCOMPARE(files->fileMode() == QFileDialog::ExistingFile, command == u"mnuFileOpen");
        QCOMPARE(onTopWhileOpen,
                 !command.startsWith(u"mnuHelp") && !command.startsWith(u"mnuTools"));
        dialog->close();
        QVERIFY(rig.main().windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    }

    // Closing the main window stores its place, also while an operation is on the stack; the
    // windows go once it has returned.
    void closing_data() {
        QTest::addColumn<QString>("during");
        for (const char *during : {"idle", "mini view", "run", "connect", "start-up"})
            QTest::newRow(during) << during;
    }

    void closing() {
        QFETCH(QString, during);

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
        const bool inConnect = during == u"connect" || during == u"start-up";
        if (during == u"start-up") {
            rig.device.faults = {"3\r\n"};
            closeAt(2);
        }
        rig.module->startUp();
        const QPointer<frmMain> main = &rig.main();
        if (during == u"idle") {
            closeNow();
        } else if (during == u"mini view") {
            rig.main().ChangeView(2);
            rig.click(QStringLiteral("mnuFileExit"));
            aliveAfterClose = true;
        } else if (during == u"run") {
            rig.program({QStringLiteral("3 1 min"), QStringLiteral("5 1 min")});
            closeAt(3);
            rig.click(QStringLiteral("Run"));
        } else if (during == u"connect") {
            rig.click(QStringLiteral("mnuToolsmnuDisconnect"));
            rig.device.faults = {"3\r\n"};
            closeAt(2); // once the device has reported its fault
            rig.click(QStringLiteral("mnuToolsmnuConnect"));
        }
        // Nothing was unloaded while the operation was on the stack, which came to its end.
        QVERIFY(aliveAfterClose && main);
        QVERIFY(!rig.instrument().state().prog_running && !rig.port->isOpen());
        QCOMPARE(rig.panel()->text(), inConnect ? QStringLiteral("NOT CONNECTED")
                                                : QStringLiteral("CONNECTED TO QMX7700"));
        // Nothing is sent after the close, and nothing is said.
        QCOMPARE(rig.moves(), during == u"run" ? QList<int>{3} : QList<int>{});
        QCOMPARE(rig.messages->messages, QStringList());
        // The record tells how the program ended.
        QCOMPARE(rig.recorded("run-end", "why"),
                 during == u"run" ? QStringList{"window-closed"} : QStringList());
        QCOMPARE(rig.recorded("disconnect", "reason").contains("the program ended"), !inConnect);

        QTRY_VERIFY(rig.module->unloaded());
        QCOMPARE(rig.dialogs->log, QStringList{"unload dialogs"});
        QVERIFY(!main);
        QCOMPARE(rig.exits, 1);
        QCOMPARE(rig.setting(QStringLiteral("MainLeft")) + u',' +
                     rig.setting(QStringLiteral("MainTop")),
                 during == u"mini view" ? "1500," : "3000,450");
    }

    // A click while the link is down asks for a fault, forced, when the port is open.
    void dialWhileLinkDown_data() {
        QTest::addColumn<bool>("portOpen");
        QTest::newRow("port open") << true;
        QTest::newRow("port closed") << false;
    }

    void dialWhileLinkDown() {
        QFETCH(bool, portOpen);
        Rig rig;
        rig.device.silent = true;
        rig.module->startUp();
        rig.device.silent = false;
        rig.port->clearWrites();
        if (portOpen)
            QVERIFY(rig.port->open());
        QVERIFY(QTest::qWaitForWindowExposed(rig.main().windowHandle()));
        // The button clicked before goes back to idle.
        for (const char *button : {"MyButton2", "MyButton4"})
            QTest::mouseClick(rig.module->channelView()->findChild<QWidget *>(button),
                              Qt::LeftButton);
        QCOMPARE(rig.port->writtenBytes(),
                 portOpen ? QList<QByteArray>(2, "GFS\r") : QList<QByteArray>{});
        QCOMPARE(rig.recorded("switch", "source"), QStringList({"dial", "dial"}));
        QCOMPARE(rig.instrument().state().cur_channel, qint16(4));
        QCOMPARE(rig.dial(), onlyOne(4, kRed));
        // With force set, a valid reply lights the error lamp.
        QCOMPARE(rig.module->channelView()->findChild<QWidget *>("picErroron")->isHidden(),
                 !portOpen);
    }

    // Typed into the mini view's channel box over its "4", then a button clicked (or none).
    void miniChannelBox_data() {
        QTest::addColumn<QString>("typed"); // empty: the box is cleared
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("after");
        QTest::addColumn<int>("curChannel");
        QTest::addColumn<QList<int>>("moves");
        const auto row = [](const char *typed, const char *key, const char *after, int curChannel,
                            const QList<int> &moves) {
            QTest::addRow("\"%s\" %s", typed, key) << typed << key << after << curChannel << moves;
        };
        // Every key changes the box, so a prefix that is a channel number selects it on the way.
        row(" 12 ", "", " 12 ", 11, {});
        row("", "", "", 3, {});
        row("17", "go", "17", 0, {});
        row("0", "go", "0", -1, {});
        row(" 9 ", "go", " 9 ", 8, {9});
        row("5", "oneup", "6", 5, {6});
        row("16", "oneup", "16", 15, {16});
        row("1", "onedown", "1", 0, {1});
        row("30", "onedown", "29", 2, {});
    }

    void miniChannelBox() {
        QFETCH(QString, typed);
        QFETCH(QString, key);
        QFETCH(QString, after);
        QFETCH(int, curChannel);
        QFETCH(QList<int>, moves);

        Rig rig;
        rig.module->startUp();
        rig.main().ChangeView(2);
        rig.port->clearWrites();
        QLineEdit *box = rig.module->miniView()->findChild<QLineEdit *>(QStringLiteral("channel"));
        box->selectAll();
        QTest::keyClicks(box, QStringLiteral("4"));
        box->selectAll();
        QTest::keyClick(box, Qt::Key_Backspace);
        QTest::keyClicks(box, typed);
        if (!key.isEmpty())
            rig.clickMini(key);
        QCOMPARE(box->text(), after);
        QCOMPARE(rig.instrument().state().cur_channel, curChannel);
        QCOMPARE(rig.moves(), moves);
        QCOMPARE(rig.recorded("switch", "source"),
                 QStringList{"connect"} + QStringList(moves.size(), "mini-view"));
        QCOMPARE(rig.busy, QList<bool>(moves.size(), true));
        QVERIFY(!QGuiApplication::overrideCursor());
    }

    // The three views as a screen reader meets them, connected: every control has a name, the
    // lamps say their state, and pressing a dial button is a click.
    void accessibleNames() {
        Rig rig;
        rig.module->startUp();
        QStringList misnamed;
        QString tree;
        for (int view : {0, 1, 2}) {
            rig.main().ChangeView(view);
            QWidget *window = view == 2 ? static_cast<QWidget *>(rig.module->miniView())
                                        : static_cast<QWidget *>(&rig.main());
            tree += accessibleTree(QAccessible::queryAccessibleInterface(window), misnamed);
        }
        qInfo().noquote() << "\n" << tree;
        QVERIFY2(misnamed.isEmpty(), qPrintable(misnamed.join(u'\n')));
        QVERIFY(tree.contains(QLatin1String("Graphic \"Power on\"\n      Graphic \"Error off\"")));

        rig.main().ChangeView(0);
        QWidget *five =
            rig.module->channelView()->findChild<QWidget *>(QStringLiteral("MyButton4"));
        QAccessibleInterface *button = QAccessible::queryAccessibleInterface(five);
        QCOMPARE(button->text(QAccessible::Name), QStringLiteral("Channel 5"));
        button->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(rig.instrument().state().cur_channel, qint16(4));
        QCOMPARE(rig.moves(), QList<int>{5});
    }

    // Qt's own dialogs speak the user's language.
    void qtTextsInTheUserLanguage() {
        const auto german = loadQtTranslations(QLocale(QLocale::German, QLocale::Germany));
        QVERIFY(german);
        QCOMPARE(german->translate("QFileDialog", "Look in:"), QStringLiteral("Suchen in:"));
    }
};

QTEST_MAIN(TestFrmMain)
#include "tst_frmmain.moc"
