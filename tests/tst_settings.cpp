#include "core/globalstate.h"
#include "core/settings.h"
#include "platform/portnames.h"
#include "platform/settingsstore.h"
#include "support/files.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {
// The seven options in the order they are read.
const QByteArrayList kReadOrder{"BaudRate", "Language", "OnTop", "HBX",
                                "ComPort",  "Splash",   "View"};

QList<int> optionsOf(const GlobalState &state) {
    return {state.opt_baudrate, state.opt_language, state.opt_ontop, state.opt_hbx,
            state.opt_comport,  state.opt_splash,   state.opt_view};
}
} // namespace

class TestSettings : public QObject {
    Q_OBJECT

private slots:
    void loadSettings_data() {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<bool>("complete");
        QTest::addColumn<QList<int>>("options");

        const auto row = [](const char *name, const char *ini, bool complete,
                            const QList<int> &options) {
            QTest::newRow(name) << QByteArray(ini) << complete << options;
        };
        row("empty store gives the defaults", "", true, {9600, 0, 0, 0, 1, 0, 0});
        row("baud rate above the range leaves every option 0",
            "[Settings]\nBaudRate=38400\nComPort=2\n", false, QList<int>(7, 0));
        row("blanks around the port, fractions round to even",
            "[Settings]\nComPort=\" 2.5 \"\nView=1.5\n", true, {9600, 0, 0, 0, 2, 0, 2});
        row("range ends", "[Settings]\nBaudRate=32767\nLanguage=-32768\n", true,
            {32767, -32768, 0, 0, 1, 0, 0});
        row("keys in another case", "[settings]\nbaudrate=2400\nCOMPORT=6\n", true,
            {2400, 0, 0, 0, 6, 0, 0});
        // Every key stored, one of them unreadable: those before it are read, it and the rest
        // keep 0. Written in another order than read, so the order is the store's own.
        for (int bad = 0; bad < kReadOrder.size(); ++bad) {
            QByteArray ini = "[Settings]\n";
            QList<int> expected(7, 0);
            for (int k = int(kReadOrder.size()) - 1; k >= 0; --k) {
                const char *value[] = {"x", "", "1,5"};
                ini += kReadOrder[k] + '=' +
                       (k == bad ? QByteArray(value[bad % 3]) : QByteArray::number(k + 1)) + '\n';
                if (k < bad)
                    expected[k] = k + 1;
            }
            QTest::addRow("%s unreadable", kReadOrder[bad].constData()) << ini << false << expected;
        }
    }

    void loadSettings() {
        QFETCH(QByteArray, ini);
        QFETCH(bool, complete);
        QFETCH(QList<int>, options);

        const SettingsStore store(writeIni(ini));
        GlobalState state;
        QCOMPARE(LoadSettings(state, store), complete);
        QCOMPARE(optionsOf(state), options);
    }

    void keysMatchWithoutCase() {
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

    void portPaths_data() {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("path");

        const auto row = [](const char *name, const char *ini, int number, const char *path) {
            QTest::newRow(name) << QByteArray(ini) << number << path;
        };
        row("first port", "", 1, "/dev/ttyS0");
        row("eighth port", "", 8, "/dev/ttyS7");
        row("port 0 names nothing", "[Ports]\nCom0=/dev/x\n", 0, "");
        row("negative port names nothing", "[Ports]\nCom-1=/dev/x\n", -1, "");
        row("mapped in another case", "[ports]\nCOM3=/dev/ttyUSB0\n", 3, "/dev/ttyUSB0");
        row("mapped path with a comma", "[Ports]\nCom2=/dev/serial/by-path/usb-0:1.2,3-port0\n", 2,
            "/dev/serial/by-path/usb-0:1.2,3-port0");
        row("other ports keep their names", "[Ports]\nCom2=/dev/ttyUSB0\n", 3, "/dev/ttyS2");
    }

    void portPaths() {
        QFETCH(QByteArray, ini);
        QFETCH(int, number);
        QFETCH(QString, path);

        const SettingsStore store(writeIni(ini));
        QCOMPARE(portDevicePath(number, store), path);
    }

private:
    QString writeIni(const QByteArray &text) {
        const QString path = m_dir.filePath(QStringLiteral("store%1.conf").arg(++m_files));
        if (!writeFile(path, text))
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

    QTemporaryDir m_dir;
    int m_files = 0;
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
