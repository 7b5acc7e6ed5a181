// Preset blocks from anywhere: a block the reader takes must be written back byte for byte,
// and a block it refuses must leave the record exactly as it was.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "presets/preset.h"

namespace {

std::string bytesOf(Preset& preset)
{
    std::ostringstream out(std::ios::binary);
    writePreset(preset, out);
    return out.str();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    Preset preset = newStartPreset();
    const std::string before = bytesOf(preset);
    std::istringstream in(input, std::ios::binary);
    if (readPreset(preset, in)) {
        const std::string after = bytesOf(preset);
        // The version is always written as 1; everything else is kept as read.
        std::string expected = input.substr(0, after.size());
        expected.replace(4, 4, std::string("\1\0\0\0", 4));
        if (after != expected)
            std::abort();
    } else if (bytesOf(preset) != before) {
        std::abort();
    }
    return 0;
}
