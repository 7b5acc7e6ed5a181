#include "pixels/argb_image.h"
#include "platform/shared_pixels.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace {

TEST(SharedPixels, ABlockIsZeroFoundByAnyOfItsBytesAndGoneOnceFreed)
{
    constexpr std::size_t kBytes = 3 << 20;
    auto* memory = static_cast<std::byte*>(shared_pixels::allocate(kBytes));
    ASSERT_NE(memory, nullptr);
    EXPECT_TRUE(std::all_of(memory, memory + kBytes, [](std::byte value) { return value == std::byte { 0 }; }));

    const auto block = shared_pixels::find(memory + 12345);
    ASSERT_TRUE(block.has_value());
    EXPECT_EQ(block->base, memory);
    EXPECT_EQ(block->bytes, kBytes);
    EXPECT_TRUE(shared_pixels::find(memory + kBytes - 1).has_value());
    EXPECT_FALSE(shared_pixels::find(memory + kBytes).has_value());
    EXPECT_FALSE(shared_pixels::find(memory - 1).has_value());

    // What is written lands in the memory file, where another process would read it.
    std::memset(memory + 100, 0xAB, 4);
    std::byte fromFile[4] {};
    ASSERT_EQ(pread(block->fd, fromFile, sizeof(fromFile), 100), 4);
    EXPECT_EQ(fromFile[3], std::byte { 0xAB });

    EXPECT_TRUE(shared_pixels::alive(block->id));
    EXPECT_TRUE(shared_pixels::free(memory));
    EXPECT_FALSE(shared_pixels::alive(block->id));
    EXPECT_FALSE(shared_pixels::find(memory + 12345).has_value());

    // A new block never takes an old one's id, even at the same address.
    auto* again = shared_pixels::allocate(kBytes);
    ASSERT_NE(again, nullptr);
    EXPECT_GT(shared_pixels::find(again)->id, block->id);
    EXPECT_TRUE(shared_pixels::free(again));
}

TEST(SharedPixels, OnlyItsOwnBlocksAreFreedAndOnlyLargePicturesUseThem)
{
    int onStack = 0;
    EXPECT_FALSE(shared_pixels::free(&onStack));
    EXPECT_FALSE(shared_pixels::free(nullptr));

    ArgbImage small;
    small.setSize(100, 100);
    EXPECT_FALSE(shared_pixels::find(small.pixels.data()).has_value());
    ArgbImage frame;
    frame.setSize(1920, 1080);
    EXPECT_TRUE(shared_pixels::find(frame.pixels.data()).has_value());
    EXPECT_TRUE(shared_pixels::find(&frame.pixels.back()).has_value());

    // A copy of a frame is a frame of its own, with the same pixels.
    frame.pixels[7] = 0x12345678u;
    const ArgbImage copy = frame;
    EXPECT_NE(shared_pixels::find(copy.pixels.data())->id, shared_pixels::find(frame.pixels.data())->id);
    EXPECT_EQ(copy.pixels[7], 0x12345678u);
}

} // namespace
