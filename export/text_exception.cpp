#include "export/text_exception.h"

#include "platform/atomic_file.h"

#include <utility>

TextException::TextException(int32_t code, std::string text)
    : m_code(code)
    , m_text(std::move(text))
{
}

TextException fileOpenFailure(int32_t code, const std::string& prefix, const std::string& fileName, int error)
{
    return TextException(code, prefix + "Opening " + fileName + " failed: " + writeFailureReason(fileName, error) + "\n");
}

TextException fileWriteFailure(const std::string& prefix, const std::string& fileName, int error)
{
    return TextException(TextException::kWriteFailed,
        prefix + "Writing " + fileName + " failed: " + writeFailureReason(fileName, error) + "\n");
}
