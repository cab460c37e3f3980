// How fast the control server answers, in the real program: the application module with its
// windows, the real serial port and clock, qmx7700-sim on a pseudo-terminal, and a client on the
// local socket in a thread of its own (as another program would be).
//  - command: from "ROUT:CLOS n" leaving the client to the "LA" command at the simulator (the
//    time in its trace is CLOCK_MONOTONIC, the clock of steady_clock here), and the program's
//    own share: to the moment the link asks the port to write. Yardstick: the same kind of
//    write made straight through the port.
//  - query: "PROG:STAT?" sent at a random moment of a run's step wait, to its answer at the
//    client. Yardstick: the same query while the program is idle, waiting for events.
//
//   bench_remote [--commands N] [--queries N]
//
// Runs on the display in DISPLAY (xcb), or offscreen without one.
#include "bench/realprogram.h"
#include "bench/simapp.h"
#include "bench/timedport.h"
#include "bench/timing.h"
#include "device/devicelink.h"
#include "program/runner.h"
#include "support/simulator.h"

#include <QApplication>
#include <QEventLoop>
#include <QRandomGenerator>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

namespace {
using bench::loadAverage;
using bench::microseconds;
using bench::msBetween;
using bench::percentile;
using bench::printRow;
using bench::Steady;

[[noreturn]] void fail(const char *what) {
    std::fprintf(stderr, "%s\n", what);
    std::exit(1);
}

// A client on the local socket with plain blocking calls, a line at a time.
class LineClient {
public:
    explicit LineClient(const QString &path) {
        m_fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray name = path.toLocal8Bit();
        std::memcpy(address.sun_path, name.constData(), size_t(name.size()) + 1);
        if (::connect(m_fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0)
            fail("cannot connect to the control socket");
    }
    ~LineClient() { ::close(m_fd); }
    LineClient(const LineClient &) = delete;
    LineClient &operator=(const LineClient &) = delete;

    void send(const QByteArray &line) {
        const QByteArray bytes = line + '\n';
        if (::write(m_fd, bytes.constData(), size_t(bytes.size())) != bytes.size())
            fail("the server took no line");
    }
    QByteArray readLine() {
        qsizetype end;
        while ((end = m_buffer.indexOf('\n')) < 0) {
            char chunk[4096];
            const ssize_t got = ::read(m_fd, chunk, sizeof chunk);
            if (got <= 0)
                fail("the server closed the connection");
            m_buffer.append(chunk, got);
        }
        const QByteArray line = m_buffer.left(end);
        m_buffer.remove(0, end + 1);
        return line;
    }
    QByteArray ask(const QByteArray &line) {
        send(line);
        return readLine();
    }

private:
    int m_fd = -1;
    QByteArray m_buffer;
};

// When the simulator received the first command from trace line `first` on that starts with
// `prefix`.
qint64 tracedAtUs(const Simulator &sim, qsizetype first, const QByteArray &prefix) {
    const Steady::time_point giveUp = Steady::now() + std::chrono::seconds(5);
    while (Steady::now() < giveUp) {
        const QList<Simulator::Command> trace = sim.trace();
        for (qsizetype i = first; i < trace.size(); ++i) {
            if (trace[i].bytes.startsWith(prefix))
                return trace[i].atUs;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    fail("a command did not reach the simulator");
}

// Runs `client` in a thread of its own while this thread serves the program's events.
void serveWhile(const std::function<void()> &client) {
    QEventLoop loop;
    std::thread thread([&] {
        client();
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    thread.join();
}

} // namespace

int main(int argc, char *argv[]) {
    bench::prepareEnvironment(QMX_SIM_PATH);
    QApplication application(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    const int commands = bench::intArgument(args, "--commands", 200, 1);
    const int queries = bench::intArgument(args, "--queries", 400, 1);

    // Channels 1 and 16 lie far apart for the default motor: every switch polls once.
    Simulator sim;
    if (!sim.start())
        fail("the simulator did not start");
    bench::TimedPort *port = nullptr;
    SimApp app(sim.linkPath(), [&port](SettingsStore &store) {
        auto timed = std::make_unique<bench::TimedPort>(store);
        port = timed.get();
        return timed;
    });
    app.module->startUp();
    if (app.instrument().link().statusText() != QLatin1String(DeviceLink::kConnectedText))
        fail("no connection to the simulator");
    const QString socketPath = app.dir.filePath(QStringLiteral("control"));
    const QByteArray loadBefore = loadAverage();

    const auto pause = [] {
        std::this_thread::sleep_for(
            std::chrono::microseconds(QRandomGenerator::global()->bounded(2000, 20000)));
    };
    std::vector<double> command;
    std::vector<double> toWrite;
    serveWhile([&] {
        LineClient client(socketPath);
        for (int i = 0; i < commands; ++i) {
            const qsizetype first = sim.trace().size();
            // At a random moment, as a script's command comes: the windows have painted the
            // last switch.
            pause();
            const QByteArray line = i % 2 == 0 ? "ROUT:CLOS 16" : "ROUT:CLOS 1";
            // The program is idle until the line comes.
            port->writtenAt.clear();
            const Steady::time_point sentAt = Steady::now();
            client.send(line);
            if (client.ask("*OPC?") != "1")
                fail("the switch was not done");
            // The command's first write is its "LA".
            toWrite.push_back(msBetween(sentAt, port->writtenAt.front()));
            command.push_back(double(tracedAtUs(sim, first, "LA") - microseconds(sentAt)) / 1000.0);
        }
    });
    std::vector<double> straight;
    for (int i = 0; i < commands; ++i) {
        const qsizetype first = sim.trace().size();
        pause();
        const Steady::time_point sentAt = Steady::now();
        app.instrument().port().write(QByteArrayLiteral("LR0\r"));
        straight.push_back(double(tracedAtUs(sim, first, "LR0") - microseconds(sentAt)) / 1000.0);
    }

    std::vector<double> idle;
    std::vector<double> inWait;
    const auto askAtRandom = [&](LineClient &client, std::vector<double> &into, int count) {
        for (int i = 0; i < count; ++i) {
            pause();
            const Steady::time_point sentAt = Steady::now();
            const QByteArray state = client.ask("PROG:STAT?");
            into.push_back(msBetween(sentAt, Steady::now()));
            if (&into == &inWait && !state.startsWith("RUNNING,1,1,"))
                fail("the query was not answered during the step's wait");
        }
    };
    // One step with a wait far longer than the queries take: every query meets the wait.
    app.program({QStringLiteral("5 600 s")});
    serveWhile([&] {
        LineClient client(socketPath);
        askAtRandom(client, idle, queries);
        client.send("PROG:RUN ONCE");
        // Answered once the run has begun; the step's channel command comes first.
        while (!client.ask("PROG:STAT?").startsWith("RUNNING,1,1,"))
            ;
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        askAtRandom(client, inWait, queries);
        client.send("PROG:STOP");
        while (client.ask("PROG:STAT?") != "IDLE,0,0,0")
            ;
    });

    std::printf("load average before: %s, after: %s\n\n", loadBefore.constData(),
                loadAverage().constData());
    std::printf("| measure | samples | median ms | p99 ms | target p99 ms | yardstick |\n");
    std::printf("|---|--:|--:|--:|--:|---|\n");
    printRow("ROUT:CLOS from the client to the command at the device", command,
             percentile(straight, 0.99) + 2,
             QStringLiteral("a write straight through the port: median %1, p99 %2 ms")
                 .arg(percentile(straight, 0.5), 0, 'f', 2)
                 .arg(percentile(straight, 0.99), 0, 'f', 2));
    printRow("of which the line to the write asked of the port", toWrite, 2,
             QStringLiteral("the program's own share"));
    printRow("PROG:STAT? during a step's wait, to its answer", inWait, 5,
             QStringLiteral("the same query while idle: median %1, p99 %2 ms")
                 .arg(percentile(idle, 0.5), 0, 'f', 2)
                 .arg(percentile(idle, 0.99), 0, 'f', 2));
    return 0;
}
