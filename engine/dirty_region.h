#pragma once

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
    PixelRect united(const PixelRect& other) const;
    PixelRect intersected(const PixelRect& other) const;
    bool operator==(const PixelRect&) const = default;
};

// What changed in a frame since it was last presented: the whole frame, or a few
// rectangles. Every sprite adds its rectangle, so a refresh's worth of sprites (a hundred
// or more) would make as many presents; the region instead keeps at most kMostRects
// rectangles, joining the two whose union adds the least area whenever there are more, and
// joining any two whose union costs nothing extra. A present per refresh then sends a few
// blocks, never one per sprite, and little that did not change. A screen whose present
// costs per pixel rather than per block (a copy in the program's own memory) keeps more.
class DirtyRegion {
public:
    static constexpr std::size_t kMostRects = 4;

    // At most this many rectangles from the next add on (at least 1).
    void setMostRects(std::size_t most) { m_mostRects = most < 1 ? 1 : most; }
    std::size_t mostRects() const { return m_mostRects; }
    void add(const PixelRect& rect);
    void markWhole() { m_whole = true; }
    void clear();

    bool whole() const { return m_whole; }
    bool empty() const { return !m_whole && m_rects.empty(); }
    // The rectangles added since the last clear() (also while the whole frame is marked).
    const std::vector<PixelRect>& rects() const { return m_rects; }
    PixelRect bounds() const;

private:
    std::vector<PixelRect> m_rects;
    std::vector<std::vector<int64_t>> m_costs; // of joining each pair, as add explains
    std::size_t m_mostRects = kMostRects;
    bool m_whole = false;
};
