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

std::string bytesOf(Preset& preset)
{
    std::ostringstream out(std::ios::binary);
    writeSettingsFile(preset, out);
    return out.str();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Settings = SettingsRecord {};
    Preset preset = newStartPreset();
    const std::string before = bytesOf(preset);
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size), std::ios::binary);
    if (!readSettingsFile(preset, in)) {
        if (bytesOf(preset) != before)
            std::abort();
        return 0;
    }
    for (const int32_t mode : Settings.applyModes) {
        if (mode < 0 || mode > 2)
            std::abort();
    }
    if (Settings.roundSpeedStep == 0.0 || !std::isfinite(Settings.roundSpeedStep) || Settings.radialSpeedStep == 0.0
        || !std::isfinite(Settings.radialSpeedStep) || (Settings.randomStart != 0 && Settings.randomStart != 1))
        std::abort();
    for (const auto& row : preset.objects.stacks) {
        if (!row[0])
            std::abort();
    }
    // What was taken is written again and read back to the same options.
    const std::string written = bytesOf(preset);
    const SettingsRecord taken = Settings;
    Preset again = newStartPreset();
    std::istringstream reread(written, std::ios::binary);
    if (!readSettingsFile(again, reread) || bytesOf(again) != written || Settings.applyModes != taken.applyModes)
        std::abort();
    return 0;
}
