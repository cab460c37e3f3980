// The device protocol in virtual time: every byte written and the moment it was written.
#include "core/globalstate.h"
#include "device/devicelink.h"
#include "support/fakelinkviews.h"
#include "support/scriptedport.h"

#include <QTest>

namespace {
using Writes = QList<ScriptedPort::Write>;
using Positions = QList<qint16>;

const QString kConnected = QStringLiteral("CONNECTED TO QMX7700");
const QString kNotConnected = QStringLiteral("NOT CONNECTED");

Positions distinctPositions() {
    Positions positions;
    for (int i = 1; i <= kChannelCount; ++i)
        positions << qint16(i * 100 + 7);
    return positions;
}

// The GPROGSEQ reply: four lines, then a line per position. Its prefix is "H01 " (form H),
// "A " (form A), or without the blank (forms "H." and "A.").
QByteArray sequenceReply(const QByteArray &form = "H", const QByteArray &lineEnd = "\r\n",
                         const Positions &positions = distinctPositions()) {
    QByteArray text =
        "GPROGSEQ" + lineEnd + "QMX-7700" + lineEnd + "16" + lineEnd + "pos" + lineEnd;
    for (int i = 0; i < positions.size(); ++i) {
        const QByteArray channel =
            form.startsWith('H') ? QByteArray::number(i + 1).rightJustified(2, '0') : "";
        text += form.left(1) + channel + (form.endsWith('.') ? "" : " ") +
                QByteArray::number(positions[i]) + lineEnd;
    }
    return text;
}

// A device that answers each command at once. Lists of replies are used up in order; their last
// entry then repeats.
struct Device {
    QByteArray sequence = sequenceReply();
    QByteArray version = "Version 3.1\r\n";
    QList<QByteArray> faults{"0\r\n"};
    QList<QByteArray> positions{""};
    bool silent = false;
    // Runs at each position query, before its answer.
    std::function<void()> onPosition;

    QByteArray operator()(const QByteArray &written) {
        if (silent)
            return {};
        if (written == "GPROGSEQ\r\n")
            return sequence;
        if (written == "ver\r\n")
            return "QMX\r\n";
        if (written == "VER\r")
            return version;
        if (written == "GFS\r")
            return next(faults);
        if (written == "POS\r") {
            if (onPosition)
                onPosition();
            return next(positions);
        }
        return {};
    }
    static QByteArray next(QList<QByteArray> &replies) {
        return replies.size() > 1 ? replies.takeFirst() : replies.first();
    }
};

struct Rig {
    Rig() {
        state.opt_comport = 1;
        port.setResponder([this](const QByteArray &w) { return device(w); });
        link.setViews(
            LinkViews{&status, {&channelLamps, &editorLamps}, &messages, &dial, &miniChannel});
        // What the main window shows while the message is up.
        messages.onShow = [this](const QString &) {
            statusAtMessage << link.statusText();
        };
        start = clock.nowMs();
    }
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
        start = clock.nowMs();
    }
    Positions positions() const { return Positions(state.ch_pos.begin(), state.ch_pos.end()); }

    VirtualClock clock;
    ScriptedPort port{clock};
    Device device;
    GlobalState state;
    FakeStatus status;
    FakeLamps channelLamps;
    FakeLamps editorLamps;
    FakeMessages messages;
    QStringList statusAtMessage;
    FakeDial dial;
    FakeTextBox miniChannel;
    DeviceLink link{state, port, clock};
    qint64 start = 0;
};

enum class Outcome { Connected, NotFound, Failed };

struct ConnectCase {
    QByteArray sequence = sequenceReply();
    QByteArray version = "Version 3.1\r\n";
    Outcome outcome = Outcome::Connected;
    Positions positions = distinctPositions(); // after the connect; the rig starts with all 9
    int portNumber = 1;
    bool openable = true;
    bool alreadyConnected = false;
};

const Positions kKept(kChannelCount, 9);
} // namespace

Q_DECLARE_METATYPE(ConnectCase)

class TestDeviceLink : public QObject {
    Q_OBJECT

private slots:
    void firstConnectWritesTheHandshake() {
        Rig rig;
        rig.link.Connect();

        const Writes expected{
            {100, "ver\r\n"}, {200, "GPROGSEQ\r\n"}, {1100, "VER\r"}, {1200, "GFS\r"}};
        QCOMPARE(rig.writes(), expected);
        // The settle time after the fault wait ends the connect; the first channel command waits
        // for the link to be up, so nothing follows it.
        QCOMPARE(rig.clock.nowMs() - rig.start, 1760);
        QCOMPARE(rig.port.number(), 1);
        QVERIFY(rig.channelLamps.power && rig.editorLamps.power);
        QVERIFY(!rig.channelLamps.error && !rig.editorLamps.error);
        QCOMPARE(rig.dial.calls, (QList<QPair<int, QColor>>{{0, QColor(255, 0, 0)}}));
        QCOMPARE(rig.miniChannel.text(), QStringLiteral("1"));
        QCOMPARE(rig.status.shown, QStringList{kConnected});
    }

    void silentDeviceIsNotFoundAfterFiveAttempts() {
        Rig rig;
        rig.device.silent = true;
        rig.link.Connect();

        Writes expected;
        for (int attempt = 0; attempt < 5; ++attempt) {
            expected.append({attempt * 1100 + 100, "ver\r\n"});
            expected.append({attempt * 1100 + 200, "GPROGSEQ\r\n"});
        }
        QCOMPARE(rig.writes(), expected);
        QCOMPARE(rig.clock.nowMs() - rig.start, 5500);
        QCOMPARE(rig.channelLamps.log, QStringList{});
    }

    void connect_data() {
        QTest::addColumn<ConnectCase>("c");
        const auto row = [](const char *name, ConnectCase c) {
            QTest::newRow(name) << c;
        };
        const auto reply = [](const QByteArray &form, const QByteArray &lineEnd) {
            ConnectCase c;
            c.sequence = sequenceReply(form, lineEnd);
            return c;
        };
        const auto edited = [](const QByteArray &from, const QByteArray &to, Outcome outcome,
                               const Positions &positions) {
            ConnectCase c;
            c.sequence.replace(from, to);
            c.outcome = outcome;
            c.positions = positions;
            return c;
        };
        const Positions read = distinctPositions();

        row("H form, CR LF", reply("H", "\r\n"));
        row("A form, CR LF", reply("A", "\r\n"));
        row("H form, CR", reply("H", "\r"));
        row("A form, CR", reply("A", "\r"));
        // The LF that starts each line after the first is one of the prefix characters.
        row("H form without a blank", reply("H.", "\r\n"));
        row("A form without a blank", reply("A.", "\r\n"));
        row("lower-case h picks the long prefix", edited("H01 ", "h01 ", Outcome::Connected, read));
        row("both H and A: the long prefix", edited("\nH01 ", "\nHA1 ", Outcome::Connected, read));
        row("neither H nor A keeps the positions",
            edited("\nH01 ", "\nX01 ", Outcome::Connected, kKept));
        {
            Positions negative = read;
            negative[0] = -5;
            negative[15] = -32768;
            ConnectCase c = reply("A", "\r\n");
            c.sequence = sequenceReply("A", "\r\n", negative);
            c.positions = negative;
            row("negative positions", c);
        }
        {
            // 19 separators and nothing after the last line: exactly 20 elements.
            ConnectCase c = reply("A", "\r");
            c.sequence.chop(1);
            row("exactly 20 elements", c);
            // 18 separators: 19 elements, and every attempt fails.
            c.sequence.truncate(c.sequence.lastIndexOf('\r'));
            c.outcome = Outcome::NotFound;
            c.positions = kKept;
            row("19 elements", c);
            // Each of 19 lines ends in CR: the 20th element is empty, too short for its prefix.
            c.sequence += '\r';
            c.outcome = Outcome::Failed;
            row("19 lines ending in CR", c);
        }
        row("position not a number", edited("H07 707", "H07 x07", Outcome::Failed, kKept));
        row("position above the Integer range", edited("707", "32768", Outcome::Failed, kKept));
        row("line shorter than its prefix", edited("H07 707", "H", Outcome::Failed, kKept));
        row("line just its prefix", edited("H07 707", "H07", Outcome::Failed, kKept));
        // The positions are read before the device identifies itself.
        for (const char *version : {"Versio\r\n", "version 3.1\r\n", "VERSION 3.1\r\n"}) {
            ConnectCase c;
            c.version = version;
            c.outcome = Outcome::NotFound;
            QTest::addRow("version reply %s", QByteArray(version).trimmed().constData()) << c;
        }
        for (const int number : {0, -3}) {
            ConnectCase c;
            c.portNumber = number;
            c.outcome = Outcome::Failed;
            c.positions = kKept;
            QTest::addRow("port %d", number) << c;
        }
        {
            ConnectCase c;
            c.openable = false;
            c.outcome = Outcome::Failed;
            c.positions = kKept;
            row("port absent or busy", c);
            c = ConnectCase();
            c.alreadyConnected = true;
            c.outcome = Outcome::Failed;
            row("connect while connected", c);
        }
    }

    void connect() {
        QFETCH(ConnectCase, c);

        Rig rig;
        rig.state.ch_pos.fill(9);
        rig.device.sequence = c.sequence;
        rig.device.version = c.version;
        if (c.alreadyConnected) {
            rig.connected();
            rig.dial.calls.clear();
        }
        rig.state.opt_comport = qint16(c.portNumber);
        rig.port.setOpenable(c.openable);
        rig.link.Connect();

        const bool up = c.outcome == Outcome::Connected;
        QCOMPARE(rig.link.statusText(), up ? kConnected : kNotConnected);
        QCOMPARE(rig.state.dev_found, up);
        QCOMPARE(rig.port.isOpen(), up);
        QCOMPARE(rig.positions(), c.positions);
        QCOMPARE(rig.port.writesToClosedPort(), 0);
        // Path N tells the user before the status bar changes; path F says nothing, but the
        // status bar's tooltip says why.
        const bool notFound = c.outcome == Outcome::NotFound;
        QCOMPARE(rig.messages.messages,
                 notFound ? QStringList{QStringLiteral("QMX-7700 not found")} : QStringList{});
        QCOMPARE(rig.statusAtMessage,
                 notFound ? QStringList{QStringLiteral("Status")} : QStringList{});
        QCOMPARE(rig.status.reason.isEmpty(), c.outcome != Outcome::Failed);
        QCOMPARE(rig.dial.calls.size(), up ? 1 : 0);
        // A port that does not open is never written to.
        if (c.portNumber < 1 || !c.openable || c.alreadyConnected)
            QVERIFY(rig.port.writes().isEmpty());
    }

    void repeatedConnectSkipsHandshake() {
        Rig rig;
        rig.connected();
        rig.link.Disconnect();
        QCOMPARE(rig.link.statusText(), kNotConnected);
        QVERIFY(!rig.port.isOpen());
        QVERIFY(rig.state.dev_found);

        rig.device.sequence = sequenceReply("H", "\r\n", Positions(kChannelCount, 1));
        rig.link.Connect();

        // No handshake, no reread of the positions, and no channel command: after the disconnect
        // the panel reads "NOT CONNECTED" when the connect reaches it.
        const Writes expected{{0, "VER\r"}, {100, "GFS\r"}};
        QCOMPARE(rig.writes(), expected);
        QCOMPARE(rig.positions(), distinctPositions());
        QCOMPARE(rig.link.statusText(), kConnected);
    }

    void faultReply_data() {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("force");
        QTest::addColumn<bool>("result");
        QTest::addColumn<QStringList>("lamps");

        const QStringList on{QStringLiteral("error on")};
        const QStringList off{QStringLiteral("error off")};
        QTest::newRow("0 CR LF clears") << QByteArray("0\r\n") << false << false << off;
        QTest::newRow("1 CR LF lights") << QByteArray("1\r\n") << false << true << on;
        QTest::newRow("0 with force lights") << QByteArray("0\r\n") << true << true << on;
        QTest::newRow("negative fault lights") << QByteArray("-2\r\n") << false << true << on;
        QTest::newRow("6 characters are read") << QByteArray("0012\r\n") << false << true << on;
        QTest::newRow("7 characters change nothing")
            << QByteArray("00012\r\n") << true << false << QStringList{};
        QTest::newRow("empty changes nothing") << QByteArray() << true << false << QStringList{};
        QTest::newRow("not a number") << QByteArray("E\r\n") << true << false << QStringList{};
        QTest::newRow("above the Integer range")
            << QByteArray("40000\r") << true << false << QStringList{};
    }

    void faultReply() {
        QFETCH(QByteArray, reply);
        QFETCH(bool, force);
        QFETCH(bool, result);
        QFETCH(QStringList, lamps);

        Rig rig;
        rig.connected();
        rig.channelLamps.log.clear();
        rig.editorLamps.log.clear();
        rig.device.faults = {reply};

        QCOMPARE(rig.link.QueryFault(force), result);
        QCOMPARE(rig.writes(), (Writes{{0, "GFS\r"}}));
        QCOMPARE(rig.clock.nowMs() - rig.start, 60);
        QCOMPARE(rig.channelLamps.log, lamps);
        QCOMPARE(rig.editorLamps.log, lamps);
        QVERIFY(rig.port.isOpen());
    }

    // The user acts during the fault wait: a connect asked for again, or a disconnect.
    void faultWait_data() {
        QTest::addColumn<bool>("disconnect");
        QTest::newRow("connect again") << false;
        QTest::newRow("disconnect in round 3") << true;
    }

    void faultWait() {
        QFETCH(bool, disconnect);

        Rig rig;
        rig.device.faults = {"4\r\n", "4\r\n", "4\r\n", "0\r\n"};
        int rounds = 0;
        rig.clock.setOnServeEvents([&] {
            ++rounds;
            if (!disconnect)
                rig.link.Connect();
            else if (rounds == 3)
                rig.link.Disconnect();
        });
        rig.link.Connect();

        // Neither reopens the port under the running connect; a disconnect ends it on path F.
        QCOMPARE(rig.port.opens(), 1);
        QCOMPARE(rig.port.count("GFS\r"), disconnect ? 2 : 4);
        QCOMPARE(rig.link.statusText(), disconnect ? kNotConnected : kConnected);
        QCOMPARE(rig.state.dev_found, !disconnect);
        QCOMPARE(rig.port.isOpen(), !disconnect);
        QCOMPARE(rig.dial.calls.size(), disconnect ? 0 : 1);
        QCOMPARE(rig.port.writesToClosedPort(), 0);
        if (!disconnect) {
            const QStringList lamps{"power on", "error on", "error on", "error on", "error off"};
            QCOMPARE(rig.channelLamps.log, lamps);
        }
    }

    void gotoChannel_data() {
        QTest::addColumn<int>("stored");
        QTest::addColumn<QList<QByteArray>>("positions");
        QTest::addColumn<int>("movedTo"); // ch_pos(4) at the first poll; 0: unchanged
        QTest::addColumn<int>("polls");

        QTest::newRow("device in the window")
            << 1200 << QList<QByteArray>{"1200\r\n", "1201\r\n", "1199\r\n"} << 0 << 20;
        QTest::newRow("silent device keeps the reading")
            << 1200 << QList<QByteArray>{""} << 0 << 20;
        QTest::newRow("first reading outside") << 1200 << QList<QByteArray>{"350\r\n"} << 0 << 1;
        QTest::newRow("third reading outside")
            << 1200 << QList<QByteArray>{"1200\r\n", "", "1202\r\n"} << 0 << 3;
        QTest::newRow("negative position") << -5 << QList<QByteArray>{"-4"} << 0 << 20;
        // The window follows the stored position, read again at every poll.
        QTest::newRow("stored position changes")
            << 1200 << QList<QByteArray>{"1200\r\n"} << 350 << 1;
    }

    void gotoChannel() {
        QFETCH(int, stored);
        QFETCH(QList<QByteArray>, positions);
        QFETCH(int, movedTo);
        QFETCH(int, polls);

        Rig rig;
        rig.connected();
        rig.state.ch_pos[4] = qint16(stored);
        rig.device.positions = positions;
        if (movedTo != 0)
            rig.device.onPosition = [&] {
                rig.state.ch_pos[4] = qint16(movedTo);
            };

        QCOMPARE(rig.link.GotoChannel(4), GotoResult::Sent);

        Writes expected{{0, "LA" + QByteArray::number(stored) + "\rM\r"}};
        for (int poll = 0; poll < polls; ++poll) {
            expected.append({poll * 110, "POS\r"});
            expected.append({poll * 110 + 50, "GFS\r"});
        }
        expected.append({polls * 110, "LR0\rM\r"});
        QCOMPARE(rig.writes(), expected);
    }

    void waitsKeepToTheirSchedule_data() {
        QTest::addColumn<int>("writeUs");
        QTest::addColumn<int>("tookUs");

        // 20 polls hold 2200 ms of fixed waits and 42 writes. A write's time is taken from the
        // wait after it; a late step starts the schedule afresh once it is more than 1 ms behind.
        QTest::newRow("instant writes") << 0 << 2200000;
        QTest::newRow("writes of 0.3 ms") << 300 << 2200300;
        QTest::newRow("two writes of 0.9 ms put the first wait behind")
            << 900 << 1800 + 2200000 + 900;
        QTest::newRow("writes of 5 ms shorten no wait") << 5000 << 2200000 + 42 * 5000;
    }

    void waitsKeepToTheirSchedule() {
        QFETCH(int, writeUs);
        QFETCH(int, tookUs);

        Rig rig;
        rig.connected();
        rig.port.setResponder([&rig, writeUs](const QByteArray &written) {
            rig.clock.sleep(std::chrono::microseconds(writeUs));
            return rig.device(written);
        });
        const Clock::Duration start = rig.clock.monotonic();
        QCOMPARE(rig.link.GotoChannel(4), GotoResult::Sent);
        QCOMPARE(rig.port.count("POS\r"), 20);
        QCOMPARE(
            std::chrono::duration_cast<std::chrono::microseconds>(rig.clock.monotonic() - start)
                .count(),
            tookUs);
    }

    void gotoChannelNeedsTheLink_data() {
        QTest::addColumn<bool>("connect");
        QTest::addColumn<int>("index");

        QTest::newRow("before any connect") << false << 0;
        QTest::newRow("index 16") << true << 16;
        QTest::newRow("index -1") << true << -1;
    }

    void gotoChannelNeedsTheLink() {
        QFETCH(bool, connect);
        QFETCH(int, index);

        Rig rig;
        if (connect)
            rig.connected();
        QCOMPARE(rig.link.GotoChannel(index), GotoResult::NotSent);
        QVERIFY(rig.port.writes().isEmpty());

        if (connect) {
            rig.link.Disconnect();
            QCOMPARE(rig.link.GotoChannel(0), GotoResult::NotSent);
            QVERIFY(rig.port.writes().isEmpty());
        }
    }

    void unreadablePositionEndsCommand() {
        Rig rig;
        rig.connected();
        rig.device.positions = {"1200\r\n", "?\r\n"};
        rig.state.ch_pos[0] = 1200;

        QCOMPARE(rig.link.GotoChannel(0), GotoResult::Failed);
        const Writes expected{{0, "LA1200\rM\r"}, {0, "POS\r"}, {50, "GFS\r"}, {110, "POS\r"}};
        QCOMPARE(rig.writes(), expected);
        // The link itself stays up, and the status panel says why the command stopped.
        QCOMPARE(rig.link.statusText(), kConnected);
        QCOMPARE(rig.status.reason,
                 QStringLiteral("The QMX-7700 gave a position that cannot be read."));
        QCOMPARE(rig.link.failureReason(), rig.status.reason);

        // The next command that works takes the reason away again.
        rig.device.positions = {"1200\r\n"};
        QCOMPARE(rig.link.GotoChannel(0), GotoResult::Sent);
        QVERIFY(rig.status.reason.isEmpty());
    }

    void latePositionIsReadByFaultQuery() {
        Rig rig;
        rig.connected();
        rig.state.ch_pos[2] = 1200;
        rig.device.positions = {"1200\r\n"};
        rig.device.faults = {""};
        rig.port.setReplyDelayMs(55);

        QCOMPARE(rig.link.GotoChannel(2), GotoResult::Sent);
        // Every position arrives after its 50 ms and lands in the fault query, which lights the
        // error lamps; the reading stays in the window, so all 20 polls run.
        QCOMPARE(rig.port.count("POS\r"), 20);
        QVERIFY(rig.channelLamps.error);
    }

    void portFailureUnderCommandTakesLinkDown() {
        Rig rig;
        rig.connected();
        rig.port.failAfterWrites(3);

        QCOMPARE(rig.link.GotoChannel(0), GotoResult::Failed);
        QCOMPARE(rig.port.writes().size(), 3);
        QCOMPARE(rig.link.statusText(), kNotConnected);
        QVERIFY(!rig.port.isOpen());
        QVERIFY(!rig.state.dev_found);

        // Nothing reaches the closed port afterwards.
        QCOMPARE(rig.link.GotoChannel(0), GotoResult::NotSent);
        QVERIFY(!rig.link.QueryFault(true));
        QCOMPARE(rig.port.writesToClosedPort(), 0);
    }
};

QTEST_GUILESS_MAIN(TestDeviceLink)
#include "tst_devicelink.moc"
