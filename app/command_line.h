#pragma once

#include <string>
#include <string_view>

// The switch that the screen-saver host puts on the command line: "/" or "-", a letter,
// and for preview the host window as a decimal number from the fourth character on
// ("/p 1234", "/p:1234"). Only the first two characters choose the mode; text that does
// not start with a switch character, the empty text included, opens the configuration.

enum class LaunchMode {
    Configure,
    Saver,
    Preview,
    None, // "A" or an unknown letter: no window is created
};

struct LaunchRequest {
    LaunchMode mode = LaunchMode::Configure;
    // The number from the fourth character on, read as atol reads it; 0 when there is none.
    long number = 0;
};

// The program's arguments after its own name, joined by single blanks.
std::string joinArguments(int argc, const char* const* argv);

LaunchRequest readSwitch(std::string_view text);

// Whether the program is a Wayland client: asked for (--wayland), or a Wayland session
// without X11 (WAYLAND_DISPLAY set and DISPLAY not). Null or empty variables count as unset.
bool runsOnWayland(const char* waylandDisplay, const char* x11Display, bool asked);

// Whether an argument after the program's name is exactly this option.
bool hasArgument(int argc, const char* const* argv, std::string_view option);
