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

namespace {

// The area a join of the two adds beyond what they cover.
int64_t joinCost(const PixelRect& first, const PixelRect& second)
{
    return first.united(second).area() - first.area() - second.area() + first.intersected(second).area();
}

} // namespace

void DirtyRegion::add(const PixelRect& rect)
{
    if (rect.empty())
        return;
    // The cost of every pair is kept between adds (m_costs[first][second], first < second),
    // so that an add computes only the new rectangle's pairs and a join only the joined one's.
    const std::size_t added = m_rects.size();
    m_rects.push_back(rect);
    m_costs.resize(m_rects.size());
    m_costs[added].assign(m_rects.size(), 0);
    for (std::size_t first = 0; first < added; ++first) {
        m_costs[first].resize(m_rects.size());
        m_costs[first][added] = joinCost(m_rects[first], rect);
    }
    // Join pairs while one costs nothing extra, or while there are too many; the cheapest
    // pair first (the first such pair in order). Never more than the most allowed + 1
    // rectangles, so this stays small.
    for (;;) {
        std::size_t bestFirst = 0;
        std::size_t bestSecond = 0;
        int64_t bestCost = std::numeric_limits<int64_t>::max();
        for (std::size_t first = 0; first < m_rects.size(); ++first) {
            for (std::size_t second = first + 1; second < m_rects.size(); ++second) {
                if (m_costs[first][second] < bestCost) {
                    bestCost = m_costs[first][second];
                    bestFirst = first;
                    bestSecond = second;
                }
            }
        }
        if (bestCost == std::numeric_limits<int64_t>::max() || (bestCost > 0 && m_rects.size() <= m_mostRects))
            return;
        m_rects[bestFirst] = m_rects[bestFirst].united(m_rects[bestSecond]);
        m_rects.erase(m_rects.begin() + static_cast<std::ptrdiff_t>(bestSecond));
        m_costs.erase(m_costs.begin() + static_cast<std::ptrdiff_t>(bestSecond));
        for (std::vector<int64_t>& row : m_costs)
            row.erase(row.begin() + static_cast<std::ptrdiff_t>(bestSecond));
        for (std::size_t other = 0; other < m_rects.size(); ++other) {
            if (other < bestFirst)
                m_costs[other][bestFirst] = joinCost(m_rects[other], m_rects[bestFirst]);
            else if (other > bestFirst)
                m_costs[bestFirst][other] = joinCost(m_rects[bestFirst], m_rects[other]);
        }
    }
}

void DirtyRegion::clear()
{
    m_rects.clear();
    m_costs.clear();
    m_whole = false;
}

PixelRect DirtyRegion::bounds() const
{
    PixelRect bounds;
    for (const PixelRect& rect : m_rects)
        bounds = bounds.united(rect);
    return bounds;
}
