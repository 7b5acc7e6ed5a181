// Key-store text from anywhere: the parser never fails, and what it read is written in a
// form that reads back to the same keys and values.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/reg_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const RegDocument document = parseRegText(std::string_view(reinterpret_cast<const char*>(data), size));
    const std::string text = formatRegText(document);
    const RegDocument again = parseRegText(text);
    if (!(again == document) || formatRegText(again) != text)
        std::abort();
    return 0;
}
