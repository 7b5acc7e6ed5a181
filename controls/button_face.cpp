#include "controls/button_face.h"

#include "shapes/shape_rasteriser.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// Copies the side x side block of the sphere at (fromX, fromY) to the pad at (toX, toY),
// cut to the pad; the sphere block always lies inside the sphere.
void copyQuarter(const ArgbImage& sphere, int32_t fromX, int32_t fromY, ArgbImage& pad, int32_t toX, int32_t toY,
                 int32_t side)
{
    const int32_t firstX = std::max(0, -toX);
    const int32_t endX = std::min(side, pad.width - toX);
    const int32_t firstY = std::max(0, -toY);
    const int32_t endY = std::min(side, pad.height - toY);
    if (firstX >= endX)
        return;
    const auto count = static_cast<std::size_t>(endX - firstX) * sizeof(uint32_t);
    for (int32_t y = firstY; y < endY; ++y)
        std::memcpy(pad.row(toY + y) + toX + firstX, sphere.row(fromY + y) + fromX + firstX, count);
}

} // namespace

Shape buttonShape()
{
    Shape shape = newShape();
    shape.color = 0x00DC6464;
    shape.lColor = 0x00FFFFFF;
    shape.ambient = 0.5f;
    shape.mirror = 0.5f;
    return shape;
}

Shape frontFaceShape(const Shape& shape)
{
    // Light from the lower right makes the dome read as a dent: the button is down.
    Shape front = shape;
    front.lightX = -shape.lightX;
    front.lightY = -shape.lightY;
    front.color = kFrontFaceColor;
    return front;
}

void buildButtonFace(const Shape& shape, int32_t width, int32_t height, ArgbImage& pad, ArgbImage& sphere)
{
    pad.setSize(width, height);
    const int64_t wanted = static_cast<int64_t>(shape.radiusPx) + 1;
    if (wanted < 1) {
        sphere.setSize(0, 0);
        return;
    }
    const auto bevel = static_cast<int32_t>(std::min<int64_t>(wanted, kMaxButtonBevel));
    const int32_t side = 2 * bevel;
    sphere.setSize(side, side);
    Shape drawn = shape;
    drawn.radiusPx = bevel - 1;
    renderShape(sphere.pixels.data(), side, side, drawn);

    const int32_t w = pad.width;
    const int32_t h = pad.height;
    if (w == 0 || h == 0)
        return;

    copyQuarter(sphere, 0, 0, pad, 0, 0, bevel);
    copyQuarter(sphere, bevel, 0, pad, w - bevel, 0, bevel);
    copyQuarter(sphere, 0, bevel, pad, 0, h - bevel, bevel);
    copyQuarter(sphere, bevel, bevel, pad, w - bevel, h - bevel, bevel);

    // Top and bottom bands: each row repeats its pixel at column B - 1. They exist only
    // when the face is wider than the sphere, so column B - 1 is then inside.
    if (w - bevel > bevel) {
        for (int32_t y = 0; y < h; ++y) {
            if (y >= bevel && y < h - bevel)
                continue;
            uint32_t* row = pad.row(y);
            std::fill(row + bevel, row + w - bevel, row[bevel - 1]);
        }
    }

    // Left and right bands and the centre: rows between the corners.
    if (h - bevel > bevel) {
        const uint32_t* edge = pad.row(bevel - 1);
        const uint32_t centre = sphere.row(bevel - 1)[bevel - 1];
        const int32_t leftEnd = std::min(bevel, w);
        const int32_t rightStart = std::max(leftEnd, w - bevel);
        for (int32_t y = bevel; y < h - bevel; ++y) {
            uint32_t* row = pad.row(y);
            std::memcpy(row, edge, static_cast<std::size_t>(leftEnd) * sizeof(uint32_t));
            if (w - bevel > bevel)
                std::fill(row + bevel, row + w - bevel, centre);
            std::memcpy(row + rightStart, edge + rightStart, static_cast<std::size_t>(w - rightStart) * sizeof(uint32_t));
        }
    }
}

ArgbImage buildButtonFace(const Shape& shape, int32_t width, int32_t height)
{
    ArgbImage pad;
    ArgbImage sphere;
    buildButtonFace(shape, width, height, pad, sphere);
    return pad;
}

std::vector<RegionSpan> roundRectSpans(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t ellipseWidth,
                                       int32_t ellipseHeight)
{
    std::vector<RegionSpan> spans;
    if (right <= left || bottom <= top)
        return spans;
    const double radiusX = std::max(0, std::min(ellipseWidth, right - left)) / 2.0;
    const double radiusY = std::max(0, std::min(ellipseHeight, bottom - top)) / 2.0;
    spans.reserve(static_cast<std::size_t>(bottom - top));
    for (int32_t y = top; y < bottom; ++y) {
        // How far the row's centre lies into a corner, measured from the ellipse's centre.
        const double centreY = y + 0.5;
        double intoCorner = 0.0;
        if (centreY < top + radiusY)
            intoCorner = top + radiusY - centreY;
        else if (centreY > bottom - radiusY)
            intoCorner = centreY - (bottom - radiusY);
        int32_t first = left;
        int32_t end = right;
        if (intoCorner > 0.0 && radiusX > 0.0) {
            const double ratio = intoCorner / radiusY;
            const double reach = radiusX * std::sqrt(std::max(0.0, 1.0 - ratio * ratio));
            first = std::max(left, static_cast<int32_t>(std::ceil(left + radiusX - reach - 0.5)));
            end = std::min(right, static_cast<int32_t>(std::floor(right - radiusX + reach - 0.5)) + 1);
        }
        if (first < end)
            spans.push_back({ y, first, end });
    }
    return spans;
}

std::vector<RegionSpan> buttonRegion(int32_t width, int32_t height, int32_t bevel)
{
    const int32_t ellipse = static_cast<int32_t>(std::clamp<int64_t>(2 * static_cast<int64_t>(bevel), 0, INT32_MAX));
    return roundRectSpans(1, 1, width, height, ellipse, ellipse);
}

bool spansContain(const std::vector<RegionSpan>& spans, int32_t x, int32_t y)
{
    const auto found = std::lower_bound(spans.begin(), spans.end(), y,
                                        [](const RegionSpan& span, int32_t row) { return span.row < row; });
    return found != spans.end() && found->row == y && x >= found->left && x < found->right;
}
