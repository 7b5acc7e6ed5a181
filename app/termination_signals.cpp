#include "app/termination_signals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int kHandledSignals[] = { SIGTERM, SIGINT, SIGHUP };

// The pipe is process-wide, like the handler that writes into it.
int g_pipe[2] = { -1, -1 };
volatile sig_atomic_t g_received = 0;

void onTerminationSignal(int signalNumber)
{
    int savedErrno = errno;
    if (g_received == 0)
        g_received = signalNumber;
    unsigned char byte = static_cast<unsigned char>(signalNumber);
    // A full pipe already holds a request; losing this byte loses nothing.
    [[maybe_unused]] ssize_t written = ::write(g_pipe[1], &byte, 1);
    errno = savedErrno;
}

} // namespace

TerminationSignals::TerminationSignals(QObject* parent)
    : QObject(parent)
{
    if (g_pipe[0] < 0 && ::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;

    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationSignals::readPipe);

    struct sigaction action = {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    for (int signalNumber : kHandledSignals)
        ::sigaction(signalNumber, &action, nullptr);
}

TerminationSignals::~TerminationSignals()
{
    if (m_notifier == nullptr)
        return;
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (int signalNumber : kHandledSignals)
        ::sigaction(signalNumber, &action, nullptr);
}

int TerminationSignals::arrived()
{
    return g_received;
}

void TerminationSignals::readPipe()
{
    unsigned char byte = 0;
    while (::read(g_pipe[0], &byte, 1) == 1) {
        if (!m_emitted) {
            m_emitted = true;
            emit terminationRequested(byte);
        }
    }
}

void TerminationSignals::reraise() const
{
    const int signalNumber = g_received;
    if (signalNumber == 0)
        return;
    std::signal(signalNumber, SIG_DFL);
    std::raise(signalNumber);
}
