#include "remote/controlsession.h"

#include <variant>

namespace control {

Session::Session(Target &target)
    : m_target(target) {}

void Session::receive(QByteArrayView bytes) {
    m_input.append(bytes);
    carryOutLines();
}

void Session::resume() {
    if (!m_waiting)
        return;
    m_waiting = false;
    carryOutLines();
}

void Session::carryOutLines() {
    qsizetype start = 0;
    while (!m_waiting) {
        const qsizetype end = m_input.indexOf('\n', start);
        if (end < 0)
            break;
        const QByteArray line = m_input.sliced(start, end - start);
        start = end + 1;
        if (std::exchange(m_skippingLine, false))
            continue;
        if (line.size() > kMaxLineBytes)
            pushError({InputBufferOverrun, {}});
        else
            carryOut(line);
    }
    m_input.remove(0, start);
    // A line that outgrows the limit before its end is refused and dropped as it comes, so a
    // flood without line ends holds no memory.
    if (!m_waiting && m_input.size() > kMaxLineBytes) {
        if (!m_skippingLine)
            pushError({InputBufferOverrun, {}});
        m_skippingLine = true;
        m_input.clear();
    }
}

void Session::carryOut(const QByteArray &line) {
    const std::variant<Blank, Request, Error> parsed = parseLine(line);
    if (const auto *error = std::get_if<Error>(&parsed)) {
        pushError(*error);
        return;
    }
    const auto *request = std::get_if<Request>(&parsed);
    if (!request)
        return;
    switch (request->command) {
    case Command::ClearStatus:
        m_errors.clear();
        return;
    case Command::OperationComplete:
        // The commands before it have been carried out; a run goes on (PROGram:STATe? says
        // how far).
        answer("1");
        return;
    case Command::NextError:
        answer(errorAnswer(m_errors.isEmpty() ? Error{} : m_errors.takeFirst()));
        return;
    case Command::Stream:
        if (request->query)
            answer(m_streaming ? "1" : "0");
        else
            m_streaming = request->number == 1;
        return;
    default:
        break;
    }
    const Outcome outcome = m_target.perform(*this, *request);
    if (outcome.error)
        pushError(*outcome.error);
    else if (request->query)
        answer(outcome.answer);
    m_waiting = outcome.pending;
}

void Session::answer(const QByteArray &text) {
    m_output += text;
    m_output += '\n';
}

void Session::pushError(const Error &error) {
    if (m_errors.size() < kErrorQueueLength)
        m_errors.append(error);
    else
        m_errors.last() = Error{QueueOverflow, {}};
}

void Session::publish(QByteArrayView jsonLine) {
    if (!m_streaming)
        return;
    m_output += jsonLine;
    m_output += '\n';
}

QByteArray Session::takeOutput() {
    return std::exchange(m_output, {});
}

} // namespace control
