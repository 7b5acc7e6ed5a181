#pragma once

#include "pixels/argb_image.h"
#include "engine/render_panel.h"

#include <cstddef>
#include <vector>

// A render panel without a window: it keeps what would be on screen in an ArgbImage and
// records every present, so tests can check what the renderer sent and tools can render
// headless. The screen keeps the presented bytes as they are, top byte included.
class RecordingPanel final : public RenderPanel {
public:
    struct PresentRecord {
        int32_t x = 0;
        int32_t y = 0;
        int32_t width = 0;
        int32_t height = 0;
        RowOrder order = RowOrder::TopDown;
        int32_t batch = 0; // which outermost begin/end pair it came in, counted from 1
        std::vector<uint32_t> pixels; // the block top row first as shown, when keepPixels is set
    };

    RecordingPanel(int32_t width, int32_t height);

    // Changes the size the panel reports; the screen is reallocated black.
    void setSize(int32_t width, int32_t height);

    int32_t deviceWidth() const override { return m_width; }
    int32_t deviceHeight() const override { return m_height; }
    void beginPresent() override;
    void endPresent() override;
    void present(const PixelBlock& block, int32_t x, int32_t y) override;
    void invalidate() override { ++invalidations; }
    int64_t blockCostPixels() const override { return blockCost; }

    ArgbImage screen;
    std::vector<PresentRecord> presents;
    bool recordPresents = true;
    bool keepPixels = false;
    int64_t blockCost = DirtyRegion::kRectPixels; // what the panel says a block costs
    int begins = 0; // every beginPresent, nested ones too
    int batches = 0; // outermost begin/end pairs
    int ends = 0;
    int presentsOutsideBegin = 0;
    int invalidations = 0;

private:
    int32_t m_width = 0;
    int32_t m_height = 0;
    int m_depth = 0;
};
