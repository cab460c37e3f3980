// The real serial port adapter on a pseudo-terminal whose far end the test plays.
#include "platform/settingsstore.h"
#include "platform/systemserialport.h"

#include <QDeadlineTimer>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace {
// The far end, as socat or ser2net bridge it: a raw terminal of which the test keeps a slave
// descriptor, so it stays up while the program has the port closed and keeps what arrives
// meanwhile.
class FarEnd {
public:
    FarEnd() {
        char name[128] = {};
        termios raw{};
        ::cfmakeraw(&raw);
        if (::openpty(&m_master, &m_slave, name, &raw, nullptr) == 0)
            m_path = QString::fromLocal8Bit(name);
    }
    ~FarEnd() {
        ::close(m_master);
        ::close(m_slave);
    }
    FarEnd(const FarEnd &) = delete;
    FarEnd &operator=(const FarEnd &) = delete;

    QString path() const { return m_path; }
    bool send(const QByteArray &bytes) const {
        return ::write(m_master, bytes.constData(), size_t(bytes.size())) == bytes.size();
    }
    // True once the bytes sent are in the terminal's input, ready for whoever reads it.
    bool inputWaiting() const {
        pollfd slave{m_slave, POLLIN, 0};
        return ::poll(&slave, 1, 5000) == 1;
    }

private:
    int m_master = -1;
    int m_slave = -1;
    QString m_path;
};

} // namespace

class TestSerialPort : public QObject {
    Q_OBJECT

private slots:
    void openStartsWithoutStaleInput_data() {
        QTest::addColumn<bool>("openedBefore");
        QTest::addColumn<QByteArray>("stale");
        QTest::newRow("late reply after a close") << true << QByteArray("16000\r\n");
        QTest::newRow("noise before the first open")
            << false << QByteArray("\x00\xffGarbage\r", 10);
        QTest::newRow("a full input buffer") << true << QByteArray(4000, 'x');
    }

    void openStartsWithoutStaleInput() {
        QFETCH(bool, openedBefore);
        QFETCH(QByteArray, stale);

        FarEnd far;
        QVERIFY(!far.path().isEmpty());
        QTemporaryDir dir;
        SettingsStore store(dir.filePath(QStringLiteral("settings.conf")));
        store.write(QStringLiteral("Ports"), QStringLiteral("Com1"), far.path());
        SystemSerialPort port(store);
        port.setPortNumber(1);
        if (openedBefore) {
            QVERIFY(port.open());
            port.close();
        }
        QVERIFY(far.send(stale) && far.inputWaiting());
        QVERIFY2(port.open(), qPrintable(port.errorString()));
        QCOMPARE(port.readAll().value_or("(failed)"), QByteArray());

        // What comes after the open is the reply to the first command, and it is read whole.
        QVERIFY(far.send("Version 2.10\r\n"));
        QDeadlineTimer deadline(5000);
        QByteArray reply;
        while (reply.isEmpty() && !deadline.hasExpired()) {
            QThread::msleep(5);
            reply = port.readAll().value_or(QByteArray());
        }
        QCOMPARE(reply, QByteArray("Version 2.10\r\n"));
    }
};

QTEST_GUILESS_MAIN(TestSerialPort)
#include "tst_serialport.moc"
