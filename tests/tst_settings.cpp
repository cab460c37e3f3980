#include "core/globalstate.h"
#include "core/settings.h"
#include "platform/portnames.h"
#include "platform/settingsstore.h"
#include "support/files.h"

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

    // A device path written by hand is read whole, and stays whole when the program writes the
    // file again (it does at every exit).
    void handWrittenPort_data() {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<QString>("path");
        QTest::newRow("semicolon")
            << QByteArray("/dev/serial/by-id/usb-A;B") << "/dev/serial/by-id/usb-A;B";
        QTest::newRow("comma and blank") << QByteArray("/dev/x, y") << "/dev/x, y";
        QTest::newRow("quoted") << QByteArray("\"/dev/q;r\"") << "/dev/q;r";
    }

    void handWrittenPort() {
        QFETCH(QByteArray, value);
        QFETCH(QString, path);

        const QString file = writeIni("; the lab's adapter\n[ports]\ncom2=" + value + "\n");
        {
            SettingsStore store(file);
            QCOMPARE(portDevicePath(2, store), path);
            store.write(QStringLiteral("Settings"), QStringLiteral("MainLeft"),
                        QStringLiteral("5"));
        }
        QCOMPARE(portDevicePath(2, SettingsStore(file)), path);
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
