#include "engine/buffer_ring_panel.h"

#include <algorithm>
#include <cstring>

BufferRingPanel::BufferRingPanel(std::size_t buffers, int32_t width, int32_t height)
    : m_width(width)
    , m_height(height)
    , m_pixels(buffers, nullptr)
    , m_catchUp(buffers, width, height)
{
}

void BufferRingPanel::resize(int32_t width, int32_t height)
{
    m_width = width;
    m_height = height;
    std::fill(m_pixels.begin(), m_pixels.end(), nullptr);
    m_catchUp = BufferCatchUp(m_pixels.size(), width, height);
}

void BufferRingPanel::setBuffer(std::size_t buffer, uint32_t* pixels)
{
    m_pixels[buffer] = pixels;
    m_catchUp.forget(buffer);
}

int BufferRingPanel::cheapestTarget(const std::vector<bool>& free) const
{
    int cheapest = -1;
    int64_t cheapestMissed = 0;
    for (std::size_t buffer = 0; buffer < free.size() && buffer < m_pixels.size(); ++buffer) {
        if (!free[buffer] || m_pixels[buffer] == nullptr)
            continue;
        int64_t missed = 0;
        if (!(m_catchUp.hasNewest() && m_catchUp.newest() == buffer)) {
            for (const PixelRect& rect : m_catchUp.missed(buffer))
                missed += rect.area();
        }
        if (cheapest < 0 || missed < cheapestMissed) {
            cheapest = static_cast<int>(buffer);
            cheapestMissed = missed;
        }
    }
    return cheapest;
}

void BufferRingPanel::committed() { m_catchUp.committed(m_target, m_presented); }

bool BufferRingPanel::takeInvalidation()
{
    const bool invalidated = m_invalidated;
    m_invalidated = false;
    return invalidated;
}

void BufferRingPanel::beginPresent()
{
    if (m_depth++ == 0) {
        m_blocks.clear();
        m_presented.clear();
    }
}

void BufferRingPanel::present(const PixelBlock& block, int32_t x, int32_t y)
{
    const PixelRect shown = PixelRect { x, y, x + block.width, y + block.height }.intersected({ 0, 0, m_width, m_height });
    if (shown.empty())
        return;
    m_blocks.push_back({ block, x, y });
    m_presented.push_back(shown);
    // A present outside a begin/end pair is written at once.
    if (m_depth == 0) {
        write();
        m_blocks.clear();
    }
}

void BufferRingPanel::endPresent()
{
    if (m_depth > 0 && --m_depth > 0)
        return;
    // The blocks point into the renderer's frame, which stays as it is until the pair ends.
    write();
    m_blocks.clear();
}

void BufferRingPanel::write()
{
    uint32_t* target = m_target < m_pixels.size() ? m_pixels[m_target] : nullptr;
    if (target == nullptr || m_presented.empty())
        return;
    if (m_catchUp.hasNewest() && m_pixels[m_catchUp.newest()] != nullptr) {
        const uint32_t* newest = m_pixels[m_catchUp.newest()];
        for (const PixelRect& copy : m_catchUp.copiesBefore(m_target, m_presented)) {
            for (int32_t row = copy.top; row < copy.bottom; ++row) {
                const std::size_t offset
                    = static_cast<std::size_t>(row) * static_cast<std::size_t>(m_width) + static_cast<std::size_t>(copy.left);
                std::memcpy(target + offset, newest + offset, static_cast<std::size_t>(copy.right - copy.left) * 4);
            }
        }
    }
    for (const PlacedBlock& placed : m_blocks)
        blitBlock(target, m_width, m_height, m_width, placed.block, placed.x, placed.y);
}
