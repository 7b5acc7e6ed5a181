#include "engine/buffer_catch_up.h"

#include <algorithm>

BufferCatchUp::BufferCatchUp(std::size_t buffers, int32_t width, int32_t height)
    : m_missed(buffers)
    , m_whole { 0, 0, std::max(width, 0), std::max(height, 0) }
    , m_newest(buffers)
{
    forgetAll();
}

void BufferCatchUp::forgetAll()
{
    for (std::size_t buffer = 0; buffer < m_missed.size(); ++buffer)
        forget(buffer);
    m_newest = m_missed.size();
}

void BufferCatchUp::forget(std::size_t buffer)
{
    m_missed[buffer].clear();
    if (!m_whole.empty())
        m_missed[buffer].push_back(m_whole);
    if (buffer == m_newest)
        m_newest = m_missed.size();
}

std::vector<PixelRect> BufferCatchUp::copiesBefore(std::size_t buffer, const std::vector<PixelRect>& present) const
{
    std::vector<PixelRect> copies;
    if (buffer == m_newest)
        return copies;
    std::vector<int32_t> edges;
    std::vector<PixelRect> across; // the present's rectangles that cross one band, left to right
    for (const PixelRect& missed : m_missed[buffer]) {
        // Cut the missed rectangle into bands of rows in which the same present rectangles
        // cross it; in each band, copy the columns between them.
        edges.assign({ missed.top, missed.bottom });
        for (const PixelRect& cut : present) {
            if (cut.empty() || cut.intersected(missed).empty())
                continue;
            edges.push_back(std::max(cut.top, missed.top));
            edges.push_back(std::min(cut.bottom, missed.bottom));
        }
        std::sort(edges.begin(), edges.end());
        edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
        for (std::size_t band = 0; band + 1 < edges.size(); ++band) {
            const int32_t top = edges[band];
            const int32_t bottom = edges[band + 1];
            across.clear();
            for (const PixelRect& cut : present) {
                if (!cut.empty() && cut.top <= top && cut.bottom >= bottom && cut.right > missed.left
                    && cut.left < missed.right)
                    across.push_back(cut);
            }
            std::sort(across.begin(), across.end(), [](const PixelRect& a, const PixelRect& b) { return a.left < b.left; });
            int32_t left = missed.left;
            for (const PixelRect& cut : across) {
                if (cut.left > left)
                    copies.push_back({ left, top, cut.left, bottom });
                left = std::max(left, cut.right);
            }
            if (left < missed.right)
                copies.push_back({ left, top, missed.right, bottom });
        }
    }
    return copies;
}

void BufferCatchUp::committed(std::size_t buffer, const std::vector<PixelRect>& present)
{
    m_newest = buffer;
    m_missed[buffer].clear();
    for (std::size_t other = 0; other < m_missed.size(); ++other) {
        if (other == buffer)
            continue;
        std::vector<PixelRect>& missed = m_missed[other];
        for (const PixelRect& rect : present) {
            if (!rect.empty())
                missed.push_back(rect);
        }
        if (missed.size() > kMostMissedRects) {
            PixelRect box;
            for (const PixelRect& rect : missed)
                box = box.united(rect);
            missed.assign(1, box);
        }
    }
}
