#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>

class QLocalSocket;

// One running program per user. The first instance serves a local socket in the user's runtime
// folder, readable by the user alone; a second one connects, asks the first to come to the
// front and ends. A socket left behind by an instance that was killed does not stop the next
// start.
class SingleInstance final : public QObject {
    Q_OBJECT

public:
    // The user's socket, named from the application title and the user.
    static QString defaultServerName();

    explicit SingleInstance(const QString &serverName, QObject *parent = nullptr);

    // True when no other instance runs: this one serves the name from now on. False when one
    // runs; it has been asked to come to the front.
    bool claim();

signals:
    // Another start asked this instance to come to the front.
    void raiseRequested();

private:
    bool askRunningInstance();
    void acceptConnections();
    void readRequest(QLocalSocket *socket);

    QString m_name;
    QLocalServer m_server;
};
