// The device link against a device that may answer anything, late or not at all, through a
// connect, a channel command, a disconnect, a reconnect and another channel command, in virtual
// time. Whatever it answers, the link reports itself up only with the port open and the device
// found, never writes to a closed port, and takes a channel table whole or not at all.
#include "core/globalstate.h"
#include "core/numbers.h"
#include "device/devicelink.h"
#include "fuzzcheck.h"
#include "support/fakelinkviews.h"
#include "support/scriptedport.h"

#include <array>
#include <cstdint>

namespace {
using Positions = std::array<qint16, kChannelCount>;

// The input: three bytes of scenario, then the device's replies, one per command written, in
// order, separated by '|'.
//   byte 0: bit 0 the device is known already (dev_found); bits 1-2 the reply delay;
//           bits 3-6 the channel index
//   byte 1: bits 0-1 what the user does in the connect's event rounds (nothing, disconnect,
//           connect again); bits 2-7 in which round
//   byte 2: the port fails after this many writes, as when unplugged (0: never)
constexpr int kHeaderSize = 3;
constexpr qint64 kDelaysMs[] = {0, 30, 55, 75};
enum UserAction { Nothing, Disconnect, Reconnect };

// The 16 positions of a channel table reply in which all of them can be read.
std::optional<Positions> completeTable(const QByteArray &reply) {
    const QList<QByteArray> lines = reply.split('\r');
    if (lines.size() < 20)
        return std::nullopt;
    const QByteArray format = lines[4].toUpper();
    const int prefix = format.contains('H') ? 4 : format.contains('A') ? 2 : -1;
    Positions positions{};
    for (int channel = 0; channel < kChannelCount; ++channel) {
        const QByteArray &line = lines[4 + channel];
        const std::optional<qint16> position =
            prefix < 0 || line.size() < prefix
                ? std::nullopt
                : parseInteger(QString::fromLatin1(line.mid(prefix)));
        if (!position)
            return std::nullopt;
        positions[channel] = *position;
    }
    return positions;
}

struct Rig {
    VirtualClock clock;
    ScriptedPort port{clock};
    GlobalState state;
    DeviceLink link{state, port, clock};
    FakeStatus status;
    FakeLamps lamps;
    FakeMessages messages;
    QList<QByteArray> tablesSent;

    void checkLinkState() const {
        if (link.statusText() == QLatin1String(DeviceLink::kConnectedText))
            FUZZ_CHECK(port.isOpen() && state.dev_found);
        FUZZ_CHECK(port.writesToClosedPort() == 0);
    }

    void checkTable(const Positions &before) const {
        if (state.ch_pos == before)
            return;
        bool fromCompleteTable = false;
        for (const QByteArray &reply : tablesSent)
            fromCompleteTable = fromCompleteTable || completeTable(reply) == state.ch_pos;
        FUZZ_CHECK(fromCompleteTable);
    }

    void connect() {
        const Positions before = state.ch_pos;
        link.Connect();
        checkLinkState();
        checkTable(before);
    }

    // The channel command sends all of its commands in their order, or none.
    void gotoChannel(int index) {
        const bool up = link.statusText() == QLatin1String(DeviceLink::kConnectedText);
        const Positions before = state.ch_pos;
        const qsizetype first = port.writes().size();
        const GotoResult result = link.GotoChannel(index);
        const QList<QByteArray> sent = port.writtenBytes().mid(first);
        checkLinkState();
        FUZZ_CHECK(state.ch_pos == before);
        FUZZ_CHECK(up || result == GotoResult::NotSent);
        if (result == GotoResult::NotSent)
            FUZZ_CHECK(sent.isEmpty());
        // A command that stopped part-way does not release the motor as if it had arrived.
        if (result == GotoResult::Failed)
            FUZZ_CHECK(sent.isEmpty() || sent.last() != "LR0\rM\r");
        if (result != GotoResult::Sent)
            return;
        FUZZ_CHECK(sent.size() >= 4);
        FUZZ_CHECK(sent.first() == "LA" + QByteArray::number(state.ch_pos[index]) + "\rM\r");
        FUZZ_CHECK(sent.last() == "LR0\rM\r");
        const qsizetype polls = (sent.size() - 2) / 2;
        FUZZ_CHECK(sent.size() == 2 * polls + 2 && polls <= 20);
        for (qsizetype poll = 0; poll < polls; ++poll)
            FUZZ_CHECK(sent[1 + 2 * poll] == "POS\r" && sent[2 + 2 * poll] == "GFS\r");
    }
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size < kHeaderSize)
        return 0;
    const int index = (data[0] >> 3) & 0x0f;
    const auto action = UserAction(data[1] & 0x03);
    const int actionRound = data[1] >> 2;
    QList<QByteArray> replies = QByteArray(reinterpret_cast<const char *>(data) + kHeaderSize,
                                           qsizetype(size) - kHeaderSize)
                                    .split('|');

    Rig rig;
    rig.state.opt_comport = 1;
    rig.state.dev_found = data[0] & 0x01;
    rig.link.setViews(LinkViews{&rig.status, {&rig.lamps}, &rig.messages, nullptr, nullptr});
    rig.port.setReplyDelayMs(kDelaysMs[(data[0] >> 1) & 0x03]);
    if (data[2] != 0)
        rig.port.failAfterWrites(data[2]);
    rig.port.setResponder([&rig, &replies](const QByteArray &written) {
        const QByteArray reply = replies.isEmpty() ? QByteArray() : replies.takeFirst();
        if (written == "GPROGSEQ\r\n")
            rig.tablesSent.append(reply);
        return reply;
    });
    int round = 0;
    rig.clock.setOnServeEvents([&] {
        rig.checkLinkState();
        if (round++ != actionRound)
            return;
        if (action == Disconnect)
            rig.link.Disconnect();
        else if (action == Reconnect)
            rig.link.Connect();
    });

    rig.connect();
    rig.gotoChannel(index);
    rig.link.Disconnect();
    rig.checkLinkState();
    rig.connect();
    rig.gotoChannel((index + 1) % kChannelCount);
    return 0;
}
