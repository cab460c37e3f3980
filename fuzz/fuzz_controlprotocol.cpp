// The control protocol's side of one client, fed any bytes in pieces of any size, with a target
// that answers, refuses or holds commands as the server may. Whatever arrives, the session sends
// whole lines of printable ASCII, one answer at most for each line it got, records only as lines
// of their own while the client takes them, keeps at most one line's worth of input while it
// reads, and its error queue stays within its length.
#include "fuzzcheck.h"
#include "remote/controlsession.h"

#include <cstdint>

namespace {
using namespace control;

const QByteArray kRecord = R"({"kind":"switch","channel":7})";

// Answers queries with a short text, refuses every third command and holds Connect and Run
// until the next piece arrives; checks what the parser let through.
class FakeTarget final : public Target {
public:
    Outcome perform(Session &, const Request &request) override {
        switch (request.command) {
        case Command::Route:
            FUZZ_CHECK(request.query || (request.number >= 1 && request.number <= 16));
            break;
        case Command::Run:
            FUZZ_CHECK(request.number >= qint32(Runs::AsSet));
            break;
        case Command::Load:
            FUZZ_CHECK(!request.query);
            break;
        default:
            break;
        }
        ++m_performed;
        if (request.query)
            return {"IDLE,0,0,0", std::nullopt, false};
        if (m_performed % 3 == 0)
            return {{}, Error{ExecutionError, QStringLiteral("busy: \"x\"\n\xe9")}, false};
        return {{},
                std::nullopt,
                request.command == Command::Connect || request.command == Command::Run};
    }

private:
    int m_performed = 0;
};

// Checks a piece of output and returns how many lines it holds, and how many of them are records.
std::pair<int, int> checkOutput(const QByteArray &output) {
    FUZZ_CHECK(output.isEmpty() || output.endsWith('\n'));
    int lines = 0;
    int records = 0;
    for (const QByteArray &line : output.split('\n').mid(0, output.count('\n'))) {
        ++lines;
        if (line.startsWith('{')) {
            FUZZ_CHECK(line == kRecord);
            ++records;
            continue;
        }
        for (const char c : line)
            FUZZ_CHECK(c >= 0x20 && c < 0x7f);
    }
    return {lines, records};
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size < 1)
        return 0;
    // byte 0: the size of the pieces the bytes arrive in, 1 to 256.
    const qsizetype piece = qsizetype(data[0]) + 1;
    const QByteArray bytes(reinterpret_cast<const char *>(data) + 1, qsizetype(size) - 1);
    FakeTarget target;
    Session session(target);
    qsizetype lineEnds = 0;
    int answers = 0;
    for (qsizetype at = 0; at < bytes.size(); at += piece) {
        const QByteArray part = bytes.mid(at, piece);
        lineEnds += part.count('\n');
        session.resume();
        session.receive(part);
        FUZZ_CHECK(session.waiting() || session.unreadBytes() <= kMaxLineBytes);
        const bool streaming = session.streaming();
        session.publish(kRecord);
        const auto [lines, records] = checkOutput(session.takeOutput());
        FUZZ_CHECK(records == (streaming ? 1 : 0));
        answers += lines - records;
    }
    FUZZ_CHECK(answers <= lineEnds);

    // The queue holds at most its length, oldest first, and then says there is no error.
    // Lines held behind a command that goes on may hold more such commands.
    session.receive("\n");
    while (session.waiting())
        session.resume();
    session.takeOutput();
    for (qsizetype i = 0; i <= Session::kErrorQueueLength; ++i)
        session.receive("SYST:ERR?\n");
    const QList<QByteArray> errors = session.takeOutput().split('\n');
    FUZZ_CHECK(errors.size() == Session::kErrorQueueLength + 2);
    FUZZ_CHECK(errors[Session::kErrorQueueLength] == R"(0,"No error")");
    return 0;
}
