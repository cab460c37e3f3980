#include "platform/files.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <array>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#endif

namespace {
struct Text {
    Q_DECLARE_TR_FUNCTIONS(Files)
};

using Outcome = FileRead::Outcome;

FileRead ended(Outcome outcome, const QString &error = {}) {
    return {outcome, {}, error};
}

// Opens what the look-up found to be a regular file. Between the look and the open a FIFO may
// take its place: it must neither block the open nor be read.
FileRead openRegular(const QString &path, QFile &file) {
#ifdef Q_OS_UNIX
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return ended(Outcome::Unreadable, QString::fromLocal8Bit(std::strerror(errno)));
    struct stat opened {};
    if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
        ::close(fd);
        return ended(Outcome::NotRegular);
    }
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return ended(Outcome::Unreadable, file.errorString());
    }
#else
    file.setFileName(path);
    if (!file.open(QIODevice::ReadOnly))
        return ended(Outcome::Unreadable, file.errorString());
#endif
    return ended(Outcome::Read);
}

QString cancelled(QSaveFile &file) {
    const QString error = file.errorString();
    file.cancelWriting();
    return error;
}
} // namespace

FileRead readRegularFile(const QString &path, qint64 maxBytes) {
    const QFileInfo info(path);
    if (!info.exists())
        return ended(Outcome::Missing);
    if (!info.isFile())
        return ended(Outcome::NotRegular);
    if (info.size() > maxBytes)
        return ended(Outcome::TooLarge);
    QFile file;
    FileRead read = openRegular(path, file);
    if (read.outcome != Outcome::Read)
        return read;
    // The file may have grown since the look: it is read no further than the bound.
    read.bytes.reserve(info.size());
    std::array<char, 65536> chunk{};
    qint64 n = 0;
    while ((n = file.read(chunk.data(), qint64(chunk.size()))) > 0) {
        if (read.bytes.size() + n > maxBytes)
            return ended(Outcome::TooLarge);
        read.bytes.append(chunk.data(), n);
    }
    if (n < 0)
        return ended(Outcome::Unreadable, file.errorString());
    return read;
}

QString writeWholeFile(const QString &path, const QByteArray &bytes) {
    // The temporary file would be renamed over a device or a FIFO.
    const QFileInfo target(path);
    if (target.exists() && !target.isFile())
        return Text::tr("it is not a regular file");
    // Unbuffered: a buffered write fails only in the flush inside commit(), which does not
    // report it, and a full disk then put an empty file in place of the old one. Written at once,
    // a write that the disk cuts short is continued until the system says why it stops.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return file.errorString();
    for (qint64 done = 0; done < bytes.size();) {
        const qint64 n = file.write(bytes.constData() + done, bytes.size() - done);
        if (n <= 0)
            return cancelled(file);
        done += n;
    }
    if (!file.commit())
        return file.errorString();
    return {};
}
