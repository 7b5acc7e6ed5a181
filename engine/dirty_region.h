#pragma once

#include "pixels/argb_image.h"

#include <cstdint>
#include <vector>

// A rectangle of frame pixels, left and top inclusive, right and bottom exclusive.
struct PixelRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    bool empty() const { return left >= right || top >= bottom; }
    int64_t area() const { return empty() ? 0 : int64_t { right - left } * (bottom - top); }
    // The smallest rectangle holding both; an empty one adds nothing.
    PixelRect united(const PixelRect& other) const
    {
        if (other.empty())
            return *this;
        if (empty())
            return other;
        return { left < other.left ? left : other.left, top < other.top ? top : other.top,
            right > other.right ? right : other.right, bottom > other.bottom ? bottom : other.bottom };
    }
    PixelRect intersected(const PixelRect& other) const;
    bool operator==(const PixelRect&) const = default;
};

// What changed in a frame since it was last presented: the whole frame, or the painted
// stretches of each row, handed out as a few rectangles for a present.
//
// Rows: every row keeps at most kMostSpansPerRow stretches [left, right) of changed pixels;
// stretches that overlap or touch become one, and past the limit the two with the narrowest
// gap between them are joined (seven objects and their mirror copies cross a row at most
// fourteen times, and rarely more than a few at once).
//
// Rectangles: the rows are swept top to bottom. A stretch that overlaps a rectangle of the
// row above grows that rectangle by its row (and to its columns) as long as the rectangle
// then presents no more than a sixteenth of its changed pixels plus kRectPixels beyond them;
// otherwise the rectangle ends and a new one starts at the stretch. Besides its pixels a
// rectangle costs what the screen pays per rectangle, given as rectPixels (the pixels whose
// copy costs as much), so a join is made only where it saves more than that:
//   - a damage box and a pass over its rows: kRectPixels (512). A refresh's trails go out as
//     some tens of rectangles (a hundred or two with the mirror) that present about 1.1 to
//     1.2 times the pixels painted;
//   - an X11 put, one request the server unpacks and clips: kPutPixels (8192; a put takes
//     about 5 us in the server, which copies a pixel in about 0.6 ns). A rectangle of
//     16 x 512 changed pixels then takes in up to 8192 + 512 pixels it did not change.
// Past mostRects rectangles the allowance per rectangle doubles, up to kMostDoublings times;
// past that the pair whose box adds the least area is joined until they fit.
class DirtyRegion {
public:
    static constexpr std::size_t kMostSpansPerRow = 8;
    static constexpr int64_t kRectPixels = 512;
    static constexpr int64_t kPutPixels = 8192;
    static constexpr int64_t kWasteShareDivisor = 16; // kWasteShare = 1 / kWasteShareDivisor
    static constexpr std::size_t kMostRects = 256;
    static constexpr int kMostDoublings = 4;

    // At most this many rectangles from the next add on (at least 1).
    void setMostRects(std::size_t most) { m_mostRects = most < 1 ? 1 : most; }
    std::size_t mostRects() const { return m_mostRects; }
    // What a rectangle costs besides its pixels, in pixels (at least 0).
    void setRectPixels(int64_t pixels);
    int64_t rectPixels() const { return m_rectPixels; }
    // Every pixel of the rectangle changed.
    void add(const PixelRect& rect);
    // The pixels [left, right) of row y changed (y >= 0).
    void addRow(int32_t y, int32_t left, int32_t right);
    // Rows top to bottom changed where a sprite laid offset columns to the right painted them:
    // spans[i] (in sprite columns) for row top + i, cut to the columns [left, right). The
    // painted rows of a whole sprite in one call, which costs a few instructions a row.
    void addSpriteRows(
        int32_t top, int32_t bottom, const SpriteRuns::Span* spans, int32_t offset, int32_t left, int32_t right);
    void markWhole() { m_whole = true; }
    void clear();

    bool whole() const { return m_whole; }
    bool empty() const { return !m_whole && m_top >= m_bottom; }
    // The rectangles that cover what was added since the last clear, by the rule above (also
    // while the whole frame is marked). Where a rectangle widens over columns
    // that one beside it already covers, the two overlap.
    const std::vector<PixelRect>& rects() const;
    PixelRect bounds() const;
    // The pixels the rows hold: what was added, with the gaps that joins filled.
    int64_t rowPixels() const;

private:
    struct Span {
        int32_t left;
        int32_t right;
    };
    void sweep(int64_t rectPixels) const;
    // Makes room for the rows [top, bottom) and takes them into the rows held.
    void holdRows(int32_t top, int32_t bottom);
    void insert(std::size_t row, int32_t left, int32_t right);

    std::vector<Span> m_spans; // kMostSpansPerRow per row, row after row
    std::vector<uint8_t> m_counts; // spans held per row
    int32_t m_top = 0; // the rows holding spans, [m_top, m_bottom)
    int32_t m_bottom = 0;
    std::size_t m_mostRects = kMostRects;
    int64_t m_rectPixels = kRectPixels;
    bool m_whole = false;
    // A rectangle still growing downward in the sweep, with the changed pixels it holds.
    struct Open {
        PixelRect box;
        int64_t changed;
        bool grown; // by the row under way
    };
    mutable std::vector<Open> m_open; // kept between sweeps for its memory
    mutable std::vector<PixelRect> m_rects;
    mutable bool m_rectsValid = true;
};
