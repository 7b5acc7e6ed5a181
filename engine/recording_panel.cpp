#include "engine/recording_panel.h"

RecordingPanel::RecordingPanel(int32_t width, int32_t height)
{
    setSize(width, height);
}

void RecordingPanel::setSize(int32_t width, int32_t height)
{
    m_width = width;
    m_height = height;
    screen.setSize(width, height);
}

void RecordingPanel::beginPresent()
{
    ++begins;
    if (m_depth++ == 0)
        ++batches;
}

void RecordingPanel::endPresent()
{
    ++ends;
    if (m_depth > 0)
        --m_depth;
}

void RecordingPanel::present(const PixelBlock& block, int32_t x, int32_t y)
{
    if (m_depth == 0)
        ++presentsOutsideBegin;
    blitBlock(screen.pixels.data(), screen.width, screen.height, screen.width, block, x, y);
    if (!recordPresents)
        return;
    PresentRecord record { x, y, block.width, block.height, block.order, batches, {} };
    if (keepPixels && block.pixels && block.width > 0 && block.height > 0) {
        record.pixels.reserve(static_cast<size_t>(block.width) * static_cast<size_t>(block.height));
        for (int32_t shownRow = 0; shownRow < block.height; ++shownRow) {
            const int32_t memoryRow = block.order == RowOrder::TopDown ? shownRow : block.height - 1 - shownRow;
            const uint32_t* row = block.pixels + static_cast<size_t>(memoryRow) * static_cast<size_t>(block.rowLength);
            record.pixels.insert(record.pixels.end(), row, row + block.width);
        }
    }
    presents.push_back(std::move(record));
}
