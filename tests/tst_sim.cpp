// Drives qmx7700-sim over its pseudo-terminal in real time. Timing checks only assert what
// must hold however slow the machine is: lower bounds from our own send times, upper bounds
// from our own receive times, and generous deadlines for anything that has to arrive.

#include "support/simulator.h"

#include <QFileInfo>
#include <QThread>

#include <chrono>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

// Anything the simulator must produce comes well within this; it is only reached on failure.
constexpr int kDeadlineMs = 10000;

// The clock of the trace timestamps (CLOCK_MONOTONIC).
qint64 nowUs() {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

QStringList args(const char *text) {
    return QString::fromLatin1(text).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

// The replies are the whole lines that come back, without their CR LF. The line is set as
// "<baud> <data bits><parity><stop bits> [xon|rtscts]".
void row(const char *name, const QStringList &options, const QByteArray &sent,
         const QByteArrayList &replies, const char *line = "9600 8N1") {
    QTest::newRow(name) << options << sent << replies << QString::fromLatin1(line);
}

// A running simulator and our end of its line, opened raw through the link as the program does.
struct Line {
    ~Line() { ::close(fd); } // a no-op when never opened
    bool open(const QStringList &options = {}, const QString &line = QStringLiteral("9600 8N1")) {
        if (!sim.start(options))
            return false;
        fd = ::open(QFile::encodeName(sim.linkPath()).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        termios tio{};
        if (fd < 0 || tcgetattr(fd, &tio) != 0)
            return false;
        cfmakeraw(&tio);
        cfsetspeed(&tio, line.startsWith(u"19200") ? B19200 : B9600);
        tio.c_cflag |=
            (line.contains(u"8N2") ? CSTOPB : 0) | (line.contains(u"rtscts") ? CRTSCTS : 0);
        tio.c_iflag |= line.contains(u"xon") ? IXON | IXOFF : 0;
        return tcsetattr(fd, TCSANOW, &tio) == 0;
    }

    bool send(const QByteArray &b) { return ::write(fd, b.constData(), b.size()) == b.size(); }

    // The next count CR LF lines, or all that came (partial lines too) once ms have passed.
    QByteArray lines(int count = 1, int ms = kDeadlineMs) {
        const qint64 until = nowUs() + ms * 1000;
        for (pollfd p{fd, POLLIN, 0}; pending.count("\r\n") < count && nowUs() < until;) {
            char buffer[4096];
            const ssize_t n = ::poll(&p, 1, 10) > 0 ? ::read(fd, buffer, sizeof buffer) : 0;
            pending.append(buffer, std::max<ssize_t>(n, 0));
        }
        qsizetype end = 0;
        for (int i = 0; i < count && end < pending.size(); ++i) {
            const qsizetype at = pending.indexOf("\r\n", end);
            end = at < 0 ? pending.size() : at + 2;
        }
        const QByteArray taken = pending.left(end);
        pending.remove(0, end);
        return taken;
    }

    Simulator sim;
    int fd = -1;
    QByteArray pending;
};

} // namespace

class TestSim : public QObject {
    Q_OBJECT

private slots:
    void replies_data() {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<QByteArrayList>("replies");
        QTest::addColumn<QString>("lineSettings");

        row("fault for ever", args("--fault 7"), "GFS\rGFS\r", {"7", "7"});
        // Each command with the other terminator: a stand-in must not hide that fault.
        row("wrong terminators", {}, "ver\rGPROGSEQ\rVER\r\nGFS\r\nPOS\r\nLA5\r\nM\r\nPOS\r",
            {"0"});
        row("silent", args("--silent"), "ver\r\nGPROGSEQ\r\nVER\rGFS\rPOS\r", {});
        // LA alone does not move; M gets there at once.
        row("instant motor", args("--speed 0"), "LA1234\rPOS\rM\rPOS\rLA-4321\rM\rPOS\r",
            {"0", "1234", "-4321"});
        // A device at 9600 8N1 hears only noise on any other line. (A pseudo-terminal keeps 8
        // data bits without parity whatever it is asked.)
        for (const char *wrong : {"19200 8N1", "9600 8N2", "9600 8N1 rtscts", "9600 8N1 xon"})
            row(wrong, {}, "VER\rGFS\r", {}, wrong);
    }

    void replies() {
        QFETCH(QStringList, options);
        QFETCH(QByteArray, sent);
        QFETCH(QByteArrayList, replies);
        QFETCH(QString, lineSettings);
        Line line;
        QVERIFY(line.open(options, lineSettings));
        QVERIFY(line.send(sent));
        for (const QByteArray &reply : replies)
            QCOMPARE(line.lines(), reply + "\r\n");
        // Nothing more, once the trace shows the device has taken every command.
        QTRY_COMPARE_WITH_TIMEOUT(line.sim.trace().size(), sent.count('\r'), kDeadlineMs);
        QCOMPARE(line.lines(1000, 200), QByteArray());
    }

    void late() {
        Line line;
        QVERIFY(line.open(args("--late 300")));
        const qint64 verSent = nowUs();
        QVERIFY(line.send("VER\r"));
        QThread::msleep(50);
        // Each reply is held back from its own command, not just the first.
        const qint64 posSent = nowUs();
        QVERIFY(line.send("POS\r"));
        QVERIFY(line.lines().startsWith("Version ") && nowUs() - verSent >= 300'000);
        QVERIFY(line.lines() == "0\r\n" && nowUs() - posSent >= 300'000);
    }

    // At 100 units per second the move takes 300 s, far longer than the test looks.
    void slowMotor() {
        const int target = -30000;
        Line line;
        QVERIFY(line.open(args("--speed 100")));
        const qint64 moveSent = nowUs();
        QVERIFY(line.send("LA" + QByteArray::number(target) + "\rM\r"));
        QList<int> seen; // distance travelled towards the target
        for (const char *command : {"POS\r", "POS\r", "LR0\rM\rPOS\r", "POS\r"}) {
            QThread::msleep(100);
            QVERIFY(line.send(command));
            const QByteArray reply = line.lines();
            bool ok = false;
            seen << -reply.trimmed().toInt(&ok);
            // Never beyond what 100 units per second allow, never within 1 of the target.
            QVERIFY2(ok && seen.last() >= 0 && seen.last() <= (nowUs() - moveSent) / 10'000 + 1 &&
                         -target - seen.last() > 1,
                     reply.constData());
        }
        QVERIFY(seen[1] > seen[0]);
        // LR0 then M, as the program ends a channel command: the motor goes on to its target.
        QVERIFY(seen[3] > seen[2]);
    }

    void linkRemoved_data() {
        QTest::addColumn<bool>("unplug");
        QTest::newRow("--unplug-after") << true;
        QTest::newRow("SIGTERM") << false;
    }

    void linkRemoved() {
        QFETCH(bool, unplug);
        Line line;
        // A link left behind by a killed simulator is replaced, not an error.
        QVERIFY(QFile::link(QStringLiteral("/nonexistent/pts/99"), line.sim.linkPath()));
        QVERIFY(line.open(unplug ? args("--unplug-after 2") : QStringList{}));
        if (unplug) {
            QVERIFY(line.send("VER\rGFS\r"));
            // The answer to the last command still gets through before the cable goes.
            const QByteArray replies = line.lines(2);
            QVERIFY2(replies.startsWith("Version ") && replies.endsWith("\r\n0\r\n"), replies);
            QVERIFY(line.sim.waitForExit(kDeadlineMs));
        } else {
            line.sim.stop(); // SIGTERM; the port we hold open must not keep it alive
        }
        QVERIFY(!line.sim.running());
        QCOMPARE(line.sim.exitCode(), 0);
        QVERIFY(!QFileInfo(line.sim.linkPath()).isSymLink());
        // Like a pulled USB adapter: the port still held open fails.
        errno = 0;
        QCOMPARE(::write(line.fd, "POS\r", 4), ssize_t(-1));
        QCOMPARE(errno, EIO);
    }
};

QTEST_GUILESS_MAIN(TestSim)
#include "tst_sim.moc"
