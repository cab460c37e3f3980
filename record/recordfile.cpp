#include "record/recordfile.h"

#include <QCoreApplication>
#include <QDir>

namespace {
struct Text {
    Q_DECLARE_TR_FUNCTIONS(RecordFile)
};

QString fileFailure(const QFile &file) {
    return QStringLiteral("%1: %2").arg(file.fileName(), file.errorString());
}
} // namespace

void RecordFile::setFolder(const QString &folder) {
    m_folder = folder;
    m_file.close();
}

QString RecordFile::append(const QDate &day, const QByteArray &lines) {
    if (!m_file.isOpen() || day != m_day) {
        if (const QString failure = open(day); !failure.isEmpty())
            return failure;
    }
    if (m_file.write(lines) == lines.size())
        return {};
    const QString failure = fileFailure(m_file);
    // Opened afresh for the next line, should the cause have gone.
    m_file.close();
    return failure;
}

QString RecordFile::open(const QDate &day) {
    m_file.close();
    m_day = day;
    if (!QDir().mkpath(m_folder))
        return Text::tr("the folder %1 cannot be made").arg(m_folder);
    m_file.setFileName(
        QDir(m_folder).filePath(day.toString(Qt::ISODate) + QStringLiteral(".jsonl")));
    if (!m_file.open(QIODevice::ReadWrite | QIODevice::Append | QIODevice::Unbuffered))
        return fileFailure(m_file);
    char last = '\n';
    if (m_file.size() > 0 && (!m_file.seek(m_file.size() - 1) || !m_file.getChar(&last)))
        last = '\n';
    if (last != '\n' && m_file.write("\n", 1) != 1) {
        const QString failure = fileFailure(m_file);
        m_file.close();
        return failure;
    }
    return {};
}
