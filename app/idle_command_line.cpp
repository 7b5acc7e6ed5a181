#include "app/idle_command_line.h"

#include "app/hack_options.h"

#include <charconv>

namespace {

// A whole number from minimum to maximum, nothing around it.
std::optional<int> wholeNumber(const std::string& text, int minimum, int maximum)
{
    int value = 0;
    const auto [end, problem] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (problem != std::errc() || end != text.data() + text.size() || value < minimum || value > maximum)
        return std::nullopt;
    return value;
}

} // namespace

IdleRequest readIdleCommandLine(const std::vector<std::string>& arguments)
{
    IdleRequest request;
    if (arguments.empty())
        return request;
    if (arguments[0] == "--idle-status") {
        request.mode = IdleMode::Status;
        if (arguments.size() > 1)
            request.error = "--idle-status takes no options";
        return request;
    }
    if (arguments[0] != "--idle-service")
        return request;
    request.mode = IdleMode::Service;
    for (size_t index = 1; index < arguments.size() && request.error.empty(); ++index) {
        const std::string& argument = arguments[index];
        if (argument == "--wayland") {
            request.wayland = true;
        } else if (argument == "--after" && index + 1 < arguments.size()) {
            request.afterSeconds = wholeNumber(arguments[++index], 1, kMaximumAfterSeconds);
            if (!request.afterSeconds)
                request.error = "--after wants whole seconds from 1 to " + std::to_string(kMaximumAfterSeconds);
        } else {
            request.error = "unknown option for --idle-service: " + quoteArgument(argument);
        }
    }
    return request;
}

std::optional<int> saverRatePercent(const std::vector<std::string>& arguments)
{
    for (size_t index = 1; index + 1 < arguments.size(); ++index) {
        if (arguments[index] == "--rate")
            return wholeNumber(arguments[index + 1], kMinimumRatePercent, kMaximumRatePercent);
    }
    return std::nullopt;
}
