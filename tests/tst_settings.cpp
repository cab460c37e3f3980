#include "core/globalstate.h"
#include "core/settings.h"
#include "platform/portnames.h"
#include "platform/settingsstore.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {
struct Options {
    int baudrate, language, ontop, hbx, comport, splash, view;
};

Options optionsOf(const GlobalState &state) {
    return {state.opt_baudrate, state.opt_language, state.opt_ontop, state.opt_hbx,
            state.opt_comport,  state.opt_splash,   state.opt_view};
}

bool operator==(const Options &a, const Options &b) {
    return a.baudrate == b.baudrate && a.language == b.language && a.ontop == b.ontop &&
           a.hbx == b.hbx && a.comport == b.comport && a.splash == b.splash && a.view == b.view;
}

char *toString(const Options &o) {
    return qstrdup(QStringLiteral("baud %1 lang %2 ontop %3 hbx %4 port %5 splash %6 view %7")
                       .arg(o.baudrate)
                       .arg(o.language)
                       .arg(o.ontop)
                       .arg(o.hbx)
                       .arg(o.comport)
                       .arg(o.splash)
                       .arg(o.view)
                       .toUtf8()
                       .constData());
}
} // namespace

Q_DECLARE_METATYPE(Options)

class TestSettings : public QObject {
    Q_OBJECT

private slots:
    void loadSettings_data();
    void loadSettings();
    void keysMatchWithoutCase();
    void portPaths_data();
    void portPaths();

private:
    QString writeIni(const QByteArray &text);
    QTemporaryDir m_dir;
    int m_files = 0;
};

QString TestSettings::writeIni(const QByteArray &text) {
    const QString path = m_dir.filePath(QStringLiteral("store%1.conf").arg(++m_files));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

void TestSettings::loadSettings_data() {
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<bool>("complete");
    QTest::addColumn<Options>("options");

    QTest::newRow("empty store gives the defaults")
        << QByteArray() << true << Options{9600, 0, 0, 0, 1, 0, 0};
    QTest::newRow("all stored")
        << QByteArray("[Settings]\nBaudRate=4800\nLanguage=1\nOnTop=1\nHBX=1\nComPort=3\n"
                      "Splash=1\nView=2\n")
        << true << Options{4800, 1, 1, 1, 3, 1, 2};
    QTest::newRow("baud rate above the range leaves every option 0")
        << QByteArray("[Settings]\nBaudRate=38400\nComPort=2\n") << false
        << Options{0, 0, 0, 0, 0, 0, 0};
    QTest::newRow("blanks around the port")
        << QByteArray("[Settings]\nComPort=\" 2 \"\n") << true << Options{9600, 0, 0, 0, 2, 0, 0};
    QTest::newRow("a language that is no number stops there")
        << QByteArray("[Settings]\nBaudRate=1200\nLanguage=x\nOnTop=1\nComPort=4\nView=1\n")
        << false << Options{1200, 0, 0, 0, 0, 0, 0};
    QTest::newRow("fractions round to even") << QByteArray("[Settings]\nComPort=2.5\nView=1.5\n")
                                             << true << Options{9600, 0, 0, 0, 2, 0, 2};
    QTest::newRow("an empty value stops there")
        << QByteArray("[Settings]\nHBX=\nComPort=5\n") << false << Options{9600, 0, 0, 0, 0, 0, 0};
    QTest::newRow("range ends") << QByteArray("[Settings]\nBaudRate=32767\nLanguage=-32768\n")
                                << true << Options{32767, -32768, 0, 0, 1, 0, 0};
    QTest::newRow("keys in another case") << QByteArray("[settings]\nbaudrate=2400\nCOMPORT=6\n")
                                          << true << Options{2400, 0, 0, 0, 6, 0, 0};
}

void TestSettings::loadSettings() {
    QFETCH(QByteArray, ini);
    QFETCH(bool, complete);
    QFETCH(Options, options);

    const SettingsStore store(writeIni(ini));
    GlobalState state;
    QCOMPARE(LoadSettings(state, store), complete);
    QCOMPARE(optionsOf(state), options);
}

void TestSettings::keysMatchWithoutCase() {
    const QString path = writeIni("[Settings]\nBaudRate=1200\n");
    {
        SettingsStore store(path);
        store.write(QStringLiteral("Settings"), QStringLiteral("Baudrate"),
                    QStringLiteral("19200"));
        store.write(QStringLiteral("Settings"), QStringLiteral("MainLeft"),
                    QStringLiteral("1234.5"));
    }
    // A fresh store reads what the file holds: one entry, under the spelling last written.
    const SettingsStore store(path);
    GlobalState state;
    QVERIFY(LoadSettings(state, store));
    QCOMPARE(int(state.opt_baudrate), 19200);
    QCOMPARE(store.read(QStringLiteral("SETTINGS"), QStringLiteral("mainleft"), QString()),
             QStringLiteral("1234.5"));

    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    QVERIFY2(!text.contains("BaudRate"), text.constData());
    QCOMPARE(text.count("Baudrate=19200"), 1);
}

void TestSettings::portPaths_data() {
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("path");

    QTest::newRow("first port") << QByteArray() << 1 << "/dev/ttyS0";
    QTest::newRow("eighth port") << QByteArray() << 8 << "/dev/ttyS7";
    QTest::newRow("port 0 names nothing") << QByteArray() << 0 << "";
    QTest::newRow("negative port names nothing")
        << QByteArray("[Ports]\nCom-1=/dev/x\n") << -1 << "";
    QTest::newRow("mapped") << QByteArray("[Ports]\nCom2=/dev/serial/by-id/usb-x\n") << 2
                            << "/dev/serial/by-id/usb-x";
    QTest::newRow("mapped in another case")
        << QByteArray("[ports]\nCOM3=/dev/ttyUSB0\n") << 3 << "/dev/ttyUSB0";
    QTest::newRow("other ports keep their names")
        << QByteArray("[Ports]\nCom2=/dev/ttyUSB0\n") << 3 << "/dev/ttyS2";
}

void TestSettings::portPaths() {
    QFETCH(QByteArray, ini);
    QFETCH(int, number);
    QFETCH(QString, path);

    const SettingsStore store(writeIni(ini));
    QCOMPARE(portDevicePath(number, store), path);
}

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
