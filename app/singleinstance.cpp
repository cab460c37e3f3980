#include "app/singleinstance.h"

#include "platform/applicationtitle.h"

#include <QDir>
#include <QLocalSocket>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTimer>

namespace {
// The one request the server knows.
const QByteArray kRaiseRequest = QByteArrayLiteral("QMX-7700 raise\n");
// How long a second start waits for the first, and a client may take to send its request.
constexpr int kTimeoutMs = 2000;
} // namespace

QString SingleInstance::defaultServerName() {
    QString user = qEnvironmentVariable("USER");
    if (user.isEmpty())
        user = qEnvironmentVariable("LOGNAME");
    if (user.isEmpty())
        user = qEnvironmentVariable("USERNAME");
    user.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9._-]")), QStringLiteral("_"));
    const QString name = QStringLiteral("%1-%2").arg(QLatin1String(kApplicationTitle), user);
#ifdef Q_OS_WIN
    return name;
#else
    // The runtime folder belongs to the user alone, so nobody else can take the name.
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        return name;
    return QDir(folder).filePath(name + QStringLiteral(".instance"));
#endif
}

SingleInstance::SingleInstance(const QString &serverName, QObject *parent)
    : QObject(parent)
    , m_name(serverName) {
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&m_server, &QLocalServer::newConnection, this, &SingleInstance::acceptConnections);
}

bool SingleInstance::claim() {
    if (askRunningInstance())
        return false;
    if (m_server.listen(m_name))
        return true;
    // Another start took the name in the meantime: that one is the first.
    if (m_server.serverError() == QAbstractSocket::AddressInUseError && askRunningInstance())
        return false;
    // Without the socket the program still runs, only unguarded.
    qWarning("Cannot serve %s: %s", qPrintable(m_name), qPrintable(m_server.errorString()));
    return true;
}

bool SingleInstance::askRunningInstance() {
    QLocalSocket socket;
    socket.connectToServer(m_name);
    if (!socket.waitForConnected(kTimeoutMs)) {
        // A socket that nobody answers was left by an instance that was killed.
        if (socket.error() == QLocalSocket::ConnectionRefusedError)
            QLocalServer::removeServer(m_name);
        return false;
    }
    socket.write(kRaiseRequest);
    socket.waitForBytesWritten(kTimeoutMs);
    socket.disconnectFromServer();
    return true;
}

void SingleInstance::acceptConnections() {
    while (QLocalSocket *socket = m_server.nextPendingConnection()) {
        socket->setParent(this);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readRequest(socket); });
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        // A client that never sends its request is dropped.
        QTimer::singleShot(kTimeoutMs, socket, &QLocalSocket::abort);
    }
}

void SingleInstance::readRequest(QLocalSocket *socket) {
    const QByteArray received = socket->peek(kRaiseRequest.size() + 1);
    // Part of the request: wait for the rest.
    if (received.size() < kRaiseRequest.size() && kRaiseRequest.startsWith(received))
        return;
    if (received == kRaiseRequest)
        emit raiseRequested();
    // One request per connection; anything else is ignored.
    socket->abort();
}
