#include "export/bmp_image.h"

#include "pixels/argb_image.h"
#include "export/text_exception.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

uint32_t little32(const uint8_t* bytes)
{
    return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8
           | static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

uint16_t little16(const uint8_t* bytes) { return static_cast<uint16_t>(bytes[0] | bytes[1] << 8); }

TEST(BlockBmpImage, StartsAsSixteenBySixteenAtEightBits)
{
    const BlockBmpImage bitmap;
    EXPECT_EQ(bitmap.getWidth(), 16);
    EXPECT_EQ(bitmap.getHeight(), 16);
    EXPECT_EQ(bitmap.getBitsPerPixel(), 8);
    EXPECT_EQ(bitmap.getPaletteEntries(), 256);
}

TEST(BlockBmpImage, BlockHoldsHeaderPaletteAndBottomUpPaddedRows)
{
    BlockBmpImage bitmap;
    bitmap.create(5, 3, 8, false);
    const std::vector<uint8_t>& block = bitmap.getBlock();
    ASSERT_EQ(block.size(), 40u + 256u * 4u + 8u * 3u);  // rows of 5 bytes padded to 8

    const uint8_t* header = block.data();
    EXPECT_EQ(little32(header + 0), 40u);
    EXPECT_EQ(little32(header + 4), 5u);
    EXPECT_EQ(little32(header + 8), 3u);
    EXPECT_EQ(little16(header + 12), 1);
    EXPECT_EQ(little16(header + 14), 8);
    for (int offset = 16; offset < 40; ++offset) {
        EXPECT_EQ(header[offset], 0) << "header byte " << offset;
    }

    bitmap.setPaletteEntry(1, 10, 20, 30);
    EXPECT_EQ(bitmap.getPalette(), block.data() + 40);
    EXPECT_EQ(block[44], 30);  // blue, green, red, reserved
    EXPECT_EQ(block[45], 20);
    EXPECT_EQ(block[46], 10);
    EXPECT_EQ(block[47], 0);

    // Row 0 is the top row, which the block stores last.
    const uint8_t* rows = block.data() + 40 + 1024;
    EXPECT_EQ(bitmap.getLine(0), rows + 2 * 8);
    EXPECT_EQ(bitmap.getLine(1), rows + 1 * 8);
    EXPECT_EQ(bitmap.getLine(2), rows);
    EXPECT_EQ(bitmap.getBytesPerLine(), 8);
}

TEST(BlockBmpImage, ThirtyTwoBitsHaveNoPaletteAndTheSnapshotEstimate)
{
    BlockBmpImage bitmap;
    bitmap.create(7, 2, 32, false);
    EXPECT_EQ(bitmap.getPalette(), nullptr);
    EXPECT_EQ(bitmap.getBlock().size(), 40u + 7u * 4u * 2u);
    EXPECT_EQ(bitmap.getMemUsed(), 80 + 4 * 7 * 2);
    EXPECT_EQ(bitmap.getLine(0), bitmap.getBlock().data() + 40 + 28);
}

TEST(BlockBmpImage, OneBitRowsArePaddedToFourBytes)
{
    BlockBmpImage bitmap;
    bitmap.create(33, 2, 1, false);
    EXPECT_EQ(bitmap.getBytesPerLine(), 8);
    EXPECT_EQ(bitmap.getPaletteEntries(), 2);
    EXPECT_EQ(bitmap.getMemUsed(), 40 + 2 * 4 + 8 * 2 + 40);
}

TEST(BmpImage, RefusesBadSizesAndDepthsAndStaysUsable)
{
    BlockBmpImage bitmap;
    EXPECT_THROW(bitmap.create(-1, 4, 32, false), TextException);
    EXPECT_THROW(bitmap.create(4, 4, 24, false), TextException);
    EXPECT_THROW(bitmap.create(70000, 70000, 32, false), TextException);
    // A refused Create keeps the previous picture.
    EXPECT_EQ(bitmap.getWidth(), 16);
    bitmap.create(0, 0, 32, false);
    EXPECT_EQ(bitmap.getWidth(), 0);
    EXPECT_EQ(bitmap.getMemUsed(), 80);
}

TEST(BmpImage, CopyFromTakesRowsAndPaletteAcrossKinds)
{
    PlainBmpImage source;
    source.create(3, 2, 8, true);
    source.setPaletteEntry(255, 1, 2, 3);
    source.getLine(0)[2] = 9;
    source.getLine(1)[0] = 7;

    BlockBmpImage copy;
    copy.copyFrom(source);
    EXPECT_EQ(copy.getWidth(), 3);
    EXPECT_EQ(copy.getHeight(), 2);
    EXPECT_TRUE(copy.hasAlpha());
    EXPECT_EQ(copy.getLine(0)[2], 9);
    EXPECT_EQ(copy.getLine(1)[0], 7);
    EXPECT_EQ(std::memcmp(copy.getPalette() + 255 * 4, source.getPalette() + 255 * 4, 4), 0);
    // The copy is stored bottom-up: its bottom row comes first in the block.
    EXPECT_EQ(copy.getBlock()[40 + 1024], 7);
}

TEST(CopyFrameToBitmap, KeepsRowZeroOnTopAndEveryByte)
{
    ArgbImage frame;
    frame.setSize(2, 2);
    frame.pixels = {makeArgb(1, 2, 3, 4), makeArgb(5, 6, 7, 8), makeArgb(9, 10, 11, 12), makeArgb(13, 14, 15, 16)};
    BlockBmpImage bitmap;
    copyFrameToBitmap(frame, bitmap);
    ASSERT_EQ(bitmap.getBitsPerPixel(), 32);
    const uint8_t top[8] = {4, 3, 2, 1, 8, 7, 6, 5};
    const uint8_t bottom[8] = {12, 11, 10, 9, 16, 15, 14, 13};
    EXPECT_EQ(std::memcmp(bitmap.getLine(0), top, 8), 0);
    EXPECT_EQ(std::memcmp(bitmap.getLine(1), bottom, 8), 0);

    ArgbImage broken;
    broken.width = 4;
    broken.height = 4;
    EXPECT_THROW(copyFrameToBitmap(broken, bitmap), TextException);
}

} // namespace
