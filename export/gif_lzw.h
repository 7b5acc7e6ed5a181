#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The LZW coding of one GIF image: the code stream for the palette indices (rows top row
// first, not interlaced), cut into data sub-blocks of at most 255 bytes, each led by its
// length, and closed by the zero-length block. The minimum code size byte that precedes
// the blocks in a file is not included.
//
// Codes start minimumCodeSize + 1 bits wide after a leading clear code and grow by one bit
// when the code just assigned reaches 2^width. After code 4094 has been assigned, the
// one-index string that missed is emitted at once, followed by a clear code, and the
// dictionary starts over; no code above 4094 is ever assigned. The end code goes out at
// the width the decoder reads it with, which is one bit wider when the last code sent
// completes the decoder's entries up to 2^width - 1. Codes are packed least significant
// bit first.
namespace gif_lzw {

constexpr int kMostCodes = 4094;
constexpr std::size_t kSubBlockBytes = 255;

// Every index must be below 2^minimumCodeSize (2..8).
std::vector<uint8_t> encode(const uint8_t* indices, std::size_t count, int minimumCodeSize);

} // namespace gif_lzw
