// qmx7700-sim: a stand-in QMX-7700 on a pseudo-terminal, so the program and its tests can run
// against "the device" without the hardware. Plain C++17 and POSIX on purpose: it must not
// share code (or mistakes) with the program it checks.

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cinttypes>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr int kChannels = 16;
constexpr long long kMaxFault = 32767;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
constexpr const char *kProgram = "qmx7700-sim";

// After the last command before an unplug, how long its reply may sit unread before the cable
// is pulled anyway (the program may have closed the port).
constexpr std::int64_t kUnplugGraceUs = 2'000'000;
// Bytes written to the master reach the slave's input queue a moment later; an empty queue
// counts as "read by the program" only after this long.
constexpr std::int64_t kUnplugSettleUs = 50'000;
constexpr int kUnplugTickMs = 10;
// Noise comes at the line's full rate, 9600 baud at 10 bits a byte, in small bursts.
constexpr long long kLineBytesPerSecond = 960;
constexpr int kNoiseTickMs = 10;
const std::string kNoise = "noise\r\n";

using Micros = std::int64_t;

Micros monotonicUs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return Micros(ts.tv_sec) * 1'000'000 + ts.tv_nsec / 1000;
}

const char kHelp[] =
    "Usage: qmx7700-sim --link PATH [options]\n"
    "\n"
    "Simulates a QMX-7700 fibre-optic multiplexer on a pseudo-terminal. PATH becomes a symlink\n"
    "to the terminal; point the program's serial port at it.\n"
    "\n"
    "  --link PATH          symlink to create for the terminal (required; a stale symlink\n"
    "                       there is replaced, the link is removed on exit)\n"
    "  --format H|A         position lines of the GPROGSEQ table: \"H01 1200\" (H, default)\n"
    "                       or \"A 1200\" (A)\n"
    "  --positions LIST     the 16 stored channel positions, comma-separated signed 16-bit\n"
    "                       integers (default 1000,2000,...,16000)\n"
    "  --speed N            motor speed in position units per second (default 20000);\n"
    "                       0 makes moves instantaneous\n"
    "  --fault N[:MS]       GFS answers N (0 to 32767) from the first GFS on, for MS\n"
    "                       milliseconds, then 0 (without :MS: for ever)\n"
    "  --malformed-fault    let --fault take any whole number, for a GFS reply that\n"
    "                       breaks the protocol (too long, or not an Integer)\n"
    "  --late MS            send every reply MS milliseconds after its command arrived\n"
    "  --garbage            answer POS and GFS with text that is not a number\n"
    "  --garbage-table      GPROGSEQ position lines hold text that is not a number\n"
    "  --silent             never reply\n"
    "  --version TEXT       the whole reply line to VER (default \"Version 2.10\")\n"
    "  --unplug-after N     after the N-th command (and its reply): close the terminal,\n"
    "                       remove the link and exit 0, like an unplugged USB adapter\n"
    "  --noise-after N:MS   after the N-th command, send noise at the line's full rate\n"
    "                       (960 bytes a second) for MS milliseconds, between replies;\n"
    "                       what the terminal cannot take is lost, as on a line\n"
    "  --trace FILE         append \"<t> <command>\" per received command; t is\n"
    "                       CLOCK_MONOTONIC in microseconds, the command is escaped\n"
    "                       (\\r \\n \\\\ \\xHH) and includes its terminator\n"
    "  --help               show this text\n"
    "\n"
    "Only a line set to 9600 baud, 8 data bits, no parity, 1 stop bit and no flow control is\n"
    "understood; on any other, commands are traced but neither answered nor acted on.\n"
    "\n"
    "Prints \"ready <terminal>\" when serving. SIGTERM or SIGINT: removes the link, exits 0.\n"
    "Exit status: 0 normal, 1 runtime failure, 2 bad options.\n";

struct Options {
    std::string link;
    char format = 'H';
    std::array<int, kChannels> positions{};
    long long speed = 20000;
    std::optional<long long> fault;
    std::optional<long long> faultMs; // unset: the fault never clears
    bool malformedFault = false;
    long long lateMs = 0;
    bool garbage = false;
    bool garbageTable = false;
    bool silent = false;
    std::string versionLine = "Version 2.10";
    long long unplugAfter = 0; // 0: never
    long long noiseAfter = 0;  // 0: never
    long long noiseMs = 0;
    std::string trace;
};

[[noreturn]] void usageError(const std::string &message) {
    std::fprintf(stderr, "%s: %s\nTry '%s --help'.\n", kProgram, message.c_str(), kProgram);
    std::exit(kExitUsage);
}

// Whole-string decimal with optional sign; strtoll alone would accept blanks and trailing junk.
bool parseInteger(const std::string &text, long long min, long long max, long long &out) {
    std::size_t digits = (!text.empty() && (text[0] == '-' || text[0] == '+')) ? 1 : 0;
    if (digits == text.size())
        return false;
    for (std::size_t i = digits; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
    }
    errno = 0;
    const long long value = std::strtoll(text.c_str(), nullptr, 10);
    if (errno == ERANGE || value < min || value > max)
        return false;
    out = value;
    return true;
}

long long integerOption(const std::string &name, const std::string &text, long long min,
                        long long max) {
    long long value = 0;
    if (!parseInteger(text, min, max, value)) {
        usageError("invalid value for " + name + ": '" + text + "' (expected an integer from " +
                   std::to_string(min) + " to " + std::to_string(max) + ")");
    }
    return value;
}

std::vector<std::string> split(const std::string &text, char separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end - start));
        if (end == std::string::npos)
            return parts;
        start = end + 1;
    }
}

Options parseOptions(int argc, char **argv) {
    Options o;
    for (int i = 0; i < kChannels; ++i)
        o.positions[i] = (i + 1) * 1000;

    bool haveLink = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg.rfind("--", 0) != 0 || arg == "--")
            usageError("unexpected argument '" + arg + "'");
        std::optional<std::string> inlineValue;
        if (const std::size_t eq = arg.find('='); eq != std::string::npos) {
            inlineValue = arg.substr(eq + 1);
            arg.erase(eq);
        }
        auto flag = [&] {
            if (inlineValue)
                usageError(arg + " takes no value");
        };
        auto value = [&]() -> std::string {
            if (inlineValue)
                return *inlineValue;
            if (i + 1 >= argc)
                usageError(arg + " needs a value");
            return argv[++i];
        };

        if (arg == "--help") {
            flag();
            std::fputs(kHelp, stdout);
            std::exit(0);
        } else if (arg == "--link") {
            o.link = value();
            if (o.link.empty())
                usageError("--link needs a path");
            haveLink = true;
        } else if (arg == "--format") {
            const std::string f = value();
            if (f != "H" && f != "A")
                usageError("--format must be H or A, not '" + f + "'");
            o.format = f[0];
        } else if (arg == "--positions") {
            const std::string list = value();
            const std::vector<std::string> parts = split(list, ',');
            if (parts.size() != std::size_t(kChannels)) {
                usageError("--positions needs " + std::to_string(kChannels) + " values, got " +
                           std::to_string(parts.size()));
            }
            for (int c = 0; c < kChannels; ++c)
                o.positions[c] = int(integerOption("--positions", parts[c], -32768, 32767));
        } else if (arg == "--speed") {
            o.speed = integerOption(arg, value(), 0, 1'000'000'000);
        } else if (arg == "--fault") {
            const std::string faultText = value();
            const std::size_t colon = faultText.find(':');
            o.fault = integerOption(arg, faultText.substr(0, colon), LLONG_MIN, LLONG_MAX);
            o.faultMs.reset();
            if (colon != std::string::npos)
                o.faultMs = integerOption(arg, faultText.substr(colon + 1), 0, INT_MAX);
        } else if (arg == "--late") {
            o.lateMs = integerOption(arg, value(), 0, INT_MAX);
        } else if (arg == "--malformed-fault") {
            flag();
            o.malformedFault = true;
        } else if (arg == "--garbage") {
            flag();
            o.garbage = true;
        } else if (arg == "--garbage-table") {
            flag();
            o.garbageTable = true;
        } else if (arg == "--silent") {
            flag();
            o.silent = true;
        } else if (arg == "--version") {
            o.versionLine = value();
        } else if (arg == "--unplug-after") {
            o.unplugAfter = integerOption(arg, value(), 1, LLONG_MAX);
        } else if (arg == "--noise-after") {
            const std::string noise = value();
            const std::size_t colon = noise.find(':');
            if (colon == std::string::npos)
                usageError("--noise-after needs N:MS");
            o.noiseAfter = integerOption(arg, noise.substr(0, colon), 1, LLONG_MAX);
            o.noiseMs = integerOption(arg, noise.substr(colon + 1), 0, INT_MAX);
        } else if (arg == "--trace") {
            o.trace = value();
            if (o.trace.empty())
                usageError("--trace needs a file name");
        } else {
            usageError("unknown option '" + arg + "'");
        }
    }
    if (!haveLink)
        usageError("--link PATH is required");
    // The reply to GFS is an Integer of at most 6 characters; anything else only on purpose.
    if (o.fault && !o.malformedFault && (*o.fault < 0 || *o.fault > kMaxFault)) {
        usageError("invalid value for --fault: " + std::to_string(*o.fault) + " (expected 0 to " +
                   std::to_string(kMaxFault) +
                   ", or --malformed-fault for a reply that breaks the protocol)");
    }
    return o;
}

// The device itself: stored positions, the fault register and the motor. Knows nothing of
// terminals or time sources; the loop hands it the arrival time of each command.
class Device {
public:
    explicit Device(const Options &options)
        : m_options(options) {}

    // text is the command without its terminator, crlf whether an LF followed its CR; returns
    // the reply, empty for none.
    std::string handle(const std::string &text, bool crlf, Micros now) {
        // The handshake commands end in CR LF and all others in CR alone; a command with the
        // other terminator is not understood, so a program that sends it hears nothing.
        if (crlf != (text == "ver" || text == "GPROGSEQ"))
            return {};
        if (text == "ver")
            return "QMX-7700\r\n";
        if (text == "GPROGSEQ")
            return programSequence();
        if (text == "VER")
            return m_options.versionLine + "\r\n";
        if (text == "GFS") {
            // The fault clock starts on the first query even when the answer is garbled.
            const long long fault = faultAt(now);
            return m_options.garbage ? garbageLine() : std::to_string(fault) + "\r\n";
        }
        if (text == "POS")
            return m_options.garbage ? garbageLine() : std::to_string(positionAt(now)) + "\r\n";
        if (text == "M") {
            m_from = positionAt(now);
            m_to = m_target;
            m_start = now;
            return {};
        }
        long long value = 0;
        if (text.rfind("LA", 0) == 0 && parseInteger(text.substr(2), INT_MIN, INT_MAX, value)) {
            m_target = value;
        } else if (text.rfind("LR", 0) == 0 &&
                   parseInteger(text.substr(2), INT_MIN, INT_MAX, value)) {
            // Relative to the commanded position, not to where the motor is on its way: "LR0"
            // "M" goes on to the target instead of stopping short of it.
            m_target += value;
        }
        return {};
    }

private:
    static std::string garbageLine() { return "#?x\r\n"; }

    std::string programSequence() const {
        std::string table = "GPROGSEQ\r\nQMX-7700\r\n16 channels\r\npositions\r\n";
        for (int c = 0; c < kChannels; ++c) {
            char prefix[8];
            if (m_options.format == 'H')
                std::snprintf(prefix, sizeof prefix, "H%02d ", c + 1);
            else
                std::snprintf(prefix, sizeof prefix, "A ");
            const std::string position = m_options.garbageTable
                                             ? std::string("#?x")
                                             : std::to_string(m_options.positions[c]);
            table += prefix + position + "\r\n";
        }
        return table;
    }

    long long faultAt(Micros now) {
        if (!m_options.fault)
            return 0;
        if (!m_faultSince)
            m_faultSince = now;
        if (m_options.faultMs && now - *m_faultSince >= *m_options.faultMs * 1000)
            return 0;
        return *m_options.fault;
    }

    // Linear travel from m_from to m_to starting at m_start, truncated toward the start so a
    // slow move never reports the target early.
    long long positionAt(Micros now) const {
        if (m_options.speed == 0 || m_from == m_to)
            return m_to;
        const long long distance = m_to > m_from ? m_to - m_from : m_from - m_to;
        const double travelled = double(now - m_start) * double(m_options.speed) / 1e6;
        if (travelled >= double(distance))
            return m_to;
        const long long step = travelled > 0 ? static_cast<long long>(travelled) : 0;
        return m_to > m_from ? m_from + step : m_from - step;
    }

    const Options &m_options;
    std::optional<Micros> m_faultSince;
    long long m_target = 0;
    long long m_from = 0;
    long long m_to = 0;
    Micros m_start = 0;
};

std::string escapeForTrace(const std::string &bytes) {
    std::string out;
    for (const unsigned char b : bytes) {
        if (b == '\r') {
            out += "\\r";
        } else if (b == '\n') {
            out += "\\n";
        } else if (b == '\\') {
            out += "\\\\";
        } else if (b < 32 || b >= 127) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", b);
            out += hex;
        } else {
            out += char(b);
        }
    }
    return out;
}

volatile sig_atomic_t g_stopSignal = 0;
int g_signalPipe[2] = {-1, -1};

extern "C" void onStopSignal(int signal) {
    g_stopSignal = signal;
    const int saved = errno;
    const char byte = 1;
    // The pipe only wakes poll(); a full pipe already has a wake-up pending.
    [[maybe_unused]] const ssize_t ignored = write(g_signalPipe[1], &byte, 1);
    errno = saved;
}

class Simulator {
public:
    explicit Simulator(const Options &options)
        : m_options(options)
        , m_device(options) {}

    ~Simulator() { shutDown(); }

    Simulator(const Simulator &) = delete;
    Simulator &operator=(const Simulator &) = delete;

    // Returns false (after a message) when the terminal, the link or the trace cannot be set up.
    bool start() {
        if (!m_options.trace.empty()) {
            m_trace =
                open(m_options.trace.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
            if (m_trace < 0)
                return fail("cannot open trace file " + m_options.trace);
        }
        char name[256] = {};
        if (openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0)
            return fail("openpty");
        m_slaveName = name;
        fcntl(m_master, F_SETFD, FD_CLOEXEC);
        fcntl(m_slave, F_SETFD, FD_CLOEXEC);
        if (fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK) != 0)
            return fail("fcntl");

        // No echo and no CR/LF translation: the bytes on the line are the protocol. The speed
        // stays the terminal's own, so a program that does not set the line is not heard.
        termios tio{};
        if (tcgetattr(m_slave, &tio) != 0)
            return fail("tcgetattr");
        cfmakeraw(&tio);
        if (tcsetattr(m_slave, TCSANOW, &tio) != 0)
            return fail("tcsetattr");

        struct stat st {};
        if (lstat(m_options.link.c_str(), &st) == 0) {
            if (!S_ISLNK(st.st_mode)) {
                errno = EEXIST;
                return fail(m_options.link + " exists and is not a symlink");
            }
            if (unlink(m_options.link.c_str()) != 0)
                return fail("cannot remove old link " + m_options.link);
        }
        if (symlink(m_slaveName.c_str(), m_options.link.c_str()) != 0)
            return fail("cannot create link " + m_options.link);
        m_linkMade = true;
        return true;
    }

    // Serves until a stop signal or the unplug; returns the exit status.
    int run() {
        std::printf("ready %s\n", m_slaveName.c_str());
        std::fflush(stdout);

        std::vector<char> chunk(4096);
        while (g_stopSignal == 0) {
            const Micros now = monotonicUs();
            while (!m_late.empty() && m_late.front().due <= now) {
                m_out += m_late.front().bytes;
                m_late.pop_front();
            }
            if (!flushOutput())
                return kExitFailure;
            sendNoise(now);
            if (m_unplugAt && readyToUnplug(now))
                return 0;

            pollfd fds[2] = {{g_signalPipe[0], POLLIN, 0}, {m_master, 0, 0}};
            if (!m_unplugAt)
                fds[1].events |= POLLIN;
            if (!m_out.empty())
                fds[1].events |= POLLOUT;
            const int rc = poll(fds, 2, pollTimeoutMs(now));
            if (rc < 0) {
                if (errno == EINTR)
                    continue;
                fail("poll");
                return kExitFailure;
            }
            if (fds[1].revents & POLLIN) {
                if (!readInput(chunk))
                    return kExitFailure;
            } else if (fds[1].revents & (POLLHUP | POLLERR | POLLNVAL)) {
                // Cannot happen while we hold the slave open; do not spin if it does.
                errno = EIO;
                fail("terminal hung up");
                return kExitFailure;
            }
        }
        return 0;
    }

private:
    struct LateReply {
        Micros due;
        std::string bytes;
    };

    bool fail(const std::string &what) {
        std::fprintf(stderr, "%s: %s: %s\n", kProgram, what.c_str(), std::strerror(errno));
        return false;
    }

    int pollTimeoutMs(Micros now) const {
        if (m_unplugAt)
            return kUnplugTickMs;
        if (m_noiseSince && now < noiseEnd())
            return kNoiseTickMs;
        if (m_late.empty())
            return -1;
        const Micros wait = m_late.front().due - now;
        // Round up: waking early would only loop once more, waking late delays the reply.
        return wait <= 0 ? 0 : int(std::min<Micros>((wait + 999) / 1000, INT_MAX));
    }

    bool flushOutput() {
        while (!m_out.empty()) {
            const ssize_t n = write(m_master, m_out.data(), m_out.size());
            if (n < 0) {
                if (errno == EAGAIN || errno == EINTR)
                    return true;
                return fail("write to terminal");
            }
            m_out.erase(0, std::size_t(n));
            m_lastWrite = monotonicUs();
        }
        return true;
    }

    Micros noiseEnd() const { return *m_noiseSince + m_options.noiseMs * 1000; }

    // Written straight to the terminal, not queued: bytes it cannot take are lost on the line,
    // and none are left over to arrive after the noise has stopped.
    void sendNoise(Micros now) {
        if (!m_noiseSince || !m_out.empty())
            return;
        const Micros until = std::min(now, noiseEnd());
        const long long due = (until - *m_noiseSince) * kLineBytesPerSecond / 1'000'000;
        std::string burst;
        for (; m_noiseSent < due; ++m_noiseSent)
            burst += kNoise[std::size_t(m_noiseSent) % kNoise.size()];
        if (!burst.empty()) [[maybe_unused]]
            const ssize_t lostIfShort = write(m_master, burst.data(), burst.size());
    }

    bool readInput(std::vector<char> &chunk) {
        for (;;) {
            const ssize_t n = read(m_master, chunk.data(), chunk.size());
            if (n < 0) {
                if (errno == EAGAIN || errno == EINTR)
                    break;
                return fail("read from terminal");
            }
            if (n == 0)
                break;
            m_in.append(chunk.data(), std::size_t(n));
        }
        splitCommands();
        return flushOutput();
    }

    void splitCommands() {
        while (!m_unplugAt) {
            // A CR that ended the previous read may have its LF still on the way; the LF still
            // belongs to that terminator, but the command was already handled, so it gets a
            // trace line of its own.
            if (m_lfMayFollow && !m_in.empty()) {
                m_lfMayFollow = false;
                if (m_in[0] == '\n') {
                    m_in.erase(0, 1);
                    traceLine(monotonicUs(), "\n");
                    continue;
                }
            }
            const std::size_t cr = m_in.find('\r');
            if (cr == std::string::npos)
                return;
            std::size_t end = cr + 1;
            if (end < m_in.size() && m_in[end] == '\n')
                ++end;
            else if (end == m_in.size())
                m_lfMayFollow = true;
            const std::string raw = m_in.substr(0, end);
            m_in.erase(0, end);
            handleCommand(raw, raw.substr(0, cr));
        }
    }

    // The line as the program has set the terminal: a device at 9600 baud, 8 data bits, no
    // parity, 1 stop bit and no flow control hears only noise on any other.
    bool lineMatchesDevice() const {
        termios tio{};
        if (tcgetattr(m_slave, &tio) != 0)
            return false;
        const speed_t in = cfgetispeed(&tio);
        return cfgetospeed(&tio) == B9600 && (in == B9600 || in == B0) &&
               (tio.c_cflag & CSIZE) == CS8 && !(tio.c_cflag & (PARENB | CSTOPB | CRTSCTS)) &&
               !(tio.c_iflag & (IXON | IXOFF));
    }

    void handleCommand(const std::string &raw, const std::string &text) {
        const Micros now = monotonicUs();
        traceLine(now, raw);
        const bool crlf = raw.size() >= 2 && raw.compare(raw.size() - 2, 2, "\r\n") == 0;
        const std::string reply = lineMatchesDevice() ? m_device.handle(text, crlf, now) : "";
        if (!reply.empty() && !m_options.silent) {
            if (m_options.lateMs > 0)
                m_late.push_back({now + m_options.lateMs * 1000, reply});
            else
                m_out += reply;
        }
        ++m_commands;
        if (m_commands == m_options.noiseAfter)
            m_noiseSince = now;
        if (m_options.unplugAfter > 0 && m_commands >= m_options.unplugAfter)
            m_unplugAt = now + m_options.lateMs * 1000 + kUnplugGraceUs;
    }

    void traceLine(Micros now, const std::string &raw) {
        if (m_trace < 0)
            return;
        const std::string line = std::to_string(now) + " " + escapeForTrace(raw) + "\n";
        // One write per line, so a reader never sees half a line.
        if (write(m_trace, line.data(), line.size()) != ssize_t(line.size()))
            std::fprintf(stderr, "%s: trace write failed: %s\n", kProgram, std::strerror(errno));
    }

    // The unplug waits until the last reply has been read by the program, so "unplug after N"
    // means the program saw N answers; the hangup would otherwise discard them.
    bool readyToUnplug(Micros now) const {
        if (now >= *m_unplugAt)
            return true;
        if (!m_late.empty() || !m_out.empty() || now - m_lastWrite < kUnplugSettleUs)
            return false;
        int queued = 0;
        return ioctl(m_slave, FIONREAD, &queued) != 0 || queued == 0;
    }

    void shutDown() {
        // Closing the master hangs up the slave: the program's next read or write fails.
        if (m_master >= 0)
            close(m_master);
        if (m_slave >= 0)
            close(m_slave);
        m_master = m_slave = -1;
        if (m_linkMade) {
            // Only our own link: someone may have pointed the path elsewhere meanwhile.
            char target[512];
            const ssize_t n = readlink(m_options.link.c_str(), target, sizeof target - 1);
            if (n >= 0 && std::string(target, std::size_t(n)) == m_slaveName)
                unlink(m_options.link.c_str());
            m_linkMade = false;
        }
        if (m_trace >= 0)
            close(m_trace);
        m_trace = -1;
    }

    const Options &m_options;
    Device m_device;
    int m_master = -1;
    int m_slave = -1;
    int m_trace = -1;
    std::string m_slaveName;
    bool m_linkMade = false;
    std::string m_in;
    std::string m_out;
    std::deque<LateReply> m_late;
    bool m_lfMayFollow = false;
    long long m_commands = 0;
    std::optional<Micros> m_unplugAt;
    Micros m_lastWrite = 0;
    std::optional<Micros> m_noiseSince;
    long long m_noiseSent = 0;
};

bool installSignalHandlers() {
    if (pipe2(g_signalPipe, O_NONBLOCK | O_CLOEXEC) != 0)
        return false;
    struct sigaction sa {};
    sa.sa_handler = onStopSignal;
    sigemptyset(&sa.sa_mask);
    for (const int s : {SIGTERM, SIGINT, SIGHUP}) {
        if (sigaction(s, &sa, nullptr) != 0)
            return false;
    }
    // A reader of our stdout going away must not kill us before the link is removed.
    signal(SIGPIPE, SIG_IGN);
    return true;
}

} // namespace

int main(int argc, char **argv) {
    const Options options = parseOptions(argc, argv);
    if (!installSignalHandlers()) {
        std::fprintf(stderr, "%s: signal setup: %s\n", kProgram, std::strerror(errno));
        return kExitFailure;
    }
    Simulator simulator(options);
    if (!simulator.start())
        return kExitFailure;
    return simulator.run();
}
