#include "engine/dirty_region.h"

#include <algorithm>
#include <limits>

PixelRect PixelRect::united(const PixelRect& other) const
{
    if (other.empty())
        return *this;
    if (empty())
        return other;
    return { std::min(left, other.left), std::min(top, other.top), std::max(right, other.right),
        std::max(bottom, other.bottom) };
}

PixelRect PixelRect::intersected(const PixelRect& other) const
{
    const PixelRect cut { std::max(left, other.left), std::max(top, other.top), std::min(right, other.right),
        std::min(bottom, other.bottom) };
    return cut.empty() ? PixelRect {} : cut;
}

void DirtyRegion::add(const PixelRect& rect)
{
    if (rect.empty())
        return;
    m_rects.push_back(rect);
    // Join pairs while one costs nothing extra, or while there are too many; the cheapest
    // pair first. Never more than kMostRects + 1 rectangles, so this stays small.
    for (;;) {
        std::size_t bestFirst = 0;
        std::size_t bestSecond = 0;
        int64_t bestCost = std::numeric_limits<int64_t>::max();
        for (std::size_t first = 0; first < m_rects.size(); ++first) {
            for (std::size_t second = first + 1; second < m_rects.size(); ++second) {
                const int64_t cost = m_rects[first].united(m_rects[second]).area() - m_rects[first].area()
                    - m_rects[second].area() + m_rects[first].intersected(m_rects[second]).area();
                if (cost < bestCost) {
                    bestCost = cost;
                    bestFirst = first;
                    bestSecond = second;
                }
            }
        }
        if (bestCost == std::numeric_limits<int64_t>::max() || (bestCost > 0 && m_rects.size() <= kMostRects))
            return;
        m_rects[bestFirst] = m_rects[bestFirst].united(m_rects[bestSecond]);
        m_rects.erase(m_rects.begin() + static_cast<std::ptrdiff_t>(bestSecond));
    }
}

void DirtyRegion::clear()
{
    m_rects.clear();
    m_whole = false;
}

PixelRect DirtyRegion::bounds() const
{
    PixelRect bounds;
    for (const PixelRect& rect : m_rects)
        bounds = bounds.united(rect);
    return bounds;
}
