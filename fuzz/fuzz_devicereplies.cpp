// The device link against a device that may answer anything, or nothing, through a connect, a
// channel command, a disconnect, a reconnect and another channel command, in virtual time.
// Whatever it answers, the link reports itself up only with the port open and the device found,
// never writes to a closed port, takes a channel table whole or not at all, and sends a channel
// command's parts in their order.
#include "core/globalstate.h"
#include "core/numbers.h"
#include "device/devicelink.h"
#include "fuzzcheck.h"
#include "support/scriptedport.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace {
// The input: three bytes of scenario, then the device's replies, one per command written, in
// order, separated by '|'. A reply stands for everything that arrives before the link's next
// read, so late, split and unasked-for replies are all among them.
//   byte 0: bit 0 the device is known already (dev_found); bits 1-2 the port: 1 number 0, 2 one
//           that cannot be opened, otherwise port 1; bits 3-6 the channel index
//   byte 1: bits 0-1 what the user does in the connect's event rounds (nothing, disconnect,
//           connect again); bits 2-7 in which round
//   byte 2: the adapter is unplugged at this write to the open port (0: never)

// The scripted port, unplugged at a given write: from then on every write, read and open fails,
// while the port counts as open until the link closes it.
class UnpluggablePort final : public SerialPort {
public:
    UnpluggablePort(ScriptedPort &port, int writesBeforeFailing)
        : m_port(port)
        , m_writesLeft(writesBeforeFailing) {}

    void setPortNumber(int number) override { m_port.setPortNumber(number); }
    bool open() override { return !m_unplugged && m_port.open(); }
    void close() override { m_port.close(); }
    bool isOpen() const override { return m_port.isOpen(); }
    bool write(const QByteArray &bytes) override {
        // A write to a closed port goes through, so that the scripted port counts it.
        if (!m_port.isOpen())
            return m_port.write(bytes);
        if (m_writesLeft > 0 && --m_writesLeft == 0)
            m_unplugged = true;
        return !m_unplugged && m_port.write(bytes);
    }
    std::optional<QByteArray> readAll() override {
        return m_unplugged ? std::nullopt : m_port.readAll();
    }
    void discardInput() override { m_port.discardInput(); }
    QString errorString() const override { return m_port.errorString(); }
    QString portName() const override { return m_port.portName(); }

private:
    ScriptedPort &m_port;
    int m_writesLeft;
    bool m_unplugged = false;
};

// A channel table reply in which all 16 positions can be read, read as the protocol says.
bool isCompleteTable(const QByteArray &reply, const std::array<qint16, kChannelCount> &positions) {
    const QList<QByteArray> lines = reply.split('\r');
    if (lines.size() < 20)
        return false;
    const QByteArray format = lines[4].toUpper();
    const int prefix = format.contains('H') ? 4 : format.contains('A') ? 2 : 0;
    for (int channel = 0; prefix && channel < kChannelCount; ++channel) {
        const QByteArray &line = lines[4 + channel];
        if (line.size() < prefix ||
            parseInteger(QString::fromLatin1(line.mid(prefix))) != positions[channel])
            return false;
    }
    return prefix != 0;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size < 3)
        return 0;
    QList<QByteArray> replies =
        QByteArray(reinterpret_cast<const char *>(data) + 3, qsizetype(size) - 3).split('|');
    VirtualClock clock;
    ScriptedPort scripted{clock};
    UnpluggablePort port{scripted, data[2]};
    GlobalState state;
    DeviceLink link{state, port, clock};
    QList<QByteArray> tables;
    const int portChoice = (data[0] >> 1) & 0x03;
    state.opt_comport = portChoice == 1 ? 0 : 1;
    scripted.setOpenable(portChoice != 2);
    state.dev_found = data[0] & 0x01;
    scripted.setResponder([&](const QByteArray &written) {
        const QByteArray reply = replies.isEmpty() ? QByteArray() : replies.takeFirst();
        if (written == "GPROGSEQ\r\n")
            tables.append(reply);
        return reply;
    });
    const auto checkLinkState = [&] {
        if (link.statusText() == QLatin1String(DeviceLink::kConnectedText))
            FUZZ_CHECK(port.isOpen() && state.dev_found);
        FUZZ_CHECK(scripted.writesToClosedPort() == 0);
    };
    int round = 0;
    clock.setOnServeEvents([&] {
        checkLinkState();
        if (round++ != data[1] >> 2)
            return;
        if ((data[1] & 0x03) == 1)
            link.Disconnect();
        else if ((data[1] & 0x03) == 2)
            link.Connect();
    });
    const auto connect = [&] {
        const auto before = state.ch_pos;
        link.Connect();
        checkLinkState();
        FUZZ_CHECK(state.ch_pos == before ||
                   std::any_of(tables.cbegin(), tables.cend(), [&](const QByteArray &table) {
                       return isCompleteTable(table, state.ch_pos);
                   }));
    };
    // The channel command sends all of its commands in their order, or none, and a command that
    // stopped part-way does not release the motor as if it had arrived.
    const auto gotoChannel = [&](int index) {
        const bool up = link.statusText() == QLatin1String(DeviceLink::kConnectedText);
        const auto before = state.ch_pos;
        const qsizetype first = scripted.writes().size();
        const GotoResult result = link.GotoChannel(index);
        const QList<QByteArray> sent = scripted.writtenBytes().mid(first);
        checkLinkState();
        FUZZ_CHECK(state.ch_pos == before);
        FUZZ_CHECK(up || result == GotoResult::NotSent);
        FUZZ_CHECK(result != GotoResult::NotSent || sent.isEmpty());
        FUZZ_CHECK((result == GotoResult::Sent) == (!sent.isEmpty() && sent.last() == "LR0\rM\r"));
        if (result != GotoResult::Sent)
            return;
        FUZZ_CHECK(sent.first() == "LA" + QByteArray::number(state.ch_pos[index]) + "\rM\r");
        const qsizetype polls = (sent.size() - 2) / 2;
        FUZZ_CHECK(sent.size() == 2 * polls + 2 && polls >= 1 && polls <= 20);
        for (qsizetype poll = 0; poll < polls; ++poll)
            FUZZ_CHECK(sent[1 + 2 * poll] == "POS\r" && sent[2 + 2 * poll] == "GFS\r");
    };
    const int index = (data[0] >> 3) & 0x0f;
    connect();
    gotoChannel(index);
    link.Disconnect();
    checkLinkState();
    connect();
    gotoChannel((index + 1) % kChannelCount);
    return 0;
}
