#include "core/globalstate.h"
#include "core/settingskeys.h"
#include "platform/serialportlist.h"
#include "platform/settingsstore.h"
#include "platform/systeminfo.h"
#include "support/files.h"
#include "ui/frmabout.h"
#include "ui/frmoptions.h"
#include "ui/windowlinks.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSettings>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

namespace {
// The seven options in the order they are written: port, baud rate, on top, view, HBX,
// language, splash.
using Options = QList<int>;
const Options kStart{1, 9600, 1, 1, 0, 0, 0};

Options with(Options options, int index, int value) {
    options[index] = value;
    return options;
}

const QString kFtdi = QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1B2-if00-port0");

// The main window's always-on-top rule: records the option in force at each call.
class FakeTopmost final : public TopmostWindow {
public:
    explicit FakeTopmost(const GlobalState &state)
        : m_state(state) {}
    void OnTop() override { ontopAtCalls << m_state.opt_ontop; }
    QList<int> ontopAtCalls;

private:
    const GlobalState &m_state;
};

class FakePorts final : public SerialPortList {
public:
    QList<SerialPortEntry> ports() const override {
        return {{kFtdi, "/dev/ttyUSB0", "FT232R USB UART", "FTDI", "A1B2"},
                {"/dev/ttyACM0", "/dev/ttyACM0", "", "", ""}};
    }
    bool isPresent(const QString &path) const override { return path != "/dev/ttyS2"; }
};

// The dialog over a settings file of its own.
struct Rig {
    explicit Rig(const Options &options, const QByteArray &ini = {})
        : path(written(dir.filePath(QStringLiteral("settings.conf")), ini)) {
        for (size_t i = 0; i < kOptionWriteOrder.size(); ++i)
            state.*(kOptionWriteOrder[i]->global) = qint16(options[int(i)]);
        dialog.show();
    }
    template <typename T> T *child(const QString &name) { return dialog.findChild<T *>(name); }

    // "tab N" shows page N; "type Com3" types into the port box and presses Enter; "click NAME"
    // clicks a button on its box; "choose N" clicks row N of the port list; "ok", "cancel" and
    // "esc" close.
    void act(const QString &actions) {
        for (const QString &action : actions.split(QStringLiteral(", "))) {
            const QString argument = action.section(u' ', 1);
            if (action.startsWith(QLatin1String("tab"))) {
                QTabBar *tabs = child<QTabWidget>(QStringLiteral("tbsOptions"))->tabBar();
                QTest::mouseClick(tabs, Qt::LeftButton, {},
                                  tabs->tabRect(argument.toInt()).center());
            } else if (action.startsWith(QLatin1String("type"))) {
                QLineEdit *edit = child<QComboBox>(QStringLiteral("cport"))->lineEdit();
                edit->selectAll();
                QTest::keyClicks(edit, argument);
                QTest::keyClick(edit, Qt::Key_Return);
            } else if (action.startsWith(QLatin1String("choose"))) {
                auto *list = child<QListWidget>(QStringLiteral("lstPorts"));
                QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                                  list->visualItemRect(list->item(argument.toInt())).center());
            } else if (action == QLatin1String("esc")) {
                QTest::keyClick(&dialog, Qt::Key_Escape);
            } else {
                const QString name = action == QLatin1String("ok") ? QStringLiteral("cmdOK")
                                     : action == QLatin1String("cancel")
                                         ? QStringLiteral("cmdCancel")
                                         : argument;
                auto *button = child<QAbstractButton>(name);
                QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, button->height() / 2));
            }
        }
    }
    // What the controls show: port, baud rate, the check states of Check1_0..2, the view and the
    // language index.
    QString shown() {
        QString checks;
        for (const char *name : {"Check1_0", "Check1_1", "Check1_2"})
            checks += QString::number(child<QCheckBox>(QString::fromLatin1(name))->checkState());
        int view = -1;
        for (int index = 0; index < 3; ++index) {
            if (child<QAbstractButton>(QStringLiteral("Option1_%1").arg(index))->isChecked())
                view = index;
        }
        return QStringLiteral("%1 %2 checks %3 view %4 lang %5")
            .arg(child<QComboBox>(QStringLiteral("cport"))->currentText(),
                 child<QLabel>(QStringLiteral("lbaud"))->text(), checks)
            .arg(view)
            .arg(child<QComboBox>(QStringLiteral("cLang"))->currentIndex());
    }

    static QString written(const QString &path, const QByteArray &ini) {
        writeFile(path, ini);
        return path;
    }

    QTemporaryDir dir;
    QString path;
    SettingsStore store{path};
    GlobalState state;
    FakeTopmost topmost{state};
    FakePorts ports;
    frmOptions dialog{OptionsDialogDeps{state, store, topmost, ports}};
};
} // namespace

class TestOptions : public QObject {
    Q_OBJECT

private slots:
    void closing_data() {
        QTest::addColumn<Options>("start");
        QTest::addColumn<QString>("display");
        QTest::addColumn<QString>("actions");
        QTest::addColumn<Options>("after");
        const auto row = [](const char *name, const Options &start, const char *display,
                            const char *actions, const Options &after) {
            QTest::newRow(name) << start << display << actions << after;
        };
        const char *normal = "Com1 9600 checks 002 view 1 lang 0";
        row("Com3, Cancel: taken", kStart, normal, "type Com3, cancel", with(kStart, 0, 3));
        row("on top cleared, OK", kStart, normal, "tab 1, click Check1_2, ok", with(kStart, 2, 0));
        row("Miniview, Esc", kStart, normal, "tab 1, click Option1_2, esc", kStart);
        row("view 5 shows Channelview, OK: 0", with(kStart, 3, 5),
            "Com1 9600 checks 002 view 0 lang 0", "ok", with(kStart, 3, 0));
        row("odd values shown grey and carried by OK", {12, 0, 5, -1, 2, 2, -3},
            "Com12 0 checks 111 view 0 lang -1", "ok", {12, 0, 5, 0, 2, 2, -3});
        row("on top 5 clicked, OK: ticked", with(kStart, 2, 5),
            "Com1 9600 checks 001 view 1 lang 0", "tab 1, click Check1_2, ok", kStart);
    }

    void closing() {
        QFETCH(Options, start);
        QFETCH(QString, display);
        QFETCH(QString, actions);
        QFETCH(Options, after);

        Rig rig(start, "[Settings]\nBaudRate=1\n");
        QCOMPARE(rig.shown(), display);
        // Enter presses nothing: OK is no default button.
        QTest::keyClick(rig.child<QAbstractButton>(QStringLiteral("cmdOK")), Qt::Key_Return);
        QVERIFY(rig.dialog.isVisible());
        rig.act(actions);
        QVERIFY(!rig.dialog.isVisible());

        // Every close stores all seven, each under the spelling written, from the globals.
        const QSettings ini(rig.path, QSettings::IniFormat);
        Options stored;
        Options globals;
        for (const OptionKey *key : kOptionWriteOrder) {
            stored << ini.value(QStringLiteral("Settings/") + key->writtenAs, -999).toInt();
            globals << rig.state.*(key->global);
        }
        QCOMPARE(globals, after);
        QCOMPARE(stored, after);
        QVERIFY(!ini.contains(QStringLiteral("Settings/BaudRate")));
        // Always-on-top is reapplied once, from the option as it stands after the close.
        rig.dialog.reject();
        QCOMPARE(rig.topmost.ontopAtCalls, QList<int>{after[2]});
    }

    // The port box over port 3: typed text or an arrow key.
    void portBox_data() {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("shown"); // the box, and the port in force
        const auto row = [](const char *keys, const char *shown) {
            QTest::newRow(keys) << QString::fromLatin1(keys) << QString::fromLatin1(shown);
        };
        row("Down", "Com4 4");
        row("Up", "Com2 2");
        row("com5", "Com5 5");
        // Text that is no port goes back to the port in force, for all to see.
        row("Com12", "Com3 3");
    }

    void portBox() {
        QFETCH(QString, keys);
        QFETCH(QString, shown);
        Rig rig(with(kStart, 0, 3));
        auto *box = rig.child<QComboBox>(QStringLiteral("cport"));
        if (keys == u"Down" || keys == u"Up")
            QTest::keyClick(box, keys == u"Down" ? Qt::Key_Down : Qt::Key_Up);
        else
            rig.act(QStringLiteral("type ") + keys);
        QCOMPARE(box->currentText() + u' ' + QString::number(rig.state.opt_comport), shown);
    }

    void portChooser_data() {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("actions"); // the device line is read before the last one
        QTest::addColumn<QString>("deviceLine");
        QTest::addColumn<QStringList>("mapped");
        const auto row = [](const char *name, const QByteArray &ini, int port, const char *actions,
                            const QString &deviceLine, const QStringList &mapped) {
            QTest::newRow(name) << ini << port << actions << deviceLine << mapped;
        };
        const QString ftdi = kFtdi + " (present)";
        row("unmapped", {}, 3, "ok", "/dev/ttyS2 (not present)", {});
        row("chosen, OK", {}, 1, "choose 0, ok", ftdi, {"Com1=" + kFtdi});
        row("chosen, Cancel", "[Ports]\nCom1=/dev/ttyUSB0\n", 1, "choose 1, cancel",
            "/dev/ttyACM0 (present)", {"Com1=/dev/ttyUSB0"});
        row("two numbers mapped", {}, 1, "choose 0, type Com2, choose 1, type Com1, ok", ftdi,
            {"Com1=" + kFtdi, "Com2=/dev/ttyACM0"});
        row("port 0 maps nothing", {}, 0, "choose 0, ok", "No device: port numbers start at 1", {});
    }

    void portChooser() {
        QFETCH(QByteArray, ini);
        QFETCH(int, port);
        QFETCH(QString, actions);
        QFETCH(QString, deviceLine);
        QFETCH(QStringList, mapped);

        Rig rig(with(kStart, 0, port), ini);
        if (actions.contains(u','))
            rig.act(actions.section(QStringLiteral(", "), 0, -2));
        QCOMPARE(rig.child<QLabel>(QStringLiteral("lblPortDevice"))->toolTip(), deviceLine);
        rig.act(actions.section(QStringLiteral(", "), -1));

        QSettings stored(rig.path, QSettings::IniFormat);
        stored.beginGroup(QStringLiteral("Ports"));
        QStringList entries;
        for (const QString &key : stored.childKeys())
            entries << key + u'=' + stored.value(key).toString();
        QCOMPARE(entries, mapped);
    }

    // Last, as it changes the program's font: every caption and button text fits its place at
    // the usual desktop font sizes, in the options dialog and the about box.
    void textsFit_data() {
        QTest::addColumn<bool>("about");
        QTest::addColumn<int>("points");
        for (const int points : {9, 10, 11}) {
            QTest::addRow("options, %d pt", points) << false << points;
            QTest::addRow("about, %d pt", points) << true << points;
        }
    }

    void textsFit() {
        QFETCH(bool, about);
        QFETCH(int, points);
        QApplication::setFont(QFont(QApplication::font().family(), points));
        Rig rig(kStart);
        OperatingSystemTools tools;
        frmAbout box(rig.topmost, tools);
        QDialog &dialog = about ? static_cast<QDialog &>(box) : rig.dialog;
        dialog.show();
        auto *tabs = dialog.findChild<QTabWidget *>();
        for (int tab = 0; tab < (tabs ? tabs->count() : 1); ++tab) {
            if (tabs)
                tabs->setCurrentIndex(tab);
            const QList<QWidget *> controls = dialog.findChildren<QWidget *>();
            for (const QWidget *c : controls) {
                const bool text =
                    qobject_cast<const QLabel *>(c) || qobject_cast<const QAbstractButton *>(c);
                QVERIFY2(!text || !c->isVisibleTo(&dialog) ||
                             (c->width() >= c->sizeHint().width() &&
                              c->height() >= c->sizeHint().height()),
                         qPrintable(c->objectName()));
            }
        }
    }
};

QTEST_MAIN(TestOptions)
#include "tst_options.moc"
