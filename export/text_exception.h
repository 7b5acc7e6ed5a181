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

// The errors of a finished stream that could not be stored, shared by every file the export
// writes so that each says why in the same words the preset save uses: "<prefix>Opening
// <name> failed: <reason>" with the given code when the target cannot be created, and
// "<prefix>Writing <name> failed: <reason>" (kWriteFailed) when its bytes cannot be written.
// The reason is writeFailureReason's for error, errno as the failed step left it, so the
// user learns whether the disk is full, the folder missing or read-only.
TextException fileOpenFailure(int32_t code, const std::string& prefix, const std::string& fileName, int error);
TextException fileWriteFailure(const std::string& prefix, const std::string& fileName, int error);
