#include "shapes/shape_stack.h"
#include "shapes/sprite_builder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

namespace {

std::vector<uint8_t> le32(uint32_t value)
{
    return { static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value >> 16),
        static_cast<uint8_t>(value >> 24) };
}

template<size_t N> std::vector<uint8_t> bytesAt(const std::array<uint8_t, N>& bytes, size_t offset)
{
    return { bytes.begin() + static_cast<std::ptrdiff_t>(offset),
        bytes.begin() + static_cast<std::ptrdiff_t>(offset + 4) };
}

// A shape whose every field has a value of its own, so that a swapped or shifted field
// shows.
Shape distinctShape()
{
    Shape shape;
    shape.lightX = 1.0f; // 0x3F800000
    shape.lightY = -2.5f; // 0xC0200000
    shape.lightZ = 0.1f; // 0x3DCCCCCD: single, not double precision
    shape.color = 0x00112233;
    shape.lColor = 0x00445566;
    shape.ambient = 0.34f; // 0x3EAE147B
    shape.mirror = 0.99f; // 0x3F7D70A4
    shape.intensity = 0.5f; // 0x3F000000
    shape.phong = 0x01020304;
    shape.width = -2;
    shape.radiusPx = 555;
    shape.type = kTorusType;
    shape.height = 0x7FFFFFFF;
    shape.heightPx = 77;
    shape.offsetX = -300;
    shape.offsetY = 65536;
    shape.reserved[0] = 0x0BADF00D;
    shape.reserved[1] = -1;
    return shape;
}

TEST(StoredForm, ShapeRecordFieldsAtTheirOffsetsLittleEndian)
{
    std::array<uint8_t, kShapeRecordBytes> bytes {};
    writeShapeRecord(distinctShape(), bytes);
    EXPECT_EQ(bytesAt(bytes, 0), le32(0x3F800000));
    EXPECT_EQ(bytesAt(bytes, 4), le32(0xC0200000));
    EXPECT_EQ(bytesAt(bytes, 8), le32(0x3DCCCCCD));
    EXPECT_EQ(bytesAt(bytes, 12), (std::vector<uint8_t> { 0x33, 0x22, 0x11, 0x00 }));
    EXPECT_EQ(bytesAt(bytes, 16), le32(0x00445566));
    EXPECT_EQ(bytesAt(bytes, 20), le32(0x3EAE147B));
    EXPECT_EQ(bytesAt(bytes, 24), le32(0x3F7D70A4));
    EXPECT_EQ(bytesAt(bytes, 28), le32(0x3F000000));
    EXPECT_EQ(bytesAt(bytes, 32), (std::vector<uint8_t> { 0x04, 0x03, 0x02, 0x01 }));
    EXPECT_EQ(bytesAt(bytes, 36), le32(0xFFFFFFFE));
    EXPECT_EQ(bytesAt(bytes, 40), le32(555));
    EXPECT_EQ(bytesAt(bytes, 44), le32(2));
    EXPECT_EQ(bytesAt(bytes, 48), le32(0x7FFFFFFF));
    EXPECT_EQ(bytesAt(bytes, 52), le32(77));
    EXPECT_EQ(bytesAt(bytes, 56), le32(static_cast<uint32_t>(-300)));
    EXPECT_EQ(bytesAt(bytes, 60), le32(65536));
    EXPECT_EQ(bytesAt(bytes, 64), le32(0x0BADF00D));
    EXPECT_EQ(bytesAt(bytes, 68), le32(0xFFFFFFFF));
}

TEST(StoredForm, StackBlockLayout)
{
    auto stack = newShapeStack();
    for (size_t slot = 0; slot < kMaxShapes; ++slot)
        stack->shapes[slot].phong = static_cast<int32_t>(100 + slot);
    stack->shapeCount = 2;
    stack->masterSize = 85;
    stack->fullSize = 1234;
    stack->reducedDirty = 7;
    const StackBlock block = writeStackBlock(*stack);
    ASSERT_EQ(block.size(), 368u);
    // Every slot, in use or not, at 72-byte steps; then the count and the master size.
    for (size_t slot = 0; slot < kMaxShapes; ++slot) {
        EXPECT_EQ(bytesAt(block, slot * 72 + 32), le32(static_cast<uint32_t>(100 + slot))) << slot;
        EXPECT_EQ(bytesAt(block, slot * 72), le32(0x3F800000)) << slot; // lightX 1.0
    }
    EXPECT_EQ(bytesAt(block, 360), le32(2));
    EXPECT_EQ(bytesAt(block, 364), le32(85));
}

TEST(StoredForm, ReadingSetsTheFieldsAndBothDirtyFlags)
{
    StackBlock block {};
    auto source = newShapeStack();
    source->shapes[3] = distinctShape();
    source->shapeCount = 4;
    source->masterSize = 60;
    writeStackBlock(*source, block);

    auto stack = newShapeStack();
    stack->reducedDirty = false;
    stack->fullDirty = false;
    stack->fullSize = 99;
    stack->fullSprite = std::make_unique<ArgbImage>();
    readStackBlock(block, *stack);
    EXPECT_EQ(stack->shapeCount, 4);
    EXPECT_EQ(stack->masterSize, 60);
    EXPECT_EQ(stack->reducedDirty, 1);
    EXPECT_EQ(stack->fullDirty, 1);
    EXPECT_EQ(stack->fullSize, 99);
    EXPECT_NE(stack->fullSprite, nullptr);
    const Shape expected = distinctShape();
    EXPECT_EQ(std::memcmp(&stack->shapes[3], &expected, sizeof(Shape)), 0);
    EXPECT_EQ(stack->shapes[3].lightZ, 0.1f);
    EXPECT_EQ(stack->shapes[3].offsetX, -300);
}

TEST(StoredForm, AnyBytesRoundTripExactly)
{
    // Random blocks hold NaNs with payloads, negative counts, slots beyond the count and
    // reserved words: reading and writing them back changes no byte.
    std::mt19937 random(20261207);
    for (int round = 0; round < 200; ++round) {
        StackBlock block {};
        for (uint8_t& byte : block)
            byte = static_cast<uint8_t>(random());
        if (round == 0) // a signalling NaN in lightX of slot 0
            std::memcpy(block.data(), "\x01\x00\x80\x7F", 4);
        auto stack = newShapeStack();
        readStackBlock(block, *stack);
        ASSERT_EQ(writeStackBlock(*stack), block) << "round " << round;
    }
}

TEST(StoredForm, SpriteBuildRewritesOnlyTheComputedSizes)
{
    // A built stack writes the sizes of its last build and nothing else differs.
    ObjectTable table;
    newObjectTable(table);
    ShapeStack& stack = *table.stacks[0][0];
    const StackBlock before = writeStackBlock(stack);
    buildFullSprite(stack, 40, -1);
    const StackBlock after = writeStackBlock(stack);
    for (size_t i = 0; i < before.size(); ++i) {
        if (i >= 40 && i < 44)
            continue; // radiusPx of slot 0
        if (i >= 52 && i < 56)
            continue; // heightPx of slot 0
        EXPECT_EQ(before[i], after[i]) << "byte " << i;
    }
    EXPECT_EQ(bytesAt(after, 40), le32(19));
    EXPECT_EQ(bytesAt(after, 52), le32(20));
}

} // namespace
