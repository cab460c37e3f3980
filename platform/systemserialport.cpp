#include "platform/systemserialport.h"

#include "platform/portnames.h"

#include <QLoggingCategory>
#include <QScopedValueRollback>

#include <chrono>

#ifdef Q_OS_UNIX
#include <grp.h>
#include <sys/stat.h>
#endif

Q_LOGGING_CATEGORY(lcSerial, "qmx.serial", QtInfoMsg)

namespace {
// A command is a few bytes at 9600 baud; a port that cannot take them in this time is broken.
constexpr int kWriteTimeoutMs = 2000;
// What Qt keeps of the bytes that arrive while events are served. A reply is a few hundred bytes,
// and the line carries 960 bytes a second, fewer than 1,000 in the protocol's longest wait.
// Beyond this the system's own queue holds what comes, and the line drops it once that is full:
// a chatty device or a noisy line costs no memory.
constexpr qint64 kReadBufferBytes = 4096;

qint64 monotonicUs() {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

QString printable(const QByteArray &bytes) {
    QString text;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == '\r')
            text += QStringLiteral("\\r");
        else if (byte == '\n')
            text += QStringLiteral("\\n");
        else if (byte == '\\')
            text += QStringLiteral("\\\\");
        else if (byte < 0x20 || byte >= 0x7f)
            text += QStringLiteral("\\x%1").arg(byte, 2, 16, QLatin1Char('0'));
        else
            text += QLatin1Char(c);
    }
    return text;
}

// Who may open the device, so that "permission denied" can say what to do about it.
QString accessHint(const QString &path) {
#ifdef Q_OS_UNIX
    struct stat info {};
    if (::stat(path.toLocal8Bit().constData(), &info) == 0) {
        if (const group *owner = ::getgrgid(info.st_gid))
            return SystemSerialPort::tr("Add your user to the group \"%1\" that owns the device, "
                                        "then log in again.")
                .arg(QString::fromLocal8Bit(owner->gr_name));
    }
    return SystemSerialPort::tr("Add your user to the group that owns the device (for example "
                                "\"dialout\"), then log in again.");
#else
    Q_UNUSED(path)
    return SystemSerialPort::tr("Another program may be using the port.");
#endif
}
} // namespace

SystemSerialPort::SystemSerialPort(const SettingsStore &store)
    : m_store(store) {
    m_port.setReadBufferSize(kReadBufferBytes);
    connect(&m_port, &QSerialPort::errorOccurred, this, &SystemSerialPort::portError);
}

void SystemSerialPort::setPortNumber(int number) {
    m_path = portDevicePath(number, m_store);
}

bool SystemSerialPort::open() {
    const QScopedValueRollback<bool> inCall(m_inCall, true);
    m_error.clear();
    m_failureSent = false;
    if (m_path.isEmpty()) {
        m_error = tr("No serial port is chosen.");
        return false;
    }
    if (m_port.isOpen()) {
        m_error = tr("%1 is already open.").arg(m_path);
        return false;
    }
    m_port.setPortName(m_path);
    if (!m_port.open(QIODevice::ReadWrite)) {
        m_error = tr("Cannot open %1: %2").arg(m_path, m_port.errorString());
        if (m_port.error() == QSerialPort::PermissionError)
            m_error += QLatin1Char(' ') + accessHint(m_path);
        qCDebug(lcSerial) << monotonicUs() << "open failed:" << m_error;
        return false;
    }
    const bool configured =
        m_port.setBaudRate(QSerialPort::Baud9600) && m_port.setDataBits(QSerialPort::Data8) &&
        m_port.setParity(QSerialPort::NoParity) && m_port.setStopBits(QSerialPort::OneStop) &&
        m_port.setFlowControl(QSerialPort::NoFlowControl);
    if (!configured) {
        m_error = tr("Cannot set up %1: %2").arg(m_path, m_port.errorString());
        m_port.close();
        return false;
    }
    // A terminal keeps what arrived while the port was closed (socat and ser2net bridges do, and
    // so does a device that answered late); read now, it would pass for the next reply.
    discardInput();
    m_port.clearError();
    qCDebug(lcSerial) << monotonicUs() << "opened" << m_path;
    return true;
}

void SystemSerialPort::close() {
    if (m_port.isOpen()) {
        m_port.close();
        qCDebug(lcSerial) << monotonicUs() << "closed" << m_path;
    }
}

bool SystemSerialPort::isOpen() const {
    return m_port.isOpen();
}

bool SystemSerialPort::hasFailed() const {
    switch (m_port.error()) {
    case QSerialPort::ResourceError:
    case QSerialPort::WriteError:
    case QSerialPort::ReadError:
        return true;
    default:
        return false;
    }
}

void SystemSerialPort::noteFailure(const QString &what) {
    m_error = tr("%1 failed on %2: %3").arg(what, m_path, m_port.errorString());
    qCDebug(lcSerial) << monotonicUs() << m_error;
}

bool SystemSerialPort::write(const QByteArray &bytes) {
    const QScopedValueRollback<bool> inCall(m_inCall, true);
    if (!m_port.isOpen() || hasFailed())
        return false;
    qCDebug(lcSerial).noquote() << monotonicUs() << "write" << printable(bytes);
    if (m_port.write(bytes) != bytes.size()) {
        noteFailure(tr("Writing"));
        return false;
    }
    while (m_port.bytesToWrite() > 0) {
        if (!m_port.waitForBytesWritten(kWriteTimeoutMs)) {
            noteFailure(tr("Writing"));
            return false;
        }
    }
    if (hasFailed()) {
        noteFailure(tr("Writing"));
        return false;
    }
    return true;
}

std::optional<QByteArray> SystemSerialPort::readAll() {
    const QScopedValueRollback<bool> inCall(m_inCall, true);
    if (!m_port.isOpen() || hasFailed())
        return std::nullopt;
    while (m_port.waitForReadyRead(0)) {
    }
    if (hasFailed()) {
        noteFailure(tr("Reading"));
        return std::nullopt;
    }
    const QByteArray bytes = m_port.readAll();
    qCDebug(lcSerial).noquote() << monotonicUs() << "read" << printable(bytes);
    return bytes;
}

void SystemSerialPort::discardInput() {
    if (!m_port.isOpen())
        return;
    const QScopedValueRollback<bool> inCall(m_inCall, true);
    // Qt's buffer and the operating system's input queue both.
    m_port.clear(QSerialPort::Input);
}

QString SystemSerialPort::errorString() const {
    return m_error;
}

void SystemSerialPort::portError() {
    if (m_inCall || m_failureSent || !m_port.isOpen() || !hasFailed())
        return;
    // Found while events were served: the read notifier met a hung-up terminal, and would meet it
    // again on every pass of the event loop until the port is closed. The notice comes from the
    // event loop rather than from inside Qt's notifier, which must not see its port closed.
    m_failureSent = true;
    // Qt's own text here describes whatever the system said last, not the hang-up.
    m_error = tr("The connection on %1 was lost: the adapter was unplugged, or the bridge to the "
                 "device ended.")
                  .arg(m_path);
    qCDebug(lcSerial) << monotonicUs() << m_error << m_port.error();
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (m_port.isOpen())
                emit failed();
        },
        Qt::QueuedConnection);
}
