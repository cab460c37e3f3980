// The control server in the program with its windows, around a scripted device in virtual time,
// with clients on its local socket: what a client does shows in the windows as the same action
// by hand, and the windows and the clients take turns with the device.
#include "device/devicelink.h"
#include "platform/systemserialport.h"
#include "program/programtable.h"
#include "remote/controlserver.h"
#include "support/files.h"
#include "support/scriptedapp.h"
#include "ui/frmchannel.h"
#include "ui/frmmini.h"

#include <QCheckBox>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QLocalSocket>

namespace {
struct Rig : ScriptedApp {
    Rig() { module->startUp(); }
    QWidget *dialButton(int channel) const {
        return module->channelView()->findChild<QWidget *>(
            QStringLiteral("MyButton%1").arg(channel - 1));
    }
    QString box(QWidget *view, const char *name) const {
        return view->findChild<QLineEdit *>(QLatin1String(name))->text();
    }
};

// A client on the local socket; the lines it has received so far.
struct Client {
    explicit Client(const Rig &rig) {
        QObject::connect(&socket, &QLocalSocket::readyRead, &socket, [this] {
            while (socket.canReadLine())
                received << socket.readLine().chopped(1);
        });
        socket.connectToServer(rig.dir.filePath(QStringLiteral("control")));
    }
    // Sends the lines and returns the next `count` lines received, events served meanwhile.
    QList<QByteArray> ask(const QByteArray &lines, int count) {
        socket.write(lines);
        for (int i = 0; i < 500 && received.size() < count; ++i)
            QTest::qWait(2);
        return std::exchange(received, {});
    }
    QLocalSocket socket;
    QList<QByteArray> received;
};
} // namespace

class TestControlServer : public QObject {
    Q_OBJECT

private slots:
    void switchShowsAsAClick();
    void runShowsInTheWindowsAndStopsFromThem();
    void recordsGoToSubscribersOnly();
    void connectForAClient();
    void listeners_data();
    void listeners();
};

void TestControlServer::switchShowsAsAClick() {
    Rig rig;
    Client client(rig);
    QCOMPARE(client.ask("ROUT:CLOS 7\nROUT:CLOS?\n", 1), QList<QByteArray>{"7"});
    QCOMPARE(rig.module->channelView()->buttonColor(6), QColor(255, 0, 0));
    QCOMPARE(rig.module->channelView()->buttonColor(0), frmChannel::kIdleColor);
    QCOMPARE(rig.box(rig.module->miniView(), "channel"), QStringLiteral("7"));

    // A click on the dial while a client's move is on its way comes after the move.
    QVERIFY(QTest::qWaitForWindowExposed(rig.main().windowHandle()));
    rig.device.onWrite = [&](const QByteArray &written) {
        if (written.startsWith("LA307"))
            QMetaObject::invokeMethod(
                rig.dialButton(12), [&] { QTest::mouseClick(rig.dialButton(12), Qt::LeftButton); },
                Qt::QueuedConnection);
    };
    QCOMPARE(client.ask("ROUT:CLOS 3\n*OPC?\n", 1), QList<QByteArray>{"1"});
    QTRY_COMPARE(rig.moves(), QList<int>({7, 3, 12}));
    const QList<QByteArray> writes = rig.port->writtenBytes();
    QCOMPARE(writes[writes.indexOf("LA1207\rM\r") - 1], "LR0\rM\r");
    QCOMPARE(client.ask("ROUT:CLOS?\n", 1), QList<QByteArray>{"12"});
    QCOMPARE(rig.module->channelView()->buttonColor(11), QColor(255, 0, 0));

    rig.click(QStringLiteral("mnuToolsmnuDisconnect"));
    QCOMPARE(client.ask("ROUT:CLOS 5\nSYST:ERR?\nSYST:CONN?\n", 2),
             QList<QByteArray>({"-200,\"Execution error;not connected\"", "0"}));
    QCOMPARE(rig.moves().size(), 3);
}

void TestControlServer::runShowsInTheWindowsAndStopsFromThem() {
    Rig rig;
    const QString program = rig.dir.filePath(QStringLiteral("two steps.qmx"));
    QVERIFY(writeFile(program, "2,4;Step\tChannel\tTime to wait\tTime unit\r"
                               "1\t4\t1\ts\r2\t9\t1\ts\r\n"));
    Client client(rig);
    QStringList shown;
    rig.user = [&](int) {
        if (client.received.size() < 2 || !shown.isEmpty())
            return;
        shown << rig.box(rig.module->programView(), "txt_no_of_runs")
              << (rig.action(QStringLiteral("Run"))->isChecked() ? "running" : "idle");
        rig.click(QStringLiteral("Stop"));
    };
    // The line after the run waits until the run has begun; the switch is refused during it.
    QCOMPARE(client.ask("PROG:LOAD \"" + program.toUtf8() +
                            "\"\nPROG:RUN 2\nPROG:STAT?\nROUT:CLOS 3\nSYST:ERR?\n",
                        2),
             QList<QByteArray>(
                 {"RUNNING,0,1,1", "-200,\"Execution error;busy: a program is running\""}));
    QCOMPARE(client.ask("PROG:STAT?\n", 1), QList<QByteArray>{"IDLE,0,0,0"});
    QCOMPARE(shown, QStringList({"1", "running"}));
    QVERIFY(
        rig.module->programView()->findChild<QCheckBox *>(QStringLiteral("chk_cont"))->isChecked());
    QCOMPARE(rig.moves(), QList<int>{4});

    QCOMPARE(client.ask("PROG:LOAD \"/no/such.qmx\"\nSYST:ERR?\n", 1),
             QList<QByteArray>{"-256,\"File name not found;/no/such.qmx\""});
    QCOMPARE(rig.instrument().table().text(1, 1), QStringLiteral("4"));
}

void TestControlServer::recordsGoToSubscribersOnly() {
    Rig rig;
    Client subscriber(rig);
    Client other(rig);
    QCOMPARE(subscriber.ask("REC:STR ON\n*OPC?\n", 1), QList<QByteArray>{"1"});
    // The other client's switch reaches the subscriber as its record, named as a client's.
    QCOMPARE(other.ask("ROUT:CLOS 7\n*OPC?\n", 1), QList<QByteArray>{"1"});
    const QList<QByteArray> streamed = subscriber.ask("REC:STR?\n", 2);
    QCOMPARE(streamed.size(), 2);
    const QJsonObject line = QJsonDocument::fromJson(streamed[0]).object();
    QCOMPARE(line.value(u"kind").toString(), QStringLiteral("switch"));
    QCOMPARE(line.value(u"source").toString(), QStringLiteral("remote"));
    QCOMPARE(line.value(u"channel").toInt(), 7);
    QCOMPARE(streamed[1], "1");
    QCOMPARE(other.ask("REC:STR?\n", 1), QList<QByteArray>{"0"});

    // One that does not read (no events are served here) is disconnected before its records
    // outgrow the limit.
    const QByteArray record = R"({"kind":"step","note":")" + QByteArray(1000, 'x') + "\"}";
    for (int i = 0; i < 1000; ++i)
        rig.instrument().control().publishRecord(record);
    QTRY_COMPARE(subscriber.socket.state(), QLocalSocket::UnconnectedState);
    QVERIFY(subscriber.received.size() < 600);
    QCOMPARE(other.ask("*OPC?\n", 1), QList<QByteArray>{"1"});
}

void TestControlServer::connectForAClient() {
    Rig rig;
    Client asking(rig);
    Client other(rig);
    // A fault holds the connect in its wait, which serves the other client: busy.
    rig.device.faults = {"1\r\n", "1\r\n", "1\r\n", "0\r\n"};
    bool asked = false;
    rig.user = [&](int) {
        if (!std::exchange(asked, true))
            other.socket.write("ROUT:CLOS 3\nSYST:ERR?\n");
    };
    QCOMPARE(asking.ask("SYST:DISC\nSYST:CONN\nSYST:CONN?\n", 1), QList<QByteArray>{"1"});
    QCOMPARE(other.ask({}, 1),
             QList<QByteArray>{"-200,\"Execution error;busy: a connect is going on\""});
    QCOMPARE(rig.moves(), QList<int>());

    // Why a connect failed is the asking client's error; the windows show the message too.
    rig.device.silent = true;
    QCOMPARE(asking.ask("SYST:DISC\nSYST:CONN\nSYST:CONN?\nSYST:ERR?\n", 2),
             QList<QByteArray>({"0", "-200,\"Execution error;QMX-7700 not found\""}));
    QCOMPARE(rig.messages->messages, QStringList{"QMX-7700 not found"});
}

void TestControlServer::listeners_data() {
    QTest::addColumn<QStringList>("remote");
    QTest::addColumn<QString>("problem");
    QTest::newRow("no TCP") << QStringList() << QString();
    QTest::newRow("port 0") << QStringList({"Tcp=1", "Port=0"})
                            << "The TCP port in the settings is no number from 1 to 65535.";
    QTest::newRow("port beyond") << QStringList({"Tcp=1", "Port=65536"})
                                 << "The TCP port in the settings is no number from 1 to 65535.";
    QTest::newRow("a name") << QStringList({"Tcp=1", "Address=localhost"})
                            << "The address \"localhost\" is no numeric address to serve on.";
}

// What the settings ask for is served or said why not; a socket served is left to its server.
void TestControlServer::listeners() {
    QFETCH(QStringList, remote);
    QFETCH(QString, problem);
    AppRig rig;
    rig.store(remote, QStringLiteral("Remote"));
    rig.build([](SettingsStore &store) { return std::make_unique<SystemSerialPort>(store); },
              std::make_unique<VirtualClock>());
    const QStringList problems = rig.instrument().serveControl();
    QCOMPARE(problems, problem.isEmpty() ? QStringList() : QStringList{problem});
    QCOMPARE(rig.instrument().control().tcpPort(), quint16(0));
    const QString socket = rig.instrument().control().localPath();
    QCOMPARE(QFileInfo(socket).permissions() &
                 ~(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadUser |
                   QFile::WriteUser | QFile::ExeUser),
             QFile::Permissions());
    QCOMPARE(rig.instrument().control().listenLocal(socket),
             QStringLiteral("Another program serves %1.").arg(socket));
}

QTEST_MAIN(TestControlServer)
#include "tst_controlserver.moc"
