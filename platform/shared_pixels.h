#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

// Pixel memory that the X server can read in place. Large pixel blocks (a frame) are made
// in an anonymous memory file instead of the heap, so that a present can hand the server
// the file once and then name rectangles of it, with no copy of the pixels through the
// connection. The memory starts out zero and its pages are only made where written.
//
// Every function may be called from any thread.
namespace shared_pixels {

// Blocks smaller than this come from the heap: they are presented rarely, if ever, and
// are not worth a file each.
constexpr std::size_t kSmallestSharedBytes = std::size_t { 1 } << 20;

struct Block {
    uint64_t id = 0; // never reused within the process
    const std::byte* base = nullptr;
    std::size_t bytes = 0;
    int fd = -1; // the memory file; owned by the block, valid while it lives
};

// A zeroed block of the given size, or nullptr when the system refuses one (the caller then
// takes heap memory).
void* allocate(std::size_t bytes);
// Frees a block made by Allocate and answers true; answers false for any other memory,
// which the caller frees as it was made.
bool free(void* memory);
// The live block that holds the byte at `pointer`, if any.
std::optional<Block> find(const void* pointer);
// Whether the block with this id is still alive.
bool alive(uint64_t id);
// How many blocks have been freed so far: a holder of block ids need look at them again
// only when this has moved.
uint64_t freedCount();

} // namespace shared_pixels
