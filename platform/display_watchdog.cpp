#include "platform/display_watchdog.h"

#include "platform/xrandr_mode_source.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

// The watchdog's end of the socket, as the started program sees it.
constexpr int kWatchdogDescriptor = 3;
constexpr int kAnswerMilliseconds = 5000;
constexpr char kReady = 'r';
constexpr char kReleased = 'R';

bool readByte(int socket, char& byte, int timeoutMilliseconds)
{
    pollfd source = { socket, POLLIN, 0 };
    int ready;
    do {
        ready = ::poll(&source, 1, timeoutMilliseconds);
    } while (ready < 0 && errno == EINTR);
    if (ready <= 0)
        return false;
    ssize_t count;
    do {
        count = ::read(socket, &byte, 1);
    } while (count < 0 && errno == EINTR);
    return count == 1;
}

void writeByte(int socket, char byte)
{
    ssize_t count;
    do {
        count = ::send(socket, &byte, 1, MSG_NOSIGNAL);
    } while (count < 0 && errno == EINTR);
}

// The watchdog itself: note the display, answer, wait for the saver's end.
int watch(int socket)
{
    for (int signalNumber : { SIGTERM, SIGINT, SIGHUP, SIGPIPE })
        std::signal(signalNumber, SIG_IGN);
    XRandrModeSource display;
    if (!display.rememberCurrentMode())
        return 1;
    writeByte(socket, kReady);
    char byte = 0;
    // Blocks until the saver writes or its end of the socket closes, which the kernel does
    // however the saver ends.
    if (readByte(socket, byte, -1) && byte == kReleased)
        return 0;
    display.restoreMode();
    return 0;
}

} // namespace

DisplayWatchdog::~DisplayWatchdog()
{
    if (m_socket >= 0)
        ::close(m_socket);
    // A watchdog that restores in the saver's stead ends on its own; one that was released
    // has already ended and is only collected here.
    if (m_pid > 0)
        ::waitpid(m_pid, nullptr, WNOHANG);
}

bool DisplayWatchdog::start()
{
    if (m_socket >= 0)
        return true;
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0)
        return false;

    std::vector<std::string> environment;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        if (std::strncmp(*entry, kDisplayWatchdogVariable, std::strlen(kDisplayWatchdogVariable)) != 0)
            environment.emplace_back(*entry);
    }
    environment.push_back(std::string(kDisplayWatchdogVariable) + "=" + std::to_string(kWatchdogDescriptor));
    std::vector<char*> envp;
    for (std::string& entry : environment)
        envp.push_back(entry.data());
    envp.push_back(nullptr);
    std::string program = "/proc/self/exe";
    char* argv[] = { program.data(), nullptr };

    // The watchdog's end becomes its descriptor 3 (dup2 clears close-on-exec); everything
    // else of the saver's closes on exec.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ends[1], kWatchdogDescriptor);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    pid_t pid = -1;
    const int spawned = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(ends[1]);
    char answer = 0;
    if (spawned != 0 || !readByte(ends[0], answer, kAnswerMilliseconds) || answer != kReady) {
        ::close(ends[0]);
        if (spawned == 0) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
        return false;
    }
    m_socket = ends[0];
    m_pid = pid;
    return true;
}

void DisplayWatchdog::release()
{
    if (m_socket < 0)
        return;
    writeByte(m_socket, kReleased);
    ::close(m_socket);
    m_socket = -1;
    // The watchdog ends at once on the release; waiting for it keeps no zombie behind.
    int status = 0;
    for (int attempt = 0; attempt < 100 && ::waitpid(m_pid, &status, WNOHANG) == 0; ++attempt)
        ::usleep(10000);
    m_pid = -1;
}

int runDisplayWatchdogIfAsked()
{
    const char* value = std::getenv(kDisplayWatchdogVariable);
    if (value == nullptr)
        return -1;
    // Only a socket at the agreed descriptor: anything else is not a saver that started us.
    struct stat status { };
    if (std::strcmp(value, "3") != 0 || ::fstat(kWatchdogDescriptor, &status) != 0 || !S_ISSOCK(status.st_mode))
        return 1;
    return watch(kWatchdogDescriptor);
}
