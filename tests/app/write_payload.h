#pragma once

#include <string>

// The payloads of the write loop's "file" mode: 256 KiB, all of one letter, so that any
// mixture or cut of two of them is told apart from a whole one.
constexpr std::size_t kPayloadBytes = 256u << 10;

inline std::string payloadOf(int round)
{
    return std::string(kPayloadBytes, static_cast<char>('a' + round % 26));
}

inline bool isWholePayload(const std::string& bytes)
{
    return bytes.size() == kPayloadBytes && bytes.find_first_not_of(bytes[0]) == std::string::npos && bytes[0] >= 'a'
        && bytes[0] <= 'z';
}
