#include "engine/dirty_region.h"

#include <algorithm>
#include <limits>

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
    for (int32_t y = std::max(rect.top, 0); y < rect.bottom; ++y)
        addRow(y, rect.left, rect.right);
}

void DirtyRegion::addRow(int32_t y, int32_t left, int32_t right)
{
    if (left >= right || y < 0)
        return;
    holdRows(y, y + 1);
    insert(static_cast<std::size_t>(y), left, right);
}

void DirtyRegion::addSpriteRows(
    int32_t top, int32_t bottom, const SpriteRuns::Span* spans, int32_t offset, int32_t left, int32_t right)
{
    if (top < 0) {
        spans += -int64_t { top };
        top = 0;
    }
    if (top >= bottom || left >= right)
        return;
    holdRows(top, bottom);
    for (int32_t y = top; y < bottom; ++y, ++spans) {
        const int32_t from = std::max(left, spans->begin + offset);
        const int32_t to = std::min(right, spans->end + offset);
        if (from < to)
            insert(static_cast<std::size_t>(y), from, to);
    }
}

void DirtyRegion::holdRows(int32_t top, int32_t bottom)
{
    const auto rows = static_cast<std::size_t>(bottom);
    if (rows > m_counts.size()) {
        m_counts.resize(rows, 0);
        m_spans.resize(m_counts.size() * kMostSpansPerRow);
    }
    if (m_top >= m_bottom) {
        m_top = top;
        m_bottom = bottom;
    } else {
        m_top = std::min(m_top, top);
        m_bottom = std::max(m_bottom, bottom);
    }
    m_rectsValid = false;
}

void DirtyRegion::insert(std::size_t row, int32_t left, int32_t right)
{
    // The row's spans stay sorted, apart and untouching; the new one swallows those it
    // overlaps or touches.
    Span* spans = m_spans.data() + row * kMostSpansPerRow;
    const std::size_t count = m_counts[row];
    std::size_t first = 0;
    while (first < count && spans[first].right < left)
        ++first;
    // Most often the new span overlaps the one found and no other: the trail it follows.
    if (first < count && spans[first].left <= right && (first + 1 == count || spans[first + 1].left > right)) {
        spans[first].left = std::min(spans[first].left, left);
        spans[first].right = std::max(spans[first].right, right);
        return;
    }
    std::size_t last = first; // one past the last span the new one swallows
    Span joined { left, right };
    while (last < count && spans[last].left <= right) {
        joined.left = std::min(joined.left, spans[last].left);
        joined.right = std::max(joined.right, spans[last].right);
        ++last;
    }
    if (last > first) {
        // Several became one: close the gap they leave.
        spans[first] = joined;
        std::copy(spans + last, spans + count, spans + first + 1);
        m_counts[row] = static_cast<uint8_t>(count - (last - first - 1));
        return;
    }
    if (count < kMostSpansPerRow) {
        std::copy_backward(spans + first, spans + count, spans + count + 1);
        spans[first] = joined;
        m_counts[row] = static_cast<uint8_t>(count + 1);
        return;
    }
    // A full row: of the spans with the new one among them, join the two nearest neighbours.
    Span all[kMostSpansPerRow + 1];
    std::copy(spans, spans + first, all);
    all[first] = joined;
    std::copy(spans + first, spans + count, all + first + 1);
    std::size_t nearest = 0;
    for (std::size_t i = 1; i < count; ++i) {
        if (all[i + 1].left - all[i].right < all[nearest + 1].left - all[nearest].right)
            nearest = i;
    }
    all[nearest].right = all[nearest + 1].right;
    std::copy(all, all + nearest + 1, spans);
    std::copy(all + nearest + 2, all + count + 1, spans + nearest + 1);
}

void DirtyRegion::setRectPixels(int64_t pixels)
{
    pixels = std::max<int64_t>(pixels, 0);
    if (pixels != m_rectPixels)
        m_rectsValid = false;
    m_rectPixels = pixels;
}

void DirtyRegion::clear()
{
    if (m_top < m_bottom)
        std::fill(m_counts.begin() + m_top, m_counts.begin() + m_bottom, 0);
    m_top = 0;
    m_bottom = 0;
    m_whole = false;
    m_rects.clear();
    m_rectsValid = true;
}

const std::vector<PixelRect>& DirtyRegion::rects() const
{
    if (m_rectsValid)
        return m_rects;
    m_rectsValid = true;
    for (int doubling = 0; doubling <= kMostDoublings; ++doubling) {
        sweep(m_rectPixels << doubling);
        if (m_rects.size() <= m_mostRects)
            return m_rects;
    }
    // Rectangles side by side never meet in the sweep: join the pair whose box adds the
    // least area, until few enough are left.
    while (m_rects.size() > m_mostRects) {
        std::size_t bestFirst = 0;
        std::size_t bestSecond = 1;
        int64_t bestCost = std::numeric_limits<int64_t>::max();
        for (std::size_t first = 0; first < m_rects.size(); ++first) {
            for (std::size_t second = first + 1; second < m_rects.size(); ++second) {
                const PixelRect& a = m_rects[first];
                const PixelRect& b = m_rects[second];
                const int64_t cost = a.united(b).area() - a.area() - b.area() + a.intersected(b).area();
                if (cost < bestCost) {
                    bestCost = cost;
                    bestFirst = first;
                    bestSecond = second;
                }
            }
        }
        m_rects[bestFirst] = m_rects[bestFirst].united(m_rects[bestSecond]);
        m_rects.erase(m_rects.begin() + static_cast<std::ptrdiff_t>(bestSecond));
    }
    return m_rects;
}

void DirtyRegion::sweep(int64_t rectPixels) const
{
    std::vector<Open>& open = m_open;
    open.clear();
    m_rects.clear();
    const auto fits = [rectPixels](const PixelRect& box, int64_t changed) {
        return box.area() - changed <= changed / kWasteShareDivisor + rectPixels;
    };
    for (int32_t y = m_top; y <= m_bottom; ++y) {
        for (Open& rect : open)
            rect.grown = false;
        const std::size_t count = y < m_bottom ? m_counts[static_cast<std::size_t>(y)] : 0;
        const Span* spans = m_spans.data() + static_cast<std::size_t>(y) * kMostSpansPerRow;
        for (std::size_t i = 0; i < count; ++i) {
            const Span span = spans[i];
            const int64_t width = span.right - span.left;
            const auto overlaps = [&](const Open& rect) {
                return rect.box.left < span.right && span.left < rect.box.right;
            };
            // A rectangle that already took this row must take the span too, or the two
            // would share the row's pixels.
            auto above = std::find_if(open.begin(), open.end(), [&](const Open& rect) { return rect.grown && overlaps(rect); });
            if (above == open.end())
                above = std::find_if(open.begin(), open.end(), overlaps);
            if (above != open.end()) {
                const PixelRect grown = above->box.united({ span.left, y, span.right, y + 1 });
                if (above->grown || fits(grown, above->changed + width)) {
                    above->box = grown;
                    above->changed += width;
                    above->grown = true;
                    continue;
                }
                m_rects.push_back(above->box);
                open.erase(above);
            }
            open.push_back({ { span.left, y, span.right, y + 1 }, width, true });
        }
        // What the row did not grow ends above it.
        for (auto rect = open.begin(); rect != open.end();) {
            if (rect->grown) {
                ++rect;
                continue;
            }
            m_rects.push_back(rect->box);
            rect = open.erase(rect);
        }
    }
}

PixelRect DirtyRegion::bounds() const
{
    PixelRect bounds;
    for (int32_t y = m_top; y < m_bottom; ++y) {
        const std::size_t count = m_counts[static_cast<std::size_t>(y)];
        if (count == 0)
            continue;
        const Span* spans = m_spans.data() + static_cast<std::size_t>(y) * kMostSpansPerRow;
        bounds = bounds.united({ spans[0].left, y, spans[count - 1].right, y + 1 });
    }
    return bounds;
}

int64_t DirtyRegion::rowPixels() const
{
    int64_t pixels = 0;
    for (int32_t y = m_top; y < m_bottom; ++y) {
        const Span* spans = m_spans.data() + static_cast<std::size_t>(y) * kMostSpansPerRow;
        for (std::size_t i = 0; i < m_counts[static_cast<std::size_t>(y)]; ++i)
            pixels += spans[i].right - spans[i].left;
    }
    return pixels;
}
