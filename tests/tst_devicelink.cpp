// The device protocol in virtual time: every byte written and the moment it was written.
#include "core/globalstate.h"
#include "device/devicelink.h"
#include "support/scripteddevice.h"
#include "support/scriptedport.h"
#include "support/signallog.h"

#include <QTest>

namespace {
using Writes = QList<ScriptedPort::Write>;
using Positions = QList<qint16>;

const QString kConnected = QStringLiteral("CONNECTED TO QMX7700");
const QString kNotConnected = QStringLiteral("NOT CONNECTED");
const Positions kKept(kChannelCount, 9);

struct Rig {
    Rig() {
        state.opt_comport = 1;
        state.ch_pos.fill(9);
        port.setResponder([this](const QByteArray &w) { return device(w); });
        log.watch(link);
    }
    QStringList lamps() const { return log.starting({"power", "error"}); }
    // Writes relative to the rig's start.
    Writes writes() const {
        Writes relative;
        for (const ScriptedPort::Write &w : port.writes())
            relative.append({w.atMs - start, w.bytes});
        return relative;
    }
    void connected() {
        link.Connect();
        QCOMPARE(link.statusText(), kConnected);
        port.clearWrites();
        log.lines.clear();
        start = clock.nowMs();
    }

    VirtualClock clock;
    ScriptedPort port{clock};
    ScriptedDevice device;
    GlobalState state;
    DeviceLink link{state, port, clock};
    SignalLog log;
    qint64 start = clock.nowMs();
};

enum Outcome { Connected, NotFound, Failed };

struct ConnectCase {
    QByteArray sequence = sequenceReply();
    Outcome outcome = Connected;
    Positions positions = distinctPositions(); // after the connect; the rig starts with all 9
    QByteArray version = "Version 3.1\r\n";
    int portNumber = 1;
    bool openable = true;
    bool alreadyConnected = false;
};
} // namespace

class TestDeviceLink : public QObject {
    Q_OBJECT

private slots:
    void handshake_data() {
        QTest::addColumn<bool>("silent");
        QTest::newRow("device answers") << false;
        QTest::newRow("silent device: five attempts") << true;
    }

    void handshake() {
        QFETCH(bool, silent);
        Rig rig;
        rig.device.silent = silent;
        rig.state.cur_channel = 5;
        rig.link.Connect();

        Writes expected;
        for (int attempt = 0; attempt < (silent ? 5 : 1); ++attempt)
            expected << Writes{{attempt * 1100 + 100, "ver\r\n"},
                               {attempt * 1100 + 200, "GPROGSEQ\r\n"}};
        // The settle time after the fault wait ends the connect; the first channel command waits
        // for the link to be up, so nothing follows it.
        if (!silent)
            expected << Writes{{1100, "VER\r"}, {1200, "GFS\r"}};
        QCOMPARE(rig.writes(), expected);
        QCOMPARE(rig.clock.nowMs() - rig.start, silent ? 5500 : 1760);
        // Channel 1 is marked and selected before the link reports itself up.
        QCOMPARE(rig.log.lines,
                 silent ? QStringList({"message QMX-7700 not found", "status NOT CONNECTED"})
                        : QStringList({"power on", "error off", "mark 0 selected", "channel 0",
                                       "status " + kConnected}));
        QCOMPARE(rig.state.cur_channel, silent ? 5 : 0);
    }

    void connect_data() {
        QTest::addColumn<ConnectCase>("c");
        const auto row = [](const char *name, const QByteArray &sequence,
                            Outcome outcome = Connected,
                            const Positions &positions = distinctPositions()) {
            QTest::newRow(name) << ConnectCase{sequence, outcome, positions};
        };
        const auto edited = [](const QByteArray &from, const QByteArray &to) {
            return sequenceReply().replace(from, to);
        };
        row("H form, CR LF", sequenceReply("H", "\r\n"));
        row("A form, CR", sequenceReply("A", "\r"));
        // The LF that starts each line after the first is one of the prefix characters.
        row("H form without a blank", sequenceReply("H.", "\r\n"));
        row("lower-case h picks the long prefix", edited("H01 ", "h01 "));
        row("neither H nor A keeps the positions", edited("\nH01 ", "\nX01 "), Connected, kKept);
        Positions negative = distinctPositions();
        negative[15] = -32768;
        row("negative positions", sequenceReply("A", "\r\n", negative), Connected, negative);
        // 19 separators and nothing after the last line: exactly 20 elements.
        const QByteArray twenty = sequenceReply("A", "\r").chopped(1);
        row("exactly 20 elements", twenty);
        // 18 separators: 19 elements, and every attempt fails.
        const QByteArray nineteen = twenty.left(twenty.lastIndexOf('\r'));
        row("19 elements", nineteen, NotFound, kKept);
        // Each of 19 lines ends in CR: the 20th element is empty, too short for its prefix.
        row("19 lines ending in CR", nineteen + '\r', Failed, kKept);
        row("position not a number", edited("H07 707", "H07 x07"), Failed, kKept);
        row("line just its prefix", edited("H07 707", "H07"), Failed, kKept);
        // The positions are read before the device identifies itself.
        for (const char *version : {"Versio\r\n", "version 3.1\r\n"})
            QTest::addRow("version %s", version)
                << ConnectCase{sequenceReply(), NotFound, distinctPositions(), version};
        QTest::newRow("port 0") << ConnectCase{{}, Failed, kKept, {}, 0};
        QTest::newRow("port absent or busy") << ConnectCase{{}, Failed, kKept, {}, 1, false};
        QTest::newRow("connect while connected") << ConnectCase{
            sequenceReply(), Failed, distinctPositions(), "Version 3.1\r\n", 1, true, true};
    }

    void connect() {
        QFETCH(ConnectCase, c);
        Rig rig;
        rig.device.sequence = c.sequence;
        rig.device.version = c.version;
        if (c.alreadyConnected)
            rig.connected();
        rig.state.opt_comport = qint16(c.portNumber);
        rig.port.setOpenable(c.openable);
        rig.link.Connect();

        const bool up = c.outcome == Connected;
        QCOMPARE(rig.link.statusText(), up ? kConnected : kNotConnected);
        QCOMPARE(rig.state.dev_found && rig.port.isOpen(), up);
        QCOMPARE(Positions(rig.state.ch_pos.begin(), rig.state.ch_pos.end()), c.positions);
        QCOMPARE(rig.log.lines.count("mark 0 selected"), up ? 1 : 0);
        // Path N tells the user, before the status panel changes; path F says nothing, but the
        // panel's tooltip says why. A port that does not open is never written to.
        QStringList said{"status " + rig.link.statusText()};
        if (c.outcome == NotFound)
            said.prepend("message QMX-7700 not found");
        QCOMPARE(rig.log.starting({"message", "status"}), said);
        QCOMPARE(rig.log.reason.isEmpty(), c.outcome != Failed);
        QCOMPARE(rig.port.writes().isEmpty(),
                 c.portNumber < 1 || !c.openable || c.alreadyConnected);
        QCOMPARE(rig.port.writesToClosedPort(), 0);
    }

    void repeatedConnectSkipsHandshake() {
        Rig rig;
        rig.connected();
        rig.link.Disconnect();
        QVERIFY(rig.link.statusText() == kNotConnected && !rig.port.isOpen());
        rig.device.sequence = sequenceReply("H", "\r\n", Positions(kChannelCount, 1));
        rig.link.Connect();
        // No handshake, no reread of the positions, and no channel command: after the disconnect
        // the panel reads "NOT CONNECTED" when the connect reaches it.
        QCOMPARE(rig.writes(), (Writes{{0, "VER\r"}, {100, "GFS\r"}}));
        QCOMPARE(rig.state.ch_pos[0], distinctPositions()[0]);
        QCOMPARE(rig.link.statusText(), kConnected);
    }

    void faultReply_data() {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("force");
        QTest::addColumn<QString>("lamp"); // what the query shows; it returns true for "on"
        const auto row = [](const char *name, const char *reply, bool force, const char *lamp) {
            QTest::newRow(name) << QByteArray(reply) << force << lamp;
        };
        row("0 clears", "0\r\n", false, "off");
        row("0 with force lights", "0\r\n", true, "on");
        row("negative fault lights", "-2\r\n", false, "on");
        row("6 characters are read", "0012\r\n", false, "on");
        row("7 characters change nothing", "00012\r\n", true, "");
        row("not a number", "E\r\n", true, "");
        row("above the Integer range", "40000\r", true, "");
    }

    void faultReply() {
        QFETCH(QByteArray, reply);
        QFETCH(bool, force);
        QFETCH(QString, lamp);
        Rig rig;
        rig.connected();
        rig.device.faults = {reply};
        QCOMPARE(rig.link.QueryFault(force), lamp == u"on");
        QCOMPARE(rig.writes(), (Writes{{0, "GFS\r"}}));
        QCOMPARE(rig.clock.nowMs() - rig.start, 60);
        QCOMPARE(rig.lamps(), lamp.isEmpty() ? QStringList() : QStringList{"error " + lamp});
    }

    // The fault wait serves events before each query. A connect asked for again from there does
    // not reopen the port under the running one.
    void connectInFaultWait() {
        Rig rig;
        rig.device.faults = {"4\r\n", "4\r\n", "4\r\n", "0\r\n"};
        QList<int> queriesAtServe;
        rig.clock.setOnServeEvents([&] {
            queriesAtServe << rig.port.count("GFS\r");
            rig.link.Connect();
        });
        rig.link.Connect();
        QCOMPARE(queriesAtServe, QList<int>({0, 1, 2, 3}));
        QCOMPARE(rig.port.opens(), 1);
        QCOMPARE(rig.port.count("GFS\r"), 4);
        QCOMPARE(rig.link.statusText(), kConnected);
        QCOMPARE(rig.lamps().count(QStringLiteral("error on")), 3);
    }

    // The adapter is pulled while no command uses the port: path F at once. A run waiting
    // meanwhile ends at its next step; a connect afterwards works.
    void portPulled_data() {
        QTest::addColumn<bool>("running");
        QTest::newRow("idle") << false;
        QTest::newRow("during a run") << true;
    }

    void portPulled() {
        QFETCH(bool, running);
        Rig rig;
        rig.connected();
        rig.state.prog_running = running;
        rig.port.pull();
        QCOMPARE(rig.link.statusText(), kNotConnected);
        QVERIFY(!rig.port.isOpen() && !rig.state.dev_found);
        QCOMPARE(rig.log.reason, QStringLiteral("scripted failure"));
        QCOMPARE(rig.link.GotoChannel(2), running ? GotoResult::Failed : GotoResult::NotSent);
        QCOMPARE(rig.link.GotoChannel(2), GotoResult::NotSent);
        rig.link.Connect();
        QCOMPARE(rig.link.statusText(), kConnected);
    }

    // Bytes that no command asked for (a noisy line, a chatty device) are not taken for replies.
    void unaskedBytes() {
        Rig rig;
        rig.connected();
        rig.port.receive("noise\r\n");
        QCOMPARE(rig.link.GotoChannel(4), GotoResult::Sent);
        rig.port.receive("noise\r\n");
        QVERIFY(rig.link.QueryVersion());
    }

    void gotoChannel_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("stored"); // ch_pos(4)
        QTest::addColumn<QList<QByteArray>>("positions");
        QTest::addColumn<int>("polls");
        QTest::addColumn<GotoResult>("result");
        QTest::addColumn<int>("movedTo"); // ch_pos(4) from the first poll on; 0: unchanged
        const auto row = [](const char *name, int stored, const QList<QByteArray> &positions,
                            int polls, GotoResult result = GotoResult::Sent, int movedTo = 0,
                            int index = 4) {
            QTest::newRow(name) << index << stored << positions << polls << result << movedTo;
        };
        row("device in the window", 1200, {"1200\r\n", "1201\r\n", "1199\r\n"}, 20);
        row("silent device keeps the reading", 1200, {""}, 20);
        row("first reading outside", 1200, {"350\r\n"}, 1);
        row("third reading outside", 1200, {"1200\r\n", "", "1202\r\n"}, 3);
        // The window follows the stored position, read again at every poll.
        row("stored position changes", 1200, {"1200\r\n"}, 1, GotoResult::Sent, 350);
        // The link stays up; the status panel says why the command stopped.
        row("unreadable position", 1200, {"1200\r\n", "?\r\n"}, 2, GotoResult::Failed);
        row("index 16", 0, {}, 0, GotoResult::NotSent, 0, 16);
    }

    void gotoChannel() {
        QFETCH(int, index);
        QFETCH(int, stored);
        QFETCH(QList<QByteArray>, positions);
        QFETCH(int, polls);
        QFETCH(GotoResult, result);
        QFETCH(int, movedTo);
        Rig rig;
        rig.connected();
        rig.state.ch_pos[4] = qint16(stored);
        rig.device.positions = positions;
        rig.device.onWrite = [&](const QByteArray &written) {
            if (written == "POS\r" && movedTo != 0)
                rig.state.ch_pos[4] = qint16(movedTo);
        };
        QCOMPARE(rig.link.GotoChannel(index), result);

        Writes expected;
        for (int poll = 0; poll < polls; ++poll)
            expected << Writes{{poll * 110, "POS\r"}, {poll * 110 + 50, "GFS\r"}};
        if (result == GotoResult::Sent)
            expected << Writes{{polls * 110, "LR0\rM\r"}};
        else if (result == GotoResult::Failed)
            expected.removeLast();
        if (result != GotoResult::NotSent)
            expected.prepend({0, "LA" + QByteArray::number(stored) + "\rM\r"});
        QCOMPARE(rig.writes(), expected);
        QCOMPARE(rig.link.statusText(), kConnected);
        QCOMPARE(rig.log.reason.isEmpty(), result != GotoResult::Failed);
        // The next command that works takes the reason away again.
        rig.device.positions = {""};
        QCOMPARE(rig.link.GotoChannel(0), GotoResult::Sent);
        QVERIFY(rig.log.reason.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestDeviceLink)
#include "tst_devicelink.moc"
