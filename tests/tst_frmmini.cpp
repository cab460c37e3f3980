#include "core/globalstate.h"
#include "platform/settingsstore.h"
#include "program/programtable.h"
#include "program/runner.h"
#include "program/waits.h"
#include "support/fakeviews.h"
#include "support/virtualclock.h"
#include "ui/filedialogs.h"
#include "ui/frmmini.h"
#include "ui/twips.h"
#include "ui/windowlinks.h"

#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>

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
    void setContinuous(bool) override {}
    QString openFileName(QWidget *, const QString &, const QString &, const QString &) override {
        return answer;
    }
    QString saveFileName(QWidget *, const QString &, const QString &) override { return {}; }
    void hideMainIfMiniVisible() override {}
    void enableRunButtons() override { mini->enableStart(); }

    frmMini *mini = nullptr;
    QList<int> views;
    QString answer;
};

// A mini view with the real runner in virtual time, over a settings file of its own.
struct Rig {
    Rig() {
        mini = std::make_unique<frmMini>(MiniViewDeps{state, settings, table, steps, runner, device,
                                                      around, around, dial, around, &around,
                                                      &messages});
        around.mini = mini.get();
        runner.setViews({nullptr, mini.get(), &dial, &mini->channelBox(), nullptr, &mini->runsBox(),
                         &messages});
    }
    QAction *action(const QString &key) const {
        return mini->findChild<QToolBar *>(u"Toolbar1"_s)->findChild<QAction *>(key);
    }
    QLineEdit *box(const QString &name) const { return mini->findChild<QLineEdit *>(name); }
    void click(const QString &key) const {
        QTest::mouseClick(mini->findChild<QToolBar *>()->widgetForAction(action(key)),
                          Qt::LeftButton);
    }
    // "start" and "stop": pressed (+) or released (-).
    QString pressed() const {
        return QString(action(u"start"_s)->isChecked() ? u'+' : u'-') +
               (action(u"stop"_s)->isChecked() ? u'+' : u'-');
    }

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
};
} // namespace

class tst_frmMini : public QObject {
    Q_OBJECT

private slots:
    // Typed into the channel box over its "4", then a button clicked (or none).
    void channelBox_data() {
        QTest::addColumn<QString>("typed"); // empty: the box is cleared
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("after");
        QTest::addColumn<int>("curChannel");
        QTest::addColumn<QStringList>("sent");
        const auto row = [](const char *typed, const char *key, const char *after, int curChannel,
                            const QStringList &sent) {
            QTest::addRow("\"%s\" %s", typed, key) << typed << key << after << curChannel << sent;
        };
        // Every key changes the box, so a prefix that is a channel number selects it on the way.
        row(" 12 ", "", " 12 ", 11, {});
        row("", "", "", 3, {});
        row("17", "go", "17", 0, {});
        row("0", "go", "0", -1, {});
        row(" 9 ", "go", " 9 ", 8, {"8@0"});
        row("5", "oneup", "6", 5, {"5@0"});
        row("16", "oneup", "16", 15, {"15@0"});
        row("1", "onedown", "1", 0, {"0@0"});
        row("30", "onedown", "29", 2, {});
    }

    void channelBox() {
        QFETCH(QString, typed);
        QFETCH(QString, key);
        QFETCH(QString, after);
        QFETCH(int, curChannel);
        QFETCH(QStringList, sent);

        Rig rig;
        rig.mini->show();
        QLineEdit *box = rig.box(u"channel"_s);
        box->setText(u"4"_s);
        box->selectAll();
        QTest::keyClick(box, Qt::Key_Backspace);
        QTest::keyClicks(box, typed);
        int busy = 0;
        // A failed move leaves the view as it is; the device moves only on a button.
        rig.device.answer = [&](int) {
            const QCursor *cursor = QGuiApplication::overrideCursor();
            busy += cursor && cursor->shape() == Qt::WaitCursor;
            return GotoResult::Failed;
        };
        if (!key.isEmpty())
            rig.click(key);
        QCOMPARE(box->text(), after);
        QCOMPARE(rig.state.cur_channel, curChannel);
        QCOMPARE(rig.device.commands, sent);
        QCOMPARE(busy, sent.size());
        QVERIFY(!QGuiApplication::overrideCursor() && rig.dial.calls.isEmpty());
    }

    void startStop_data() {
        QTest::addColumn<QString>("file");   // channels of one-second steps; empty: load cancelled
        QTest::addColumn<QString>("during"); // the button clicked while the first step runs
        QTest::addColumn<QStringList>("sent");
        QTest::addColumn<QString>("seen"); // "start" and "stop" then
        const auto row = [](const char *name, const char *file, const char *during,
                            const QStringList &sent, const char *seen) {
            QTest::newRow(name) << file << during << sent << seen;
        };
        row("run to the end", "3 12", "", {"2@0", "11@1000"}, "+-");
        row("start again", "3 12", "start", {"2@0", "11@1000"}, "+-");
        row("stop", "3 12", "stop", {"2@0"}, "-+");
        row("refused", "17", "", {}, "");
        row("load cancelled", "", "", {}, "");
    }

    void startStop() {
        QFETCH(QString, file);
        QFETCH(QString, during);
        QFETCH(QStringList, sent);
        QFETCH(QString, seen);

        Rig rig;
        rig.mini->show();
        QFile program(rig.dir.filePath(u"p.qmx"_s));
        QVERIFY(program.open(QIODevice::WriteOnly));
        const QStringList channels = file.split(u' ', Qt::SkipEmptyParts);
        program.write(QByteArray::number(channels.size()) + ",4;S\tC\tT\tU");
        for (const QString &channel : channels)
            program.write("\r1\t" + channel.toLatin1() + "\t1\ts");
        program.close();
        rig.around.answer = file.isEmpty() ? QString() : program.fileName();
        rig.click(u"load"_s);
        QCOMPARE(rig.action(u"start"_s)->isEnabled(), !file.isEmpty());

        rig.table.setCurrentCell(5, 2);
        QString buttons;
        rig.device.answer = [&](int n) {
            if (n == 1 && !during.isEmpty())
                rig.click(during);
            buttons += n == 1 ? rig.pressed() : QString();
            return GotoResult::Sent;
        };
        rig.click(u"start"_s);
        QCOMPARE(rig.device.commands, sent);
        QCOMPARE(buttons, seen);
        QCOMPARE(rig.messages.messages.size(), file == u"17" ? 1 : 0);
        // Idle again, whether the run ended, was stopped or never started; "stop" then keeps idle.
        QCOMPARE(rig.pressed(), u"-+"_s);
        rig.click(u"stop"_s);
        QCOMPARE(rig.pressed(), u"-+"_s);
        QCOMPARE(rig.table.row(), sent.isEmpty() ? 5 : 0);
    }

    void unload_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("curChannel");
        QTest::addColumn<QString>("stored"); // MiniLeft, MiniTop
        QTest::addColumn<int>("remarked");   // the channel marked in the dial, -1 none
        QTest::newRow("close box") << "close" << 4 << "2250 1500" << -1;
        QTest::newRow("unload parked") << "park" << 4 << " " << -1;
        QTest::newRow("view") << "view" << 4 << " " << 4;
        QTest::newRow("view, no such channel") << "view" << 16 << " " << -1;
    }

    void unload() {
        QFETCH(QString, how);
        QFETCH(int, curChannel);
        QFETCH(QString, stored);
        QFETCH(int, remarked);

        Rig rig;
        frmMini &mini = *rig.mini;
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
        using Calls = QList<QPair<int, QColor>>;
        QCOMPARE(rig.dial.calls, remarked < 0 ? Calls() : Calls({{remarked, QColor(255, 1, 1)}}));

        // Used again, the window loads anew: state, stored position and an enabled "start".
        rig.state.cont_mode = 1;
        rig.action(u"stop"_s)->setChecked(false);
        mini.show();
        QCOMPARE(mini.pos(), toPixels(how == u"close" ? QPoint(2250, 1500) : QPoint(1000, 1000)));
        QVERIFY(rig.action(u"continous"_s)->isChecked() && rig.action(u"stop"_s)->isChecked());
        QVERIFY(rig.action(u"start"_s)->isEnabled());
    }
};

QTEST_MAIN(tst_frmMini)
#include "tst_frmmini.moc"
