#include "app/command_line.h"

#include <cstdlib>

std::string joinArguments(int argc, const char* const* argv)
{
    std::string text;
    for (int index = 1; index < argc; ++index) {
        if (index > 1)
            text += ' ';
        text += argv[index];
    }
    return text;
}

namespace {

// atol's reading: leading blanks, an optional sign, digits; 0 when there are none. strtol
// reads the same and, unlike atol, stays defined when the digits overflow (it clamps).
long readNumberFrom(std::string_view text, std::size_t offset)
{
    if (text.size() <= offset)
        return 0;
    std::string tail(text.substr(offset));
    return std::strtol(tail.c_str(), nullptr, 10);
}

} // namespace

LaunchRequest readSwitch(std::string_view text)
{
    LaunchRequest request;
    if (text.empty() || (text[0] != '/' && text[0] != '-'))
        return request; // configure

    char letter = text.size() > 1 ? text[1] : '\0';
    switch (letter) {
    case 'C':
    case 'c':
        request.mode = LaunchMode::Configure;
        break;
    case 'S':
    case 's':
        request.mode = LaunchMode::Saver;
        break;
    case 'P':
    case 'p':
        request.mode = LaunchMode::Preview;
        request.number = readNumberFrom(text, 3);
        break;
    case 'A':
    case 'a':
        request.mode = LaunchMode::None;
        request.number = readNumberFrom(text, 3); // read and ignored
        break;
    default:
        request.mode = LaunchMode::None;
        break;
    }
    return request;
}

bool runsOnWayland(const char* waylandDisplay, const char* x11Display, bool asked)
{
    const auto set = [](const char* value) { return value != nullptr && value[0] != '\0'; };
    return asked || (set(waylandDisplay) && !set(x11Display));
}

bool hasArgument(int argc, const char* const* argv, std::string_view option)
{
    for (int i = 1; i < argc; ++i) {
        if (argv[i] != nullptr && option == argv[i])
            return true;
    }
    return false;
}
