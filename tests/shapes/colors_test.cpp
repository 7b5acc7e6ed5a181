#include "shapes/colors.h"

#include "pixels/argb_image.h"

#include <gtest/gtest.h>

namespace {

TEST(Colors, ConversionsSwapRedAndBlue)
{
    const uint32_t colorref = makeColorref(0x12, 0x34, 0x56);
    EXPECT_EQ(colorref, 0x00563412u);
    EXPECT_EQ(colorrefRed(colorref), 0x12u);
    EXPECT_EQ(colorrefGreen(colorref), 0x34u);
    EXPECT_EQ(colorrefBlue(colorref), 0x56u);
    EXPECT_EQ(colorrefToPickerRgb(colorref), 0x00123456u);
    EXPECT_EQ(pickerRgbToColorref(0x00123456), colorref);
    EXPECT_EQ(colorrefToArgb(colorref), makeArgb(255, 0x12, 0x34, 0x56));
    EXPECT_EQ(colorrefToArgb(colorref, 7), makeArgb(7, 0x12, 0x34, 0x56));
    // A COLORREF has no alpha: it is dropped.
    EXPECT_EQ(argbToColorref(makeArgb(200, 0x12, 0x34, 0x56)), colorref);
    for (uint32_t value : { 0u, 0x00FFFFFFu, 0x00010203u, 0x00FF0080u })
        EXPECT_EQ(pickerRgbToColorref(colorrefToPickerRgb(value)), value);
}

TEST(HslToRgb, GreyIsTheSameAtEveryHue)
{
    for (double hue : { 0.0, 59.9, 60.0, 179.0, 180.0, 239.9, 240.0, 359.9 }) {
        EXPECT_EQ(hslToRgb(hue, 0.36f, 0.0f), 0x005B5B5Bu) << hue; // trunc(0.36 x 255) = 91
        EXPECT_EQ(hslToRgb(hue, 1.0f, 0.0f), 0x00FFFFFFu) << hue;
    }
}

TEST(HslToRgb, PrimaryHues)
{
    // Full saturation at half lightness: m2 = 1, m1 = 0.
    EXPECT_EQ(hslToRgb(0.0, 0.5f, 1.0f), 0x00FF0000u);
    EXPECT_EQ(hslToRgb(120.0, 0.5f, 1.0f), 0x0000FF00u);
    EXPECT_EQ(hslToRgb(240.0, 0.5f, 1.0f), 0x000000FFu);
    // Halfway up the ramp from 0 to 60 degrees: green is 0.5 x 255 = 127.5.
    EXPECT_EQ(hslToRgb(30.0, 0.5f, 1.0f), 0x00FF7F00u);
}

TEST(HslToRgb, ChannelsWrapModulo256)
{
    // L = 0.6, S = 1.75: m2 = 1.3 (331.5, wraps to 75) and m1 = -0.1 (-25.5 truncates to
    // -25, wraps to 231).
    EXPECT_EQ(hslToRgb(180.0, 0.6f, 1.75f), 0x00E74B4Bu);
    // Grey above 1: trunc(1.32 x 255) = 336 wraps to 80; below 0: -30 wraps to 226.
    EXPECT_EQ(hslToRgb(0.0, 1.32f, 0.0f), 0x00505050u);
    EXPECT_EQ(hslToRgb(0.0, -30.0f / 255.0f - 0.001f, 0.0f), 0x00E2E2E2u);
}

TEST(HslToRgb, HueIsBroughtIntoRangeByOneStepOnly)
{
    // m2 = 1, m1 = 0. Hue 720: the channels see 480, 360 and 240 after one step, all at
    // or past 240, so all give m1; a full reduction would have made red 255.
    EXPECT_EQ(hslToRgb(720.0, 0.5f, 1.0f), 0x00000000u);
    // Hue -480: red sees 0 (m1); green -120 and blue -240 stay below 0 and run the rising
    // ramp backwards to -2 and -4, that is -510 and -1020, which wrap to 2 and 4.
    EXPECT_EQ(hslToRgb(-480.0, 0.5f, 1.0f), 0x00000204u);
}

TEST(HslToRgb, ExtremeInputsGiveSomeColour)
{
    EXPECT_EQ(hslToRgb(0.0, 1e30f, 0.0f) & 0xFF000000u, 0u);
    EXPECT_EQ(hslToRgb(1e300, 0.5f, 1.0f) & 0xFF000000u, 0u);
    EXPECT_EQ(hslToRgb(0.0, __builtin_nanf(""), 0.5f), 0u);
}

} // namespace
