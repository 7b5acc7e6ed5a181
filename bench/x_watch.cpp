// Measures a window program from outside, as the X server sees it: starts the program,
// notes when its window is mapped, when the first pixels reach that window and when the
// first sprite-sized block does, then counts the sprite-sized blocks drawn per second
// (DAMAGE events with raw rectangles) and samples the process's CPU time and resident
// memory from /proc. With OPAL_WATCH_SERVER_PID set to the X server's process id, the
// server's CPU time over the same seconds is sampled too.
//
//   opal_x_watch <warm-up seconds> <measured seconds> <program> [arguments...]
//
// Prints key=value lines; times are milliseconds from the start of the program. A block
// counts as a sprite when it covers less than a quarter of the window (full repaints and
// the first paint cover all of it).

#include <X11/Xlib.h>
#include <X11/extensions/Xdamage.h>

#include <cerrno>
#include <dirent.h>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// CPU time of the process, in seconds: the scheduler's exact run time of each of its
// threads (/proc/<pid>/task/<tid>/schedstat, nanoseconds), or, where that is missing,
// utime + stime, which the kernel samples at the clock tick and which is rough for a
// program that runs in bursts of tens of microseconds.
double cpuSeconds(pid_t pid)
{
    const std::string process = "/proc/" + std::to_string(pid);
    double exact = 0;
    bool found = false;
    if (DIR* tasks = opendir((process + "/task").c_str())) {
        while (const dirent* entry = readdir(tasks)) {
            if (entry->d_name[0] == '.')
                continue;
            std::ifstream schedstat(process + "/task/" + entry->d_name + "/schedstat");
            unsigned long long runNanos = 0;
            if (schedstat >> runNanos) {
                exact += static_cast<double>(runNanos) / 1e9;
                found = true;
            }
        }
        closedir(tasks);
    }
    if (found)
        return exact;

    std::ifstream stat(process + "/stat");
    std::string text;
    std::getline(stat, text);
    std::size_t close = text.rfind(')');
    if (close == std::string::npos)
        return 0.0;
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    unsigned long long user = 0;
    unsigned long long system = 0;
    for (int index = 3; fields >> field; ++index) {
        if (index == 14)
            user = std::stoull(field);
        if (index == 15) {
            system = std::stoull(field);
            break;
        }
    }
    return static_cast<double>(user + system) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

long residentKilobytes(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atol(line.c_str() + 6);
    }
    return -1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: opal_x_watch <warm-up s> <measured s> <program> [arguments...]\n");
        return 2;
    }
    const double warmUp = std::atof(argv[1]);
    const double measured = std::atof(argv[2]);

    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "opal_x_watch: cannot open the display\n");
        return 2;
    }
    int damageEvents = 0;
    int damageErrors = 0;
    if (!XDamageQueryExtension(display, &damageEvents, &damageErrors)) {
        std::fprintf(stderr, "opal_x_watch: no DAMAGE extension\n");
        return 2;
    }
    Window root = DefaultRootWindow(display);
    XSelectInput(display, root, SubstructureNotifyMask);
    // The screen of a desktop has been drawn long before a program starts; a fresh Xvfb's
    // has not, and whichever program first fills the whole screen waits for the server's
    // first touch of that memory (here about 3.5 ms at 1920 x 1080 and 13 ms at
    // 3840 x 2160, against 0.5 ms and 5 ms for the same fill later). Painting the root once
    // makes the server's screen memory live, as on a desktop, before the program starts.
    XSetWindowBackground(display, root, BlackPixel(display, DefaultScreen(display)));
    XClearWindow(display, root);
    XSync(display, False);

    const Clock::time_point start = Clock::now();
    pid_t child = fork();
    if (child == 0) {
        execv(argv[3], argv + 3);
        _exit(127);
    }

    double mapped = -1;
    double firstPaint = -1;
    double firstSprite = -1;
    Window window = 0;
    long windowArea = 0;
    long sprites = 0;
    bool measuring = false;
    double cpuAtStart = 0;
    const char* serverPidText = std::getenv("OPAL_WATCH_SERVER_PID");
    const pid_t server = serverPidText != nullptr ? static_cast<pid_t>(std::atol(serverPidText)) : 0;
    double serverCpuAtStart = 0;
    Clock::time_point measureStart;
    const double limit = 30000 + (warmUp + measured) * 1000;

    while (millisecondsSince(start) < limit) {
        if (window != 0 && !measuring && millisecondsSince(start) >= warmUp * 1000) {
            measuring = true;
            sprites = 0;
            cpuAtStart = cpuSeconds(child);
            serverCpuAtStart = server > 0 ? cpuSeconds(server) : 0;
            measureStart = Clock::now();
        }
        if (measuring && millisecondsSince(measureStart) >= measured * 1000)
            break;
        if (XPending(display) == 0) {
            pollfd source = { ConnectionNumber(display), POLLIN, 0 };
            poll(&source, 1, 10);
            int status = 0;
            if (waitpid(child, &status, WNOHANG) == child) {
                std::fprintf(stderr, "opal_x_watch: the program ended early\n");
                return 1;
            }
            continue;
        }
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == MapNotify && window == 0) {
            XWindowAttributes attributes;
            if (!XGetWindowAttributes(display, event.xmap.window, &attributes) || attributes.width < 16)
                continue; // not the program's main window
            mapped = millisecondsSince(start);
            window = event.xmap.window;
            windowArea = static_cast<long>(attributes.width) * attributes.height;
            XDamageCreate(display, window, XDamageReportRawRectangles);
        } else if (event.type == damageEvents + XDamageNotify) {
            auto* damage = reinterpret_cast<XDamageNotifyEvent*>(&event);
            const double now = millisecondsSince(start);
            if (firstPaint < 0)
                firstPaint = now;
            const long area = static_cast<long>(damage->area.width) * damage->area.height;
            if (area > 0 && area * 4 < windowArea) {
                if (firstSprite < 0)
                    firstSprite = now;
                ++sprites;
            }
        }
    }

    const double wall = measuring ? millisecondsSince(measureStart) / 1000.0 : 0;
    const double cpu = measuring ? cpuSeconds(child) - cpuAtStart : 0;
    const double serverCpu = measuring && server > 0 ? cpuSeconds(server) - serverCpuAtStart : 0;
    std::printf("map_ms=%.1f\nfirst_paint_ms=%.1f\nfirst_sprite_ms=%.1f\n", mapped, firstPaint, firstSprite);
    std::printf("sprites_per_second=%.0f\ncpu_per_wall_second=%.3f\nrss_kb=%ld\n", wall > 0 ? sprites / wall : 0,
        wall > 0 ? cpu / wall : 0, residentKilobytes(child));
    if (server > 0)
        std::printf("server_cpu_per_wall_second=%.3f\n", wall > 0 ? serverCpu / wall : 0);

    kill(child, SIGTERM);
    int status = 0;
    waitpid(child, &status, 0);
    XCloseDisplay(display);
    return 0;
}
