#include "controls/palette_path.h"

#include "shapes/colors.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

class PalettePathTest : public ::testing::Test {
protected:
    static PalettePath built(int32_t width, int32_t height)
    {
        PalettePath path;
        path.setSize(width, height);
        path.build();
        return path;
    }

    // The view a path of the given brush points leaves on a fresh map of the same size.
    static ArgbImage::Pixels brushed(int32_t width, int32_t height, const std::vector<std::pair<int, int>>& points)
    {
        PalettePath path = built(width, height);
        for (const auto& [x, y] : points)
            path.drawPoint(x, y);
        return path.viewImage().pixels;
    }

    static uint32_t view(const PalettePath& path, int32_t x, int32_t y) { return path.viewImage().row(y)[x]; }
    static uint32_t map(const PalettePath& path, int32_t x, int32_t y) { return path.mapImage().row(y)[x]; }
};

TEST_F(PalettePathTest, MapHoldsThePaletteWithRowZeroAtTheBottom)
{
    const PalettePath path = built(365, 51);
    ASSERT_EQ(path.mapImage().width, 365);
    ASSERT_EQ(path.viewImage().height, 51);
    for (const auto& [x, y] : { std::pair { 0, 0 }, { 182, 25 }, { 364, 50 }, { 100, 3 } })
        EXPECT_EQ(map(path, x, y), paletteColor(0, x / 365.0, y / 51.0));
    // Palette 0 is grey at the bottom: (91, 91, 91) at the bottom-left.
    EXPECT_EQ(map(path, 0, 0), 0x005B5B5Bu);
    EXPECT_EQ(path.viewImage().pixels, path.mapImage().pixels);
}

// lumi brightens by the amount, limits to 0..255 and rotates the channels: new red = old
// green, new green = old blue, new blue = 255 - old red.
TEST_F(PalettePathTest, LumiRotatesTheChannels)
{
    PalettePath path = built(2, 2);
    // Palette 0 at fx = 0.5, fy = 0.5 is (45, 137, 137): brightened (75, 167, 167).
    ASSERT_EQ(map(path, 1, 1), 0x002D8989u);
    path.lumi(1, 1, 30);
    EXPECT_EQ(view(path, 1, 1), 0x00A7A7B4u);
    path.lumi(1, 1, 30); // reads the map again: strokes do not add up
    EXPECT_EQ(view(path, 1, 1), 0x00A7A7B4u);
    path.lumi(1, 1, -100); // (0, 37, 37)
    EXPECT_EQ(view(path, 1, 1), 0x002525FFu);
    path.lumi(2, 0, 30); // outside: ignored
    path.lumi(-1, 0, 30);
    EXPECT_EQ(view(path, 0, 0), map(path, 0, 0));

    // Palette 1 is white along the bottom: every channel stays at 255, blue becomes 0.
    path.nextPalette();
    path.lumi(0, 0, 30);
    EXPECT_EQ(view(path, 0, 0), 0x00FFFF00u);
}

TEST_F(PalettePathTest, BrushIsAPlusHeldInsideTheMap)
{
    PalettePath path = built(20, 12);
    path.drawPoint(5, 6);
    for (int32_t y = 0; y < 12; ++y) {
        for (int32_t x = 0; x < 20; ++x) {
            const bool inBrush = (x == 5 && y >= 5 && y <= 7) || (y == 6 && x >= 4 && x <= 6);
            EXPECT_EQ(view(path, x, y) != map(path, x, y), inBrush) << x << ", " << y;
        }
    }
    // Points beyond the edges are held at 1 .. W - 2 and 1 .. H - 2.
    EXPECT_EQ(brushed(20, 12, { { -5, 100 } }), brushed(20, 12, { { 1, 10 } }));
    EXPECT_EQ(brushed(20, 12, { { 19, 0 } }), brushed(20, 12, { { 18, 1 } }));
    // Maps too small for the brush draw what fits and nothing outside.
    for (const auto& [w, h] : { std::pair { 0, 0 }, { 1, 1 }, { 2, 2 }, { 3, 1 } })
        brushed(w, h, { { 0, 0 }, { 5, 5 } });
}

struct LineCase {
    const char* name;
    float x0, y0, x1, y1;
    std::vector<std::pair<int, int>> points;
};

// Segments against their pixel lists worked out by hand.
TEST_F(PalettePathTest, DrawLineTruncatesAndLeavesTheEndToTheNextSegment)
{
    const LineCase cases[] = {
        // trunc(y0) = trunc(y1): every column from xmin to xmax, both ends.
        { "horizontal", 6.0f, 5.0f, 2.0f, 5.9f, { { 2, 5 }, { 3, 5 }, { 4, 5 }, { 5, 5 }, { 6, 5 } } },
        // x0 = x1: every row from ymin to ymax.
        { "vertical", 3.0f, 2.0f, 3.0f, 5.0f, { { 3, 2 }, { 3, 3 }, { 3, 4 }, { 3, 5 } } },
        // slope 3, intercept -5: x = trunc((y + 5) / 3) for y = 1 .. 6.
        { "steep", 2.0f, 1.0f, 4.0f, 7.0f, { { 2, 1 }, { 2, 2 }, { 2, 3 }, { 3, 4 }, { 3, 5 }, { 3, 6 } } },
        // slope -3, intercept 16: x = trunc((y - 16) / -3) for y = 1 .. 6.
        { "steep falling", 5.0f, 1.0f, 3.0f, 7.0f, { { 5, 1 }, { 4, 2 }, { 4, 3 }, { 4, 4 }, { 3, 5 }, { 3, 6 } } },
        // slope 0.375, intercept 1.625: y = trunc(0.375 x + 1.625) for x = 1 .. 8.
        { "shallow", 1.0f, 2.0f, 9.0f, 5.0f,
          { { 1, 2 }, { 2, 2 }, { 3, 2 }, { 4, 3 }, { 5, 3 }, { 6, 3 }, { 7, 4 }, { 8, 4 } } },
    };
    for (const LineCase& line : cases) {
        PalettePath path = built(20, 12);
        path.drawLine(line.x0, line.y0, line.x1, line.y1);
        EXPECT_EQ(path.viewImage().pixels, brushed(20, 12, line.points)) << line.name;
    }
}

// The mouse rules, in control coordinates on a 20 x 12 map: y = 12 - Y.
TEST_F(PalettePathTest, PathFollowsTheMouseRules)
{
    PalettePath path = built(20, 12);
    const std::array<uint32_t, 7> none {};

    // A click without movement stores nothing, picks nothing and reports nothing.
    path.press(true);
    EXPECT_TRUE(path.dragging());
    EXPECT_FALSE(path.release());
    EXPECT_EQ(path.colors(), none);

    // Moves without a left press are ignored.
    EXPECT_FALSE(path.move(4, 4));
    EXPECT_EQ(path.pointCount(), 0);

    // One point gives every object that point's colour.
    path.press(true);
    EXPECT_TRUE(path.move(5, 3));
    ASSERT_EQ(path.pointCount(), 1);
    EXPECT_EQ(path.points()[0].x, 5);
    EXPECT_EQ(path.points()[0].y, 9);
    EXPECT_TRUE(path.release());
    const uint32_t colour = pickerRgbToColorref(paletteColor(0, 5 / 20.0, 9 / 12.0));
    for (uint32_t picked : path.colors())
        EXPECT_EQ(picked, colour);

    // A right press keeps the path and starts none; any release picks again.
    path.press(false);
    EXPECT_FALSE(path.dragging());
    EXPECT_FALSE(path.move(10, 10));
    EXPECT_EQ(path.pointCount(), 1);
    EXPECT_TRUE(path.release());
    EXPECT_EQ(path.colors()[6], colour);

    // Points beyond the control are held at its border rows and columns.
    path.press(true);
    EXPECT_EQ(path.pointCount(), 0);
    path.move(-10, -10);
    path.move(1000, 1000);
    path.move(0, 12);
    ASSERT_EQ(path.pointCount(), 3);
    EXPECT_EQ(path.points()[0].x, 0);
    EXPECT_EQ(path.points()[0].y, 11);
    EXPECT_EQ(path.points()[1].x, 19);
    EXPECT_EQ(path.points()[1].y, 0);
    EXPECT_EQ(path.points()[2].y, 0);
    path.release();
    // A drawn path stays in the view, the brush one pixel inside the map.
    path.build();
    EXPECT_NE(view(path, 1, 10), map(path, 1, 10));
    EXPECT_EQ(view(path, 0, 11), map(path, 0, 11));
}

TEST_F(PalettePathTest, TenThousandthMoveAddsNothing)
{
    PalettePath path = built(365, 51);
    path.press(true);
    for (int32_t i = 0; i < PalettePath::kMaxPoints; ++i)
        ASSERT_TRUE(path.move(i % 365, i % 51));
    EXPECT_FALSE(path.move(7, 7));
    EXPECT_EQ(path.pointCount(), 9999);
    EXPECT_EQ(path.points().back().x, 9998 % 365);
    EXPECT_TRUE(path.release());
    // The last colour comes from the last stored point.
    EXPECT_EQ(path.colors()[6], pickerRgbToColorref(paletteColor(0, (9998 % 365) / 365.0, (51 - 9998 % 51) / 51.0)));
}

// Changing the palette clears the path but keeps the colours; four steps come back, and
// the classic palette is 0.
TEST_F(PalettePathTest, PaletteChangesClearThePathAndKeepTheColours)
{
    PalettePath path = built(20, 12);
    path.press(true);
    path.move(3, 3);
    path.move(15, 8);
    path.release();
    const auto colours = path.colors();
    const auto palette0 = path.mapImage().pixels;

    path.nextPalette();
    EXPECT_EQ(path.palette(), 1);
    EXPECT_EQ(path.pointCount(), 0);
    EXPECT_EQ(path.colors(), colours);
    EXPECT_EQ(map(path, 0, 0), 0x00FFFFFFu);
    EXPECT_EQ(path.viewImage().pixels, path.mapImage().pixels);

    path.nextPalette();
    path.nextPalette();
    EXPECT_EQ(path.palette(), 3);
    path.nextPalette();
    EXPECT_EQ(path.palette(), 0);
    EXPECT_EQ(path.mapImage().pixels, palette0);

    path.nextPalette();
    path.classicPalette();
    EXPECT_EQ(path.palette(), 0);
    EXPECT_EQ(path.mapImage().pixels, palette0);
}

// Controls handed the run's palette show and step that one; a control left alone keeps its own.
TEST_F(PalettePathTest, ControlsSharingThePaletteFollowEachOther)
{
    PaletteChoice runPalette;
    PalettePath first = built(20, 12);
    PalettePath second = built(20, 12);
    PalettePath alone = built(20, 12);
    first.sharePalette(runPalette);
    second.sharePalette(runPalette);
    first.nextPalette();
    first.nextPalette();
    EXPECT_EQ(runPalette.index(), 2);
    EXPECT_EQ(second.palette(), 2);
    EXPECT_EQ(alone.palette(), 0);
    second.fillMap();
    EXPECT_EQ(second.mapImage().pixels, first.mapImage().pixels);
    EXPECT_NE(alone.mapImage().pixels, first.mapImage().pixels);
}

// A size change keeps the points; they are held inside the new map when drawn.
TEST_F(PalettePathTest, RebuildKeepsThePath)
{
    PalettePath path = built(40, 20);
    path.press(true);
    path.move(35, 2);
    path.move(38, 2);
    path.release();
    path.setSize(10, 8);
    path.rebuild();
    EXPECT_EQ(path.pointCount(), 2);
    EXPECT_EQ(path.mapImage().width, 10);
    EXPECT_EQ(path.viewImage().pixels, brushed(10, 8, { { 35, 18 }, { 36, 18 }, { 37, 18 }, { 38, 18 } }));
}

// A brush scaled by 2 paints 2 x 2 cells, held two pixels inside the map.
TEST_F(PalettePathTest, ScaledBrush)
{
    PalettePath path;
    path.setSize(20, 12);
    path.setBrushScale(2);
    path.build();
    path.drawPoint(100, -100);
    int changed = 0;
    for (int32_t y = 0; y < 12; ++y)
        for (int32_t x = 0; x < 20; ++x)
            changed += view(path, x, y) != map(path, x, y);
    EXPECT_EQ(changed, 20);
    EXPECT_NE(view(path, 19, 2), map(path, 19, 2)); // right arm
    EXPECT_NE(view(path, 16, 0), map(path, 16, 0)); // top arm
    EXPECT_EQ(view(path, 16, 6), map(path, 16, 6));
}

} // namespace
