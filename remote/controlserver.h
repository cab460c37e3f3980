#pragma once

#include "device/channelcommand.h"
#include "remote/controlsession.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <vector>

class DeviceLink;
class ProgramDocument;
class ProgramRunner;
class QLocalServer;
class QTcpServer;
struct GlobalState;

// The control server: serves the line protocol to the programs of this machine on a local
// socket and, when asked, on TCP, and carries out what a client asks through the same link,
// runner and program as the windows, so that the windows show it as they show a click.
//
// Never re-entrant: a client's command that would drive the device while a device operation or
// a run is on the stack is refused at once (busy); queries are answered from the state. A
// connect and a run serve events while they go on, so they are started from the event loop, not
// from inside the client's input, and the client's next line waits until its connect has ended
// or its run has begun.
class ControlServer final : public QObject, private control::Target {
    Q_OBJECT

public:
    // The local socket, in the user's runtime folder.
    static constexpr char kSocketName[] = "QMX-7700.control";
    // Clients served at once; one more is disconnected as it comes.
    static constexpr int kMaxClients = 128;
    // What a client may leave unread before it is disconnected (a subscriber that stopped
    // reading the records, a client that sends and never reads).
    static constexpr qint64 kMaxUnsentBytes = 256 * 1024;

    struct Instrument {
        GlobalState &state;
        DeviceLink &link;
        ProgramRunner &runner;
        ProgramDocument &document;
        // A device operation or a run is on the stack.
        std::function<bool()> operationOnStack;
    };

    explicit ControlServer(Instrument instrument, QObject *parent = nullptr);
    ~ControlServer() override;

    // The local socket of the user's runtime folder ($XDG_RUNTIME_DIR).
    static QString defaultSocketPath();

    // Serves the local socket at `path`, reachable by this user only. A socket that another
    // program serves is left to it; one left behind by a program that has ended is taken over.
    // Returns why it cannot serve, or an empty text.
    QString listenLocal(const QString &path);
    // Serves TCP at `address` (a numeric address) and `port` (0: any free one).
    QString listenTcp(const QString &address, quint16 port);
    QString localPath() const;
    quint16 tcpPort() const;
    // Stops serving: the listeners close and every client is disconnected.
    void close();

    // A client's connect is on the stack: its messages must not wait for someone to read them.
    bool connectingForClient() const { return m_connectingForClient; }

public slots:
    // Sends a record, as one line, to every client that takes the stream.
    void publishRecord(const QByteArray &jsonLine);

private:
    class Client;
    using Operation = void (ControlServer::*)(QPointer<Client>, qint32);

    template <typename Socket> void accept(Socket *socket);
    void drop(Client *client);
    control::Outcome perform(control::Session &session, const control::Request &request) override;
    control::Outcome performQuery(const control::Request &request, const Client &client) const;
    // Why `client` (none: one that has gone) may not carry out a command now: another client
    // holds the lock, or (for a command that drives the device) the device is busy.
    std::optional<control::Error> refusal(const Client *client, bool drivesDevice) const;
    // Starts `operation` from the event loop; the client waits until it resumes it.
    control::Outcome later(Client &client, Operation operation, qint32 argument);
    void resume(const QPointer<Client> &client);

    // As a click on the dial switches: the channel marked and selected, the device moved, and
    // the fault asked for when the link is down.
    GotoResult switchChannel(int index);
    void connectFor(QPointer<Client> client, qint32);
    void runFor(QPointer<Client> client, qint32 runs);
    control::Outcome load(Client &client, const QString &path);
    QByteArray identity() const;
    QByteArray runState() const;

    Instrument m_instrument;
    QLocalServer *m_local = nullptr;
    QTcpServer *m_tcp = nullptr;
    std::vector<Client *> m_clients;
    QPointer<Client> m_lockHolder;
    // A connect or a run asked for and not yet started.
    bool m_operationQueued = false;
    bool m_connectingForClient = false;
    // The client whose run or program load is on the stack: the runner's and the program's
    // messages are its errors.
    QPointer<Client> m_messagesFor;
    bool m_closed = false;
};
