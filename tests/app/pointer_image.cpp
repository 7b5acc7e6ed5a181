#include "tests/app/pointer_image.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>

#include <cstddef>

int visiblePointerPixels(const std::string& display)
{
    Display* connection = XOpenDisplay(display.c_str());
    if (connection == nullptr)
        return -1;
    int visible = -1;
    int eventBase = 0;
    int errorBase = 0;
    int major = 5;
    int minor = 0;
    if (XFixesQueryExtension(connection, &eventBase, &errorBase) && XFixesQueryVersion(connection, &major, &minor)) {
        if (XFixesCursorImage* image = XFixesGetCursorImage(connection)) {
            visible = 0;
            const auto count = static_cast<std::size_t>(image->width) * static_cast<std::size_t>(image->height);
            for (std::size_t i = 0; i < count; ++i)
                visible += ((image->pixels[i] >> 24) & 0xFF) != 0;
            XFree(image);
        }
    }
    XCloseDisplay(connection);
    return visible;
}
