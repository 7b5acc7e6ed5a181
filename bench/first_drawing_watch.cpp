// Measures how long a command takes to light the screen, as the X server sees it: watches
// every change to the screen (DAMAGE on the root window, which reports the drawing into all
// windows), runs the command, and notes the first moment a changed area holds a pixel that
// is not black. Used with "xscreensaver-command -activate": the daemon's own blank window is
// black, so the first lit pixel is the display mode's first drawing.
//
//   opal_first_drawing_watch <limit seconds> <command> [arguments...]
//
// Prints first_drawing_ms=<milliseconds from running the command>, or first_drawing_ms=none
// when nothing was lit within the limit.

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xdamage.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

bool holdsLitPixel(Display* display, Window root, const XRectangle& area)
{
    XImage* image = XGetImage(display, root, area.x, area.y, area.width, area.height, AllPlanes, ZPixmap);
    if (image == nullptr)
        return false; // the area left the screen meanwhile
    bool lit = false;
    for (int y = 0; y < image->height && !lit; ++y)
        for (int x = 0; x < image->width && !lit; ++x)
            lit = (XGetPixel(image, x, y) & 0xFFFFFF) != 0;
    XDestroyImage(image);
    return lit;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: opal_first_drawing_watch <limit seconds> <command> [arguments...]\n");
        return 2;
    }
    const double limitSeconds = std::atof(argv[1]);
    Display* display = XOpenDisplay(nullptr);
    int damageEvent = 0;
    int damageError = 0;
    if (display == nullptr || !XDamageQueryExtension(display, &damageEvent, &damageError)) {
        std::fprintf(stderr, "opal_first_drawing_watch: no display with DAMAGE\n");
        return 1;
    }
    const Window root = DefaultRootWindow(display);
    XDamageCreate(display, root, XDamageReportRawRectangles);
    XSync(display, False);

    const Clock::time_point start = Clock::now();
    const pid_t command = fork();
    if (command == 0) {
        execvp(argv[2], argv + 2);
        _exit(127);
    }

    double firstDrawing = -1.0;
    pollfd connection = { ConnectionNumber(display), POLLIN, 0 };
    while (firstDrawing < 0.0) {
        const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        if (elapsed > limitSeconds)
            break;
        if (XPending(display) == 0) {
            poll(&connection, 1, 5);
            continue;
        }
        XEvent event;
        XNextEvent(display, &event);
        if (event.type != damageEvent + XDamageNotify)
            continue;
        const auto* damage = reinterpret_cast<XDamageNotifyEvent*>(&event);
        if (holdsLitPixel(display, root, damage->area))
            firstDrawing = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    }
    int status = 0;
    waitpid(command, &status, 0);
    if (firstDrawing < 0.0)
        std::printf("first_drawing_ms=none\n");
    else
        std::printf("first_drawing_ms=%.1f\n", firstDrawing);
    XCloseDisplay(display);
    return 0;
}
