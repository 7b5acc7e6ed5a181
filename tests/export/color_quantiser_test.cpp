#include "export/color_quantiser.h"

#include "pixels/argb_image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace {

using color_quantiser::weightGreen;
using color_quantiser::weightRed;

struct Rgb {
    uint8_t red, green, blue;
};

// Pixels with the given colours, in the blue, green, red, alpha byte order of a frame.
std::vector<uint8_t> pixelBlock(const std::vector<Rgb>& colors)
{
    std::vector<uint8_t> block;
    for (const Rgb& color : colors) {
        block.insert(block.end(), {color.blue, color.green, color.red, 0xFF});
    }
    return block;
}

// A quantised picture: its palette and one index per pixel.
struct Reduced {
    int result = 0;
    int32_t colors = 0;
    std::array<QuantiserColor, 256> palette{};
    std::vector<uint8_t> indices;
};

Reduced reduce(const std::vector<uint8_t>& block, int32_t width, int32_t height, int32_t colors)
{
    ImageSource32 source(width, height, width * 4, block.data());
    ColorReducer reductor(source, colors);
    Reduced reduced;
    reduced.result = reductor.quantise();
    reduced.colors = reductor.colorCount();
    reduced.palette = reductor.palette();
    reduced.indices.assign(static_cast<std::size_t>(width * height), 0xEE);
    for (int32_t row = 0; row < height; ++row) {
        reductor.mapRow(row, reduced.indices.data() + row * width);
    }
    return reduced;
}

// The colour of a cell's centre for a colour inside the cell.
Rgb cellCentre(const Rgb& color)
{
    return {static_cast<uint8_t>((color.red >> 3) * 8 + 4), static_cast<uint8_t>((color.green >> 2) * 4 + 2),
            static_cast<uint8_t>((color.blue >> 3) * 8 + 4)};
}

void expectColor(const QuantiserColor& got, int red, int green, int blue)
{
    EXPECT_EQ(got.red, red);
    EXPECT_EQ(got.green, green);
    EXPECT_EQ(got.blue, blue);
}

TEST(ColorReductor, FlatRedGivesTheCentreOfItsCell)
{
    const Reduced reduced = reduce(pixelBlock(std::vector<Rgb>(12, Rgb{255, 0, 0})), 4, 3, 128);
    ASSERT_EQ(reduced.result, 1);
    EXPECT_EQ(reduced.colors, 1);
    expectColor(reduced.palette[0], 252, 2, 4);
    expectColor(reduced.palette[255], 255, 255, 255);
    EXPECT_EQ(reduced.indices, std::vector<uint8_t>(12, 0));
}

TEST(ColorReductor, FewerCellsThanColoursGiveOneColourPerCell)
{
    // Two colours share a cell, so three cells in all.
    const std::vector<Rgb> colors = {{0, 0, 0}, {3, 1, 7}, {200, 100, 50}, {10, 250, 90}, {200, 100, 50}};
    const Reduced reduced = reduce(pixelBlock(colors), 5, 1, 128);
    ASSERT_EQ(reduced.result, 1);
    ASSERT_EQ(reduced.colors, 3);
    for (std::size_t i = 0; i < colors.size(); ++i) {
        const QuantiserColor& got = reduced.palette[reduced.indices[i]];
        const Rgb centre = cellCentre(colors[i]);
        expectColor(got, centre.red, centre.green, centre.blue);
    }
    EXPECT_EQ(reduced.indices[0], reduced.indices[1]);
}

TEST(ColorReductor, MedianCutSplitsTheLongestAxisFirst)
{
    // Cells (0,0,0), (10,0,0), (0,20,0): green is longest (2 x 21 against 3 x 11), so the
    // first cut separates the green cell; the red pair follows as the most populous box.
    const Reduced reduced = reduce(pixelBlock({{0, 0, 0}, {80, 0, 0}, {0, 80, 0}}), 3, 1, 8);
    ASSERT_EQ(reduced.colors, 3);
    expectColor(reduced.palette[0], 4, 2, 4);
    expectColor(reduced.palette[1], 4, 82, 4);
    expectColor(reduced.palette[2], 84, 2, 4);
    EXPECT_EQ(reduced.indices, (std::vector<uint8_t>{0, 2, 1}));
}

TEST(ColorReductor, EqualAxesSplitRedFirst)
{
    // Cells (0,0,0), (1,0,0), (0,2,0): red and green are both 6 long and red wins, which
    // puts the (1,0,0) cell second; a green cut would have put it last.
    const Reduced reduced = reduce(pixelBlock({{0, 0, 0}, {8, 0, 0}, {0, 8, 0}}), 3, 1, 8);
    ASSERT_EQ(reduced.colors, 3);
    expectColor(reduced.palette[0], 4, 2, 4);
    expectColor(reduced.palette[1], 12, 2, 4);
    expectColor(reduced.palette[2], 4, 10, 4);

    // Cells (0,0,0), (0,1,0), (0,0,1): green and blue are both 4 long and green wins, so
    // the (0,1,0) cell comes second; a blue cut would have put it last.
    const Reduced greenFirst = reduce(pixelBlock({{0, 0, 0}, {0, 4, 0}, {0, 0, 8}}), 3, 1, 8);
    ASSERT_EQ(greenFirst.colors, 3);
    expectColor(greenFirst.palette[1], 4, 6, 4);
    expectColor(greenFirst.palette[2], 4, 2, 12);
}

TEST(ColorReductor, MostPopulousBoxesUpToHalfTheColoursThenTheLargest)
{
    // Eight colours. Six cells (0,0,0..5) of 10 pixels each and two lone pixels in the
    // cells (0,63,0) and (0,63,31). The first cut (green, 128 against blue 64) parts the
    // two groups: box 0 holds the six cells (60 pixels), box 1 the lone pair (2 pixels,
    // by far the largest volume).
    //   2 boxes, by population: box 0 is cut at blue 2, box 2 takes blue 3..5.
    //   3 boxes, by population: boxes 0 and 2 hold 30 each and the earlier one is cut:
    //     box 0 keeps blue 0..1, box 3 takes blue 2.
    //   4 boxes (still at most half of 8), by population: box 2 (blue 3..5, 30 pixels) is
    //     cut, box 4 takes blue 5.
    //   5 boxes, by volume: the lone pair's box 1 is cut, box 5 takes (0,63,31).
    //   6 boxes, by volume: boxes 0 and 2 have the same volume, the earlier one is cut:
    //     box 6 takes blue 1.
    //   7 boxes, by volume: box 2 is cut, box 7 takes blue 4.
    std::vector<Rgb> colors;
    for (int blue = 0; blue < 6; ++blue) {
        colors.insert(colors.end(), 10, Rgb{0, 0, static_cast<uint8_t>(blue * 8)});
    }
    colors.push_back({0, 252, 0});
    colors.push_back({0, 252, 248});
    const Reduced reduced = reduce(pixelBlock(colors), static_cast<int32_t>(colors.size()), 1, 8);
    ASSERT_EQ(reduced.colors, 8);
    const int blueCells[8] = {0, 0, 3, 2, 5, 31, 1, 4};
    const int greenCells[8] = {0, 63, 0, 0, 0, 63, 0, 0};
    for (int i = 0; i < 8; ++i) {
        SCOPED_TRACE(i);
        expectColor(reduced.palette[static_cast<std::size_t>(i)], 4, greenCells[i] * 4 + 2, blueCells[i] * 8 + 4);
    }
}

TEST(ColorReductor, BoxColourIsTheRoundedMeanOfItsCellCentres)
{
    // Eight colours for nine cells: the seven far corners of the colour cube (10 pixels each)
    // and a pair near black, two pixels in cell (0,0,0) and one in (1,2,1). A box holding
    // the pair and a corner spans at least 32 cells from 0 on some axis, which is its longest
    // weighted side, so every cut falls at 15 or beyond and the pair stays in the lower half,
    // box 0, until the corners have taken the other seven colours. Its colour weighs the cell
    // centres by their counts and rounds: red (2 x 4 + 12) / 3 = 6.67 gives 7, green
    // (2 x 2 + 10) / 3 = 4.67 gives 5, blue as red.
    std::vector<Rgb> colors = {{0, 0, 0}, {0, 0, 0}, {8, 8, 8}};
    for (const Rgb corner : {Rgb{248, 0, 0}, Rgb{0, 252, 0}, Rgb{0, 0, 248}, Rgb{248, 252, 0}, Rgb{248, 0, 248},
                             Rgb{0, 252, 248}, Rgb{248, 252, 248}}) {
        colors.insert(colors.end(), 10, corner);
    }
    const Reduced reduced = reduce(pixelBlock(colors), static_cast<int32_t>(colors.size()), 1, 8);
    ASSERT_EQ(reduced.colors, 8);
    expectColor(reduced.palette[0], 7, 5, 7);
}

TEST(ColorReductor, NeverMoreThan255Colours)
{
    std::mt19937 random(11);
    std::vector<uint8_t> block(64 * 64 * 4);
    for (uint8_t& byte : block) {
        byte = static_cast<uint8_t>(random());
    }
    for (int32_t asked : {255, 256, 1000}) {
        const Reduced reduced = reduce(block, 64, 64, asked);
        ASSERT_EQ(reduced.result, 1);
        EXPECT_EQ(reduced.colors, 255) << asked;
        for (uint8_t index : reduced.indices) {
            ASSERT_LT(index, 255);
        }
    }
}

TEST(ColorReductor, RefusesFewerThanEightColours)
{
    const std::vector<uint8_t> block = pixelBlock({{1, 2, 3}, {4, 5, 6}});
    const Reduced refused = reduce(block, 2, 1, 7);
    EXPECT_EQ(refused.result, -1);
    EXPECT_EQ(refused.colors, 0);
    EXPECT_EQ(refused.indices, (std::vector<uint8_t>{0xEE, 0xEE})) << "no row is written";
    EXPECT_EQ(reduce(block, 2, 1, 8).result, 1);
}

// The squared weighted distance from a cell centre to a palette colour.
int32_t weightedDistance(const Rgb& centre, const QuantiserColor& color)
{
    const int32_t red = weightRed(centre.red - color.red);
    const int32_t green = weightGreen(centre.green - color.green);
    const int32_t blue = centre.blue - color.blue;
    return red * red + green * green + blue * blue;
}

TEST(ColorReductor, EveryPixelGetsTheNearestColourOfItsCell)
{
    // A picture with smooth areas and noise, reduced to 32 colours: every pixel's colour
    // must be the nearest palette colour to its cell centre, the lowest index among equals.
    std::mt19937 random(7);
    std::vector<Rgb> colors;
    for (int y = 0; y < 96; ++y) {
        for (int x = 0; x < 128; ++x) {
            colors.push_back({static_cast<uint8_t>(x * 2 + random() % 8), static_cast<uint8_t>(y * 2),
                              static_cast<uint8_t>((x * y) % 256)});
        }
    }
    const Reduced reduced = reduce(pixelBlock(colors), 128, 96, 32);
    ASSERT_EQ(reduced.colors, 32);
    for (std::size_t i = 0; i < colors.size(); ++i) {
        const Rgb centre = cellCentre(colors[i]);
        int32_t best = std::numeric_limits<int32_t>::max();
        int bestIndex = -1;
        for (int c = 0; c < reduced.colors; ++c) {
            const int32_t distance = weightedDistance(centre, reduced.palette[static_cast<std::size_t>(c)]);
            if (distance < best) {
                best = distance;
                bestIndex = c;
            }
        }
        ASSERT_EQ(reduced.indices[i], bestIndex) << "pixel " << i;
    }
}

TEST(ColorMapperPalette, EqualDistancesGoToTheLowerIndex)
{
    // Blue 0 and blue 8 are both 4 from the centre 4 of the cell of (255, 0, 0).
    const QuantiserColor lowBlue{0, 2, 252};
    const QuantiserColor highBlue{8, 2, 252};
    const QuantiserColor forward[2] = {lowBlue, highBlue};
    const QuantiserColor backward[2] = {highBlue, lowBlue};
    PaletteColorMapper first(2, 1, forward);
    PaletteColorMapper second(2, 1, backward);
    EXPECT_EQ(first.mapColor(255, 0, 0), 0);
    EXPECT_EQ(second.mapColor(255, 0, 0), 0);
}

TEST(ColorMapperPalette, EveryCellOfTheColourSpaceGetsItsNearestColour)
{
    // Each block keeps only the colours that can be nearest to one of its cells. With even
    // reds the red weighting never rounds, so those bounds are exact and no cell may lose
    // its nearest colour (the lowest index among equals) to them, in whichever block and
    // whichever corner of it.
    std::mt19937 random(5);
    for (int colors : {16, 90, 255}) {
        SCOPED_TRACE(colors);
        std::vector<QuantiserColor> palette(static_cast<std::size_t>(colors));
        for (QuantiserColor& color : palette) {
            color = {.blue = static_cast<uint8_t>(random()), .green = static_cast<uint8_t>(random()),
                     .red = static_cast<uint8_t>(random() & 0xFE)};
        }
        PaletteColorMapper mapper(colors, 1, palette.data());
        for (int c0 = 0; c0 < 32; ++c0) {
            for (int c1 = 0; c1 < 64; ++c1) {
                for (int c2 = 0; c2 < 32; ++c2) {
                    const Rgb centre{static_cast<uint8_t>(c0 * 8 + 4), static_cast<uint8_t>(c1 * 4 + 2),
                                     static_cast<uint8_t>(c2 * 8 + 4)};
                    int32_t best = std::numeric_limits<int32_t>::max();
                    int bestIndex = -1;
                    for (int i = 0; i < colors; ++i) {
                        const int32_t distance = weightedDistance(centre, palette[static_cast<std::size_t>(i)]);
                        if (distance < best) {
                            best = distance;
                            bestIndex = i;
                        }
                    }
                    ASSERT_EQ(mapper.mapColor(static_cast<uint8_t>(c0 * 8), static_cast<uint8_t>(c1 * 4),
                                               static_cast<uint8_t>(c2 * 8)),
                              bestIndex)
                        << "cell " << c0 << ", " << c1 << ", " << c2;
                }
            }
        }
    }
}

// The block fill written plainly, one cell at a time: the colours that can be nearest to a
// cell of the block, then every cell's distance to each of them stepped by additions, the
// first strictly nearer colour keeping the cell. Answers palette index + 1 for the 128 cells
// of the block of (c0, c1, c2), c2 innermost.
std::array<uint8_t, 128> plainBlock(const std::vector<QuantiserColor>& palette, int c0, int c1, int c2)
{
    const int32_t minc[3] = {(c0 >> 2) * 32 + 4, (c1 >> 3) * 32 + 2, (c2 >> 2) * 32 + 4};
    const int32_t maxc[3] = {minc[0] + 24, minc[1] + 28, minc[2] + 24};
    const auto weigh = [](int axis, int32_t d) { return axis == 0 ? weightRed(d) : axis == 1 ? weightGreen(d) : d; };
    std::vector<int32_t> nearest(palette.size(), 0);
    int32_t minmax = std::numeric_limits<int32_t>::max();
    for (std::size_t i = 0; i < palette.size(); ++i) {
        const int32_t value[3] = {palette[i].red, palette[i].green, palette[i].blue};
        int32_t farthest = 0;
        for (int axis = 0; axis < 3; ++axis) {
            const int32_t x = value[axis];
            const int32_t centre = (minc[axis] + maxc[axis]) >> 1;
            const int32_t toMin = weigh(axis, x - minc[axis]) * weigh(axis, x - minc[axis]);
            const int32_t toMax = weigh(axis, x - maxc[axis]) * weigh(axis, x - maxc[axis]);
            if (x < minc[axis]) {
                nearest[i] += toMin;
                farthest += toMax;
            } else if (x > maxc[axis]) {
                nearest[i] += toMax;
                farthest += toMin;
            } else {
                farthest += x <= centre ? toMax : toMin;
            }
        }
        minmax = std::min(minmax, farthest);
    }
    std::array<int32_t, 128> best;
    best.fill(std::numeric_limits<int32_t>::max());
    std::array<uint8_t, 128> color{};
    for (std::size_t i = 0; i < palette.size(); ++i) {
        if (nearest[i] > minmax)
            continue;
        const int32_t inc0 = weightRed(minc[0] - palette[i].red);
        const int32_t inc1 = weightGreen(minc[1] - palette[i].green);
        const int32_t inc2 = minc[2] - palette[i].blue;
        int32_t dist0 = inc0 * inc0 + inc1 * inc1 + inc2 * inc2;
        int32_t xx0 = 24 * inc0 + 144;
        std::size_t cell = 0;
        for (int i0 = 0; i0 < 4; ++i0, dist0 += xx0, xx0 += 288) {
            int32_t dist1 = dist0;
            int32_t xx1 = 16 * inc1 + 64;
            for (int i1 = 0; i1 < 8; ++i1, dist1 += xx1, xx1 += 128) {
                int32_t dist2 = dist1;
                int32_t xx2 = 16 * inc2 + 64;
                for (int i2 = 0; i2 < 4; ++i2, ++cell, dist2 += xx2, xx2 += 128) {
                    if (dist2 < best[cell]) {
                        best[cell] = dist2;
                        color[cell] = static_cast<uint8_t>(i + 1);
                    }
                }
            }
        }
    }
    return color;
}

TEST(ColorMapperPalette, BlocksAreFilledAsThePlainWalkFillsThem)
{
    // Odd reds too, whose rounded weighting makes the candidate bounds inexact: the fill
    // must keep exactly the plain walk's choice, not merely a nearest colour.
    std::mt19937 random(23);
    for (int colors : {8, 37, 128, 255}) {
        SCOPED_TRACE(colors);
        std::vector<QuantiserColor> palette(static_cast<std::size_t>(colors));
        for (QuantiserColor& color : palette) {
            color = {.blue = static_cast<uint8_t>(random()), .green = static_cast<uint8_t>(random()),
                     .red = static_cast<uint8_t>(random())};
        }
        // A few colours twice, for ties.
        for (int i = 0; i + 1 < colors; i += 7)
            palette[static_cast<std::size_t>(i + 1)] = palette[static_cast<std::size_t>(i)];
        PaletteColorMapper mapper(colors, 1, palette.data());
        for (int c0 = 0; c0 < 32; c0 += 4) {
            for (int c1 = 0; c1 < 64; c1 += 8) {
                for (int c2 = 0; c2 < 32; c2 += 4) {
                    const std::array<uint8_t, 128> expected = plainBlock(palette, c0, c1, c2);
                    std::size_t cell = 0;
                    for (int i0 = 0; i0 < 4; ++i0)
                        for (int i1 = 0; i1 < 8; ++i1)
                            for (int i2 = 0; i2 < 4; ++i2, ++cell)
                                ASSERT_EQ(mapper.mapColor(static_cast<uint8_t>((c0 + i0) * 8),
                                              static_cast<uint8_t>((c1 + i1) * 4), static_cast<uint8_t>((c2 + i2) * 8)),
                                    expected[cell] - 1)
                                    << "cell " << c0 + i0 << ", " << c1 + i1 << ", " << c2 + i2;
                }
            }
        }
    }
}

TEST(ColorMapperPalette, RedDifferencesWeighMoreThanBlue)
{
    // From the centre (132, 130, 132): red off by 8 weighs 12, blue off by 11 weighs 11.
    const QuantiserColor palette[2] = {{132, 130, 140}, {143, 130, 132}};
    PaletteColorMapper mapper(2, 1, palette);
    EXPECT_EQ(mapper.mapColor(130, 129, 131), 1);
}

TEST(ColorSelector, CountersStopAt65535)
{
    ColorSelector selector(8, 70000);
    const std::vector<uint8_t> planar(70000 * 3, 40);  // every pixel (40, 40, 40)
    selector.countRow(planar.data());
    EXPECT_EQ(selector.counter(5, 10, 5), 65535);
    EXPECT_EQ(selector.selectColors(), 1);
    EXPECT_EQ(selector.boxes()[0].population, 65535);
}

TEST(ColorSelector, CountsOverManyRowsStopAt65535)
{
    // Rows of runs in few cells, some long enough to pass 65535 in the middle of a run, held
    // against counting one pixel at a time with the same stop.
    std::mt19937 random(31);
    const int32_t width = 40000;
    ColorSelector selector(8, width);
    std::vector<uint32_t> expected(32 * 64 * 32, 0);
    for (int row = 0; row < 6; ++row) {
        std::vector<uint8_t> planar(static_cast<std::size_t>(width) * 3);
        for (int32_t x = 0; x < width;) {
            const int32_t run = std::min<int32_t>(width - x, 1 + static_cast<int32_t>(random() % (row < 3 ? 30000 : 9)));
            const auto red = static_cast<uint8_t>(random() % 3 * 8 + random() % 8);
            const auto green = static_cast<uint8_t>(random() % 2 * 4 + random() % 4);
            const auto blue = static_cast<uint8_t>(random() % 8);
            for (int32_t i = x; i < x + run; ++i) {
                planar[static_cast<std::size_t>(i)] = red;
                planar[static_cast<std::size_t>(width + i)] = green;
                planar[static_cast<std::size_t>(2 * width + i)] = blue;
                uint32_t& count = expected[static_cast<std::size_t>(color_quantiser::cellIndex(red >> 3, green >> 2, blue >> 3))];
                count = std::min<uint32_t>(count + 1, 65535);
            }
            x += run;
        }
        selector.countRow(planar.data());
    }
    bool saturated = false;
    for (int c0 = 0; c0 < 32; ++c0)
        for (int c1 = 0; c1 < 64; ++c1)
            for (int c2 = 0; c2 < 32; ++c2) {
                const uint32_t count = expected[static_cast<std::size_t>(color_quantiser::cellIndex(c0, c1, c2))];
                saturated = saturated || count == 65535;
                ASSERT_EQ(selector.counter(c0, c1, c2), count) << c0 << ", " << c1 << ", " << c2;
            }
    EXPECT_TRUE(saturated);
}

TEST(ImageSource32, PlanarRowsTopDownOrBottomUp)
{
    const std::vector<uint8_t> block = pixelBlock({{1, 2, 3}, {4, 5, 6}, {7, 8, 9}, {10, 11, 12}});
    ImageSource32 topDown(2, 2, 8, block.data(), true);
    ASSERT_EQ(topDown.nextRow(), 0);
    EXPECT_EQ(std::vector<uint8_t>(topDown.planarRow(), topDown.planarRow() + 6),
              (std::vector<uint8_t>{1, 4, 2, 5, 3, 6}));
    ASSERT_EQ(topDown.nextRow(), 0);
    EXPECT_EQ(topDown.nextRow(), -1);

    ImageSource32 bottomUp(2, 2, 8, block.data(), false);
    ASSERT_EQ(bottomUp.nextRow(), 0);
    EXPECT_EQ(bottomUp.planarRow()[0], 7);
    bottomUp.rewind();
    ASSERT_EQ(bottomUp.nextRow(), 0);
    EXPECT_EQ(bottomUp.planarRow()[0], 7);
}

} // namespace
