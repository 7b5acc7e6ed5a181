#pragma once

#include <cstdint>
#include <exception>
#include <string>

// The error object of the picture classes: a numeric code and a text meant for a person.
// Texts end in a line feed, as they are shown as they stand.
class TextException : public std::exception {
public:
    // Codes the picture classes throw.
    static constexpr int32_t kOpenFailed = -1;      // the target file or its buffer could not be made
    static constexpr int32_t kLibraryError = 6;     // the codec library reported an error
    static constexpr int32_t kBufferOverflow = 11;  // the stream outgrew its reserved buffer
    static constexpr int32_t kWriteFailed = 12;     // the finished stream could not be stored
    static constexpr int32_t kBadArgument = 13;     // the picture or frame list cannot be encoded

    TextException(int32_t code, std::string text);

    int32_t getCode() const { return m_code; }
    const std::string& getText() const { return m_text; }
    const char* what() const noexcept override { return m_text.c_str(); }

private:
    int32_t m_code;
    std::string m_text;
};
