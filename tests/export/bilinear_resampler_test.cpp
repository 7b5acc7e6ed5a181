#include "export/bilinear_resampler.h"

#include "export/bilinear_rows.h"
#include "export/bmp_image.h"
#include "export/text_exception.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace {

// A 32-bit bitmap whose pixel (x, y) has the bytes given by the function.
template <typename Bytes>
void fill(BmpImage& bitmap, int32_t width, int32_t height, Bytes bytes)
{
    bitmap.create(width, height, 32, false);
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            for (int b = 0; b < 4; ++b) {
                bitmap.getLine(y)[x * 4 + b] = bytes(x, y, b);
            }
        }
    }
}

uint8_t byteAt(const BmpImage& bitmap, int32_t x, int32_t y, int b) { return bitmap.getLine(y)[x * 4 + b]; }

// The two passes written plainly, one byte and one weight at a time over every source of
// a position, zero weights included: what the vectorised passes must give to the bit.
std::vector<uint8_t> plainScale(const std::vector<uint8_t>& source, int32_t width, int32_t height, int32_t newWidth,
    int32_t newHeight)
{
    const BilinearKernel filter;
    const TwoPassScaler scaler(filter);
    const auto pass = [](const uint8_t* in, std::ptrdiff_t step, const TwoPassScaler::ContributionList& list,
                          std::size_t u, int b) {
        double sum = 0.0;
        const double* weight = list.weights.data() + list.firstWeight[u];
        for (int32_t k = list.left[u]; k <= list.right[u]; ++k, ++weight)
            sum += *weight * in[k * step + b];
        return static_cast<uint8_t>(std::clamp(sum, 0.0, 255.0));
    };
    std::vector<uint8_t> middle(static_cast<std::size_t>(newWidth) * static_cast<std::size_t>(height) * 4);
    const TwoPassScaler::ContributionList across = scaler.calcContributions(width, newWidth);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t u = 0; u < newWidth; ++u)
            for (int b = 0; b < 4; ++b)
                middle[(static_cast<std::size_t>(y) * newWidth + u) * 4 + b]
                    = pass(source.data() + static_cast<std::size_t>(y) * width * 4, 4, across, static_cast<std::size_t>(u), b);
    std::vector<uint8_t> result(static_cast<std::size_t>(newWidth) * static_cast<std::size_t>(newHeight) * 4);
    const TwoPassScaler::ContributionList down = scaler.calcContributions(height, newHeight);
    for (int32_t v = 0; v < newHeight; ++v)
        for (int32_t x = 0; x < newWidth; ++x)
            for (int b = 0; b < 4; ++b)
                result[(static_cast<std::size_t>(v) * newWidth + x) * 4 + b]
                    = pass(middle.data() + static_cast<std::size_t>(x) * 4, static_cast<std::ptrdiff_t>(newWidth) * 4, down,
                        static_cast<std::size_t>(v), b);
    return result;
}

// Random pictures at random sizes, shrunk and enlarged in either direction, against the
// plain passes: every byte must be the same, with every kernel set this processor runs.
TEST(TwoPassScaler, FastPassesGiveThePlainResultToTheBit)
{
    std::mt19937 random(7);
    const BilinearKernel filter;
    const TwoPassScaler scaler(filter);
    const std::vector<const bilinear_rows::Kernels*> kernelSets = bilinear_rows::runnable();
    for (int trial = 0; trial < 300; ++trial) {
        const int32_t width = std::uniform_int_distribution<int32_t>(1, 70)(random);
        const int32_t height = std::uniform_int_distribution<int32_t>(1, 70)(random);
        const int32_t newWidth = std::uniform_int_distribution<int32_t>(1, 90)(random);
        const int32_t newHeight = std::uniform_int_distribution<int32_t>(1, 90)(random);
        std::vector<uint8_t> source(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
        // Smooth areas, hard edges and full-range noise, since sums near 255 and near the
        // truncation steps are where a different order of operations would show.
        const int kind = trial % 3;
        for (std::size_t i = 0; i < source.size(); ++i)
            source[i] = kind == 0 ? static_cast<uint8_t>(random())
                : kind == 1      ? static_cast<uint8_t>((i / 4 % 7) < 3 ? 255 : 0)
                                 : static_cast<uint8_t>(200 + i % 56);
        std::vector<uint8_t> scaled(static_cast<std::size_t>(newWidth) * static_cast<std::size_t>(newHeight) * 4, 0xAB);
        std::vector<const uint8_t*> sourceRows;
        std::vector<uint8_t*> scaledRows;
        for (int32_t y = 0; y < height; ++y)
            sourceRows.push_back(source.data() + static_cast<std::size_t>(y) * width * 4);
        for (int32_t y = 0; y < newHeight; ++y)
            scaledRows.push_back(scaled.data() + static_cast<std::size_t>(y) * newWidth * 4);
        const std::vector<uint8_t> expected = plainScale(source, width, height, newWidth, newHeight);
        for (const bilinear_rows::Kernels* kernels : kernelSets) {
            std::fill(scaled.begin(), scaled.end(), 0xAB);
            scaler.scale(sourceRows.data(), width, height, scaledRows.data(), newWidth, newHeight, *kernels);
            ASSERT_EQ(scaled, expected) << kernels->name << ": " << width << " x " << height << " to " << newWidth
                                        << " x " << newHeight;
        }
        scaler.scale(sourceRows.data(), width, height, scaledRows.data(), newWidth, newHeight);
        ASSERT_EQ(scaled, expected);
    }
}

TEST(TwoPassScaler, HalvingFourContributions)
{
    const BilinearKernel filter;
    const TwoPassScaler scaler(filter);
    const TwoPassScaler::ContributionList list = scaler.calcContributions(4, 2);
    EXPECT_EQ(list.window, 5);
    ASSERT_EQ(list.left.size(), 2u);

    // Centre 0: sources 0..2 with 0.5, 0.25, 0 before normalising.
    EXPECT_EQ(list.left[0], 0);
    EXPECT_EQ(list.right[0], 2);
    EXPECT_DOUBLE_EQ(list.weights[list.firstWeight[0] + 0], 0.5 / 0.75);
    EXPECT_DOUBLE_EQ(list.weights[list.firstWeight[0] + 1], 0.25 / 0.75);
    EXPECT_DOUBLE_EQ(list.weights[list.firstWeight[0] + 2], 0.0);

    // Centre 2: sources 0..3 (right end cut at the border) with 0, 0.25, 0.5, 0.25.
    EXPECT_EQ(list.left[1], 0);
    EXPECT_EQ(list.right[1], 3);
    const double expected[4] = {0.0, 0.25, 0.5, 0.25};
    for (int k = 0; k < 4; ++k) {
        EXPECT_DOUBLE_EQ(list.weights[list.firstWeight[1] + static_cast<std::size_t>(k)], expected[k]);
    }
}

TEST(TwoPassScaler, WindowTrimsTheLeftEnd)
{
    // Doubling 4 to 8: width 1, window 3. Position 3 is centred at 1.5, so floor(0.5) = 0
    // to ceil(2.5) = 3 would be four sources; the left one goes, leaving 1..3.
    const BilinearKernel filter;
    const TwoPassScaler scaler(filter);
    const TwoPassScaler::ContributionList up = scaler.calcContributions(4, 8);
    EXPECT_EQ(up.window, 3);
    EXPECT_EQ(up.left[3], 1);
    EXPECT_EQ(up.right[3], 3);
    EXPECT_DOUBLE_EQ(up.weights[up.firstWeight[3]], 0.5);
    EXPECT_DOUBLE_EQ(up.weights[up.firstWeight[3] + 1], 0.5);
    EXPECT_DOUBLE_EQ(up.weights[up.firstWeight[3] + 2], 0.0);
    // Near the border the span is cut instead: position 1 (centre 0.5) takes 0..2.
    EXPECT_EQ(up.left[1], 0);
    EXPECT_EQ(up.right[1], 2);
    for (std::size_t u = 0; u < up.left.size(); ++u) {
        EXPECT_LE(up.right[u] - up.left[u] + 1, up.window);
    }
}

TEST(BilinearResizeFilter, HalvingAWidthOfFour)
{
    BlockBmpImage bitmap;
    const uint8_t row[4] = {200, 100, 50, 7};
    fill(bitmap, 4, 1, [&](int32_t x, int32_t, int b) { return static_cast<uint8_t>(row[x] + b); });
    BilinearResizeFilter(2, 1).apply(bitmap);
    ASSERT_EQ(bitmap.getWidth(), 2);
    ASSERT_EQ(bitmap.getHeight(), 1);
    for (int b = 0; b < 4; ++b) {
        // (2 x p0 + p1) / 3 truncated, then 0.25 p1 + 0.5 p2 + 0.25 p3 truncated.
        EXPECT_EQ(byteAt(bitmap, 0, 0, b), static_cast<int>((2.0 * (200 + b) + (100 + b)) / 3.0));
        EXPECT_EQ(byteAt(bitmap, 1, 0, b), static_cast<int>(0.25 * (100 + b) + 0.5 * (50 + b) + 0.25 * (7 + b)));
    }
    EXPECT_EQ(byteAt(bitmap, 0, 0, 0), 166);
    EXPECT_EQ(byteAt(bitmap, 1, 0, 0), 51);  // 25 + 25 + 1.75
}

TEST(BilinearResizeFilter, HalvingAHeightOfFourUsesTheSameWeights)
{
    BlockBmpImage bitmap;
    const uint8_t column[4] = {90, 30, 255, 0};
    fill(bitmap, 1, 4, [&](int32_t, int32_t y, int) { return column[y]; });
    BilinearResizeFilter(1, 2).apply(bitmap);
    ASSERT_EQ(bitmap.getHeight(), 2);
    EXPECT_EQ(byteAt(bitmap, 0, 0, 2), 70);   // (180 + 30) / 3
    EXPECT_EQ(byteAt(bitmap, 0, 1, 2), 135);  // 7.5 + 127.5 + 0
}

TEST(BilinearResizeFilter, RowsFirstThenColumnsEachTruncated)
{
    // Halving 4 x 4: output (1, 1) takes sources 1..3 with 0.25, 0.5, 0.25 in both passes,
    // all exact in binary. Rows first: rows 1 to 3 give 1.0, 1.0, 1.0, and the column of
    // those gives 1. Columns first would give 1.5, 0.5, 1.5 truncated to 1, 0, 1, and the
    // row of those 0.5, truncated to 0.
    const uint8_t picture[4][4] = {{0, 0, 0, 0}, {0, 2, 0, 2}, {0, 1, 1, 1}, {0, 2, 0, 2}};
    BlockBmpImage bitmap;
    fill(bitmap, 4, 4, [&](int32_t x, int32_t y, int) { return picture[y][x]; });
    BilinearResizeFilter(2, 2).apply(bitmap);
    for (int b = 0; b < 4; ++b) {
        EXPECT_EQ(byteAt(bitmap, 1, 1, b), 1) << "byte " << b;
    }
}

TEST(BilinearResizeFilter, FullSizeLeavesThePictureUnchanged)
{
    std::mt19937 random(5);
    BlockBmpImage bitmap;
    fill(bitmap, 13, 7, [&](int32_t, int32_t, int) { return static_cast<uint8_t>(random()); });
    BlockBmpImage untouched;
    untouched.copyFrom(bitmap);
    BilinearResizeFilter(13, 7).apply(bitmap);
    for (int32_t y = 0; y < 7; ++y) {
        EXPECT_EQ(std::vector<uint8_t>(bitmap.getLine(y), bitmap.getLine(y) + 52),
                  std::vector<uint8_t>(untouched.getLine(y), untouched.getLine(y) + 52));
    }
}

class UniformSizes : public testing::TestWithParam<std::pair<int32_t, int32_t>> {};

TEST_P(UniformSizes, UniformStaysUniformUpToTruncation)
{
    // Where the normalised weights add up to a hair under 1, truncation takes a channel
    // one lower; each pass that filters can do that once.
    const auto [newWidth, newHeight] = GetParam();
    const int passes = (newWidth != 64 ? 1 : 0) + (newHeight != 48 ? 1 : 0);
    const uint8_t value[4] = {255, 254, 37, 1};
    BlockBmpImage bitmap;
    fill(bitmap, 64, 48, [&](int32_t, int32_t, int b) { return value[b]; });
    BilinearResizeFilter(newWidth, newHeight).apply(bitmap);
    ASSERT_EQ(bitmap.getWidth(), newWidth);
    ASSERT_EQ(bitmap.getHeight(), newHeight);
    for (int32_t y = 0; y < newHeight; ++y) {
        for (int32_t x = 0; x < newWidth; ++x) {
            for (int b = 0; b < 4; ++b) {
                const int got = byteAt(bitmap, x, y, b);
                ASSERT_TRUE(got <= value[b] && got >= value[b] - passes) << x << "," << y << " byte " << b << " = " << got;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, UniformSizes,
                         testing::Values(std::make_pair(1, 1), std::make_pair(1, 7), std::make_pair(7, 1),
                                         std::make_pair(25, 19), std::make_pair(32, 24), std::make_pair(63, 47),
                                         std::make_pair(64, 19), std::make_pair(25, 48), std::make_pair(100, 70)));

TEST(BilinearResizeFilter, DegenerateSizes)
{
    BlockBmpImage bitmap;
    fill(bitmap, 10, 6, [](int32_t, int32_t, int) { return uint8_t{9}; });
    BilinearResizeFilter(0, 3).apply(bitmap);
    EXPECT_EQ(bitmap.getWidth(), 0);
    EXPECT_EQ(bitmap.getHeight(), 3);

    // An empty source gives black pixels rather than a division by zero.
    BlockBmpImage empty;
    empty.create(0, 0, 32, false);
    BilinearResizeFilter(2, 2).apply(empty);
    ASSERT_EQ(empty.getWidth(), 2);
    EXPECT_EQ(byteAt(empty, 1, 1, 3), 0);

    BlockBmpImage indexed;
    EXPECT_THROW(BilinearResizeFilter(4, 4).apply(indexed), TextException);
    EXPECT_THROW(BilinearResizeFilter(-1, 4).apply(bitmap), TextException);
}

} // namespace
