// One running program per user, and the window system the program asks for.
#include "app/platformchoice.h"
#include "app/singleinstance.h"

#include <QFileInfo>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {
// Leaves a socket file that nobody serves, as an instance that was killed does.
bool leaveStaleSocket(const QString &path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0)
        return false;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray name = QFile::encodeName(path);
    qstrncpy(address.sun_path, name.constData(), sizeof address.sun_path);
    const bool bound = ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
    ::close(fd);
    return bound && QFileInfo::exists(path);
}
} // namespace

class TestSingleInstance : public QObject {
    Q_OBJECT

private slots:
    void secondStartAsksTheFirst();
    void requests_data();
    void requests();
    void staleSocketDoesNotStopTheStart();
    void platform_data();
    void platform();
};

void TestSingleInstance::secondStartAsksTheFirst() {
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("QMX-7700-test.instance"));
    {
        SingleInstance first(name);
        QSignalSpy raised(&first, &SingleInstance::raiseRequested);
        QVERIFY(first.claim());
        // Only the user may connect.
        const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                          QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
        QCOMPARE(QFileInfo(name).permissions() & others, QFile::Permissions());

        SingleInstance second(name);
        QVERIFY(!second.claim());
        QVERIFY(raised.wait(2000));
        QCOMPARE(raised.count(), 1);
    }
    // Once the first has ended, the next start is the first again.
    SingleInstance next(name);
    QVERIFY(next.claim());
}

void TestSingleInstance::requests_data() {
    QTest::addColumn<QList<QByteArray>>("writes");
    QTest::addColumn<int>("raises");

    QTest::newRow("the request") << QList<QByteArray>{"QMX-7700 raise\n"} << 1;
    QTest::newRow("the request in pieces") << QList<QByteArray>{"QMX-7700 ", "raise\n"} << 1;
    QTest::newRow("anything else") << QList<QByteArray>{"hello\n"} << 0;
    QTest::newRow("the request with more behind")
        << QList<QByteArray>{"QMX-7700 raise\nQMX-7700 raise\n"} << 0;
    QTest::newRow("nothing") << QList<QByteArray>{} << 0;
}

void TestSingleInstance::requests() {
    QFETCH(QList<QByteArray>, writes);
    QFETCH(int, raises);

    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("q.instance"));
    SingleInstance first(name);
    QVERIFY(first.claim());
    QSignalSpy raised(&first, &SingleInstance::raiseRequested);

    QLocalSocket client;
    client.connectToServer(name);
    QVERIFY(client.waitForConnected(2000));
    for (const QByteArray &bytes : writes) {
        client.write(bytes);
        QVERIFY(client.waitForBytesWritten(2000));
        QTest::qWait(20);
    }
    // The server hangs up after one request, or drops a client that sends none.
    QTRY_VERIFY_WITH_TIMEOUT(client.state() == QLocalSocket::UnconnectedState, 5000);
    QCOMPARE(raised.count(), raises);

    // It still serves the next start.
    SingleInstance second(name);
    QVERIFY(!second.claim());
    QTRY_COMPARE(raised.count(), raises + 1);
}

void TestSingleInstance::staleSocketDoesNotStopTheStart() {
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("stale.instance"));
    QVERIFY(leaveStaleSocket(name));

    SingleInstance first(name);
    QVERIFY(first.claim());
    QSignalSpy raised(&first, &SingleInstance::raiseRequested);
    SingleInstance second(name);
    QVERIFY(!second.claim());
    QVERIFY(raised.wait(2000));
}

void TestSingleInstance::platform_data() {
    QTest::addColumn<QByteArray>("qpa");
    QTest::addColumn<QByteArray>("session");
    QTest::addColumn<QByteArray>("wayland");
    QTest::addColumn<QByteArray>("display");
    QTest::addColumn<QByteArray>("chosen");

    QTest::newRow("Wayland session with X11")
        << QByteArray() << QByteArray("wayland") << QByteArray("wayland-0") << QByteArray(":0")
        << QByteArray("xcb");
    QTest::newRow("Wayland display only named")
        << QByteArray() << QByteArray("tty") << QByteArray("wayland-0") << QByteArray(":1")
        << QByteArray("xcb");
    QTest::newRow("the user's choice wins")
        << QByteArray("wayland") << QByteArray("wayland") << QByteArray("wayland-0")
        << QByteArray(":0") << QByteArray();
    QTest::newRow("Wayland without X11") << QByteArray() << QByteArray("wayland")
                                         << QByteArray("wayland-0") << QByteArray() << QByteArray();
    QTest::newRow("X11 session") << QByteArray() << QByteArray("x11") << QByteArray()
                                 << QByteArray(":0") << QByteArray();
}

void TestSingleInstance::platform() {
    QFETCH(QByteArray, qpa);
    QFETCH(QByteArray, session);
    QFETCH(QByteArray, wayland);
    QFETCH(QByteArray, display);
    QFETCH(QByteArray, chosen);
    QCOMPARE(chosenPlatform({qpa, session, wayland, display}), chosen);
}

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
