#pragma once

#include "remote/controlprotocol.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

#include <optional>

namespace control {

class Session;

// What a command did: a query's answer, the error that refused it, or that it goes on after the
// call has returned (the session then takes no further line until it is resumed).
struct Outcome {
    QByteArray answer;
    std::optional<Error> error;
    bool pending = false;
};

// Carries out the commands that reach beyond one client.
class Target {
public:
    virtual ~Target() = default;
    virtual Outcome perform(Session &session, const Request &request) = 0;
};

// One client's side of the protocol: the bytes it sends in, the lines to send it out. Lines are
// carried out one at a time, in order; the session keeps its own error queue and whether the
// client takes the record stream, and hands everything else to its target. Nothing here touches
// a socket, so any bytes can be fed to it.
class Session {
public:
    // SCPI's least queue; a further error replaces the last with "Queue overflow".
    static constexpr qsizetype kErrorQueueLength = 10;

    explicit Session(Target &target);
    virtual ~Session() = default;
    Session(const Session &) = delete;
    Session &operator=(const Session &) = delete;

    // Carries out every complete line received, up to a pending command. Of a line still
    // without its end, at most kMaxLineBytes are kept; a longer line is refused whole.
    void receive(QByteArrayView bytes);
    // The pending command is done: the lines received meanwhile are carried out.
    void resume();
    bool waiting() const { return m_waiting; }

    void pushError(const Error &error);
    // A record, as one line, when the client takes the stream.
    void publish(QByteArrayView jsonLine);
    bool streaming() const { return m_streaming; }

    // What is to be sent to the client, taken.
    QByteArray takeOutput();
    // Received bytes not yet carried out.
    qsizetype unreadBytes() const { return m_input.size(); }

private:
    void carryOutLines();
    void carryOut(const QByteArray &line);
    void answer(const QByteArray &text);

    Target &m_target;
    QByteArray m_input;
    // The rest of a line that was too long is dropped up to its end.
    bool m_skippingLine = false;
    bool m_waiting = false;
    bool m_streaming = false;
    QList<Error> m_errors;
    QByteArray m_output;
};

} // namespace control
