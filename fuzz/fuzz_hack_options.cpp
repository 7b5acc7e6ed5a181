// The daemon's command line comes from a configuration file the user edits. Any argument
// list (the input split at zero bytes) must read as options within their ranges, or fail
// with a message of one line; nothing else.

#include "app/hack_options.h"
#include "presets/settings.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

bool inRange(const std::optional<int>& value, int low, int high)
{
    return !value || (*value >= low && *value <= high);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<std::string> arguments(1);
    for (size_t index = 0; index < size; ++index) {
        if (data[index] == 0)
            arguments.emplace_back();
        else
            arguments.back() += static_cast<char>(data[index]);
    }
    const HackParseResult result = parseHackOptions(arguments);
    if (!result.ok) {
        if (result.error.empty() || result.error.find('\n') != std::string::npos || result.error.size() > 400)
            std::abort();
        return 0;
    }
    const HackOptions& options = result.options;
    if (!isHackCommandLine(arguments))
        std::abort();
    if (!options.help && options.target == HackTarget::None)
        std::abort();
    if ((options.target == HackTarget::Window) != (options.windowId != 0))
        std::abort();
    if (!inRange(options.formula, kRandomChoice, kFormulaCount - 1) || !inRange(options.mirror, kRandomChoice, kMirrorCount - 1)
        || !inRange(options.changeSeconds, 0, kMaximumChangeSeconds)
        || !inRange(options.scalePercent, kMinimumScalePercent, kMaximumScalePercent))
        std::abort();
    if (options.preset && options.preset->empty())
        std::abort();
    return 0;
}
