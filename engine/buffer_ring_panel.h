#pragma once

#include "engine/buffer_catch_up.h"
#include "engine/render_panel.h"

#include <cstdint>
#include <vector>

// A render panel over a few screen buffers that take turns on screen, owned by the caller
// (memory shared with a compositor, which reads a buffer until it gives it back). Before
// each present the owner names the buffer it goes into, one nobody else reads or writes
// then. At the end of the outermost begin/end pair that buffer is brought up to date from
// the newest buffer with what it missed and the present does not cover, and the present's
// blocks are written into it, so every pixel of a present is copied about once. Once the
// owner has put that buffer on screen it calls committed(), and the buffer is the newest.
// The buffers are XRGB: blocks are copied as they are, their top byte included.
class BufferRingPanel final : public RenderPanel {
public:
    BufferRingPanel(std::size_t buffers, int32_t width, int32_t height);

    // A new size: every buffer is dropped until setBuffer names it again.
    void resize(int32_t width, int32_t height);
    // The pixels of one buffer, width x height in rows of width, made anew: what it holds is
    // unknown until a present writes it whole or catches it up.
    void setBuffer(std::size_t buffer, uint32_t* pixels);
    // The buffer the next present goes into.
    void setTarget(std::size_t buffer) { m_target = buffer; }
    // Of the buffers marked free (given pixels, and read by nobody now), the one a present
    // costs least to go into: the newest, which needs no catch-up (a compositor that gives a
    // buffer back as soon as it has read it gets the same one every time), else the one that
    // missed the fewest pixels. -1 when none is free.
    int cheapestTarget(const std::vector<bool>& free) const;
    // Whether a buffer has been committed, to catch the others up from. Until then a present
    // must cover the whole panel.
    bool hasNewest() const { return m_catchUp.hasNewest(); }
    // What the last present changed, cut to the panel: the damage to report.
    const std::vector<PixelRect>& presented() const { return m_presented; }
    // The target of the last present is on screen.
    void committed();
    // Whether invalidate was called since the last takeInvalidation.
    bool takeInvalidation();

    int32_t deviceWidth() const override { return m_width; }
    int32_t deviceHeight() const override { return m_height; }
    void beginPresent() override;
    void endPresent() override;
    void present(const PixelBlock& block, int32_t x, int32_t y) override;
    void invalidate() override { m_invalidated = true; }

private:
    struct PlacedBlock {
        PixelBlock block;
        int32_t x = 0;
        int32_t y = 0;
    };

    void write();

    int32_t m_width;
    int32_t m_height;
    std::vector<uint32_t*> m_pixels;
    BufferCatchUp m_catchUp;
    std::size_t m_target = 0;
    std::vector<PlacedBlock> m_blocks; // of the present under way, written at its end
    std::vector<PixelRect> m_presented;
    int m_depth = 0; // begin/end pairs open; the renderer's nest
    bool m_invalidated = false;
};
