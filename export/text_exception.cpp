#include "export/text_exception.h"

#include <utility>

TextException::TextException(int32_t code, std::string text)
    : m_code(code)
    , m_text(std::move(text))
{
}
