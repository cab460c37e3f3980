#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <optional>

// The serial line as the device link uses it: blocking writes, and a read that takes whatever
// has arrived without waiting. One byte is one character (Latin-1).
class SerialPort : public QObject {
    Q_OBJECT

public:
    // Chooses the port that the next open() uses. Numbers below 1 make open() fail.
    virtual void setPortNumber(int number) = 0;
    // Opens at 9600 baud, 8 data bits, no parity, 1 stop bit, no flow control, with no input
    // waiting.
    virtual bool open() = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // Sends the bytes before returning. False when the port is closed or has failed.
    virtual bool write(const QByteArray &bytes) = 0;
    // Everything received since the previous read, possibly empty. Nothing when the port is
    // closed or has failed (an unplugged adapter).
    virtual std::optional<QByteArray> readAll() = 0;
    // Drops everything received and not yet read.
    virtual void discardInput() = 0;
    // Why the last open or transfer failed, in words for the user.
    virtual QString errorString() const = 0;
    // The device that the port number leads to (a path such as /dev/ttyUSB0), for people.
    virtual QString portName() const = 0;

signals:
    // The open port failed outside any read or write of the link's (an adapter pulled while
    // the program waits); errorString() says why. Sent once, from the event loop, with the
    // port still open.
    void failed();
};
