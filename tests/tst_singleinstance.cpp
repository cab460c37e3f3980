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

class TestSingleInstance : public QObject {
    Q_OBJECT

private slots:
    // A first start after one that was killed, clients that send the request in pieces or the
    // request and more, and a second start.
    void requests() {
        QTemporaryDir dir;
        const QString name = dir.filePath(QStringLiteral("QMX-7700-user.instance"));
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        qstrncpy(address.sun_path, QFile::encodeName(name).constData(), sizeof address.sun_path);
        QCOMPARE(::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
        ::close(fd);
        SingleInstance first(name);
        QVERIFY(first.claim());
        QSignalSpy raised(&first, &SingleInstance::raiseRequested);
        // Only the user may connect.
        QCOMPARE(QFileInfo(name).permissions() &
                     ~(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadUser |
                       QFile::WriteUser | QFile::ExeUser),
                 QFile::Permissions());
        // The server hangs up after one request, whatever it was.
        for (const QByteArrayList &writes :
             {QByteArrayList{"QMX-7700 ", "raise\n"}, QByteArrayList{"QMX-7700 raise\nx"}}) {
            QLocalSocket client;
            client.connectToServer(name);
            QVERIFY(client.waitForConnected(2000));
            for (const QByteArray &bytes : writes) {
                client.write(bytes);
                QVERIFY(client.waitForBytesWritten(2000));
                QTest::qWait(20);
            }
            QTRY_VERIFY_WITH_TIMEOUT(client.state() == QLocalSocket::UnconnectedState, 5000);
        }
        QCOMPARE(raised.count(), 1);
        SingleInstance second(name);
        QVERIFY(!second.claim());
        QTRY_COMPARE(raised.count(), 2);
    }

    void platform_data() {
        QTest::addColumn<QByteArray>("qpa");
        QTest::addColumn<QByteArray>("session");
        QTest::addColumn<QByteArray>("display");
        QTest::addColumn<QByteArray>("chosen");
        QTest::newRow("Wayland session with X11")
            << QByteArray() << QByteArray("wayland") << QByteArray(":0") << QByteArray("xcb");
        QTest::newRow("the user's choice wins")
            << QByteArray("wayland") << QByteArray("wayland") << QByteArray(":0") << QByteArray();
        QTest::newRow("Wayland without X11")
            << QByteArray() << QByteArray("wayland") << QByteArray() << QByteArray();
    }

    void platform() {
        QFETCH(QByteArray, qpa);
        QFETCH(QByteArray, session);
        QFETCH(QByteArray, display);
        QFETCH(QByteArray, chosen);
        QCOMPARE(chosenPlatform({qpa, session, {}, display}), chosen);
    }
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
