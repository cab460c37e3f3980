// The device protocol in virtual time: every byte written and the moment it was written.
#include "core/globalstate.h"
#include "device/devicelink.h"
#include "support/fakelinkviews.h"
#include "support/scriptedport.h"

#include <QTest>

namespace {
using Writes = QList<ScriptedPort::Write>;

QByteArray positionLines(const QList<int> &positions, const QByteArray &form,
                         const QByteArray &lineEnd) {
    QByteArray text =
        "GPROGSEQ" + lineEnd + "QMX-7700" + lineEnd + "16" + lineEnd + "pos" + lineEnd;
    for (int i = 0; i < positions.size(); ++i) {
        const QByteArray number = QByteArray::number(positions[i]);
        text +=
            (form == "A" ? "A " : "H" + QByteArray::number(i + 1).rightJustified(2, '0') + " ") +
            number + lineEnd;
    }
    return text;
}

QList<int> distinctPositions() {
    QList<int> positions;
    for (int i = 1; i <= kChannelCount; ++i)
        positions << i * 100 + 7;
    return positions;
}

// A device that answers each command at once. Lists of replies are used up in order; their last
// entry then repeats.
struct Device {
    QByteArray sequence = positionLines(distinctPositions(), "H", "\r\n");
    QByteArray version = "Version 3.1\r\n";
    QList<QByteArray> faults{"0\r\n"};
    QList<QByteArray> positions{""};
    bool silent = false;

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
        if (written == "POS\r")
            return next(positions);
        return {};
    }
    static QByteArray next(QList<QByteArray> &replies) {
        return replies.size() > 1 ? replies.takeFirst() : replies.first();
    }
};

class Rig {
public:
    Rig() {
        state.opt_comport = 1;
        port.setResponder([this](const QByteArray &w) { return device(w); });
        link.setViews(
            LinkViews{&status, {&channelLamps, &editorLamps}, &messages, &dial, &miniChannel});
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
        QCOMPARE(link.statusText(), QStringLiteral("CONNECTED TO QMX7700"));
        port.clearWrites();
        start = clock.nowMs();
    }

    VirtualClock clock;
    ScriptedPort port{clock};
    Device device;
    GlobalState state;
    FakeStatus status;
    FakeLamps channelLamps;
    FakeLamps editorLamps;
    FakeMessages messages;
    FakeDial dial;
    FakeTextBox miniChannel;
    DeviceLink link{state, port, clock};
    qint64 start = 0;
};

QList<qint16> positionsOf(const GlobalState &state) {
    return QList<qint16>(state.ch_pos.begin(), state.ch_pos.end());
}

QList<qint16> asIntegers(const QList<int> &values) {
    QList<qint16> integers;
    for (int v : values)
        integers << qint16(v);
    return integers;
}
} // namespace

class TestDeviceLink : public QObject {
    Q_OBJECT

private slots:
    void firstConnectWritesTheHandshake();
    void silentDeviceIsNotFoundAfterFiveAttempts();
    void sequenceReply_data();
    void sequenceReply();
    void malformedTableFailsWithoutMessage_data();
    void malformedTableFailsWithoutMessage();
    void versionCheckFailureEndsNotFound();
    void repeatedConnectSkipsHandshake();
    void faultReply_data();
    void faultReply();
    void faultWaitHoldsConnectUntilCleared();
    void disconnectDuringFaultWaitFailsConnect();
    void portThatCannotBeOpened_data();
    void portThatCannotBeOpened();
    void gotoChannelSendsMoveAndPolls_data();
    void gotoChannelSendsMoveAndPolls();
    void waitsKeepToTheirSchedule_data();
    void waitsKeepToTheirSchedule();
    void gotoChannelNeedsTheLink_data();
    void gotoChannelNeedsTheLink();
    void unreadablePositionEndsCommand();
    void latePositionIsReadByFaultQuery();
    void portFailureUnderCommandTakesLinkDown();
};

void TestDeviceLink::firstConnectWritesTheHandshake() {
    Rig rig;
    rig.link.Connect();

    const Writes expected{
        {100, "ver\r\n"}, {200, "GPROGSEQ\r\n"}, {1100, "VER\r"}, {1200, "GFS\r"}};
    QCOMPARE(rig.writes(), expected);
    // The settle time after the fault wait ends the connect; the first channel command waits
    // for the link to be up, so nothing follows it.
    QCOMPARE(rig.clock.nowMs() - rig.start, 1760);
    QCOMPARE(rig.link.statusText(), QStringLiteral("CONNECTED TO QMX7700"));
    QVERIFY(rig.state.dev_found);
    QVERIFY(rig.port.isOpen());
    QCOMPARE(rig.port.number(), 1);
    QCOMPARE(positionsOf(rig.state), asIntegers(distinctPositions()));
    QVERIFY(rig.channelLamps.power && rig.editorLamps.power);
    QVERIFY(!rig.channelLamps.error && !rig.editorLamps.error);
    QCOMPARE(rig.dial.calls.size(), 1);
    QCOMPARE(rig.dial.calls.first().first, 0);
    QCOMPARE(rig.dial.calls.first().second, QColor(255, 0, 0));
    QCOMPARE(rig.miniChannel.text(), QStringLiteral("1"));
    QVERIFY(rig.messages.messages.isEmpty());
    QCOMPARE(rig.status.shown, QStringList{QStringLiteral("CONNECTED TO QMX7700")});
}

void TestDeviceLink::silentDeviceIsNotFoundAfterFiveAttempts() {
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
    QCOMPARE(rig.messages.messages, QStringList{QStringLiteral("QMX-7700 not found")});
    QCOMPARE(rig.link.statusText(), QStringLiteral("NOT CONNECTED"));
    QVERIFY(!rig.state.dev_found);
    QVERIFY(!rig.port.isOpen());
    QVERIFY(!rig.channelLamps.power);
    QCOMPARE(rig.channelLamps.log, QStringList{});
}

void TestDeviceLink::sequenceReply_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QList<qint16>>("positions");

    const QList<int> values = distinctPositions();
    const QList<qint16> read = asIntegers(values);
    const QList<qint16> kept(kChannelCount, 0);

    QTest::newRow("H form, CR LF") << positionLines(values, "H", "\r\n") << true << read;
    QTest::newRow("A form, CR LF") << positionLines(values, "A", "\r\n") << true << read;
    QTest::newRow("H form, CR") << positionLines(values, "H", "\r") << true << read;
    QTest::newRow("A form, CR") << positionLines(values, "A", "\r") << true << read;

    // 19 separators and no CR at the end: exactly 20 elements.
    QByteArray twenty = positionLines(values, "A", "\r");
    twenty.chop(1);
    QTest::newRow("exactly 20 elements") << twenty << true << read;
    // 18 separators: 19 elements; every attempt fails.
    QByteArray nineteen = twenty.left(twenty.lastIndexOf('\r'));
    QTest::newRow("19 elements") << nineteen << false << kept;

    QByteArray lower = positionLines(values, "H", "\r\n");
    lower.replace("H01 ", "h01 ");
    QTest::newRow("lower-case h picks the long prefix") << lower << true << read;

    // "HA" in line 4 holds both letters: the long prefix wins.
    QByteArray both = positionLines(values, "H", "\r\n");
    both.replace("\nH01 ", "\nHA1 ");
    QTest::newRow("both H and A") << both << true << read;

    QByteArray neither = positionLines(values, "H", "\r\n");
    neither.replace("\nH01 ", "\nX01 ");
    QTest::newRow("neither H nor A keeps positions") << neither << true << kept;

    QList<int> negative = values;
    negative[0] = -5;
    negative[15] = -32768;
    QTest::newRow("negative positions")
        << positionLines(negative, "A", "\r\n") << true << asIntegers(negative);
}

void TestDeviceLink::sequenceReply() {
    QFETCH(QByteArray, reply);
    QFETCH(bool, found);
    QFETCH(QList<qint16>, positions);

    Rig rig;
    rig.device.sequence = reply;
    rig.link.Connect();

    QCOMPARE(rig.state.dev_found, found);
    QCOMPARE(rig.link.statusText(),
             found ? QStringLiteral("CONNECTED TO QMX7700") : QStringLiteral("NOT CONNECTED"));
    QCOMPARE(rig.port.count("GPROGSEQ\r\n"), found ? 1 : 5);
    QCOMPARE(positionsOf(rig.state), positions);
}

void TestDeviceLink::malformedTableFailsWithoutMessage_data() {
    QTest::addColumn<QByteArray>("from");
    QTest::addColumn<QByteArray>("to");

    QTest::newRow("position not a number") << QByteArray("H07 707") << QByteArray("H07 x07");
    QTest::newRow("position above the Integer range") << QByteArray("707") << QByteArray("32768");
    QTest::newRow("line shorter than its prefix") << QByteArray("H07 707") << QByteArray("H");
    QTest::newRow("line just its prefix") << QByteArray("H07 707") << QByteArray("H07");
}

void TestDeviceLink::malformedTableFailsWithoutMessage() {
    QFETCH(QByteArray, from);
    QFETCH(QByteArray, to);

    Rig rig;
    rig.state.ch_pos.fill(9);
    rig.device.sequence.replace(from, to);
    rig.link.Connect();

    QCOMPARE(rig.link.statusText(), QStringLiteral("NOT CONNECTED"));
    QVERIFY(!rig.state.dev_found);
    QVERIFY(!rig.port.isOpen());
    QVERIFY(rig.messages.messages.isEmpty());
    QCOMPARE(positionsOf(rig.state), QList<qint16>(kChannelCount, 9));
    QVERIFY(!rig.status.reason.isEmpty());
    QCOMPARE(rig.port.count("VER\r"), 0);
}

void TestDeviceLink::versionCheckFailureEndsNotFound() {
    Rig rig;
    rig.device.version = "Versio\r\n";
    rig.link.Connect();

    QCOMPARE(rig.messages.messages, QStringList{QStringLiteral("QMX-7700 not found")});
    QCOMPARE(rig.link.statusText(), QStringLiteral("NOT CONNECTED"));
    QVERIFY(!rig.state.dev_found);
    QVERIFY(!rig.port.isOpen());
    QVERIFY(!rig.channelLamps.power);
    QCOMPARE(rig.writes().last().bytes, QByteArray("VER\r"));
    QCOMPARE(rig.port.writesToClosedPort(), 0);
    QVERIFY(rig.dial.calls.isEmpty());
}

void TestDeviceLink::repeatedConnectSkipsHandshake() {
    Rig rig;
    rig.connected();
    rig.link.Disconnect();
    QCOMPARE(rig.link.statusText(), QStringLiteral("NOT CONNECTED"));
    QVERIFY(!rig.port.isOpen());
    QVERIFY(rig.state.dev_found);

    rig.device.sequence = positionLines(QList<int>(kChannelCount, 1), "H", "\r\n");
    rig.link.Connect();

    // No handshake, no reread of the positions, and no channel command: after the disconnect
    // the panel reads "NOT CONNECTED" when the connect reaches it.
    const Writes expected{{0, "VER\r"}, {100, "GFS\r"}};
    QCOMPARE(rig.writes(), expected);
    QCOMPARE(positionsOf(rig.state), asIntegers(distinctPositions()));
    QCOMPARE(rig.link.statusText(), QStringLiteral("CONNECTED TO QMX7700"));
}

void TestDeviceLink::faultReply_data() {
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

void TestDeviceLink::faultReply() {
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

void TestDeviceLink::faultWaitHoldsConnectUntilCleared() {
    Rig rig;
    rig.device.faults = {"4\r\n", "4\r\n", "4\r\n", "0\r\n"};
    int rounds = 0;
    // A connect asked for from inside the fault wait must not reopen the port under it.
    rig.clock.setOnServeEvents([&] {
        ++rounds;
        rig.link.Connect();
    });
    rig.link.Connect();

    QCOMPARE(rig.port.opens(), 1);
    QCOMPARE(rig.port.count("GFS\r"), 4);
    QCOMPARE(rounds, 4);
    const QStringList lamps{"power on", "error on", "error on", "error on", "error off"};
    QCOMPARE(rig.channelLamps.log, lamps);
    QCOMPARE(rig.link.statusText(), QStringLiteral("CONNECTED TO QMX7700"));
}

void TestDeviceLink::disconnectDuringFaultWaitFailsConnect() {
    Rig rig;
    rig.device.faults = {"4\r\n"};
    int rounds = 0;
    rig.clock.setOnServeEvents([&] {
        if (++rounds == 3)
            rig.link.Disconnect();
    });
    rig.link.Connect();

    QCOMPARE(rig.port.count("GFS\r"), 2);
    QCOMPARE(rig.link.statusText(), QStringLiteral("NOT CONNECTED"));
    QVERIFY(!rig.state.dev_found);
    QVERIFY(!rig.port.isOpen());
    QVERIFY(rig.dial.calls.isEmpty());
    QCOMPARE(rig.port.writesToClosedPort(), 0);
}

void TestDeviceLink::portThatCannotBeOpened_data() {
    QTest::addColumn<int>("portNumber");
    QTest::addColumn<bool>("openable");

    QTest::newRow("port 0") << 0 << true;
    QTest::newRow("negative port") << -3 << true;
    QTest::newRow("absent or busy") << 2 << false;
}

void TestDeviceLink::portThatCannotBeOpened() {
    QFETCH(int, portNumber);
    QFETCH(bool, openable);

    Rig rig;
    rig.state.opt_comport = qint16(portNumber);
    rig.state.dev_found = true;
    rig.port.setOpenable(openable);
    rig.link.Connect();

    QVERIFY(rig.port.writes().isEmpty());
    QCOMPARE(rig.link.statusText(), QStringLiteral("NOT CONNECTED"));
    QVERIFY(!rig.state.dev_found);
    QVERIFY(!rig.port.isOpen());
    QVERIFY(rig.messages.messages.isEmpty());
    QCOMPARE(rig.status.reason, QStringLiteral("scripted failure"));
}

void TestDeviceLink::gotoChannelSendsMoveAndPolls_data() {
    QTest::addColumn<int>("stored");
    QTest::addColumn<QList<QByteArray>>("positions");
    QTest::addColumn<int>("polls");

    QTest::newRow("device in the window")
        << 1200 << QList<QByteArray>{"1200\r\n", "1201\r\n", "1199\r\n"} << 20;
    QTest::newRow("silent device keeps the reading") << 1200 << QList<QByteArray>{""} << 20;
    QTest::newRow("first reading outside") << 1200 << QList<QByteArray>{"350\r\n"} << 1;
    QTest::newRow("third reading outside")
        << 1200 << QList<QByteArray>{"1200\r\n", "", "1202\r\n"} << 3;
    QTest::newRow("negative position") << -5 << QList<QByteArray>{"-4"} << 20;
}

void TestDeviceLink::gotoChannelSendsMoveAndPolls() {
    QFETCH(int, stored);
    QFETCH(QList<QByteArray>, positions);
    QFETCH(int, polls);

    Rig rig;
    rig.connected();
    rig.state.ch_pos[4] = qint16(stored);
    rig.device.positions = positions;

    QCOMPARE(rig.link.GotoChannel(4), GotoResult::Sent);

    Writes expected{{0, "LA" + QByteArray::number(stored) + "\rM\r"}};
    for (int poll = 0; poll < polls; ++poll) {
        expected.append({poll * 110, "POS\r"});
        expected.append({poll * 110 + 50, "GFS\r"});
    }
    expected.append({polls * 110, "LR0\rM\r"});
    QCOMPARE(rig.writes(), expected);
}

void TestDeviceLink::waitsKeepToTheirSchedule_data() {
    QTest::addColumn<int>("writeUs");
    QTest::addColumn<int>("tookUs");

    // 20 polls hold 2200 ms of fixed waits and 42 writes. A write's time is taken from the wait
    // after it; a late step starts the schedule afresh once it is more than 1 ms behind.
    QTest::newRow("instant writes") << 0 << 2200000;
    QTest::newRow("writes of 0.3 ms") << 300 << 2200300;
    QTest::newRow("two writes of 0.9 ms put the first wait behind") << 900 << 1800 + 2200000 + 900;
    QTest::newRow("writes of 5 ms shorten no wait") << 5000 << 2200000 + 42 * 5000;
}

void TestDeviceLink::waitsKeepToTheirSchedule() {
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
    QCOMPARE(std::chrono::duration_cast<std::chrono::microseconds>(rig.clock.monotonic() - start)
                 .count(),
             tookUs);
}

void TestDeviceLink::gotoChannelNeedsTheLink_data() {
    QTest::addColumn<bool>("connect");
    QTest::addColumn<int>("index");

    QTest::newRow("before any connect") << false << 0;
    QTest::newRow("index 16") << true << 16;
    QTest::newRow("index -1") << true << -1;
}

void TestDeviceLink::gotoChannelNeedsTheLink() {
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

void TestDeviceLink::unreadablePositionEndsCommand() {
    Rig rig;
    rig.connected();
    rig.device.positions = {"1200\r\n", "?\r\n"};
    rig.state.ch_pos[0] = 1200;

    QCOMPARE(rig.link.GotoChannel(0), GotoResult::Failed);
    const Writes expected{{0, "LA1200\rM\r"}, {0, "POS\r"}, {50, "GFS\r"}, {110, "POS\r"}};
    QCOMPARE(rig.writes(), expected);
    // The link itself stays up.
    QCOMPARE(rig.link.statusText(), QStringLiteral("CONNECTED TO QMX7700"));
}

void TestDeviceLink::latePositionIsReadByFaultQuery() {
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

void TestDeviceLink::portFailureUnderCommandTakesLinkDown() {
    Rig rig;
    rig.connected();
    rig.port.failAfterWrites(3);

    QCOMPARE(rig.link.GotoChannel(0), GotoResult::Failed);
    QCOMPARE(rig.port.writes().size(), 3);
    QCOMPARE(rig.link.statusText(), QStringLiteral("NOT CONNECTED"));
    QVERIFY(!rig.port.isOpen());
    QVERIFY(!rig.state.dev_found);

    // Nothing reaches the closed port afterwards.
    QCOMPARE(rig.link.GotoChannel(0), GotoResult::NotSent);
    QVERIFY(!rig.link.QueryFault(true));
    QCOMPARE(rig.port.writesToClosedPort(), 0);
}

QTEST_GUILESS_MAIN(TestDeviceLink)
#include "tst_devicelink.moc"
