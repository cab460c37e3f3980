// Drives qmx7700-sim over its pseudo-terminal in real time. Timing checks only assert what
// must hold however slow the machine is: lower bounds from our own send times, upper bounds
// from our own receive times, and generous deadlines for anything that has to arrive.

#include <QByteArrayList>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <optional>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

namespace {

// Anything the simulator must produce comes well within this; it is only reached on failure.
constexpr int kDeadlineMs = 10000;

qint64 steadyUs() {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

QString simulatorPath() {
    return qEnvironmentVariable("QMX_SIM");
}

// One simulator run in a directory of its own.
class Sim {
public:
    Sim() { m_process.setProgram(simulatorPath()); }
    ~Sim() {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            if (!m_process.waitForFinished(kDeadlineMs))
                m_process.kill();
            m_process.waitForFinished(kDeadlineMs);
        }
    }

    QString linkPath() const { return m_dir.filePath(QStringLiteral("qmx")); }
    QString tracePath() const { return m_dir.filePath(QStringLiteral("trace.txt")); }

    // Starts with --link and --trace added and waits for the ready line; empty on success,
    // otherwise what went wrong.
    QString start(const QStringList &args) {
        if (!m_dir.isValid())
            return QStringLiteral("no temporary directory");
        m_process.setWorkingDirectory(m_dir.path());
        m_process.setArguments(QStringList{QStringLiteral("--link"), linkPath(),
                                           QStringLiteral("--trace"), tracePath()} +
                               args);
        m_process.start();
        if (!m_process.waitForStarted(kDeadlineMs))
            return m_process.errorString();
        QElapsedTimer timer;
        timer.start();
        while (!m_process.canReadLine()) {
            if (timer.hasExpired(kDeadlineMs) || m_process.state() == QProcess::NotRunning)
                return QStringLiteral("no ready line; stderr: ") +
                       QString::fromLocal8Bit(m_process.readAllStandardError());
            m_process.waitForReadyRead(100);
        }
        const QByteArray line = m_process.readLine().trimmed();
        if (!line.startsWith("ready /dev/"))
            return QStringLiteral("unexpected first line: ") + QString::fromLatin1(line);
        m_device = QString::fromLatin1(line.mid(6));
        return {};
    }

    QString device() const { return m_device; }
    QProcess &process() { return m_process; }

    // The trace lines once there are at least count of them (or whatever is there at the
    // deadline).
    QByteArrayList traceLines(int count) const {
        QElapsedTimer timer;
        timer.start();
        for (;;) {
            QFile file(tracePath());
            QByteArrayList lines;
            if (file.open(QIODevice::ReadOnly)) {
                lines = file.readAll().split('\n');
                lines.removeAll(QByteArray());
            }
            if (lines.size() >= count || timer.hasExpired(kDeadlineMs))
                return lines;
            QThread::msleep(10);
        }
    }

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    QString m_device;
};

// Our end of the line: the pseudo-terminal opened through the link, as the program opens it.
class Line {
public:
    ~Line() {
        if (m_fd >= 0)
            ::close(m_fd);
    }

    bool open(const QString &path) {
        m_fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (m_fd < 0)
            return false;
        termios tio{};
        if (tcgetattr(m_fd, &tio) != 0)
            return false;
        cfmakeraw(&tio);
        return tcsetattr(m_fd, TCSANOW, &tio) == 0;
    }

    int fd() const { return m_fd; }

    bool send(const QByteArray &bytes) {
        return ::write(m_fd, bytes.constData(), bytes.size()) == bytes.size();
    }

    // Reads until lines CR LF pairs have arrived (or the deadline); returns what came.
    QByteArray readLines(int lines) {
        QElapsedTimer timer;
        timer.start();
        while (m_pending.count("\r\n") < lines && !timer.hasExpired(kDeadlineMs))
            readSome(50);
        qsizetype end = 0;
        for (int i = 0; i < lines; ++i) {
            const qsizetype at = m_pending.indexOf("\r\n", end);
            if (at < 0) {
                end = m_pending.size();
                break;
            }
            end = at + 2;
        }
        const QByteArray taken = m_pending.left(end);
        m_pending.remove(0, end);
        return taken;
    }

    QByteArray readLine() { return readLines(1); }

    // Everything that arrives within ms milliseconds.
    QByteArray readFor(int ms) {
        QElapsedTimer timer;
        timer.start();
        while (!timer.hasExpired(ms))
            readSome(int(std::max<qint64>(1, ms - timer.elapsed())));
        QByteArray taken;
        taken.swap(m_pending);
        return taken;
    }

private:
    void readSome(int timeoutMs) {
        pollfd p{m_fd, POLLIN, 0};
        if (::poll(&p, 1, timeoutMs) <= 0)
            return;
        char buffer[4096];
        const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
        if (n > 0)
            m_pending.append(buffer, n);
    }

    int m_fd = -1;
    QByteArray m_pending;
};

std::optional<int> number(const QByteArray &reply) {
    if (!reply.endsWith("\r\n"))
        return std::nullopt;
    bool ok = false;
    const int value = reply.chopped(2).toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}

bool linkExists(const QString &path) {
    return QFileInfo(path).isSymLink();
}

} // namespace

class TestSim : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();

    void programSequence_data();
    void programSequence();
    void versionReply_data();
    void versionReply();
    void fault_data();
    void fault();
    void garbageReplies();
    void silent();
    void lateReplies();
    void trace();
    void motor_data();
    void motor();
    void zeroRelativeMoveHalts();
    void unplug();
    void stopSignal_data();
    void stopSignal();
    void badOptions_data();
    void badOptions();
    void help();
};

void TestSim::initTestCase() {
    QVERIFY2(QFileInfo(simulatorPath()).isExecutable(),
             "QMX_SIM must name the built qmx7700-sim (CTest sets it)");
}

void TestSim::programSequence_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("lineStart");
    QTest::addColumn<int>("cut");
    QTest::addColumn<QList<int>>("positions");

    const QList<int> mixed{-32768, 32767, 0,  -1, 5, 1200, -1200, 99,
                           100,    12345, -9, 7,  8, 10,   11,    16};
    QStringList list;
    for (const int p : mixed)
        list << QString::number(p);
    const QStringList given{QStringLiteral("--positions"), list.join(QLatin1Char(','))};

    QTest::newRow("format H") << (QStringList{QStringLiteral("--format"), QStringLiteral("H")} +
                                  given)
                              << QByteArray("H") << 4 << mixed;
    QTest::newRow("format A") << (QStringList{QStringLiteral("--format"), QStringLiteral("A")} +
                                  given)
                              << QByteArray("A ") << 2 << mixed;
    // Empty positions: the defaults, which only have to tell the channels apart.
    QTest::newRow("defaults are H") << QStringList{} << QByteArray("H") << 4 << QList<int>{};
}

void TestSim::programSequence() {
    QFETCH(QStringList, args);
    QFETCH(QByteArray, lineStart);
    QFETCH(int, cut);
    QFETCH(QList<int>, positions);

    Sim sim;
    const QString error = sim.start(args);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    Line line;
    QVERIFY(line.open(sim.linkPath()));
    QVERIFY(line.send("GPROGSEQ\r\n"));
    const QByteArray table = line.readLines(20);
    QVERIFY2(table.endsWith("\r\n"), table.constData());
    QByteArrayList lines = table.split('\n');
    QCOMPARE(lines.takeLast(), QByteArray());
    QCOMPARE(lines.size(), 20);
    for (const QByteArray &l : lines)
        QVERIFY2(l.endsWith('\r') && l.count('\r') == 1, l.constData());

    // Exactly the form of each position line ...
    for (int c = 0; c < 16 && !positions.isEmpty(); ++c) {
        QByteArray expected = lineStart;
        if (lineStart == "H")
            expected += QByteArray::number(c + 1).rightJustified(2, '0') + ' ';
        expected += QByteArray::number(positions[c]) + '\r';
        QCOMPARE(lines[4 + c], expected);
    }
    // ... and what the program makes of it: split at CR, the LF of the previous line leads
    // each element, the first cut characters go.
    const QByteArrayList elements = table.split('\r');
    QList<int> read;
    for (int c = 0; c < 16; ++c) {
        const QByteArray element = elements[4 + c];
        QVERIFY2(element.startsWith('\n' + lineStart), element.constData());
        bool ok = false;
        read << element.mid(cut).trimmed().toInt(&ok);
        QVERIFY2(ok, element.constData());
    }
    if (!positions.isEmpty()) {
        QCOMPARE(read, positions);
    } else {
        for (int c = 0; c < 16; ++c)
            QCOMPARE(read.count(read[c]), 1);
    }
    QCOMPARE(line.readFor(100), QByteArray());
}

void TestSim::versionReply_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QByteArray>("replyStart");

    QTest::newRow("default VER") << QStringList{} << QByteArray("VER\r") << QByteArray("Version ");
    QTest::newRow("whole line replaced")
        << QStringList{QStringLiteral("--version"), QStringLiteral("Versio")} << QByteArray("VER\r")
        << QByteArray("Versio\r\n");
    QTest::newRow("text with blanks")
        << QStringList{QStringLiteral("--version"), QStringLiteral("Version 9.9 beta")}
        << QByteArray("VER\r") << QByteArray("Version 9.9 beta\r\n");
    QTest::newRow("handshake ver") << QStringList{} << QByteArray("ver\r\n") << QByteArray();
}

void TestSim::versionReply() {
    QFETCH(QStringList, args);
    QFETCH(QByteArray, command);
    QFETCH(QByteArray, replyStart);

    Sim sim;
    const QString error = sim.start(args);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    Line line;
    QVERIFY(line.open(sim.linkPath()));
    QVERIFY(line.send(command));
    const QByteArray reply = line.readLine();
    QVERIFY2(reply.startsWith(replyStart), reply.constData());
    QVERIFY2(reply.size() > 2 && reply.endsWith("\r\n"), reply.constData());
    QCOMPARE(line.readFor(100), QByteArray());
}

void TestSim::fault_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("early");
    QTest::addColumn<int>("later");

    QTest::newRow("no fault") << QStringList{} << 0 << 0;
    QTest::newRow("fault for ever")
        << QStringList{QStringLiteral("--fault"), QStringLiteral("7")} << 7 << 7;
    QTest::newRow("fault for 300 ms")
        << QStringList{QStringLiteral("--fault"), QStringLiteral("3:300")} << 3 << 0;
}

void TestSim::fault() {
    QFETCH(QStringList, args);
    QFETCH(int, early);
    QFETCH(int, later);

    Sim sim;
    const QString error = sim.start(args);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    Line line;
    QVERIFY(line.open(sim.linkPath()));

    const qint64 firstSent = steadyUs();
    QVERIFY(line.send("GFS\r"));
    const QByteArray earlyReply = QByteArray::number(early) + "\r\n";
    QCOMPARE(line.readLine(), earlyReply);
    const qint64 firstAnswered = steadyUs();

    // The second query reached the device before its answer reached us; if that is within
    // 300 ms of the first send, the fault window cannot have closed.
    QVERIFY(line.send("GFS\r"));
    const QByteArray second = line.readLine();
    QVERIFY2(number(second), second.constData());
    if (steadyUs() - firstSent < 300'000)
        QCOMPARE(second, earlyReply);

    // The window opened before the first answer came back, so it has surely closed 600 ms later.
    QThread::usleep(std::max<qint64>(0, firstAnswered + 600'000 - steadyUs()));
    QVERIFY(line.send("GFS\r"));
    QCOMPARE(line.readLine(), QByteArray::number(later) + "\r\n");
}

void TestSim::garbageReplies() {
    Sim sim;
    const QString error = sim.start({QStringLiteral("--garbage")});
    QVERIFY2(error.isEmpty(), qPrintable(error));
    Line line;
    QVERIFY(line.open(sim.linkPath()));

    for (const char *command : {"POS\r", "GFS\r"}) {
        QVERIFY(line.send(command));
        const QByteArray reply = line.readLine();
        QVERIFY2(reply.endsWith("\r\n") && reply.size() > 2, reply.constData());
        QVERIFY2(!number(reply), reply.constData());
    }
    QVERIFY(line.send("VER\r"));
    QVERIFY(line.readLine().startsWith("Version "));
}

void TestSim::silent() {
    Sim sim;
    const QString error = sim.start({QStringLiteral("--silent")});
    QVERIFY2(error.isEmpty(), qPrintable(error));
    Line line;
    QVERIFY(line.open(sim.linkPath()));
    QVERIFY(line.send("ver\r\nGPROGSEQ\r\nVER\rGFS\rPOS\r"));
    // The trace shows the device took all of it, so the silence is its own doing.
    QCOMPARE(sim.traceLines(5).size(), 5);
    QCOMPARE(line.readFor(300), QByteArray());
}

void TestSim::lateReplies() {
    Sim sim;
    const QString error = sim.start({QStringLiteral("--late"), QStringLiteral("300")});
    QVERIFY2(error.isEmpty(), qPrintable(error));
    Line line;
    QVERIFY(line.open(sim.linkPath()));

    const qint64 sent = steadyUs();
    QVERIFY(line.send("VER\r"));
    QThread::msleep(50);
    // Sent while the first reply is still being held back: the device keeps listening.
    QVERIFY(line.send("POS\r"));
    const QByteArray first = line.readLine();
    const qint64 firstAt = steadyUs();
    QVERIFY2(first.startsWith("Version "), first.constData());
    QVERIFY(firstAt - sent >= 300'000);
    QCOMPARE(line.readLine(), QByteArray("0\r\n"));
    QCOMPARE(sim.traceLines(2).size(), 2);
}

void TestSim::trace() {
    Sim sim;
    const QString error = sim.start({});
    QVERIFY2(error.isEmpty(), qPrintable(error));
    Line line;
    QVERIFY(line.open(sim.linkPath()));

    // Each write, the trace lines it has to produce, and the time before it went out.
    struct Step {
        QByteArray bytes;
        int replyLines;
        QByteArrayList expected;
    };
    const QList<Step> steps{
        {"ver\r\n", 1, {"ver\\r\\n"}},
        {"GPROGSEQ\r\n", 20, {"GPROGSEQ\\r\\n"}},
        {"LA-5\rM\r", 0, {"LA-5\\r", "M\\r"}},
        // One command in two writes: complete only with its CR.
        {"PO", 0, {}},
        {"S\r", 1, {"POS\\r"}},
        {"x\\y\x01\x7f\xe9\r", 0, {"x\\\\y\\x01\\x7F\\xE9\\r"}},
        {"VER\r", 1, {"VER\\r"}},
    };
    QByteArrayList expected;
    QList<qint64> earliest;
    for (const Step &step : steps) {
        QThread::msleep(20);
        const qint64 before = steadyUs();
        QVERIFY(line.send(step.bytes));
        if (step.replyLines > 0)
            QCOMPARE(line.readLines(step.replyLines).count("\r\n"), step.replyLines);
        expected += step.expected;
        for (qsizetype i = 0; i < step.expected.size(); ++i)
            earliest << before;
    }

    const QByteArrayList lines = sim.traceLines(expected.size());
    const qint64 readAt = steadyUs();
    QCOMPARE(lines.size(), expected.size());
    qint64 previous = 0;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const qsizetype blank = lines[i].indexOf(' ');
        QVERIFY2(blank > 0, lines[i].constData());
        QCOMPARE(lines[i].mid(blank + 1), expected[i]);
        bool ok = false;
        const qint64 t = lines[i].left(blank).toLongLong(&ok);
        QVERIFY2(ok, lines[i].constData());
        // Same clock as ours: not before the command was complete, not after we looked.
        QVERIFY2(t >= earliest[i] && t <= readAt, lines[i].constData());
        QVERIFY(t >= previous);
        previous = t;
    }
}

void TestSim::motor_data() {
    QTest::addColumn<int>("speed");
    QTest::addColumn<int>("target");

    QTest::newRow("instant") << 0 << 1234;
    QTest::newRow("instant, negative") << 0 << -4321;
    // At 1000 units per second these moves take 30 s, far longer than the test looks.
    QTest::newRow("slow") << 1000 << 30000;
    QTest::newRow("slow, negative") << 1000 << -30000;
}

void TestSim::motor() {
    QFETCH(int, speed);
    QFETCH(int, target);

    Sim sim;
    const QString error = sim.start({QStringLiteral("--speed"), QString::number(speed)});
    QVERIFY2(error.isEmpty(), qPrintable(error));
    Line line;
    QVERIFY(line.open(sim.linkPath()));

    QVERIFY(line.send("POS\r"));
    QCOMPARE(line.readLine(), QByteArray("0\r\n"));
    QVERIFY(line.send("LA" + QByteArray::number(target) + '\r'));
    QVERIFY(line.send("POS\r"));
    // LA alone does not move.
    QCOMPARE(line.readLine(), QByteArray("0\r\n"));

    const qint64 moveSent = steadyUs();
    QVERIFY(line.send("M\r"));
    QThread::msleep(100);
    QVERIFY(line.send("POS\r"));
    const std::optional<int> first = number(line.readLine());
    const qint64 firstAt = steadyUs();
    QVERIFY(first);
    if (speed == 0) {
        QCOMPARE(*first, target);
        return;
    }
    const int direction = target > 0 ? 1 : -1;
    const qint64 mostTravelled = (firstAt - moveSent) * speed / 1'000'000 + 1;
    QVERIFY2(qAbs(*first - target) > 1, QByteArray::number(*first).constData());
    QVERIFY2(*first * direction >= 0 && *first * direction <= mostTravelled,
             QByteArray::number(*first).constData());

    QThread::msleep(200);
    QVERIFY(line.send("POS\r"));
    const std::optional<int> second = number(line.readLine());
    QVERIFY(second);
    QVERIFY2(*second * direction > *first * direction, QByteArray::number(*second).constData());
    QVERIFY(qAbs(*second - target) > 1);
}

void TestSim::zeroRelativeMoveHalts() {
    Sim sim;
    const QString error = sim.start({QStringLiteral("--speed"), QStringLiteral("1000")});
    QVERIFY2(error.isEmpty(), qPrintable(error));
    Line line;
    QVERIFY(line.open(sim.linkPath()));

    QVERIFY(line.send("LA30000\rM\r"));
    QThread::msleep(100);
    QVERIFY(line.send("LR0\rM\rPOS\r"));
    const QByteArray stopped = line.readLine();
    const std::optional<int> at = number(stopped);
    // 0 is possible: a busy device may have read the move and the stop together.
    QVERIFY2(at && *at >= 0 && *at < 30000, stopped.constData());
    QThread::msleep(200);
    QVERIFY(line.send("POS\r"));
    QCOMPARE(line.readLine(), stopped);
}

void TestSim::unplug() {
    Sim sim;
    const QString error = sim.start({QStringLiteral("--unplug-after"), QStringLiteral("2")});
    QVERIFY2(error.isEmpty(), qPrintable(error));
    Line line;
    QVERIFY(line.open(sim.linkPath()));

    QVERIFY(line.send("VER\r"));
    QVERIFY(line.readLine().startsWith("Version "));
    QVERIFY(linkExists(sim.linkPath()));
    QVERIFY(line.send("GFS\r"));
    // The answer to the last command still gets through before the cable goes.
    QCOMPARE(line.readLine(), QByteArray("0\r\n"));

    QVERIFY(sim.process().waitForFinished(kDeadlineMs));
    QCOMPARE(sim.process().exitStatus(), QProcess::NormalExit);
    QCOMPARE(sim.process().exitCode(), 0);
    QVERIFY(!linkExists(sim.linkPath()));
    // Like a pulled USB adapter: the open port fails.
    errno = 0;
    QCOMPARE(::write(line.fd(), "POS\r", 4), ssize_t(-1));
    QCOMPARE(errno, EIO);
    QCOMPARE(sim.traceLines(2).size(), 2);
}

void TestSim::stopSignal_data() {
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGINT") << int(SIGINT);
}

void TestSim::stopSignal() {
    QFETCH(int, signalNumber);

    Sim sim;
    // A link left behind by a simulator that was killed: replaced, not an error.
    QVERIFY(QFile::link(QStringLiteral("/nonexistent/pts/99"), sim.linkPath()));
    const QString error = sim.start({});
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QCOMPARE(QFileInfo(sim.linkPath()).symLinkTarget(), sim.device());
    {
        // A port the program holds open must not keep the simulator alive.
        Line line;
        QVERIFY(line.open(sim.linkPath()));
        QVERIFY(::kill(pid_t(sim.process().processId()), signalNumber) == 0);
        QVERIFY(sim.process().waitForFinished(kDeadlineMs));
    }
    QCOMPARE(sim.process().exitStatus(), QProcess::NormalExit);
    QCOMPARE(sim.process().exitCode(), 0);
    QVERIFY(!linkExists(sim.linkPath()));
}

void TestSim::badOptions_data() {
    QTest::addColumn<QStringList>("args");
    const QString link = QStringLiteral("--link=qmx");
    QTest::newRow("no link") << QStringList{QStringLiteral("--speed"), QStringLiteral("5")};
    QTest::newRow("unknown option") << QStringList{link, QStringLiteral("--fast")};
    QTest::newRow("stray argument") << QStringList{link, QStringLiteral("fast")};
    QTest::newRow("format") << QStringList{link, QStringLiteral("--format"), QStringLiteral("B")};
    QTest::newRow("15 positions") << QStringList{link, QStringLiteral("--positions"),
                                                 QStringLiteral("1,2,3,4,5,6,7,8,9,10,11,12,13,"
                                                                "14,15")};
    QTest::newRow("position beyond 16 bits")
        << QStringList{link, QStringLiteral("--positions"),
                       QStringLiteral("1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,32768")};
    QTest::newRow("negative speed")
        << QStringList{link, QStringLiteral("--speed"), QStringLiteral("-1")};
    QTest::newRow("fault text") << QStringList{link, QStringLiteral("--fault"),
                                               QStringLiteral("x")};
    QTest::newRow("fault time text")
        << QStringList{link, QStringLiteral("--fault"), QStringLiteral("3:soon")};
    QTest::newRow("late text") << QStringList{link, QStringLiteral("--late"), QStringLiteral("1s")};
    QTest::newRow("unplug after 0")
        << QStringList{link, QStringLiteral("--unplug-after"), QStringLiteral("0")};
    QTest::newRow("missing value") << QStringList{link, QStringLiteral("--trace")};
    QTest::newRow("flag with value") << QStringList{link, QStringLiteral("--silent=yes")};
}

void TestSim::badOptions() {
    QFETCH(QStringList, args);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QProcess process;
    process.setWorkingDirectory(dir.path());
    process.start(simulatorPath(), args);
    QVERIFY(process.waitForFinished(kDeadlineMs));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 2);
    QVERIFY(!process.readAllStandardError().isEmpty());
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot),
             QStringList());
}

void TestSim::help() {
    QProcess process;
    process.start(simulatorPath(), {QStringLiteral("--help")});
    QVERIFY(process.waitForFinished(kDeadlineMs));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 0);
    const QByteArray text = process.readAllStandardOutput();
    for (const char *option :
         {"--link", "--format", "--positions", "--speed", "--fault", "--late", "--garbage",
          "--silent", "--version", "--unplug-after", "--trace", "--help"})
        QVERIFY2(text.contains(option), option);
}

QTEST_GUILESS_MAIN(TestSim)
#include "tst_sim.moc"
