#include "engine/render_panel.h"

#include <algorithm>
#include <cstring>

void blitBlock(uint32_t* screen, int32_t screenWidth, int32_t screenHeight, int32_t screenRowLength,
    const PixelBlock& block, int32_t x, int32_t y, uint32_t orMask)
{
    if (!screen || !block.pixels || block.width <= 0 || block.height <= 0 || block.rowLength < block.width)
        return;
    // Intersect in 64 bits so that no position overflows.
    const int64_t left = std::max<int64_t>(x, 0);
    const int64_t top = std::max<int64_t>(y, 0);
    const int64_t right = std::min<int64_t>(int64_t { x } + block.width, screenWidth);
    const int64_t bottom = std::min<int64_t>(int64_t { y } + block.height, screenHeight);
    if (left >= right || top >= bottom)
        return;

    const auto columns = static_cast<size_t>(right - left);
    for (int64_t screenRow = top; screenRow < bottom; ++screenRow) {
        const int64_t shownRow = screenRow - y; // 0 is the block's top row on screen
        const int64_t memoryRow = block.order == RowOrder::TopDown ? shownRow : block.height - 1 - shownRow;
        const uint32_t* source = block.pixels + memoryRow * block.rowLength + (left - x);
        uint32_t* destination = screen + screenRow * screenRowLength + left;
        if (block.allZero) {
            std::fill(destination, destination + columns, orMask);
        } else if (orMask == 0) {
            std::memcpy(destination, source, columns * sizeof(uint32_t));
        } else {
            for (size_t i = 0; i < columns; ++i)
                destination[i] = source[i] | orMask;
        }
    }
}
