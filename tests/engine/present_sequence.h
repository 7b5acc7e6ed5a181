#pragma once

#include "engine/render_panel.h"

#include <cstdint>
#include <random>
#include <vector>

// A fixed, varied run of presents for comparing what two ways to the screen show: blocks
// of noise with random top bytes, both row orders, windows onto wider rows, blocks cut at
// every edge of the panel, black blocks marked as such, and a large block that spans the
// whole panel, drawn in order
// so that later blocks overlap earlier ones.
struct SequenceBlock {
    std::vector<uint32_t> pixels;
    PixelBlock block;
    int32_t x = 0;
    int32_t y = 0;
};

inline std::vector<SequenceBlock> PresentSequence(uint32_t seed, int32_t panelWidth, int32_t panelHeight, int count)
{
    std::mt19937 random(seed);
    const auto between = [&](int32_t low, int32_t high) {
        return std::uniform_int_distribution<int32_t>(low, high)(random);
    };
    std::vector<SequenceBlock> sequence(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        SequenceBlock& item = sequence[static_cast<size_t>(i)];
        const bool whole = i == count / 2;
        const int32_t width = whole ? panelWidth + 40 : between(1, 160);
        const int32_t height = whole ? panelHeight + 40 : between(1, 160);
        const int32_t rowLength = width + (between(0, 1) != 0 ? between(1, 9) : 0);
        // Every ninth block is black and says so, which a panel may show as a fill.
        const bool allZero = !whole && i % 9 == 4;
        item.pixels.resize(static_cast<size_t>(rowLength) * static_cast<size_t>(height));
        for (uint32_t& pixel : item.pixels)
            pixel = allZero ? 0u : static_cast<uint32_t>(random());
        item.block = { item.pixels.data(), width, height, rowLength,
            between(0, 3) == 0 ? RowOrder::BottomUp : RowOrder::TopDown, allZero };
        item.x = whole ? -20 : between(-width / 2, panelWidth - width / 2);
        item.y = whole ? -20 : between(-height / 2, panelHeight - height / 2);
    }
    return sequence;
}
