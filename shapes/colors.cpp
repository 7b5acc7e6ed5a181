#include "shapes/colors.h"

#include <cmath>

namespace {

// One channel of the HSL conversion for hue h (degrees).
double channelValue(double m1, double m2, double h)
{
    if (h > 360.0)
        h -= 360.0;
    else if (h < 0.0)
        h += 360.0;
    if (h < 60.0)
        return m1 + (m2 - m1) * h / 60.0;
    if (h < 180.0)
        return m2;
    if (h < 240.0)
        return m1 + (m2 - m1) * (240.0 - h) / 60.0;
    return m1;
}

// trunc(value x 255), keeping the low 8 bits of the two's-complement integer. Done on the
// truncated double so that no value, however large, meets an integer conversion out of
// range; a value that is not a number gives 0.
uint32_t wrappedByte(double value)
{
    const double truncated = std::trunc(value * 255.0);
    if (!std::isfinite(truncated))
        return 0;
    double low = std::fmod(truncated, 256.0);
    if (low < 0.0)
        low += 256.0;
    return static_cast<uint32_t>(low);
}

} // namespace

uint32_t hslToRgb(double hue, float lightness, float saturation)
{
    // Lightness and saturation arrive as floats, but m1 and m2 are not rounded back to
    // float: that extra rounding would put many exact channel values just below their
    // integer (0.36 x 250 = 90 would come out as 89).
    const auto l = static_cast<double>(lightness);
    const auto s = static_cast<double>(saturation);
    const double high = l > 0.5 ? l + s - l * s : l * (1.0 + s);
    const double low = 2.0 * l - high;
    const uint32_t red = wrappedByte(channelValue(low, high, hue + 120.0));
    const uint32_t green = wrappedByte(channelValue(low, high, hue));
    const uint32_t blue = wrappedByte(channelValue(low, high, hue - 120.0));
    return (red << 16) | (green << 8) | blue;
}
