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

void setActions(void (*handler)(int), int flags)
{
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = flags;
    for (int signalNumber : kHandledSignals)
        ::sigaction(signalNumber, &action, nullptr);
}

} // namespace

TerminationSignalCatch::TerminationSignalCatch()
{
    if (g_pipe[0] < 0 && ::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    setActions(onTerminationSignal, SA_RESTART | SA_RESETHAND);
    m_installed = true;
}

TerminationSignalCatch::~TerminationSignalCatch()
{
    if (m_installed)
        setActions(SIG_DFL, 0);
}

int TerminationSignalCatch::arrived() { return g_received; }

int TerminationSignalCatch::descriptor() const { return m_installed ? g_pipe[0] : -1; }

void TerminationSignalCatch::reraise() const
{
    const int signalNumber = g_received;
    if (signalNumber == 0)
        return;
    std::signal(signalNumber, SIG_DFL);
    std::raise(signalNumber);
}

TerminationSignals::TerminationSignals(QObject* parent)
    : QObject(parent)
{
    if (m_catch.descriptor() < 0)
        return;
    auto* notifier = new QSocketNotifier(m_catch.descriptor(), QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &TerminationSignals::readPipe);
}

void TerminationSignals::readPipe()
{
    unsigned char byte = 0;
    while (::read(m_catch.descriptor(), &byte, 1) == 1) {
        if (!m_emitted) {
            m_emitted = true;
            emit terminationRequested(byte);
        }
    }
}
