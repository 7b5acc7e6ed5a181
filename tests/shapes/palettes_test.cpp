#include "shapes/palettes.h"

#include "shapes/colors.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr uint32_t rgb(uint32_t red, uint32_t green, uint32_t blue)
{
    return (red << 16) | (green << 8) | blue;
}

TEST(Palettes, WorkedColours)
{
    EXPECT_EQ(paletteColor(0, 0.0, 0.0), rgb(91, 91, 91));
    EXPECT_EQ(paletteColor(0, 0.5, 0.5), rgb(45, 137, 137));
    EXPECT_EQ(paletteColor(2, 0.5, 0.875), rgb(231, 75, 75));
    EXPECT_EQ(paletteColor(3, 0.5, 0.5), rgb(190, 62, 62));
    for (double fx = 0.0; fx < 1.0; fx += 0.05)
        EXPECT_EQ(paletteColor(1, fx, 0.0), rgb(255, 255, 255)) << fx;
    // m1 and m2 are not rounded to float on the way: palette 0 one row up a 51-row map
    // (S = 1/51) has m1 = 0.36 x 50/51, so green and blue are 0.36 x 250 = 90 (89 with a
    // float m1), and red is m2 x 255 = 0.36 x 260 = 93.6. Palette 1 there has m2 x 255 =
    // 255 - 0.4 x 255 / 51 = 253.
    EXPECT_EQ(paletteColor(0, 0.0, 1.0 / 51.0), rgb(93, 90, 90));
    EXPECT_EQ(paletteColor(1, 0.0, 1.0 / 51.0) >> 16, 253u);
    // Palette 3 is black at the bottom, palette 1 nearly black at the top.
    EXPECT_EQ(paletteColor(3, 0.3, 0.0), 0u);
    EXPECT_EQ(paletteColor(1, 0.3, 0.999), rgb(0, 0, 0));
}

TEST(Palettes, OtherIndicesAreBlack)
{
    for (int32_t palette : { -1, 4, 100 })
        EXPECT_EQ(paletteColor(palette, 0.5, 0.5), 0u);
}

TEST(PaletteChoice, StartsAtZeroAndWrapsAfterFour)
{
    PaletteChoice choice;
    EXPECT_EQ(choice.index(), 0);
    for (int32_t expected : { 1, 2, 3, 0 }) {
        choice.next();
        EXPECT_EQ(choice.index(), expected);
    }
    // The classic palette: -1 and then the next one; anything below -1 starts over too.
    choice.next();
    choice.set(-1);
    choice.next();
    EXPECT_EQ(choice.index(), 0);
    choice.set(-7);
    choice.next();
    EXPECT_EQ(choice.index(), 0);
    choice.set(2);
    choice.reset();
    EXPECT_EQ(choice.index(), 0);
}

// A path of n points across a 100 x 50 map, each point with its own column.
std::vector<PathPoint> pathOf(int32_t n)
{
    std::vector<PathPoint> path;
    for (int32_t i = 0; i < n; ++i)
        path.push_back({ i * 9, 40 });
    return path;
}

uint32_t colorOfPoint(int32_t palette, const PathPoint& point)
{
    return pickerRgbToColorref(paletteColor(palette, point.x / 100.0, point.y / 50.0));
}

TEST(Palettes, PickObjectColorsTakesEvenlySpacedPointsAndTheLast)
{
    const struct {
        int32_t points;
        std::array<int32_t, 7> picked;
    } cases[] = {
        { 1, { 0, 0, 0, 0, 0, 0, 0 } },
        { 7, { 0, 1, 2, 3, 4, 5, 6 } },
        { 10, { 0, 1, 2, 4, 5, 7, 9 } },
        { 3, { 0, 0, 0, 1, 1, 2, 2 } },
    };
    for (int32_t palette : { 0, 2 }) {
        for (const auto& c : cases) {
            const std::vector<PathPoint> path = pathOf(c.points);
            const std::array<uint32_t, 7> colors = pickObjectColors(palette, path, 100, 50);
            for (size_t k = 0; k < 7; ++k) {
                EXPECT_EQ(colors[k], colorOfPoint(palette, path[static_cast<size_t>(c.picked[k])]))
                    << c.points << " points, colour " << k;
            }
        }
    }
    // The colours are COLORREF: palette 0 at (0.5, 0.5) is red 45, green 137, blue 137.
    const std::vector<PathPoint> middle = { { 50, 25 } };
    EXPECT_EQ(pickObjectColors(0, middle, 100, 50)[6], makeColorref(45, 137, 137));
}

TEST(Palettes, PickObjectColorsSurvivesEmptyPathsAndMaps)
{
    EXPECT_EQ(pickObjectColors(0, {}, 100, 50), (std::array<uint32_t, 7> {}));
    const std::vector<PathPoint> path = { { 30, 20 } };
    // A map without width counts the column as 0.
    EXPECT_EQ(pickObjectColors(0, path, 0, 50)[0], pickerRgbToColorref(paletteColor(0, 0.0, 0.4)));
}

} // namespace
