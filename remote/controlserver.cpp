#include "remote/controlserver.h"

#include "core/globalstate.h"
#include "core/version.h"
#include "device/devicelink.h"
#include "program/programfile.h"
#include "program/runner.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHostAddress>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>

#include <algorithm>

using control::Error;
using control::Outcome;
using control::Request;

namespace {
// What Qt reads ahead of a client's lines: a client that sends faster than its lines are
// carried out (while its connect or run is pending) is held back by its socket.
constexpr qint64 kReadAheadBytes = 64 * 1024;

Outcome failed(control::ErrorCode code, const QString &detail) {
    return {{}, Error{code, detail}, false};
}

Outcome answered(const QByteArray &answer) {
    return {answer, std::nullopt, false};
}

// A field of the *IDN? answer: no commas or semicolons inside.
QByteArray identityField(const QString &text) {
    QByteArray field = control::asciiText(text);
    std::replace_if(
        field.begin(), field.end(), [](char c) { return c == ',' || c == ';'; }, ' ');
    return field.isEmpty() ? QByteArray("0") : field;
}
} // namespace

// One connection: its socket and its side of the protocol.
class ControlServer::Client final : public QObject, public control::Session {
public:
    // What the two kinds of socket do alike, under names of their own.
    struct SocketCalls {
        std::function<void()> flush;
        std::function<void()> abort;
    };

    Client(ControlServer &server, QIODevice *socket, SocketCalls calls)
        : QObject(&server)
        , control::Session(server)
        , m_server(server)
        , m_socket(socket)
        , m_sockets(std::move(calls)) {
        socket->setParent(this);
    }

    // Carries out what has arrived, unless a command of its own is pending.
    void read() {
        if (waiting())
            return;
        const QByteArray bytes = m_socket->readAll();
        if (!bytes.isEmpty())
            receive(bytes);
        flush();
    }

    void flush() {
        const QByteArray output = takeOutput();
        if (output.isEmpty())
            return;
        m_socket->write(output);
        // Out at once, not at the event loop's next round: the answer comes sooner, and one to
        // a client that has closed its sending side still reaches it before Qt closes the
        // connection.
        m_sockets.flush();
        if (m_socket->bytesToWrite() > kMaxUnsentBytes) {
            m_sockets.abort();
            m_server.drop(this);
        }
    }

private:
    ControlServer &m_server;
    QIODevice *m_socket;
    SocketCalls m_sockets;
};

ControlServer::ControlServer(Instrument instrument, QObject *parent)
    : QObject(parent)
    , m_instrument(std::move(instrument)) {
    // Messages of a run or a load a client asked for are that client's errors, as the windows
    // show them.
    const auto toClient = [this](const QString &text) {
        if (m_messagesFor)
            m_messagesFor->pushError({control::ExecutionError, text});
    };
    connect(&m_instrument.runner, &ProgramRunner::message, this, toClient);
    connect(&m_instrument.document, &ProgramDocument::message, this, toClient);
    // A client's next line waits until its run has begun; it is carried out inside the run.
    connect(&m_instrument.runner, &ProgramRunner::runStarted, this, [this] {
        if (const QPointer<Client> client = m_messagesFor)
            QMetaObject::invokeMethod(
                this, [this, client] { resume(client); }, Qt::QueuedConnection);
    });
}

ControlServer::~ControlServer() {
    close();
}

QString ControlServer::defaultSocketPath() {
    return QDir(QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation))
        .filePath(QString::fromLatin1(kSocketName));
}

QString ControlServer::listenLocal(const QString &path) {
    // Listening would take the name over even from a program that serves it.
    QLocalSocket probe;
    probe.connectToServer(path);
    if (probe.waitForConnected(1000))
        return tr("Another program serves %1.").arg(path);
    auto *server = new QLocalServer(this);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(path)) {
        const QString why = tr("Cannot serve %1: %2").arg(path, server->errorString());
        delete server;
        return why;
    }
    connect(server, &QLocalServer::newConnection, this, [this, server] {
        while (QLocalSocket *socket = server->nextPendingConnection())
            accept(socket);
    });
    m_local = server;
    return {};
}

QString ControlServer::listenTcp(const QString &address, quint16 port) {
    const QHostAddress host(address);
    if (host.isNull())
        return tr("The address \"%1\" is no numeric address to serve on.").arg(address);
    auto *server = new QTcpServer(this);
    if (!server->listen(host, port)) {
        const QString why = tr("Cannot serve TCP at %1 port %2: %3")
                                .arg(address, QString::number(port), server->errorString());
        delete server;
        return why;
    }
    connect(server, &QTcpServer::newConnection, this, [this, server] {
        while (QTcpSocket *socket = server->nextPendingConnection())
            accept(socket);
    });
    m_tcp = server;
    return {};
}

QString ControlServer::localPath() const {
    return m_local ? m_local->fullServerName() : QString();
}

quint16 ControlServer::tcpPort() const {
    return m_tcp ? m_tcp->serverPort() : 0;
}

void ControlServer::close() {
    m_closed = true;
    delete std::exchange(m_local, nullptr);
    delete std::exchange(m_tcp, nullptr);
    for (Client *client : std::exchange(m_clients, {}))
        delete client;
}

template <typename Socket> void ControlServer::accept(Socket *socket) {
    if (m_closed || m_clients.size() >= std::size_t(kMaxClients)) {
        socket->abort();
        socket->deleteLater();
        return;
    }
    socket->setReadBufferSize(kReadAheadBytes);
    auto *client = new Client(*this, socket,
                              {[socket] { socket->flush(); },
                               [socket] {
                                   socket->abort();
                               }});
    m_clients.push_back(client);
    connect(socket, &Socket::disconnected, client, [this, client] { drop(client); });
    connect(socket, &QIODevice::readyRead, client, [client] { client->read(); });
    client->read();
}

void ControlServer::drop(Client *client) {
    const auto found = std::find(m_clients.begin(), m_clients.end(), client);
    if (found == m_clients.end())
        return;
    m_clients.erase(found);
    // A lock ends with its connection.
    if (m_lockHolder == client)
        m_lockHolder = nullptr;
    client->deleteLater();
}

void ControlServer::publishRecord(const QByteArray &jsonLine) {
    // A client that stops reading is dropped from the list while it is walked.
    for (Client *client : std::vector<Client *>(m_clients)) {
        client->publish(jsonLine);
        client->flush();
    }
}

std::optional<Error> ControlServer::refusal(const Client *client, bool drivesDevice) const {
    if (m_lockHolder && m_lockHolder != client)
        return Error{control::ExecutionError, tr("another client holds the lock")};
    if (!drivesDevice)
        return std::nullopt;
    if (m_instrument.runner.isRunning())
        return Error{control::ExecutionError, tr("busy: a program is running")};
    if (m_instrument.link.isConnecting())
        return Error{control::ExecutionError, tr("busy: a connect is going on")};
    if (m_operationQueued || m_instrument.operationOnStack())
        return Error{control::ExecutionError, tr("busy: the device is in use")};
    return std::nullopt;
}

Outcome ControlServer::perform(control::Session &session, const Request &request) {
    using control::Command;
    auto &client = static_cast<Client &>(session);
    if (request.query)
        return performQuery(request, client);

    const bool drivesDevice = request.command == Command::Route ||
                              request.command == Command::Connect ||
                              request.command == Command::Run;
    const bool ownCommand = request.command == Command::Lock || request.command == Command::Unlock;
    if (!ownCommand) {
        if (const std::optional<Error> refused = refusal(&client, drivesDevice))
            return {{}, refused, false};
    }

    switch (request.command) {
    case Command::Route:
        switch (switchChannel(request.number - 1)) {
        case GotoResult::Sent:
            return {};
        case GotoResult::NotSent:
            return failed(control::ExecutionError, tr("not connected"));
        case GotoResult::Failed:
            return failed(control::ExecutionError, m_instrument.link.failureReason());
        }
        return {};
    case Command::Connect:
        return later(client, &ControlServer::connectFor, 0);
    case Command::Disconnect:
        m_instrument.link.Disconnect();
        return {};
    case Command::Load:
        return load(client, request.path);
    case Command::Run:
        return later(client, &ControlServer::runFor, request.number);
    case Command::Stop:
        m_instrument.runner.RequestStop();
        return {};
    case Command::Lock:
        if (m_lockHolder && m_lockHolder != &client)
            return failed(control::ExecutionError, tr("another client holds the lock"));
        m_lockHolder = &client;
        return {};
    case Command::Unlock:
        if (m_lockHolder != &client)
            return failed(control::ExecutionError, tr("this client holds no lock"));
        m_lockHolder = nullptr;
        return {};
    default:
        return {};
    }
}

Outcome ControlServer::performQuery(const Request &request, const Client &client) const {
    using control::Command;
    switch (request.command) {
    case Command::Identify:
        return answered(identity());
    case Command::Route:
        return answered(QByteArray::number(m_instrument.state.cur_channel + 1));
    case Command::Connect:
        return answered(m_instrument.link.statusText() == QLatin1String(DeviceLink::kConnectedText)
                            ? "1"
                            : "0");
    case Command::RunState:
        return answered(runState());
    case Command::Lock:
        return answered(m_lockHolder == &client ? "1" : "0");
    default:
        return {};
    }
}

Outcome ControlServer::later(Client &client, Operation operation, qint32 argument) {
    m_operationQueued = true;
    QMetaObject::invokeMethod(
        this,
        [this, client = QPointer<Client>(&client), operation, argument] {
            m_operationQueued = false;
            // Something may have started in between: a click on Run, a connect from the menu.
            // A client that has gone still has its command carried out.
            const std::optional<Error> refused = refusal(client.data(), true);
            if (m_closed || refused) {
                if (client && refused)
                    client->pushError(*refused);
                resume(client);
                return;
            }
            (this->*operation)(client, argument);
        },
        Qt::QueuedConnection);
    return {{}, std::nullopt, true};
}

void ControlServer::resume(const QPointer<Client> &client) {
    if (!client || !client->waiting())
        return;
    client->resume();
    client->flush();
    // What arrived meanwhile waits in the socket.
    client->read();
}

GotoResult ControlServer::switchChannel(int index) {
    DeviceLink &link = m_instrument.link;
    link.markChannel(index);
    link.selectChannel(index);
    const GotoResult result = link.GotoChannel(index, SwitchSource::Remote);
    if (result == GotoResult::NotSent)
        link.QueryFault(true);
    return result;
}

void ControlServer::connectFor(QPointer<Client> client, qint32) {
    DeviceLink &link = m_instrument.link;
    m_connectingForClient = true;
    link.Connect();
    m_connectingForClient = false;
    if (client && link.statusText() != QLatin1String(DeviceLink::kConnectedText)) {
        const QString reason = link.failureReason();
        client->pushError({control::ExecutionError,
                           reason.isEmpty() ? QCoreApplication::translate(
                                                  "DeviceLink", DeviceLink::kNotFoundMessage)
                                            : reason});
    }
    resume(client);
}

void ControlServer::runFor(QPointer<Client> client, qint32 runs) {
    ProgramRunner &runner = m_instrument.runner;
    // Shown in the windows' boxes as if typed there.
    if (runs == qint32(control::Runs::Once)) {
        runner.setContinuous(false);
    } else if (runs != qint32(control::Runs::AsSet)) {
        runner.setContinuous(true);
        runner.askRuns(runs);
    }
    m_messagesFor = client;
    runner.RunProgram();
    m_messagesFor = nullptr;
    // A program that cannot run, or a run that ended before it served an event.
    resume(client);
}

Outcome ControlServer::load(Client &client, const QString &path) {
    // Opening a name that does not exist would empty the program.
    if (!QFileInfo::exists(path))
        return failed(control::FileNameNotFound, path);
    m_messagesFor = &client;
    m_instrument.document.LoadProgram(path);
    m_messagesFor = nullptr;
    return {};
}

QByteArray ControlServer::identity() const {
    return "QMX-7700 control program,QMX-7700," + identityField(m_instrument.link.deviceVersion()) +
           ',' + kVersionText;
}

QByteArray ControlServer::runState() const {
    const ProgramRunner &runner = m_instrument.runner;
    if (!runner.isRunning())
        return "IDLE,0,0,0";
    const ProgramRunner::Progress progress = runner.progress();
    return "RUNNING," + QByteArray::number(progress.step) + ',' +
           QByteArray::number(progress.pass) + ',' + QByteArray::number(progress.runsLeft);
}
