#pragma once

#include "engine/dirty_region.h"

#include <cstdint>

// The seam between the renderer and the screen. A render panel is the surface a painter
// draws on: it tells its size, takes blocks of ARGB pixels between beginPresent and
// endPresent (which stand for getting and releasing a drawing context), and can be asked to
// repaint itself later. The Qt panel
// (PicturePanel) implements it on a widget; RecordingPanel implements it headless for tests
// and tools.

// Which row of a block is the top row on screen.
enum class RowOrder {
    TopDown, // the first row in memory is the top row on screen
    BottomUp, // the first row in memory is the bottom row on screen
};

// A block of 32-bit ARGB pixels (the byte order of ArgbImage; the screen ignores the top
// byte). Row r starts at pixels + r x rowLength; rowLength >= width, so a block can be a
// window onto a larger image.
struct PixelBlock {
    const uint32_t* pixels = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    int32_t rowLength = 0;
    RowOrder order = RowOrder::TopDown;
    // Every pixel of the block is 0, as in a frame nothing has been drawn on yet: a panel
    // may show it as all 0 (black) without reading the pixels.
    bool allZero = false;
};

class RenderPanel {
public:
    RenderPanel() = default;
    virtual ~RenderPanel() = default;
    RenderPanel(const RenderPanel&) = delete;
    RenderPanel& operator=(const RenderPanel&) = delete;

    virtual int32_t deviceWidth() const = 0;
    virtual int32_t deviceHeight() const = 0;

    // Presents happen between these two; the panel may gather the blocks of one
    // begin/end pair into one screen update, and every block is on screen when
    // endPresent returns.
    virtual void beginPresent() = 0;
    virtual void endPresent() = 0;
    // Puts the block on screen with its top-left pixel at (x, y); what falls outside the
    // panel is cut off.
    virtual void present(const PixelBlock& block, int32_t x, int32_t y) = 0;

    // What one more block of a present costs the panel besides its pixels, as the pixels
    // whose copy costs as much (see DirtyRegion): a damage box by default.
    virtual int64_t blockCostPixels() const { return DirtyRegion::kRectPixels; }

    // Asks for a repaint of the whole panel later, through its painter.
    virtual void invalidate() = 0;
};

// Copies the block into a screen of screenWidth x screenHeight pixels (rows of
// screenRowLength pixels, top row first) with the block's top-left pixel at (x, y),
// honouring its row order and cutting off whatever falls outside; a block marked allZero
// writes 0 without reading its pixels. Every written pixel is ORed with orMask
// (0xFF000000 makes it opaque for screens that need that).
void blitBlock(uint32_t* screen, int32_t screenWidth, int32_t screenHeight, int32_t screenRowLength,
    const PixelBlock& block, int32_t x, int32_t y, uint32_t orMask = 0);
