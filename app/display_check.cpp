#include "app/display_check.h"

#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <string_view>

bool checkDisplay()
{
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform != nullptr && *platform != '\0' && std::string_view(platform).substr(0, 3) != "xcb")
        return true;
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    const bool reachable = xcb_connection_has_error(connection) == 0;
    xcb_disconnect(connection);
    if (!reachable) {
        const char* display = std::getenv("DISPLAY");
        std::fprintf(stderr, "opal-revel: cannot open display %s\n",
            display != nullptr && *display != '\0' ? display : "(DISPLAY is not set)");
    }
    return reachable;
}
