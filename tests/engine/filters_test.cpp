#include "engine/filters.h"
#include "engine/recording_panel.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <tuple>

namespace {

constexpr uint32_t kUntouched = 0xDEADBEEF;

ArgbImage image(int32_t width, int32_t height, uint32_t fill)
{
    ArgbImage result;
    result.setSize(width, height);
    result.fill(fill);
    return result;
}

uint8_t byteOf(uint32_t pixel, int byte)
{
    return static_cast<uint8_t>(pixel >> (8 * byte));
}

// The pass as the raster walk states it: a linear destination index on rows 2w long that
// moves by 2 per centre and by a further 2w after every w centres.
void referencePass(ArgbImage::Pixels& src, ArgbImage::Pixels& dst, int64_t w, int64_t h, FilterPassKind pass)
{
    const int64_t centres = w * h - 2 * w - 2;
    int64_t d = pass == FilterPassKind::A ? 2 * w + 2 : 4 * w + 2;
    for (int64_t j = 0; j < centres; ++j) {
        const int64_t c = w + 1 + j;
        uint32_t value = 0;
        for (int byte = 0; byte < 4; ++byte) {
            const uint32_t sum = byteOf(src[c - 1], byte) + byteOf(src[c + 1], byte) + byteOf(src[c - w], byte)
                + byteOf(src[c + w], byte);
            value |= (sum / 4) << (8 * byte);
        }
        src[c] = value;
        dst[d] = value;
        dst[d + 1] = value;
        d += 2;
        if ((j + 1) % w == 0)
            d += 2 * w;
    }
    for (int64_t i = 0; i < w; ++i) {
        src[i] = 0;
        src[(h - 1) * w + i] = 0;
    }
}

std::set<size_t> writtenIndices(const ArgbImage& frame)
{
    std::set<size_t> written;
    for (size_t i = 0; i < frame.pixels.size(); ++i)
        if (frame.pixels[i] != kUntouched)
            written.insert(i);
    return written;
}

std::set<size_t> range(size_t first, size_t last)
{
    std::set<size_t> result;
    for (size_t i = first; i <= last; ++i)
        result.insert(i);
    return result;
}

class FiltersTest : public ::testing::Test {
protected:
};

TEST_F(FiltersTest, FourByFourHalfFrameWritesItsInnerPixelsAndPassBOneRowLower)
{
    for (const auto pass : { FilterPassKind::A, FilterPassKind::B }) {
        ArgbImage half = image(4, 4, 0x01020304);
        ArgbImage frame = image(8, 8, kUntouched);
        filterPass(half, frame, pass);
        std::set<size_t> expected = range(10, 15);
        expected.merge(range(16, 17));
        expected.merge(range(26, 29));
        if (pass == FilterPassKind::B) {
            std::set<size_t> shifted;
            for (const size_t index : expected)
                shifted.insert(index + 8);
            expected = shifted;
        }
        EXPECT_EQ(writtenIndices(frame), expected);
    }
}

TEST_F(FiltersTest, UniformFrameStaysInsideAndFadesFromTheZeroedEdgeRows)
{
    ArgbImage half = image(5, 5, 0xFFFFFFFF);
    ArgbImage frame = image(10, 10, 0);
    filterPass(half, frame, FilterPassKind::A);
    for (int32_t y = 0; y < 5; ++y)
        for (int32_t x = 0; x < 5; ++x) {
            const bool edgeRow = y == 0 || y == 4;
            EXPECT_EQ(half.row(y)[x], edgeRow ? 0u : 0xFFFFFFFFu) << x << "," << y;
        }
    EXPECT_EQ(frame.row(1)[2], 0xFFFFFFFFu);
    EXPECT_EQ(frame.row(1)[3], 0xFFFFFFFFu);

    // The next pass sees the zeroed row 0 above row 1: (255 + 255 + 0 + 255) div 4 = 191.
    filterPass(half, frame, FilterPassKind::B);
    EXPECT_EQ(half.row(1)[1], 0xBFBFBFBFu);
    EXPECT_EQ(frame.row(2)[2], 0xBFBFBFBFu);
}

TEST_F(FiltersTest, AveragesEachByteOfTheFourNeighboursRoundingDown)
{
    // 3 x 3: the one centre (1, 1); its neighbours give 1, 1, 1 and 0 in blue, and
    // distinct values in the other bytes.
    ArgbImage half = image(3, 3, 0);
    half.row(1)[0] = makeArgb(200, 10, 0, 1); // left
    half.row(1)[2] = makeArgb(100, 20, 255, 1); // right
    half.row(0)[1] = makeArgb(3, 30, 255, 1); // up
    half.row(2)[1] = makeArgb(0, 41, 255, 0); // down
    half.row(1)[1] = 0xFFFFFFFF; // the centre itself does not count
    ArgbImage frame = image(6, 6, kUntouched);
    filterPass(half, frame, FilterPassKind::A);
    const uint32_t expected = makeArgb(303 / 4, 101 / 4, 765 / 4, 0);
    EXPECT_EQ(half.row(1)[1], expected);
    EXPECT_EQ(frame.row(1)[2], expected);
    EXPECT_EQ(frame.row(1)[3], expected);
    EXPECT_EQ(writtenIndices(frame).size(), 2u);
}

// Random half frames of many shapes against the raster walk above, with frames exactly
// twice the half frame's size.
class FilterPassShapes : public ::testing::TestWithParam<std::tuple<int32_t, int32_t>> { };

TEST_P(FilterPassShapes, MatchesTheRasterWalkByteForByte)
{
    const auto [w, h] = GetParam();
    std::mt19937 random(static_cast<uint32_t>(w * 1000 + h));
    ArgbImage half = image(w, h, 0);
    for (uint32_t& pixel : half.pixels)
        pixel = random();
    for (const auto pass : { FilterPassKind::A, FilterPassKind::B, FilterPassKind::A }) {
        ArgbImage frame = image(2 * w, 2 * h, kUntouched);
        ArgbImage::Pixels expectedHalf = half.pixels;
        ArgbImage::Pixels expectedFrame = frame.pixels;
        referencePass(expectedHalf, expectedFrame, w, h, pass);
        filterPass(half, frame, pass);
        ASSERT_EQ(half.pixels, expectedHalf);
        ASSERT_EQ(frame.pixels, expectedFrame);
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, FilterPassShapes,
    ::testing::Values(std::make_tuple(3, 3), std::make_tuple(4, 4), std::make_tuple(1, 7), std::make_tuple(7, 3),
        std::make_tuple(2, 9), std::make_tuple(5, 4), std::make_tuple(64, 37), std::make_tuple(251, 13)));

TEST_F(FiltersTest, OddFrameWidthUsesTheRealRowLengthAndKeepsTheLastColumn)
{
    const int32_t w = 6;
    const int32_t h = 5;
    std::mt19937 random(7);
    ArgbImage half = image(w, h, 0);
    for (uint32_t& pixel : half.pixels)
        pixel = random();
    ArgbImage::Pixels expectedHalf = half.pixels;
    ArgbImage::Pixels evenFrame(static_cast<size_t>(4 * w * h), kUntouched);
    referencePass(expectedHalf, evenFrame, w, h, FilterPassKind::B);

    ArgbImage frame = image(2 * w + 1, 2 * h + 1, kUntouched);
    filterPass(half, frame, FilterPassKind::B);
    EXPECT_EQ(half.pixels, expectedHalf);
    for (int32_t y = 0; y < 2 * h + 1; ++y) {
        for (int32_t x = 0; x < 2 * w + 1; ++x) {
            const bool inEvenFrame = x < 2 * w && y < 2 * h;
            const uint32_t expected = inEvenFrame ? evenFrame[static_cast<size_t>(y * 2 * w + x)] : kUntouched;
            ASSERT_EQ(frame.row(y)[x], expected) << x << "," << y;
        }
    }
}

TEST_F(FiltersTest, TinyAndMismatchedFramesStayInsideTheirPixels)
{
    // Fewer than three rows: nothing to smooth; rows 0 and h - 1 are still zeroed.
    for (const auto& [w, h] : { std::pair { 0, 0 }, { 1, 1 }, { 2, 2 }, { 9, 1 }, { 9, 2 }, { 1, 2 } }) {
        ArgbImage half = image(w, h, 0x55555555);
        ArgbImage frame = image(2 * w, 2 * h, kUntouched);
        filterPass(half, frame, FilterPassKind::A);
        EXPECT_TRUE(writtenIndices(frame).empty()) << w << " x " << h;
        for (const uint32_t pixel : half.pixels)
            EXPECT_EQ(pixel, 0u);
    }
    // A frame far too small, too narrow, or missing for a large half frame.
    for (const auto& [fw, fh] : { std::pair { 3, 3 }, { 1, 40 }, { 40, 1 }, { 0, 0 }, { 15, 9 } }) {
        ArgbImage half = image(8, 8, 0x80808080);
        ArgbImage frame = image(fw, fh, kUntouched);
        filterPass(half, frame, FilterPassKind::B);
        for (const size_t index : writtenIndices(frame)) {
            EXPECT_EQ(frame.pixels[index], 0x80808080u);
        }
    }
}

TEST_F(FiltersTest, PassesAlternateAndInterlaceAlwaysTakesPassB)
{
    auto rowWritten = [](const ArgbImage& frame, int32_t row) { return frame.row(row)[4] != kUntouched; };

    BlurPassTurn turn;
    std::vector<bool> tookPassA;
    for (int i = 0; i < 3; ++i) {
        ArgbImage half = image(4, 4, 0x10101010);
        ArgbImage frame = image(8, 8, kUntouched);
        runBlurPass(frame, half, turn, false);
        tookPassA.push_back(rowWritten(frame, 1));
        EXPECT_NE(rowWritten(frame, 1), rowWritten(frame, 2));
    }
    EXPECT_EQ(tookPassA, (std::vector<bool> { true, false, true }));
    EXPECT_TRUE(turn.odd());

    // Interlace: always pass B, and the turn still moves on.
    ArgbImage half = image(6, 6, 0x10101010);
    ArgbImage frame = image(12, 12, 0);
    runBlurPass(frame, half, turn, true);
    EXPECT_FALSE(turn.odd());
    half.fill(0x10101010);
    runBlurPass(frame, half, turn, true);
    EXPECT_TRUE(turn.odd());

    // Without a half frame nothing is drawn and the turn stays.
    ArgbImage missing;
    runBlurPass(frame, missing, turn, false);
    EXPECT_TRUE(turn.odd());
    // The odd rows stay black except their first two pixels from row 3 on.
    for (int32_t y = 1; y < 12; y += 2)
        for (int32_t x = 0; x < 12; ++x) {
            const bool columnZeroPiece = y >= 3 && y <= 7 && x < 2; // rows 2r - 1 for r = 2 .. h - 2
            EXPECT_EQ(frame.row(y)[x] != 0, columnZeroPiece) << x << "," << y;
        }
}

} // namespace
