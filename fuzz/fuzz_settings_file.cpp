// Settings files from anywhere: a refused file changes neither the options nor the preset,
// and whatever is taken is within the ranges the rest of the program indexes with.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "presets/preset.h"
#include "presets/settings.h"

namespace {

std::string bytesOf(const SettingsRecord& options, const Preset& preset)
{
    std::ostringstream out(std::ios::binary);
    writeSettingsFile(options, preset, out);
    return out.str();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    SettingsRecord options;
    Preset preset = newStartPreset();
    const std::string before = bytesOf(options, preset);
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size), std::ios::binary);
    if (!readSettingsFile(options, preset, in)) {
        if (bytesOf(options, preset) != before)
            std::abort();
        return 0;
    }
    for (const int32_t mode : options.applyModes) {
        if (mode < 0 || mode > 2)
            std::abort();
    }
    if (options.roundSpeedStep == 0.0 || !std::isfinite(options.roundSpeedStep) || options.radialSpeedStep == 0.0
        || !std::isfinite(options.radialSpeedStep) || (options.randomStart != 0 && options.randomStart != 1))
        std::abort();
    for (const auto& row : preset.objects.stacks) {
        if (!row[0])
            std::abort();
    }
    // What was taken is written again and read back to the same options.
    const std::string written = bytesOf(options, preset);
    const SettingsRecord taken = options;
    Preset again = newStartPreset();
    std::istringstream reread(written, std::ios::binary);
    if (!readSettingsFile(options, again, reread) || bytesOf(options, again) != written
        || options.applyModes != taken.applyModes)
        std::abort();
    return 0;
}
