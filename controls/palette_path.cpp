#include "controls/palette_path.h"

#include <algorithm>
#include <cmath>

namespace {

// A float truncated towards zero, held inside a range that any map coordinate fits in,
// so that a segment with a very small slope cannot overflow the conversion.
int32_t truncated(float value)
{
    constexpr float kLimit = 1 << 30;
    if (!(value > -kLimit))
        return -(1 << 30);
    if (value > kLimit)
        return 1 << 30;
    return static_cast<int32_t>(value);
}

int32_t limited(int32_t value, int32_t low, int32_t high)
{
    return std::max(low, std::min(value, high));
}

uint32_t brightened(uint32_t channel, int32_t amount)
{
    return static_cast<uint32_t>(limited(static_cast<int32_t>(channel) + amount, 0, 255));
}

} // namespace

PalettePath::PalettePath()
{
    m_points.reserve(kMaxPoints);
}

void PalettePath::setSize(int32_t width, int32_t height)
{
    m_width = std::max(0, width);
    m_height = std::max(0, height);
}

void PalettePath::setBrushScale(int32_t scale)
{
    m_brushScale = std::max(1, scale);
}

void PalettePath::fillMap()
{
    if (m_map.width != m_width || m_map.height != m_height)
        m_map.setSize(m_width, m_height);
    for (int32_t y = 0; y < m_height; ++y) {
        uint32_t* row = m_map.row(y);
        const double fy = static_cast<double>(y) / m_height;
        for (int32_t x = 0; x < m_width; ++x)
            row[x] = getColor(static_cast<double>(x) / m_width, fy);
    }
}

void PalettePath::build()
{
    if (!m_mapMade) {
        m_map.setSize(m_width, m_height);
        fillMap();
        m_view.setSize(m_width, m_height);
        m_mapMade = true;
    }
    std::copy(m_map.pixels.begin(), m_map.pixels.end(), m_view.pixels.begin());
    drawPoints();
}

void PalettePath::rebuild()
{
    m_map = ArgbImage();
    m_view = ArgbImage();
    m_mapMade = false;
    build();
}

void PalettePath::drawPoints()
{
    for (std::size_t k = 1; k < m_points.size(); ++k) {
        const PathPoint& from = m_points[k - 1];
        const PathPoint& to = m_points[k];
        drawLine(static_cast<float>(from.x), static_cast<float>(from.y), static_cast<float>(to.x),
                 static_cast<float>(to.y));
    }
}

void PalettePath::drawLine(float x0, float y0, float x1, float y1)
{
    const int32_t xmin = truncated(std::min(x0, x1));
    const int32_t xmax = truncated(std::max(x0, x1));
    const int32_t ymin = truncated(std::min(y0, y1));
    const int32_t ymax = truncated(std::max(y0, y1));
    if (truncated(y0) == truncated(y1)) {
        for (int32_t x = xmin; x <= xmax; ++x)
            drawPoint(x, truncated(y0));
    } else if (x0 == x1) {
        for (int32_t y = ymin; y <= ymax; ++y)
            drawPoint(truncated(x0), y);
    } else {
        const float slope = (y1 - y0) / (x1 - x0);
        const float intercept = y1 - slope * x1;
        if (ymax - ymin > xmax - xmin) {
            for (int32_t y = ymin; y < ymax; ++y)
                drawPoint(truncated((static_cast<float>(y) - intercept) / slope), y);
        } else {
            for (int32_t x = xmin; x < xmax; ++x)
                drawPoint(x, truncated(static_cast<float>(x) * slope + intercept));
        }
    }
}

void PalettePath::drawPoint(int32_t x, int32_t y)
{
    // The brush's centre cell starts at (x, y); its arms reach one cell further each way.
    const int32_t cell = m_brushScale;
    x = limited(x, cell, m_width - 2 * cell);
    y = limited(y, cell, m_height - 2 * cell);
    static constexpr int32_t kArms[5][2] = { { 0, -1 }, { 1, 0 }, { 0, 1 }, { -1, 0 }, { 0, 0 } };
    for (const auto& arm : kArms) {
        const int32_t left = x + arm[0] * cell;
        const int32_t top = y + arm[1] * cell;
        for (int32_t j = 0; j < cell; ++j)
            for (int32_t i = 0; i < cell; ++i)
                lumi(left + i, top + j, kBrushAmount);
    }
}

void PalettePath::lumi(int32_t x, int32_t y, int32_t amount)
{
    if (x < 0 || y < 0 || x >= m_view.width || y >= m_view.height || x >= m_map.width || y >= m_map.height)
        return;
    const uint32_t pixel = m_map.row(y)[x];
    const uint32_t blue = brightened(pixel & 0xFF, amount);
    const uint32_t green = brightened((pixel >> 8) & 0xFF, amount);
    const uint32_t red = brightened((pixel >> 16) & 0xFF, amount);
    m_view.row(y)[x] = (255 - red) | (blue << 8) | (green << 16);
}

void PalettePath::press(bool leftButton)
{
    if (!leftButton)
        return;
    m_dragging = true;
    m_points.clear();
}

bool PalettePath::move(int32_t x, int32_t y)
{
    if (!m_dragging || pointCount() >= kMaxPoints)
        return false;
    // H - Y is formed wide: Y comes from outside and may be anything.
    const int64_t row = static_cast<int64_t>(m_height) - y;
    m_points.push_back({ limited(x, 0, m_width - 1),
                         static_cast<int32_t>(std::clamp<int64_t>(row, 0, std::max(0, m_height - 1))) });
    return true;
}

bool PalettePath::release()
{
    m_dragging = false;
    if (m_points.empty())
        return false;
    m_colors = pickObjectColors(choice().index(), m_points, m_width, m_height);
    return true;
}

void PalettePath::nextPalette()
{
    choice().next();
    showPalette();
}

void PalettePath::usePalette(int32_t palette)
{
    choice().set(palette);
    showPalette();
}

void PalettePath::showPalette()
{
    m_points.clear();
    if (m_mapMade) {
        fillMap();
        build();
    }
}

void PalettePath::classicPalette()
{
    choice().set(-1);
    nextPalette();
}

uint32_t PalettePath::getColor(double fx, double fy) const
{
    return paletteColor(choice().index(), fx, fy);
}
