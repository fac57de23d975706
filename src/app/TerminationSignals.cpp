#include "app/TerminationSignals.h"

#include <QSocketNotifier>

#include <atomic>
#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <unistd.h>

namespace {

int pipeFds[2] = {-1, -1};
std::atomic<int> signalCount{0};
std::atomic<int> lastNumber{0};
std::atomic<int> forceLimit{2};

void onSignal(int number)
{
    const int savedErrno = errno;
    lastNumber.store(number);
    const int n = signalCount.fetch_add(1) + 1;
    if (n > forceLimit.load())
        _exit(128 + number);
    const char byte = char(number);
    // A full pipe already holds enough news; the byte may be dropped.
    [[maybe_unused]] const ssize_t written = ::write(pipeFds[1], &byte, 1);
    errno = savedErrno;
}

bool openPipe()
{
    if (pipeFds[0] >= 0)
        return true;
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    pipeFds[0] = fds[0];
    pipeFds[1] = fds[1];
    return true;
}

} // namespace

void TerminationSignals::install(int forceAfter)
{
    // A program started in the background of a script finds SIGINT ignored, so that the
    // terminal's Ctrl+C is left to the script; that stays so, also against a library's handler.
    static const bool interruptIgnored = [] {
        struct sigaction current = {};
        return sigaction(SIGINT, nullptr, &current) == 0 && current.sa_handler == SIG_IGN;
    }();
    forceLimit.store(forceAfter);
    if (!openPipe())
        return; // without the pipe the signals keep their default action: they end the process
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    if (interruptIgnored)
        action.sa_handler = SIG_IGN;
    sigaction(SIGINT, &action, nullptr);
}

int TerminationSignals::count()
{
    return signalCount.load();
}

int TerminationSignals::lastSignal()
{
    return lastNumber.load();
}

TerminationSignals::TerminationSignals(QObject *parent) : QObject(parent)
{
    if (!openPipe())
        return;
    m_notifier = new QSocketNotifier(pipeFds[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationSignals::readPipe);
}

TerminationSignals::~TerminationSignals() = default;

void TerminationSignals::readPipe()
{
    char bytes[16];
    ssize_t n;
    while ((n = ::read(pipeFds[0], bytes, sizeof bytes)) > 0) {
        for (ssize_t i = 0; i < n; ++i)
            emit received(int(bytes[i]));
    }
}
