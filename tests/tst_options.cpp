#include "core/globalstate.h"
#include "platform/serialportlist.h"
#include "platform/settingsstore.h"
#include "support/clippedtexts.h"
#include "support/faketopmost.h"
#include "ui/frmoptions.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSet>
#include <QSettings>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {
struct Options {
    int comport, baudrate, ontop, view, hbx, language, splash;
};

bool operator==(const Options &a, const Options &b) {
    return a.comport == b.comport && a.baudrate == b.baudrate && a.ontop == b.ontop &&
           a.view == b.view && a.hbx == b.hbx && a.language == b.language && a.splash == b.splash;
}

char *toString(const Options &o) {
    return qstrdup(QStringLiteral("port %1 baud %2 ontop %3 view %4 hbx %5 lang %6 splash %7")
                       .arg(o.comport)
                       .arg(o.baudrate)
                       .arg(o.ontop)
                       .arg(o.view)
                       .arg(o.hbx)
                       .arg(o.language)
                       .arg(o.splash)
                       .toUtf8()
                       .constData());
}

void setOptions(GlobalState &state, const Options &o) {
    state.opt_comport = qint16(o.comport);
    state.opt_baudrate = qint16(o.baudrate);
    state.opt_ontop = qint16(o.ontop);
    state.opt_view = qint16(o.view);
    state.opt_hbx = qint16(o.hbx);
    state.opt_language = qint16(o.language);
    state.opt_splash = qint16(o.splash);
}

Options optionsOf(const GlobalState &state) {
    return {state.opt_comport, state.opt_baudrate, state.opt_ontop, state.opt_view,
            state.opt_hbx,     state.opt_language, state.opt_splash};
}

const Options kStart{1, 9600, 1, 1, 0, 0, 0};

// A fixed set of ports; a path is present when it is in `present`.
class FakePorts final : public SerialPortList {
public:
    QList<SerialPortEntry> ports() const override { return list; }
    bool isPresent(const QString &devicePath) const override {
        return present.contains(devicePath);
    }
    QList<SerialPortEntry> list;
    QSet<QString> present;
};

const QString kFtdi = QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1B2-if00-port0");

FakePorts machinePorts() {
    FakePorts ports;
    ports.list = {{kFtdi, "/dev/ttyUSB0", "FT232R USB UART", "FTDI", "A1B2"},
                  {"/dev/ttyACM0", "/dev/ttyACM0", "", "", ""}};
    ports.present = {kFtdi, "/dev/ttyUSB0", "/dev/ttyACM0", "/dev/ttyS0"};
    return ports;
}
} // namespace

Q_DECLARE_METATYPE(Options)

class TestOptions : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void closing_data();
    void closing();
    void shownValues_data();
    void shownValues();
    void enterClosesNothing();
    void tabCycling_data();
    void tabCycling();
    void portChooser_data();
    void portChooser();
    void stableNames_data();
    void stableNames();

private:
    frmOptions &open(const Options &options);
    template <typename T> T *child(const QString &name) {
        T *found = m_dialog->findChild<T *>(name);
        if (!found)
            qFatal("no control %s", qPrintable(name));
        return found;
    }
    bool act(const QString &action);
    Options stored() const;
    QMap<QString, QString> storedPorts() const;

    QTemporaryDir m_dir;
    QString m_ini;
    std::unique_ptr<SettingsStore> m_store;
    GlobalState m_state;
    std::unique_ptr<FakeTopmost> m_topmost;
    FakePorts m_ports;
    std::unique_ptr<frmOptions> m_dialog;
};

void TestOptions::init() {
    static int files = 0;
    m_ini = m_dir.filePath(QStringLiteral("store%1.conf").arg(++files));
    m_store = std::make_unique<SettingsStore>(m_ini);
    m_state = GlobalState();
    m_topmost = std::make_unique<FakeTopmost>(m_state);
    m_ports = machinePorts();
}

void TestOptions::cleanup() {
    m_dialog.reset();
}

frmOptions &TestOptions::open(const Options &options) {
    setOptions(m_state, options);
    m_dialog =
        std::make_unique<frmOptions>(OptionsDialogDeps{m_state, *m_store, *m_topmost, m_ports});
    m_dialog->show();
    return *m_dialog;
}

// "tab N": shows page N; "type Com3": types into the port box and presses Enter; "click NAME":
// clicks a control; "choose N": chooses row N of the port list; "ok", "cancel", "esc",
// "close box": closes. False when the control is not there for the user.
bool TestOptions::act(const QString &action) {
    const QString argument = action.section(u' ', 1);
    if (action.startsWith(QLatin1String("tab "))) {
        QTabWidget *tabs = child<QTabWidget>(QStringLiteral("tbsOptions"));
        QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {},
                          tabs->tabBar()->tabRect(argument.toInt()).center());
    } else if (action.startsWith(QLatin1String("click "))) {
        auto *button = child<QAbstractButton>(argument);
        if (!button->isVisible() || !button->isEnabled())
            return false;
        // On the box itself: a check or option button takes clicks on its box and text only.
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, button->height() / 2));
    } else if (action.startsWith(QLatin1String("type "))) {
        QLineEdit *edit = child<QComboBox>(QStringLiteral("cport"))->lineEdit();
        edit->selectAll();
        QTest::keyClicks(edit, argument);
        QTest::keyClick(edit, Qt::Key_Return);
    } else if (action.startsWith(QLatin1String("choose "))) {
        auto *list = child<QListWidget>(QStringLiteral("lstPorts"));
        QListWidgetItem *item = list->item(argument.toInt());
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(item).center());
    } else if (action == QLatin1String("ok")) {
        QTest::mouseClick(child<QAbstractButton>(QStringLiteral("cmdOK")), Qt::LeftButton);
    } else if (action == QLatin1String("cancel")) {
        QTest::mouseClick(child<QAbstractButton>(QStringLiteral("cmdCancel")), Qt::LeftButton);
    } else if (action == QLatin1String("esc")) {
        QTest::keyClick(m_dialog.get(), Qt::Key_Escape);
    } else if (action == QLatin1String("close box")) {
        m_dialog->close();
    } else {
        qFatal("unknown action %s", qPrintable(action));
    }
    return true;
}

// What the INI file holds, read by a store of its own.
Options TestOptions::stored() const {
    const SettingsStore store(m_ini);
    const auto value = [&store](const char *key) {
        return store
            .read(QStringLiteral("Settings"), QString::fromLatin1(key), QStringLiteral("absent"))
            .toInt();
    };
    return {value("ComPort"), value("Baudrate"), value("OnTop"), value("View"),
            value("HBX"),     value("Language"), value("Splash")};
}

QMap<QString, QString> TestOptions::storedPorts() const {
    QSettings ini(m_ini, QSettings::IniFormat);
    ini.beginGroup(QStringLiteral("Ports"));
    QMap<QString, QString> ports;
    const QStringList keys = ini.childKeys();
    for (const QString &key : keys)
        ports.insert(key, ini.value(key).toString());
    return ports;
}

void TestOptions::closing_data() {
    QTest::addColumn<Options>("start");
    QTest::addColumn<QStringList>("actions");
    QTest::addColumn<Options>("after");

    const auto with = [](Options o, int Options::*field, int value) {
        o.*field = value;
        return o;
    };
    QTest::newRow("Com3, then Cancel: the port is taken and stored")
        << kStart << QStringList{"type Com3", "cancel"} << with(kStart, &Options::comport, 3);
    QTest::newRow("always on top cleared, then Cancel: kept")
        << kStart << QStringList{"tab 1", "click Check1_2", "cancel"} << kStart;
    QTest::newRow("always on top cleared, then OK")
        << kStart << QStringList{"tab 1", "click Check1_2", "ok"}
        << with(kStart, &Options::ontop, 0);
    QTest::newRow("always on top set, then OK")
        << with(kStart, &Options::ontop, 0) << QStringList{"tab 1", "click Check1_2", "ok"}
        << kStart;
    QTest::newRow("Miniview, then OK") << kStart << QStringList{"tab 1", "click Option1_2", "ok"}
                                       << with(kStart, &Options::view, 2);
    QTest::newRow("Miniview, then Cancel")
        << kStart << QStringList{"tab 1", "click Option1_2", "cancel"} << kStart;
    QTest::newRow("Miniview, then Esc")
        << kStart << QStringList{"tab 1", "click Option1_2", "esc"} << kStart;
    QTest::newRow("Miniview, then the close box")
        << kStart << QStringList{"tab 1", "click Option1_2", "close box"} << kStart;
    QTest::newRow("a stored view of 5 becomes 0 on OK")
        << with(kStart, &Options::view, 5) << QStringList{"ok"} << with(kStart, &Options::view, 0);
    QTest::newRow("a stored view of 5 stays on Cancel")
        << with(kStart, &Options::view, 5) << QStringList{"cancel"}
        << with(kStart, &Options::view, 5);
    QTest::newRow("the hidden options and the baud rate are carried through OK")
        << Options{2, 4800, 0, 2, 1, 1, 1} << QStringList{"ok"} << Options{2, 4800, 0, 2, 1, 1, 1};
    QTest::newRow("values the boxes cannot show are carried through OK")
        << Options{1, 9600, 5, 0, 2, 2, -1} << QStringList{"ok"}
        << Options{1, 9600, 5, 0, 2, 2, -1};
    QTest::newRow("always on top 5 clicked, then OK: ticked")
        << with(kStart, &Options::ontop, 5) << QStringList{"tab 1", "click Check1_2", "ok"}
        << kStart;
    QTest::newRow("a typed port not in the list is not taken")
        << kStart << QStringList{"type Com12", "ok"} << kStart;
    QTest::newRow("port 0 and port 12 are stored as they are")
        << with(kStart, &Options::comport, 0) << QStringList{"ok"}
        << with(kStart, &Options::comport, 0);
    QTest::newRow("a port chosen from port 12")
        << with(kStart, &Options::comport, 12) << QStringList{"type Com8", "ok"}
        << with(kStart, &Options::comport, 8);
}

void TestOptions::closing() {
    QFETCH(Options, start);
    QFETCH(QStringList, actions);
    QFETCH(Options, after);

    m_store->write(QStringLiteral("Settings"), QStringLiteral("BaudRate"), QStringLiteral("1"));
    open(start);
    for (const QString &action : std::as_const(actions))
        QVERIFY2(act(action), qPrintable(action));

    QVERIFY(!m_dialog->isVisible());
    QCOMPARE(optionsOf(m_state), after);
    QCOMPARE(stored(), after);
    // Always-on-top is reapplied once, from the option as it stands after the close.
    QCOMPARE(m_topmost->ontopAtCalls, QList<int>{after.ontop});
    // One entry for the baud rate, under the spelling written.
    QFile file(m_ini);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    QVERIFY2(!text.contains("BaudRate") && text.contains("Baudrate="), text.constData());
    // Another close of the same dialog stores and reapplies nothing more.
    m_dialog->reject();
    QCOMPARE(m_topmost->ontopAtCalls.size(), 1);
}

void TestOptions::shownValues_data() {
    QTest::addColumn<Options>("options");
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("baud");
    // Check1_0, Check1_1, Check1_2 as Qt check states; the view button; the language index.
    QTest::addColumn<QList<int>>("checks");
    QTest::addColumn<int>("view");
    QTest::addColumn<int>("language");

    QTest::newRow("all on") << Options{3, 4800, 1, 2, 1, 1, 1} << "Com3"
                            << "4800" << QList<int>{Qt::Checked, Qt::Checked, Qt::Checked} << 2
                            << 1;
    QTest::newRow("all off") << Options{1, 9600, 0, 0, 0, 0, 0} << "Com1"
                             << "9600" << QList<int>{Qt::Unchecked, Qt::Unchecked, Qt::Unchecked}
                             << 0 << 0;
    QTest::newRow("program view") << Options{1, 9600, 0, 1, 0, 0, 0} << "Com1"
                                  << "9600"
                                  << QList<int>{Qt::Unchecked, Qt::Unchecked, Qt::Unchecked} << 1
                                  << 0;
    QTest::newRow("view 5 shows Channelview")
        << Options{1, 9600, 0, 5, 0, 0, 0} << "Com1"
        << "9600" << QList<int>{Qt::Unchecked, Qt::Unchecked, Qt::Unchecked} << 0 << 0;
    QTest::newRow("a negative view shows Channelview")
        << Options{1, 9600, 0, -1, 0, 0, 0} << "Com1"
        << "9600" << QList<int>{Qt::Unchecked, Qt::Unchecked, Qt::Unchecked} << 0 << 0;
    QTest::newRow("odd check values show grey")
        << Options{1, 9600, 5, 0, 2, 0, -3} << "Com1"
        << "9600" << QList<int>{Qt::PartiallyChecked, Qt::PartiallyChecked, Qt::PartiallyChecked}
        << 0 << 0;
    QTest::newRow("language 2 selects no language")
        << Options{1, 9600, 0, 0, 0, 2, 0} << "Com1"
        << "9600" << QList<int>{Qt::Unchecked, Qt::Unchecked, Qt::Unchecked} << 0 << -1;
    QTest::newRow("port 0 and a baud rate of 0")
        << Options{0, 0, 0, 0, 0, 0, 0} << "Com0"
        << "0" << QList<int>{Qt::Unchecked, Qt::Unchecked, Qt::Unchecked} << 0 << 0;
    QTest::newRow("port 12") << Options{12, 9600, 0, 0, 0, 0, 0} << "Com12"
                             << "9600" << QList<int>{Qt::Unchecked, Qt::Unchecked, Qt::Unchecked}
                             << 0 << 0;
}

void TestOptions::shownValues() {
    QFETCH(Options, options);
    QFETCH(QString, port);
    QFETCH(QString, baud);
    QFETCH(QList<int>, checks);
    QFETCH(int, view);
    QFETCH(int, language);

    open(options);
    QCOMPARE(child<QComboBox>(QStringLiteral("cport"))->currentText(), port);
    QCOMPARE(child<QLabel>(QStringLiteral("lbaud"))->text(), baud);
    QList<int> shownChecks;
    for (const char *name : {"Check1_0", "Check1_1", "Check1_2"})
        shownChecks << child<QCheckBox>(QString::fromLatin1(name))->checkState();
    QCOMPARE(shownChecks, checks);
    for (int index = 0; index < 3; ++index) {
        QCOMPARE(child<QAbstractButton>(QStringLiteral("Option1_%1").arg(index))->isChecked(),
                 index == view);
    }
    auto *languages = child<QComboBox>(QStringLiteral("cLang"));
    QCOMPARE(languages->currentIndex(), language);
    QCOMPARE(languages->count(), 2);
    // Showing them changes none of them.
    QCOMPARE(optionsOf(m_state), options);
    // Nothing is cut off on either page (the device line elides its middle on purpose).
    for (int page = 0; page < 2; ++page) {
        child<QTabWidget>(QStringLiteral("tbsOptions"))->setCurrentIndex(page);
        QCOMPARE(clippedTexts(*m_dialog, {QStringLiteral("lblPortDevice")}), QStringList());
    }
}

void TestOptions::enterClosesNothing() {
    open(kStart);
    QTest::keyClick(m_dialog.get(), Qt::Key_Return);
    QTest::keyClick(child<QAbstractButton>(QStringLiteral("cmdOK")), Qt::Key_Return);
    QVERIFY(m_dialog->isVisible());
    QVERIFY(m_topmost->ontopAtCalls.isEmpty());
}

void TestOptions::tabCycling_data() {
    QTest::addColumn<int>("startTab");
    QTest::addColumn<QString>("focus");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<int>("tab");

    const int ctrl = Qt::ControlModifier;
    const int ctrlShift = Qt::ControlModifier | Qt::ShiftModifier;
    QTest::newRow("Ctrl+Tab on Comport") << 0 << "cport" << int(Qt::Key_Tab) << ctrl << 1;
    QTest::newRow("Ctrl+Tab on Settings wraps to Comport")
        << 1 << "Check1_2" << int(Qt::Key_Tab) << ctrl << 0;
    QTest::newRow("Ctrl+Shift+Tab on Comport wraps to Settings")
        << 0 << "lstPorts" << int(Qt::Key_Tab) << ctrlShift << 1;
    QTest::newRow("Ctrl+Backtab on Comport wraps to Settings")
        << 0 << "cport" << int(Qt::Key_Backtab) << ctrlShift << 1;
    QTest::newRow("Ctrl+Shift+Tab on Settings")
        << 1 << "Option1_1" << int(Qt::Key_Tab) << ctrlShift << 0;
    QTest::newRow("from a button below the pages") << 0 << "cmdOK" << int(Qt::Key_Tab) << ctrl << 1;
    QTest::newRow("Tab alone moves no tab")
        << 0 << "cport" << int(Qt::Key_Tab) << int(Qt::NoModifier) << 0;
    QTest::newRow("Ctrl with another key moves no tab")
        << 1 << "Check1_2" << int(Qt::Key_A) << ctrl << 1;
}

void TestOptions::tabCycling() {
    QFETCH(int, startTab);
    QFETCH(QString, focus);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(int, tab);

    open(kStart);
    auto *tabs = child<QTabWidget>(QStringLiteral("tbsOptions"));
    tabs->setCurrentIndex(startTab);
    QWidget *target = child<QWidget>(focus);
    if (auto *combo = qobject_cast<QComboBox *>(target))
        target = combo->lineEdit();
    QTest::keyClick(target, Qt::Key(key), Qt::KeyboardModifiers(modifiers));

    QCOMPARE(tabs->currentIndex(), tab);
    // Only the page in front is enabled.
    QCOMPARE(child<QWidget>(QStringLiteral("picOptions0"))->isEnabled(), tab == 0);
    QCOMPARE(child<QWidget>(QStringLiteral("picOptions1"))->isEnabled(), tab == 1);
}

void TestOptions::portChooser_data() {
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<int>("port");
    QTest::addColumn<QStringList>("actions");
    QTest::addColumn<QString>("deviceLine");
    QTest::addColumn<QStringList>("portsStored");

    const QString ftdiLine = kFtdi + " (present)";
    QTest::newRow("before any choice, the platform's name")
        << QByteArray() << 3 << QStringList{} << "/dev/ttyS2 (not present)" << QStringList{};
    QTest::newRow("a mapped port shows its device")
        << QByteArray("[Ports]\nCom1=/dev/ttyUSB0\n") << 1 << QStringList{}
        << "/dev/ttyUSB0 (present)" << QStringList{"Com1=/dev/ttyUSB0"};
    QTest::newRow("a mapped device that is gone")
        << QByteArray("[Ports]\nCom2=/dev/serial/by-id/usb-gone\n") << 2 << QStringList{}
        << "/dev/serial/by-id/usb-gone (not present)"
        << QStringList{"Com2=/dev/serial/by-id/usb-gone"};
    QTest::newRow("chosen, then OK: mapped") << QByteArray() << 1 << QStringList{"choose 0", "ok"}
                                             << ftdiLine << QStringList{"Com1=" + kFtdi};
    QTest::newRow("chosen, then Cancel: not mapped")
        << QByteArray() << 1 << QStringList{"choose 0", "cancel"} << ftdiLine << QStringList{};
    QTest::newRow("chosen, then the close box: not mapped")
        << QByteArray() << 1 << QStringList{"choose 0", "close box"} << ftdiLine << QStringList{};
    QTest::newRow("a mapping replaced, then Cancel: kept")
        << QByteArray("[Ports]\nCom1=/dev/ttyUSB0\n") << 1 << QStringList{"choose 1", "cancel"}
        << "/dev/ttyACM0 (present)" << QStringList{"Com1=/dev/ttyUSB0"};
    QTest::newRow("the number chosen first, then the device")
        << QByteArray() << 1 << QStringList{"type Com3", "choose 1", "ok"}
        << "/dev/ttyACM0 (present)" << QStringList{"Com3=/dev/ttyACM0"};
    QTest::newRow("two numbers mapped in one showing")
        << QByteArray() << 1 << QStringList{"choose 0", "type Com2", "choose 1", "ok"}
        << "/dev/ttyACM0 (present)" << QStringList{"Com1=" + kFtdi, "Com2=/dev/ttyACM0"};
    QTest::newRow("back to a number chosen for, before OK")
        << QByteArray() << 1 << QStringList{"choose 0", "type Com2", "type Com1"} << ftdiLine
        << QStringList{};
    QTest::newRow("port 0 maps nothing") << QByteArray() << 0 << QStringList{"choose 0", "ok"}
                                         << "No device: port numbers start at 1" << QStringList{};
}

void TestOptions::portChooser() {
    QFETCH(QByteArray, ini);
    QFETCH(int, port);
    QFETCH(QStringList, actions);
    QFETCH(QString, deviceLine);
    QFETCH(QStringList, portsStored);

    {
        QFile file(m_ini);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(ini);
    }
    m_store = std::make_unique<SettingsStore>(m_ini);
    Options options = kStart;
    options.comport = port;
    open(options);
    QStringList withoutClose = actions;
    const bool closes = !actions.isEmpty() && !actions.last().startsWith(QLatin1String("choose")) &&
                        !actions.last().startsWith(QLatin1String("type"));
    if (closes)
        withoutClose.removeLast();
    for (const QString &action : std::as_const(withoutClose))
        QVERIFY2(act(action), qPrintable(action));
    QCOMPARE(child<QLabel>(QStringLiteral("lblPortDevice"))->toolTip(), deviceLine);
    if (closes)
        act(actions.last());
    else
        act(QStringLiteral("cancel"));

    QStringList stored;
    const QMap<QString, QString> ports = storedPorts();
    for (auto it = ports.begin(); it != ports.end(); ++it)
        stored << it.key() + '=' + it.value();
    QCOMPARE(stored, portsStored);
    // The port chooser touches none of the seven options.
    QCOMPARE(m_state.opt_ontop, kStart.ontop);
    QCOMPARE(m_state.opt_view, kStart.view);
}

void TestOptions::stableNames_data() {
    QTest::addColumn<QString>("device");
    QTest::addColumn<QStringList>("links");
    QTest::addColumn<QString>("name");

    // Links are "name>target" inside a by-id folder; targets are files in the test folder.
    QTest::newRow("the link that leads to the device")
        << "ttyUSB0" << QStringList{"usb-A-if00>ttyUSB1", "usb-B-if00>ttyUSB0"} << "usb-B-if00";
    QTest::newRow("no link leads there") << "ttyUSB0" << QStringList{"usb-A-if00>ttyUSB1"} << "";
    QTest::newRow("a link that leads nowhere")
        << "ttyUSB0" << QStringList{"usb-A-if00>gone", "usb-B-if00>ttyUSB0"} << "usb-B-if00";
    QTest::newRow("several links: the first name")
        << "ttyUSB0" << QStringList{"usb-Z>ttyUSB0", "usb-M>ttyUSB0"} << "usb-M";
    QTest::newRow("no such device") << "missing" << QStringList{"usb-A>missing"} << "";
}

void TestOptions::stableNames() {
    QFETCH(QString, device);
    QFETCH(QStringList, links);
    QFETCH(QString, name);

    QTemporaryDir dir;
    const QString byId = dir.filePath(QStringLiteral("by-id"));
    QVERIFY(QDir().mkpath(byId));
    for (const char *file : {"ttyUSB0", "ttyUSB1"}) {
        QFile f(dir.filePath(QString::fromLatin1(file)));
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    for (const QString &link : std::as_const(links)) {
        QVERIFY(QFile::link(dir.filePath(link.section(u'>', 1)),
                            byId + u'/' + link.section(u'>', 0, 0)));
    }
    const QString expected = name.isEmpty() ? QString() : byId + u'/' + name;
    QCOMPARE(stableDeviceName(dir.filePath(device), byId), expected);
}

QTEST_MAIN(TestOptions)
#include "tst_options.moc"
