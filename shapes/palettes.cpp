#include "shapes/palettes.h"

#include "shapes/colors.h"

#include <cstddef>

namespace {

double mapFraction(int32_t coordinate, int32_t side)
{
    return side > 0 ? static_cast<double>(coordinate) / static_cast<double>(side) : 0.0;
}

uint32_t pathColor(int32_t palette, const PathPoint& point, int32_t mapWidth, int32_t mapHeight)
{
    const uint32_t rgb = paletteColor(palette, mapFraction(point.x, mapWidth), mapFraction(point.y, mapHeight));
    return pickerRgbToColorref(rgb);
}

} // namespace

uint32_t paletteColor(int32_t palette, double fx, double fy)
{
    const double hue = fx * 360.0;
    switch (palette) {
    case 0:
        return hslToRgb(hue, 0.36f, static_cast<float>(fy));
    case 1:
        return hslToRgb(hue, static_cast<float>(1.0 - fy), 0.6f);
    case 2:
        return hslToRgb(hue, 0.6f, static_cast<float>(2.0 * fy));
    case 3:
        return hslToRgb(hue, static_cast<float>(3.0 * fy), static_cast<float>(fy));
    default:
        return 0;
    }
}

void PaletteChoice::next()
{
    m_index = (m_index >= kPaletteCount - 1 || m_index < -1) ? 0 : m_index + 1;
}

std::array<uint32_t, 7> pickObjectColors(
    int32_t palette, std::span<const PathPoint> path, int32_t mapWidth, int32_t mapHeight)
{
    std::array<uint32_t, 7> colors {};
    if (path.empty())
        return colors;
    const double step = static_cast<double>(path.size()) / 7.0;
    for (std::size_t k = 0; k < 6; ++k) {
        const auto index = static_cast<std::size_t>(static_cast<double>(k) * step);
        colors[k] = pathColor(palette, path[index], mapWidth, mapHeight);
    }
    colors[6] = pathColor(palette, path.back(), mapWidth, mapHeight);
    return colors;
}
