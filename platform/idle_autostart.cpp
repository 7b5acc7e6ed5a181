#include "platform/idle_autostart.h"

#include "platform/user_folders.h"

namespace {

// A quoted argument of an Exec line: the quote, backtick, dollar and backslash escaped with a
// backslash, and every backslash of that doubled once more for the string value.
std::string execArgument(const std::string& text)
{
    if (text.find_first_of(" \t\"'\\`$;&|<>()") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"' || c == '`' || c == '$')
            quoted += "\\\\";
        else if (c == '\\')
            quoted += "\\\\\\";
        quoted += c;
    }
    return quoted + "\"";
}

} // namespace

std::string idleAutostartText(const std::string& program)
{
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Opal Revel idle service\n"
           "Comment=Starts the Opal Revel screen saver when the session is idle\n"
           "Exec=" + execArgument(program) + " --idle-service\n"
           "Icon=opal-revel\n"
           "Terminal=false\n"
           "NoDisplay=true\n"
           "X-GNOME-Autostart-enabled=true\n";
}

std::filesystem::path idleAutostartPath() { return userConfigHome() / "autostart" / "opal-revel-idle.desktop"; }
