// The command line comes from whoever starts the program. Any text must read as one of the
// four launch modes without touching memory it does not own, and the number of "P" and "A"
// must be what strtol reads from the fourth character on.

#include "app/command_line.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const LaunchRequest request = readSwitch(text);

    const bool switched = !text.empty() && (text[0] == '/' || text[0] == '-');
    if (!switched && request.mode != LaunchMode::Configure)
        std::abort();
    if (request.mode == LaunchMode::Preview || (request.mode == LaunchMode::None && text.size() > 1
                                                   && (text[1] == 'a' || text[1] == 'A'))) {
        // strtol stops at the first zero byte, as the text after it never reaches a C reader.
        const long expected = text.size() > 3 ? std::strtol(text.c_str() + 3, nullptr, 10) : 0;
        if (request.number != expected)
            std::abort();
    } else if (request.number != 0) {
        std::abort();
    }
    return 0;
}
