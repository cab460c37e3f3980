#include "core/globalstate.h"
#include "platform/settingsstore.h"
#include "program/programtable.h"
#include "program/runner.h"
#include "program/waits.h"
#include "support/fakelinkviews.h"
#include "support/runnerfakes.h"
#include "support/virtualclock.h"
#include "ui/filedialogs.h"
#include "ui/frmmini.h"
#include "ui/icons.h"
#include "ui/twips.h"
#include "ui/windowlinks.h"

#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QWidgetAction>

using namespace Qt::StringLiterals;

namespace {
// What surrounds the mini view: the view switch parks it for view 0 as the main window's does,
// and a loaded program enables "start" as the composition root wires it.
struct Surroundings final : ViewSwitch, ContinuousSwitch, FileDialogs, ProgramHost {
    void ChangeView(int iview) override {
        views << iview;
        if (iview == 0)
            mini->park();
    }
    void setContinuous(bool ticked) override { ticks << ticked; }
    QString openFileName(QWidget *, const QString &title, const QString &filter,
                         const QString &folder) override {
        asked << title << filter << folder;
        return answer;
    }
    QString saveFileName(QWidget *, const QString &, const QString &) override { return {}; }
    void hideMainIfMiniVisible() override {}
    void enableRunButtons() override { mini->enableStart(); }

    frmMini *mini = nullptr;
    QList<int> views;
    QList<bool> ticks;
    QStringList asked;
    QString answer;
};

// A mini view with the real runner in virtual time, over a settings file of its own.
struct Rig {
    QTemporaryDir dir;
    SettingsStore settings{dir.filePath(u"settings.ini"_s)};
    VirtualClock clock;
    GlobalState state;
    ProgramTable table;
    StepTable steps;
    RunLog log;
    RecordingChannelCommand device{log, clock};
    Waits waits{clock, state};
    ProgramRunner runner{state, table, steps, device, waits, clock};
    Surroundings around;
    FakeDial dial;
    FakeMessages messages;
    std::unique_ptr<frmMini> mini;

    frmMini &create(const QStringList &stored = {}) {
        for (const QString &entry : stored)
            settings.write(u"Settings"_s, entry.section(u'=', 0, 0), entry.section(u'=', 1));
        mini = std::make_unique<frmMini>(MiniViewDeps{state, settings, table, steps, runner, device,
                                                      around, around, dial, around, &around,
                                                      &messages});
        around.mini = mini.get();
        runner.setViews({nullptr, mini.get(), &dial, &mini->channelBox(), nullptr, &mini->runsBox(),
                         &messages});
        return *mini;
    }
    QToolBar *toolbar() const { return mini->findChild<QToolBar *>(u"Toolbar1"_s); }
    QAction *action(const QString &key) const { return toolbar()->findChild<QAction *>(key); }
    QLineEdit *box(const QString &name) const { return mini->findChild<QLineEdit *>(name); }
    void click(const QString &key) const {
        QTest::mouseClick(toolbar()->widgetForAction(action(key)), Qt::LeftButton);
    }
    // Pressed (+) or released (-), in this order.
    QString pressed(const QStringList &keys = {u"start"_s, u"stop"_s}) const {
        QString states;
        for (const QString &key : keys)
            states += action(key)->isChecked() ? u'+' : u'-';
        return states;
    }
    QStringList sent() const {
        QStringList indexes;
        for (const QString &command : device.commands)
            indexes << command.section(u'@', 0, 0);
        return indexes;
    }
};
} // namespace

class tst_frmMini : public QObject {
    Q_OBJECT

private slots:
    void window();
    void load_data();
    void load();
    void typing_data();
    void typing();
    void channelButtons_data();
    void channelButtons();
    void continous();
    void startStop_data();
    void startStop();
    void unload_data();
    void unload();
    void onTop_data();
    void onTop();
};

void tst_frmMini::window() {
    Rig rig;
    frmMini &mini = rig.create();
    QCOMPARE(rig.box(u"no_runs"_s)->text() + u'|' + rig.box(u"channel"_s)->text(), u"|0"_s);
    mini.show();
    QCOMPARE(mini.windowTitle(), u"QMX-7700"_s);
    QCOMPARE(mini.windowFlags() &
                 (Qt::WindowType_Mask | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint),
             Qt::Tool | Qt::WindowCloseButtonHint);
    QCOMPARE(mini.minimumSize(), toPixels(QSize(4620, 390)));
    QCOMPARE(mini.maximumSize(), mini.minimumSize());

    // Each item as "key tooltip" (* two-state), "-" or "[box]"; every one fully in view.
    QStringList items;
    for (QAction *action : rig.toolbar()->actions()) {
        QWidget *item = rig.toolbar()->widgetForAction(action);
        QVERIFY(item->isVisible() && mini.rect().contains(item->geometry()));
        if (action->isSeparator()) {
            items << u"-"_s;
        } else if (auto *slot = qobject_cast<QWidgetAction *>(action)) {
            auto *box = slot->defaultWidget()->findChild<QLineEdit *>();
            QCOMPARE(box->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
            QCOMPARE(item->width(), toPixelsX(box->objectName() == u"no_runs" ? 700 : 550));
            items << u"[%1]"_s.arg(box->objectName());
        } else {
            QVERIFY(action->text().isEmpty() && !action->icon().isNull());
            items << action->objectName() + (action->isCheckable() ? u"* "_s : u" "_s) +
                         action->toolTip();
        }
    }
    QCOMPARE(items.join(u", "),
             u"load load program file, -, start* start program, stop* stop program, -, "
             "continous* continous mode, -, [no_runs], oneup one channel up, onedown one channel "
             "down, [channel], -, go goto channel, -, view change to channelview"_s);

    // Every image draws something at 1x and at 2x.
    for (const char *name : {"programview", "channelview", "new", "open", "save", "run", "stop",
                             "start", "continous", "1up", "1down", "go", "view", ""}) {
        const QIcon icon = *name ? toolbarIcon(name) : applicationIcon();
        for (const int side : {16, 32}) {
            const QImage image = icon.pixmap(side, side).toImage();
            int opaque = 0;
            for (int i = 0; i < side * side; ++i)
                opaque += qAlpha(image.pixel(i % side, i / side)) > 128;
            QVERIFY2(image.width() == side && opaque > side * side / 10, name);
        }
    }
    QVERIFY(toolbarIcon("nothing").isNull());
}

void tst_frmMini::load_data() {
    QTest::addColumn<QStringList>("stored");
    QTest::addColumn<int>("contMode");
    QTest::addColumn<bool>("running");
    QTest::addColumn<QPoint>("position");
    QTest::addColumn<QString>("buttons"); // "continous", "start", "stop"

    QTest::newRow("first start") << QStringList{} << 0 << false << QPoint(1000, 1000) << "--+";
    QTest::newRow("stored") << QStringList{"MiniLeft=3000", "minitop=-1500"} << 1 << false
                            << QPoint(3000, -1500) << "+-+";
    QTest::newRow("unreadable") << QStringList{"MiniLeft=x", "MiniTop=12.5"} << 0 << true
                                << QPoint(1000, 1000) << "---";
}

void tst_frmMini::load() {
    QFETCH(QStringList, stored);
    QFETCH(int, contMode);
    QFETCH(bool, running);
    QFETCH(QPoint, position);
    QFETCH(QString, buttons);

    Rig rig;
    rig.state.cont_mode = qint16(contMode);
    rig.state.prog_running = running;
    rig.state.cur_channel = 4;
    rig.state.no_of_runs = 12;
    rig.create(stored);
    QCOMPARE(rig.mini->pos(), toPixels(position));
    QCOMPARE(rig.pressed({u"continous"_s, u"start"_s, u"stop"_s}), buttons);
    QVERIFY(!rig.action(u"start"_s)->isEnabled());

    // Shown (and so too when activated), the boxes show the shared state.
    rig.mini->show();
    QCOMPARE(rig.box(u"channel"_s)->text() + u' ' + rig.box(u"no_runs"_s)->text(), u"5 12"_s);
    QCOMPARE(rig.box(u"no_runs"_s)->isEnabled(), contMode == 1);
    rig.state.cur_channel = 8;
    QEvent activation(QEvent::WindowActivate);
    QCoreApplication::sendEvent(rig.mini.get(), &activation);
    QCOMPARE(rig.box(u"channel"_s)->text(), u"9"_s);
}

void tst_frmMini::typing_data() {
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("typed"); // over the box's "4"; empty: the box is cleared
    QTest::addColumn<int>("curChannel");
    QTest::addColumn<int>("runs");

    // Every key changes the box, so a prefix that is a channel number selects it on the way.
    QTest::newRow("channel 7") << "channel"
                               << "7" << 6 << 4;
    QTest::newRow("channel blanks") << "channel"
                                    << " 12 " << 11 << 4;
    QTest::newRow("channel 0 is none") << "channel"
                                       << "0" << -1 << 4;
    QTest::newRow("channel cleared") << "channel"
                                     << "" << 3 << 4;
    QTest::newRow("channel negative") << "channel"
                                      << "-2" << 3 << 4;
    QTest::newRow("channel 17 keeps 1") << "channel"
                                        << "17" << 0 << 4;
    QTest::newRow("runs endless") << "no_runs"
                                  << " -1" << 3 << -1;
    QTest::newRow("runs text") << "no_runs"
                               << "many" << 3 << 4;
    QTest::newRow("runs beyond Long") << "no_runs"
                                      << "4294967296" << 3 << 429496729;
}

void tst_frmMini::typing() {
    QFETCH(QString, box);
    QFETCH(QString, typed);
    QFETCH(int, curChannel);
    QFETCH(int, runs);

    Rig rig;
    rig.create().show();
    rig.box(u"channel"_s)->setText(u"4"_s);
    rig.box(u"no_runs"_s)->setText(u"4"_s);
    QLineEdit *edit = rig.box(box);
    edit->setEnabled(true);
    edit->selectAll();
    if (typed.isEmpty())
        QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, typed);
    QCOMPARE(rig.state.cur_channel, curChannel);
    QCOMPARE(rig.state.no_of_runs, runs);
    // The device moves only on "go", "oneup" or "onedown"; the dial is left alone.
    QVERIFY(rig.device.commands.isEmpty() && rig.dial.calls.isEmpty());
}

void tst_frmMini::channelButtons_data() {
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("after");
    QTest::addColumn<QStringList>("sent");

    QTest::newRow("oneup") << "5"
                           << "oneup"
                           << "6" << QStringList{"5"};
    QTest::newRow("oneup at 16") << "16"
                                 << "oneup"
                                 << "16" << QStringList{"15"};
    QTest::newRow("onedown at 1") << "1"
                                  << "onedown"
                                  << "1" << QStringList{"0"};
    QTest::newRow("go") << " 9 "
                        << "go"
                        << " 9 " << QStringList{"8"};
    QTest::newRow("go 17") << "17"
                           << "go"
                           << "17" << QStringList{};
    QTest::newRow("go 0") << "0"
                          << "go"
                          << "0" << QStringList{};
    QTest::newRow("oneup from -3") << "-3"
                                   << "oneup"
                                   << "-2" << QStringList{};
    QTest::newRow("onedown from 30") << "30"
                                     << "onedown"
                                     << "29" << QStringList{};
    QTest::newRow("oneup text") << "x"
                                << "oneup"
                                << "x" << QStringList{};
}

void tst_frmMini::channelButtons() {
    QFETCH(QString, before);
    QFETCH(QString, key);
    QFETCH(QString, after);
    QFETCH(QStringList, sent);

    Rig rig;
    rig.create().show();
    rig.box(u"channel"_s)->setText(before);
    int busy = 0;
    // A failed move is not the end of the view: the next click works as the first did.
    rig.device.answer = [&](int) {
        const QCursor *cursor = QGuiApplication::overrideCursor();
        busy += cursor && cursor->shape() == Qt::WaitCursor;
        return GotoResult::Failed;
    };
    rig.click(key);
    QCOMPARE(rig.box(u"channel"_s)->text(), after);
    rig.click(u"go"_s);
    QCOMPARE(rig.sent(), sent + sent);
    QCOMPARE(busy, 2 * sent.size());
    QVERIFY(!QGuiApplication::overrideCursor() && rig.dial.calls.isEmpty());
}

void tst_frmMini::continous() {
    Rig rig;
    rig.create().show();
    rig.click(u"continous"_s);
    QCOMPARE(rig.state.cont_mode, 1);
    QVERIFY(rig.box(u"no_runs"_s)->isEnabled());
    rig.click(u"continous"_s);
    QCOMPARE(rig.state.cont_mode, 0);
    QVERIFY(!rig.box(u"no_runs"_s)->isEnabled());
    QCOMPARE(rig.around.ticks, (QList<bool>{true, false}));
}

void tst_frmMini::startStop_data() {
    QTest::addColumn<QString>("file");   // channels of one-second steps; empty: load cancelled
    QTest::addColumn<QString>("during"); // the button clicked while the first step runs
    QTest::addColumn<QStringList>("sent");
    QTest::addColumn<QString>("seen"); // "start" and "stop" then

    QTest::newRow("run to the end") << "3 12"
                                    << "" << QStringList{"2", "11"} << "+-";
    QTest::newRow("start again") << "3 12"
                                 << "start" << QStringList{"2", "11"} << "+-";
    QTest::newRow("stop") << "3 12"
                          << "stop" << QStringList{"2"} << "-+";
    QTest::newRow("refused") << "17"
                             << "" << QStringList{} << "";
    QTest::newRow("load cancelled") << ""
                                    << "" << QStringList{} << "";
}

void tst_frmMini::startStop() {
    QFETCH(QString, file);
    QFETCH(QString, during);
    QFETCH(QStringList, sent);
    QFETCH(QString, seen);

    Rig rig;
    rig.create().show();
    QFile program(rig.dir.filePath(u"p.qmx"_s));
    QVERIFY(program.open(QIODevice::WriteOnly));
    const QStringList channels = file.split(u' ', Qt::SkipEmptyParts);
    program.write(QByteArray::number(channels.size()) +
                  ",4;Step\tChannel\tTime to wait\tTime unit");
    for (const QString &channel : channels)
        program.write("\r1\t" + channel.toLatin1() + "\t1\ts");
    program.close();
    rig.around.answer = file.isEmpty() ? QString() : program.fileName();
    rig.click(u"load"_s);
    QCOMPARE(rig.around.asked, (QStringList{"Open", "All Files (*.*)|*.*", QString()}));
    QCOMPARE(rig.action(u"start"_s)->isEnabled(), !file.isEmpty());

    rig.table.setCurrentCell(5, 2);
    rig.table.setSelectionEnd(7, 3);
    QString buttons;
    rig.device.answer = [&](int n) {
        if (n == 1 && !during.isEmpty())
            rig.click(during);
        buttons += n == 1 ? rig.pressed() : QString();
        return GotoResult::Sent;
    };
    rig.click(u"start"_s);
    QCOMPARE(rig.sent(), sent);
    QCOMPARE(buttons, seen);
    QCOMPARE(rig.messages.messages.size(), file == u"17" ? 1 : 0);
    // Idle again, whether the run ended, was stopped or never started; "stop" then keeps idle.
    QCOMPARE(rig.pressed(), u"-+"_s);
    rig.click(u"stop"_s);
    QCOMPARE(rig.pressed(), u"-+"_s);
    const bool ran = !sent.isEmpty();
    QCOMPARE(QPoint(rig.table.row(), rig.table.rowSel()), ran ? QPoint(0, 0) : QPoint(5, 7));
}

void tst_frmMini::unload_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("curChannel");
    QTest::addColumn<QString>("stored"); // MiniLeft, MiniTop
    QTest::addColumn<int>("remarked");   // the channel marked in the dial, -1 none
    QTest::addColumn<QPoint>("shownAt"); // shown again; (3000, 750) is moved there first

    QTest::newRow("close box") << "close" << 4 << "2250 1500" << -1 << QPoint(2250, 1500);
    QTest::newRow("unload parked") << "park" << 4 << " " << -1 << QPoint(1000, 1000);
    QTest::newRow("view") << "view" << 4 << " " << 4 << QPoint(3000, 750);
    QTest::newRow("view, no channel") << "view" << -1 << " " << -1 << QPoint(1000, 1000);
    QTest::newRow("view, no such channel") << "view" << 16 << " " << -1 << QPoint(1000, 1000);
}

void tst_frmMini::unload() {
    QFETCH(QString, how);
    QFETCH(int, curChannel);
    QFETCH(QString, stored);
    QFETCH(int, remarked);
    QFETCH(QPoint, shownAt);

    Rig rig;
    frmMini &mini = rig.create();
    mini.show();
    mini.enableStart();
    mini.move(2250, 1500);
    rig.state.cur_channel = qint16(curChannel);
    if (how == u"view")
        rig.click(u"view"_s);
    else if (how == u"park")
        mini.park();
    QVERIFY(mini.close());
    // A second unload (the main window closing later) finds nothing to do.
    mini.Unload();
    QCOMPARE(rig.around.views, QList<int>(how == u"view" ? 2 : 1, 0));
    QCOMPARE(rig.settings.read(u"Settings"_s, u"MiniLeft"_s, {}) + u' ' +
                 rig.settings.read(u"Settings"_s, u"MiniTop"_s, {}),
             stored);
    QVERIFY(!mini.isVisible());
    QCOMPARE(rig.dial.calls.size(), remarked < 0 ? 0 : 1);
    if (remarked >= 0)
        QCOMPARE(rig.dial.calls[0], qMakePair(remarked, QColor(255, 1, 1)));

    // Used again, the window loads anew before the view switch moves and shows it.
    rig.state.cont_mode = 1;
    rig.action(u"stop"_s)->setChecked(false);
    if (shownAt == QPoint(3000, 750))
        mini.move(3000, 750);
    mini.show();
    QCOMPARE(mini.pos(), toPixels(shownAt));
    QCOMPARE(rig.pressed({u"continous"_s, u"stop"_s}), u"++"_s);
    QVERIFY(rig.action(u"start"_s)->isEnabled());
}

void tst_frmMini::onTop_data() {
    QTest::addColumn<bool>("before");
    QTest::addColumn<int>("optOnTop");
    QTest::addColumn<bool>("after");

    QTest::newRow("on") << false << 1 << true;
    QTest::newRow("off") << true << 0 << false;
    QTest::newRow("2 keeps on") << true << 2 << true;
    QTest::newRow("2 keeps off") << false << 2 << false;
}

void tst_frmMini::onTop() {
    QFETCH(bool, before);
    QFETCH(int, optOnTop);
    QFETCH(bool, after);

    for (const bool parked : {false, true}) {
        Rig rig;
        frmMini &mini = rig.create();
        mini.setWindowFlag(Qt::WindowStaysOnTopHint, before);
        mini.move(2250, 1500);
        mini.show();
        if (parked)
            mini.park();
        const QRect geometry(mini.pos(), mini.size());
        rig.state.opt_ontop = qint16(optOnTop);
        mini.OnTop();
        QCOMPARE(bool(mini.windowFlags() & Qt::WindowStaysOnTopHint), after);
        QCOMPARE(mini.testAttribute(Qt::WA_ShowWithoutActivating), optOnTop != 2);
        // In place, unless parked: then it stays out of sight.
        QCOMPARE(QRect(mini.pos(), mini.size()), geometry);
        QCOMPARE(mini.isVisible() + mini.isParked(), 1);
    }
}

QTEST_MAIN(tst_frmMini)
#include "tst_frmmini.moc"
