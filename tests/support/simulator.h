#pragma once

#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// qmx7700-sim on a pseudo-terminal for the end-to-end tests: started with a link and a trace in
// a temporary folder, stopped with SIGTERM.
class Simulator {
public:
    struct Command {
        qint64 atUs;
        QByteArray bytes; // as escaped in the trace: "LA1200\r" reads LA1200\\r
    };

    Simulator() { m_dir.setAutoRemove(true); }
    ~Simulator() { stop(); }
    Simulator(const Simulator &) = delete;
    Simulator &operator=(const Simulator &) = delete;

    // Starts the simulator and waits until it serves. False (with a test warning) otherwise.
    bool start(const QStringList &options = {}) {
        const QString program = qEnvironmentVariable("QMX_SIM");
        if (program.isEmpty()) {
            qWarning("QMX_SIM does not name the simulator");
            return false;
        }
        m_process = std::make_unique<QProcess>();
        m_process->setProgram(program);
        m_process->setArguments(QStringList{QStringLiteral("--link"), linkPath(),
                                            QStringLiteral("--trace"), tracePath()} +
                                options);
        m_process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process->start();
        if (!m_process->waitForStarted(5000))
            return false;
        while (!m_process->canReadLine()) {
            if (!m_process->waitForReadyRead(5000))
                return false;
        }
        return m_process->readLine().startsWith("ready ");
    }

    void stop() {
        if (!m_process || m_process->state() == QProcess::NotRunning)
            return;
        m_process->terminate();
        if (!m_process->waitForFinished(5000))
            m_process->kill();
        m_process->waitForFinished(1000);
    }

    bool waitForExit(int ms) { return !m_process || m_process->waitForFinished(ms); }
    bool running() const { return m_process && m_process->state() != QProcess::NotRunning; }
    int exitCode() const { return m_process ? m_process->exitCode() : -1; }

    QString linkPath() const { return m_dir.filePath(QStringLiteral("qmx7700")); }
    QString tracePath() const { return m_dir.filePath(QStringLiteral("trace")); }
    QString filePath(const QString &name) const { return m_dir.filePath(name); }

    // Every command received so far, in order.
    QList<Command> trace() const {
        QList<Command> commands;
        QFile file(tracePath());
        if (!file.open(QIODevice::ReadOnly))
            return commands;
        while (!file.atEnd()) {
            const QByteArray line = file.readLine().chopped(1);
            const qsizetype blank = line.indexOf(' ');
            if (blank > 0)
                commands.append({line.left(blank).toLongLong(), line.mid(blank + 1)});
        }
        return commands;
    }
    QList<QByteArray> commandsSince(qsizetype first) const {
        QList<QByteArray> texts;
        const QList<Command> all = trace();
        for (qsizetype i = first; i < all.size(); ++i)
            texts.append(all[i].bytes);
        return texts;
    }

private:
    QTemporaryDir m_dir;
    std::unique_ptr<QProcess> m_process;
};
