#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <istream>
#include <string>

#include "shapes/little_endian.h"

// Helpers of the preset and settings codecs: doubles in little-endian order (as their
// IEEE-754 bit pattern, so every value, NaN included, round-trips byte for byte) and exact
// reads from a stream.

inline void putLeDouble(uint8_t* out, double value)
{
    const uint64_t bits = std::bit_cast<uint64_t>(value);
    putLe32(out, static_cast<uint32_t>(bits));
    putLe32(out + 4, static_cast<uint32_t>(bits >> 32));
}

inline double getLeDouble(const uint8_t* in)
{
    return std::bit_cast<double>(static_cast<uint64_t>(getLe32(in)) | (static_cast<uint64_t>(getLe32(in + 4)) << 32));
}

// Reads exactly size bytes; false when the stream ends first.
inline bool readExactly(std::istream& in, uint8_t* out, std::size_t size)
{
    in.read(reinterpret_cast<char*>(out), static_cast<std::streamsize>(size));
    return static_cast<std::size_t>(in.gcount()) == size;
}

inline bool writeBytes(std::ostream& out, const uint8_t* bytes, std::size_t size)
{
    out.write(reinterpret_cast<const char*>(bytes), static_cast<std::streamsize>(size));
    return static_cast<bool>(out);
}
