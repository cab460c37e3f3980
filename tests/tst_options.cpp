#include "core/globalstate.h"
#include "core/settingskeys.h"
#include "platform/serialportlist.h"
#include "platform/settingsstore.h"
#include "support/clippedtexts.h"
#include "support/faketopmost.h"
#include "ui/frmoptions.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
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
// The seven options in the order they are written: port, baud rate, on top, view, HBX,
// language, splash.
using Options = QList<int>;
const Options kStart{1, 9600, 1, 1, 0, 0, 0};

Options with(Options options, int index, int value) {
    options[index] = value;
    return options;
}

class FakePorts final : public SerialPortList {
public:
    QList<SerialPortEntry> ports() const override { return list; }
    bool isPresent(const QString &path) const override { return present.contains(path); }
    QList<SerialPortEntry> list;
    QSet<QString> present;
};

const QString kFtdi = QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1B2-if00-port0");
} // namespace

class TestOptions : public QObject {
    Q_OBJECT

private slots:
    void init();
    void closing_data();
    void closing();
    void tabCycling_data();
    void tabCycling();
    void portChooser_data();
    void portChooser();
    void stableNames_data();
    void stableNames();

private:
    void open(const Options &options);
    template <typename T> T *child(const QString &name) { return m_dialog->findChild<T *>(name); }
    bool act(const QString &action);
    bool actAll(const QString &actions);
    QString shown();

    QTemporaryDir m_dir;
    QString m_ini;
    std::unique_ptr<SettingsStore> m_store;
    GlobalState m_state;
    FakeTopmost m_topmost{m_state};
    FakePorts m_ports;
    std::unique_ptr<frmOptions> m_dialog;
};

void TestOptions::init() {
    static int files = 0;
    m_ini = m_dir.filePath(QStringLiteral("store%1.conf").arg(++files));
    m_store = std::make_unique<SettingsStore>(m_ini);
    m_state = GlobalState();
    m_topmost.ontopAtCalls.clear();
    m_ports.list = {{kFtdi, "/dev/ttyUSB0", "FT232R USB UART", "FTDI", "A1B2"},
                    {"/dev/ttyACM0", "/dev/ttyACM0", "", "", ""}};
    m_ports.present = {kFtdi, "/dev/ttyUSB0", "/dev/ttyACM0"};
}

void TestOptions::open(const Options &options) {
    for (size_t i = 0; i < kOptionWriteOrder.size(); ++i)
        m_state.*(kOptionWriteOrder[i]->global) = qint16(options[int(i)]);
    m_dialog =
        std::make_unique<frmOptions>(OptionsDialogDeps{m_state, *m_store, m_topmost, m_ports});
    m_dialog->show();
}

// "tab N" shows page N; "type Com3" types into the port box and presses Enter; "click NAME"
// clicks a button on its box; "choose N" clicks row N of the port list; "ok", "cancel", "esc",
// "close box" close. False when the control is not there for the user.
bool TestOptions::act(const QString &action) {
    const QString verb = action.section(u' ', 0, 0);
    const QString argument = action.section(u' ', 1);
    if (verb == QLatin1String("tab")) {
        QTabBar *tabs = child<QTabWidget>(QStringLiteral("tbsOptions"))->tabBar();
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(argument.toInt()).center());
    } else if (verb == QLatin1String("type")) {
        QLineEdit *edit = child<QComboBox>(QStringLiteral("cport"))->lineEdit();
        edit->selectAll();
        QTest::keyClicks(edit, argument);
        QTest::keyClick(edit, Qt::Key_Return);
    } else if (verb == QLatin1String("choose")) {
        auto *list = child<QListWidget>(QStringLiteral("lstPorts"));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(argument.toInt())).center());
    } else if (verb == QLatin1String("esc")) {
        QTest::keyClick(m_dialog.get(), Qt::Key_Escape);
    } else if (action == QLatin1String("close box")) {
        m_dialog->close();
    } else {
        const QString name = verb == QLatin1String("ok")       ? QStringLiteral("cmdOK")
                             : verb == QLatin1String("cancel") ? QStringLiteral("cmdCancel")
                                                               : argument;
        auto *button = child<QAbstractButton>(name);
        if (!button || !button->isVisible() || !button->isEnabled())
            return false;
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, button->height() / 2));
    }
    return true;
}

bool TestOptions::actAll(const QString &actions) {
    const QStringList steps = actions.split(QStringLiteral(", "), Qt::SkipEmptyParts);
    for (const QString &step : steps) {
        if (!act(step))
            return false;
    }
    return true;
}

QString TestOptions::shown() {
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

void TestOptions::closing_data() {
    QTest::addColumn<Options>("start");
    // What the controls show: port, baud rate, the check states of Check1_0..2, the view and
    // the language index.
    QTest::addColumn<QString>("display");
    QTest::addColumn<QString>("actions");
    QTest::addColumn<Options>("after");

    const QString normal = QStringLiteral("Com1 9600 checks 002 view 1 lang 0");
    QTest::newRow("Com3, Cancel: taken")
        << kStart << normal << "type Com3, cancel" << with(kStart, 0, 3);
    QTest::newRow("Com12 typed, OK: not taken") << kStart << normal << "type Com12, ok" << kStart;
    QTest::newRow("on top cleared, Cancel")
        << kStart << normal << "tab 1, click Check1_2, cancel" << kStart;
    QTest::newRow("on top cleared, OK")
        << kStart << normal << "tab 1, click Check1_2, ok" << with(kStart, 2, 0);
    QTest::newRow("Miniview, OK") << kStart << normal << "tab 1, click Option1_2, ok"
                                  << with(kStart, 3, 2);
    QTest::newRow("Miniview, Esc") << kStart << normal << "tab 1, click Option1_2, esc" << kStart;
    QTest::newRow("Miniview, close box")
        << kStart << normal << "tab 1, click Option1_2, close box" << kStart;
    QTest::newRow("view 5 shows Channelview, OK: 0")
        << with(kStart, 3, 5) << "Com1 9600 checks 002 view 0 lang 0"
        << "ok" << with(kStart, 3, 0);
    QTest::newRow("all on") << Options{3, 4800, 1, 2, 1, 1, 1}
                            << "Com3 4800 checks 222 view 2 lang 1"
                            << "ok" << Options{3, 4800, 1, 2, 1, 1, 1};
    QTest::newRow("odd values shown grey and carried by OK")
        << Options{12, 0, 5, -1, 2, 2, -3} << "Com12 0 checks 111 view 0 lang -1"
        << "ok" << Options{12, 0, 5, 0, 2, 2, -3};
    QTest::newRow("on top 5 clicked, OK: ticked")
        << with(kStart, 2, 5) << "Com1 9600 checks 001 view 1 lang 0"
        << "tab 1, click Check1_2, ok" << kStart;
}

void TestOptions::closing() {
    QFETCH(Options, start);
    QFETCH(QString, display);
    QFETCH(QString, actions);
    QFETCH(Options, after);

    m_store->write(QStringLiteral("Settings"), QStringLiteral("BaudRate"), QStringLiteral("1"));
    open(start);
    QCOMPARE(shown(), display);
    // Enter presses nothing: OK is no default button.
    QTest::keyClick(child<QAbstractButton>(QStringLiteral("cmdOK")), Qt::Key_Return);
    QVERIFY(m_dialog->isVisible());
    QVERIFY(actAll(actions));
    QVERIFY(!m_dialog->isVisible());

    // Every close stores all seven, each under the spelling written, from the globals.
    const QSettings ini(m_ini, QSettings::IniFormat);
    Options stored;
    Options globals;
    for (const OptionKey *key : kOptionWriteOrder) {
        stored << ini.value(QStringLiteral("Settings/") + key->writtenAs, -999).toInt();
        globals << m_state.*(key->global);
    }
    QCOMPARE(globals, after);
    QCOMPARE(stored, after);
    QVERIFY(!ini.contains(QStringLiteral("Settings/BaudRate")));
    // Always-on-top is reapplied once, from the option as it stands after the close.
    QCOMPARE(m_topmost.ontopAtCalls, QList<int>{after[2]});
    m_dialog->reject();
    QCOMPARE(m_topmost.ontopAtCalls.size(), 1);
}

void TestOptions::tabCycling_data() {
    QTest::addColumn<int>("startTab");
    QTest::addColumn<QString>("focus");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<int>("tab");

    const int ctrl = Qt::ControlModifier;
    const int ctrlShift = Qt::ControlModifier | Qt::ShiftModifier;
    const int tab = Qt::Key_Tab;
    QTest::newRow("Ctrl+Tab on Comport") << 0 << "cport" << tab << ctrl << 1;
    QTest::newRow("Ctrl+Tab on Settings") << 1 << "Check1_2" << tab << ctrl << 0;
    QTest::newRow("Ctrl+Shift+Tab on Comport") << 0 << "lstPorts" << tab << ctrlShift << 1;
    QTest::newRow("Ctrl+Backtab on Settings")
        << 1 << "Option1_1" << int(Qt::Key_Backtab) << ctrlShift << 0;
    QTest::newRow("from a button below the pages") << 0 << "cmdOK" << tab << ctrl << 1;
    QTest::newRow("Tab alone") << 0 << "cport" << tab << int(Qt::NoModifier) << 0;
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
    // Nothing is cut off (the device line elides its middle on purpose).
    QCOMPARE(clippedTexts(*m_dialog, {QStringLiteral("lblPortDevice")}), QStringList());
    // Only the page in front is enabled.
    QCOMPARE(child<QWidget>(QStringLiteral("picOptions0"))->isEnabled(), tab == 0);
    QCOMPARE(child<QWidget>(QStringLiteral("picOptions1"))->isEnabled(), tab == 1);
}

void TestOptions::portChooser_data() {
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<int>("port");
    // The device line is read before the last action, which closes the dialog.
    QTest::addColumn<QString>("actions");
    QTest::addColumn<QString>("deviceLine");
    QTest::addColumn<QStringList>("mapped");

    const QByteArray usb0("[Ports]\nCom1=/dev/ttyUSB0\n");
    const QString ftdi = kFtdi + " (present)";
    QTest::newRow("unmapped") << QByteArray() << 3 << "ok"
                              << "/dev/ttyS2 (not present)" << QStringList{};
    QTest::newRow("mapped, gone") << QByteArray("[Ports]\nCom2=/dev/x\n") << 2 << "ok"
                                  << "/dev/x (not present)" << QStringList{"Com2=/dev/x"};
    QTest::newRow("chosen, OK") << QByteArray() << 1 << "choose 0, ok" << ftdi
                                << QStringList{"Com1=" + kFtdi};
    QTest::newRow("chosen, Cancel") << usb0 << 1 << "choose 1, cancel"
                                    << "/dev/ttyACM0 (present)" << QStringList{"Com1=/dev/ttyUSB0"};
    QTest::newRow("two numbers mapped")
        << QByteArray() << 1 << "choose 0, type Com2, choose 1, type Com1, ok" << ftdi
        << QStringList{"Com1=" + kFtdi, "Com2=/dev/ttyACM0"};
    QTest::newRow("port 0 maps nothing") << QByteArray() << 0 << "choose 0, ok"
                                         << "No device: port numbers start at 1" << QStringList{};
}

void TestOptions::portChooser() {
    QFETCH(QByteArray, ini);
    QFETCH(int, port);
    QFETCH(QString, actions);
    QFETCH(QString, deviceLine);
    QFETCH(QStringList, mapped);

    QFile file(m_ini);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(ini) == ini.size());
    file.close();
    m_store = std::make_unique<SettingsStore>(m_ini);
    open(with(kStart, 0, port));
    QVERIFY(actAll(actions.section(QStringLiteral(", "), 0, -2)));
    QCOMPARE(child<QLabel>(QStringLiteral("lblPortDevice"))->toolTip(), deviceLine);
    QVERIFY(act(actions.section(QStringLiteral(", "), -1)));

    QSettings stored(m_ini, QSettings::IniFormat);
    stored.beginGroup(QStringLiteral("Ports"));
    QStringList entries;
    const QStringList keys = stored.childKeys();
    for (const QString &key : keys)
        entries << key + u'=' + stored.value(key).toString();
    QCOMPARE(entries, mapped);
    QCOMPARE(m_state.opt_view, kStart[3]);
}

void TestOptions::stableNames_data() {
    QTest::addColumn<QString>("device");
    // "name>target" links in the by-id folder, to files beside it.
    QTest::addColumn<QStringList>("links");
    QTest::addColumn<QString>("name");

    QTest::newRow("the link that leads there")
        << "ttyUSB0" << QStringList{"usb-A>gone", "usb-B>ttyUSB1", "usb-C>ttyUSB0"} << "usb-C";
    QTest::newRow("several: the first name")
        << "ttyUSB0" << QStringList{"usb-Z>ttyUSB0", "usb-M>ttyUSB0"} << "usb-M";
    QTest::newRow("none leads there") << "ttyUSB0" << QStringList{"usb-A>ttyUSB1"} << "";
}

void TestOptions::stableNames() {
    QFETCH(QString, device);
    QFETCH(QStringList, links);
    QFETCH(QString, name);

    QTemporaryDir dir;
    const QString byId = dir.filePath(QStringLiteral("by-id"));
    QVERIFY(QDir().mkpath(byId));
    for (const char *file : {"ttyUSB0", "ttyUSB1"})
        QVERIFY(QFile(dir.filePath(QString::fromLatin1(file))).open(QIODevice::WriteOnly));
    for (const QString &link : std::as_const(links)) {
        QVERIFY(QFile::link(dir.filePath(link.section(u'>', 1)),
                            byId + u'/' + link.section(u'>', 0, 0)));
    }
    QCOMPARE(stableDeviceName(dir.filePath(device), byId),
             name.isEmpty() ? QString() : byId + u'/' + name);
}

QTEST_MAIN(TestOptions)
#include "tst_options.moc"
