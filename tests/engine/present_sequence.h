#pragma once

#include "pixels/argb_image.h"
#include "engine/render_panel.h"

#include <algorithm>
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

inline std::vector<SequenceBlock> presentSequence(uint32_t seed, int32_t panelWidth, int32_t panelHeight, int count)
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

// A run of draws into a frame as the renderer makes them: each step fills a rectangle of the
// frame with noise and is then presented. The rectangles are cut at the frame's edges, as
// the renderer cuts sprites; among them are the whole frame and blocks that end in the
// frame's last row and column. Presenting each step after its draw leaves the final frame
// on screen.
struct FrameStep {
    int32_t x0 = 0;
    int32_t y0 = 0;
    int32_t x1 = 0;
    int32_t y1 = 0;
    uint32_t noise = 0;
};

inline std::vector<FrameStep> frameSteps(uint32_t seed, int32_t width, int32_t height, int count)
{
    std::mt19937 random(seed);
    const auto between = [&](int32_t low, int32_t high) {
        return std::uniform_int_distribution<int32_t>(low, high)(random);
    };
    std::vector<FrameStep> steps;
    for (int i = 0; i < count; ++i) {
        FrameStep step;
        if (i == count / 2) {
            step = { 0, 0, width, height };
        } else if (i % 7 == 3) { // ends in the last row and column
            step = { between(1, width - 1), between(1, height - 1), width, height };
        } else {
            const int32_t side = between(1, 120);
            step.x0 = std::max(between(-side / 2, width - side / 2), 0);
            step.y0 = std::max(between(-side / 2, height - side / 2), 0);
            step.x1 = std::min(step.x0 + side, width);
            step.y1 = std::min(step.y0 + side, height);
        }
        step.noise = static_cast<uint32_t>(random());
        steps.push_back(step);
    }
    return steps;
}

inline void drawStep(ArgbImage& frame, const FrameStep& step)
{
    std::mt19937 noise(step.noise);
    for (int32_t y = step.y0; y < step.y1; ++y) {
        for (int32_t x = step.x0; x < step.x1; ++x)
            frame.row(y)[x] = static_cast<uint32_t>(noise());
    }
}
