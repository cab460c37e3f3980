#include "platform/stopsignals.h"

#include <QSocketNotifier>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {
constexpr int kStopSignals[] = {SIGTERM, SIGINT, SIGHUP};
// The handler only writes the signal's number into this pipe; the event loop reads it.
int g_pipe[2] = {-1, -1};

extern "C" void onStopSignal(int signal) {
    const int saved = errno;
    const auto number = static_cast<unsigned char>(signal);
    // A full pipe already holds a request.
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &number, 1);
    errno = saved;
}

void handleStopSignals(void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : kStopSignals)
        sigaction(signal, &action, nullptr);
}
} // namespace

StopSignals::StopSignals(QObject *parent)
    : QObject(parent) {
    if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        qWarning("Stop signals end the program at once: no pipe for them");
        return;
    }
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &StopSignals::readSignals);
    handleStopSignals(onStopSignal);
}

StopSignals::~StopSignals() {
    if (!m_notifier)
        return;
    handleStopSignals(SIG_DFL);
    for (int &end : g_pipe) {
        ::close(end);
        end = -1;
    }
}

void StopSignals::readSignals() {
    unsigned char number = 0;
    while (::read(g_pipe[0], &number, 1) == 1)
        emit stopRequested(number);
}
#else
StopSignals::StopSignals(QObject *parent)
    : QObject(parent) {}

StopSignals::~StopSignals() = default;

void StopSignals::readSignals() {}
#endif
