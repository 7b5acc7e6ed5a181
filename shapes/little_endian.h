#pragma once

#include <bit>
#include <cstdint>

// Little-endian field access for the stored formats (shape records, stack blocks and
// whatever embeds them). Every field is written and read byte by byte, so the bytes on
// disk never depend on the machine or on the layout of a struct in memory. Floats travel
// as their IEEE-754 single-precision bit pattern, unchanged, so even a NaN read from a
// file is written back with the same bytes.

inline void putLe32(uint8_t* out, uint32_t value)
{
    out[0] = static_cast<uint8_t>(value);
    out[1] = static_cast<uint8_t>(value >> 8);
    out[2] = static_cast<uint8_t>(value >> 16);
    out[3] = static_cast<uint8_t>(value >> 24);
}

inline uint32_t getLe32(const uint8_t* in)
{
    return static_cast<uint32_t>(in[0]) | (static_cast<uint32_t>(in[1]) << 8) | (static_cast<uint32_t>(in[2]) << 16)
        | (static_cast<uint32_t>(in[3]) << 24);
}

inline void putLeInt32(uint8_t* out, int32_t value)
{
    putLe32(out, static_cast<uint32_t>(value));
}
inline int32_t getLeInt32(const uint8_t* in)
{
    return static_cast<int32_t>(getLe32(in));
}

inline void putLeFloat(uint8_t* out, float value)
{
    putLe32(out, std::bit_cast<uint32_t>(value));
}
inline float getLeFloat(const uint8_t* in)
{
    return std::bit_cast<float>(getLe32(in));
}
