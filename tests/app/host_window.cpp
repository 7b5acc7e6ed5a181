// A small X11 client for the end-to-end tests of opal-revel. It plays the parts of the
// outside world that the tests need:
//
//   host_window window X Y WIDTH HEIGHT RRGGBB
//       maps a plain window of that colour (a screen-saver host's preview window, or a
//       backdrop) and prints its id; then reads commands from standard input:
//       "resize W H", "destroy" (answers "destroyed"), "unmap" and "map" (answer "unmapped" and
//       "mapped"), and ends at end of input.
//   host_window input-only X Y WIDTH HEIGHT
//       the same with an input-only window, into which nothing can be drawn.
//   host_window watch
//       watches the root window for windows being mapped and prints "map <id>" for each;
//       "sync" on standard input answers "synced" once every earlier event has been read.
//   host_window add-mode WIDTH HEIGHT
//       offers one more display mode of that size on the screen's first output (RandR 1.2).
//   host_window screen-size
//       prints the root window's size as "WIDTHxHEIGHT".
//   host_window close ID
//       asks the window to close as a window manager's close button does: a
//       WM_DELETE_WINDOW client message (Xvfb has no window manager to send it).

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xrandr.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <poll.h>
#include <string>
#include <unistd.h>

namespace {

bool readLine(std::string& line)
{
    line.clear();
    char character;
    while (true) {
        ssize_t count = read(STDIN_FILENO, &character, 1);
        if (count <= 0)
            return false;
        if (character == '\n')
            return true;
        line += character;
    }
}

void say(const std::string& line)
{
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

// Waits for either X events or a command; false at end of input.
bool waitForInput(Display* display)
{
    pollfd sources[2] = { { ConnectionNumber(display), POLLIN, 0 }, { STDIN_FILENO, POLLIN, 0 } };
    if (XPending(display) > 0)
        return true;
    return poll(sources, 2, -1) >= 0;
}

bool standardInputReady()
{
    pollfd source = { STDIN_FILENO, POLLIN, 0 };
    return poll(&source, 1, 0) > 0;
}

// A window without a colour is input-only: nothing can be drawn into it.
int runWindow(Display* display, int x, int y, int width, int height, std::optional<unsigned long> colour)
{
    XSetWindowAttributes attributes;
    attributes.override_redirect = True; // placed exactly where asked, with or without a window manager
    attributes.event_mask = StructureNotifyMask;
    attributes.background_pixel = colour.value_or(0);
    const unsigned long fields = CWOverrideRedirect | CWEventMask | (colour ? CWBackPixel : 0);
    Window window = XCreateWindow(display, DefaultRootWindow(display), x, y, static_cast<unsigned>(width),
        static_cast<unsigned>(height), 0, CopyFromParent, colour ? InputOutput : InputOnly, CopyFromParent, fields,
        &attributes);
    XMapWindow(display, window);
    XEvent event;
    do {
        XNextEvent(display, &event);
    } while (event.type != MapNotify);
    say(std::to_string(window));

    std::string line;
    while (readLine(line)) {
        int newWidth = 0;
        int newHeight = 0;
        if (line == "destroy") {
            XDestroyWindow(display, window);
            XSync(display, False);
            say("destroyed");
        } else if (std::sscanf(line.c_str(), "resize %d %d", &newWidth, &newHeight) == 2) {
            XResizeWindow(display, window, static_cast<unsigned>(newWidth), static_cast<unsigned>(newHeight));
            XSync(display, False);
            say("resized");
        } else if (line == "unmap" || line == "map") {
            if (line == "unmap")
                XUnmapWindow(display, window);
            else
                XMapWindow(display, window);
            XSync(display, False);
            say(line + "ped");
        }
    }
    return 0;
}

int runWatch(Display* display)
{
    XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
    XSync(display, False);
    say("watching");
    std::string line;
    while (waitForInput(display)) {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == MapNotify)
                say("map " + std::to_string(event.xmap.window));
        }
        if (standardInputReady()) {
            if (!readLine(line))
                return 0;
            if (line == "sync") {
                XSync(display, False);
                while (XPending(display) > 0) {
                    XEvent event;
                    XNextEvent(display, &event);
                    if (event.type == MapNotify)
                        say("map " + std::to_string(event.xmap.window));
                }
                say("synced");
            }
        }
    }
    return 0;
}

int addMode(Display* display, unsigned width, unsigned height)
{
    Window root = DefaultRootWindow(display);
    XRRScreenResources* resources = XRRGetScreenResources(display, root);
    if (resources == nullptr || resources->noutput < 1)
        return 1;
    XRRModeInfo info;
    std::memset(&info, 0, sizeof info);
    char name[32];
    std::snprintf(name, sizeof name, "%ux%u", width, height);
    info.width = width;
    info.height = height;
    info.hTotal = width + 160;
    info.vTotal = height + 45;
    info.dotClock = static_cast<unsigned long>(info.hTotal) * info.vTotal * 60; // 60 Hz
    info.name = name;
    info.nameLength = static_cast<unsigned>(std::strlen(name));
    RRMode mode = XRRCreateMode(display, root, &info);
    XRRAddOutputMode(display, resources->outputs[0], mode);
    XSync(display, False);
    XRRFreeScreenResources(resources);
    return 0;
}

// The ICCCM close request: a WM_PROTOCOLS client message naming WM_DELETE_WINDOW.
int sendClose(Display* display, Window window)
{
    XEvent event {};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    const Status sent = XSendEvent(display, window, False, NoEventMask, &event);
    XSync(display, False);
    return sent != 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "host_window: cannot open the display\n");
        return 2;
    }
    std::string command = argc > 1 ? argv[1] : "";
    int status = 2;
    if (command == "window" && argc == 7) {
        status = runWindow(display, std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]),
            std::strtoul(argv[6], nullptr, 16));
    } else if (command == "input-only" && argc == 6) {
        status = runWindow(display, std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]),
            std::nullopt);
    } else if (command == "watch") {
        status = runWatch(display);
    } else if (command == "add-mode" && argc == 4) {
        status = addMode(display, static_cast<unsigned>(std::atoi(argv[2])), static_cast<unsigned>(std::atoi(argv[3])));
    } else if (command == "screen-size") {
        say(std::to_string(DisplayWidth(display, DefaultScreen(display))) + "x"
            + std::to_string(DisplayHeight(display, DefaultScreen(display))));
        status = 0;
    } else if (command == "close" && argc == 3) {
        status = sendClose(display, static_cast<Window>(std::strtoul(argv[2], nullptr, 10)));
    } else {
        std::fprintf(stderr, "usage: host_window window X Y W H RRGGBB | input-only X Y W H | watch | add-mode W H | screen-size | close ID\n");
    }
    XCloseDisplay(display);
    return status;
}
