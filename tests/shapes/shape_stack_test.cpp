#include "shapes/shape_stack.h"

#include "shapes/shape_rasteriser.h"
#include "shapes/sprite_builder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>

namespace {

class ShapeStackTest : public ::testing::Test {
protected:
    // Object 1 of a new table: one red sphere, masterSize 100.
    static std::unique_ptr<ShapeStack> newObject(int32_t row = 0)
    {
        ObjectTable table;
        newObjectTable(table);
        return std::move(table.stacks[static_cast<size_t>(row)][0]);
    }

    // A stack of `count` shapes whose Phong values 0, 1, 2, ... tell the slots apart.
    static std::unique_ptr<ShapeStack> numberedStack(int32_t count)
    {
        auto stack = newShapeStack();
        for (int32_t i = 0; i < kMaxShapes; ++i)
            stack->shapes[static_cast<size_t>(i)].phong = i;
        stack->shapeCount = count;
        stack->masterSize = 100;
        return stack;
    }

    static std::vector<int32_t> phongs(const ShapeStack& stack)
    {
        std::vector<int32_t> values;
        for (const Shape& shape : stack.shapes)
            values.push_back(shape.phong);
        return values;
    }
};

TEST_F(ShapeStackTest, NewShapeAndNewStackStartValues)
{
    const Shape shape = newShape();
    EXPECT_EQ(shape.lightX, 1.0f);
    EXPECT_EQ(shape.lightY, 1.0f);
    EXPECT_EQ(shape.lightZ, -1.0f);
    EXPECT_EQ(shape.color, 0x00C8C8C8u);
    EXPECT_EQ(shape.lColor, 0x003232FAu);
    EXPECT_EQ(shape.ambient, 0.5f);
    EXPECT_EQ(shape.mirror, 0.5f);
    EXPECT_EQ(shape.intensity, 0.5f);
    EXPECT_EQ(shape.phong, 10);
    EXPECT_EQ(shape.radiusPx, 8);
    EXPECT_EQ(shape.heightPx, 8);
    EXPECT_EQ(shape.type, kSphereType);
    EXPECT_EQ(shape.offsetX, 0);
    EXPECT_EQ(shape.offsetY, 0);

    const auto stack = newShapeStack();
    EXPECT_EQ(stack->masterSize, -1);
    EXPECT_EQ(stack->fullSize, -1);
    EXPECT_EQ(stack->reducedSprite, nullptr);
    EXPECT_EQ(stack->fullSprite, nullptr);
    for (const Shape& slot : stack->shapes)
        EXPECT_EQ(std::memcmp(&slot, &shape, sizeof(Shape)), 0);
}

TEST_F(ShapeStackTest, NewObjectTableGivesSevenColouredSpheres)
{
    ObjectTable table;
    table.stacks[3][7] = newShapeStack();
    newObjectTable(table);
    EXPECT_EQ(table.stacksPerObject, 1);
    const uint32_t colors[7] = { 0x0000FF, 0x00FF00, 0xFF0000, 0x00B2B2, 0xB2B200, 0xB200B2, 0x808080 };
    for (size_t row = 0; row < 7; ++row) {
        const ShapeStack& stack = *table.stacks[row][0];
        EXPECT_EQ(stack.reducedDirty, 1);
        EXPECT_EQ(stack.fullDirty, 1);
        EXPECT_EQ(stack.shapeCount, 1);
        EXPECT_EQ(stack.masterSize, 100);
        const Shape& top = stack.shapes[0];
        EXPECT_EQ(top.color, colors[row]);
        EXPECT_EQ(top.lColor, 0x00FFFFFFu);
        EXPECT_EQ(top.ambient, 0.34f);
        EXPECT_EQ(top.mirror, 0.99f);
        EXPECT_EQ(top.phong, 4);
        EXPECT_EQ(top.width, 100);
        EXPECT_EQ(top.height, 100);
        EXPECT_EQ(top.radiusPx, 555);
        EXPECT_EQ(top.heightPx, 555);
        EXPECT_EQ(stack.shapes[1].phong, 10); // the rest are new shapes
        for (size_t slot = 1; slot < kStackSlotsPerObject; ++slot)
            EXPECT_EQ(table.stacks[row][slot], nullptr);
    }
    freeObjectTable(table);
    for (const auto& row : table.stacks)
        for (const auto& slot : row)
            EXPECT_EQ(slot, nullptr);
}

TEST_F(ShapeStackTest, AnimationSpriteSides)
{
    auto stack = newObject();
    buildReducedSprite(*stack, -1, { 1.6f });
    ASSERT_NE(stack->reducedSprite, nullptr);
    EXPECT_EQ(stack->reducedSprite->width, 112);
    EXPECT_EQ(stack->reducedSprite->height, 112);
    EXPECT_EQ(stack->shapes[0].radiusPx, 55);
    EXPECT_EQ(stack->shapes[0].heightPx, 56);
    EXPECT_EQ(stack->reducedDirty, 0);
    EXPECT_TRUE(stack->reducedRuns.describes(*stack->reducedSprite));

    stack->reducedDirty = true;
    buildReducedSprite(*stack, -1, { 1.0f });
    EXPECT_EQ(stack->reducedSprite->width, 70);
    EXPECT_TRUE(stack->reducedRuns.describes(*stack->reducedSprite));
    EXPECT_EQ(stack->shapes[0].radiusPx, 34);
    EXPECT_EQ(stack->shapes[0].heightPx, 35);

    // Master size 50 acts twice: side (70 x 50) div 100 = 35, d = 17.
    stack->masterSize = 50;
    stack->reducedDirty = true;
    buildReducedSprite(*stack, -1, { 1.0f });
    EXPECT_EQ(stack->reducedSprite->width, 35);
    EXPECT_EQ(stack->shapes[0].radiusPx, 7);
    EXPECT_EQ(stack->shapes[0].heightPx, 8);

    // Before the renderer has set the scale the animation sprite is empty.
    stack->reducedDirty = true;
    buildReducedSprite(*stack, -1, { 0.0f });
    EXPECT_EQ(stack->reducedSprite->width, 0);
}

TEST_F(ShapeStackTest, AnimationSideTruncatesBeforeAndAfterScaling)
{
    auto stack = newObject();
    // (70 x 45) div 100 = 31 before the scale, trunc(31 x 1.6) = 49 after it (the unrounded
    // 70 x 0.45 x 1.6 would give 50); d = (45 x 49) div 100 = 22.
    stack->masterSize = 45;
    buildReducedSprite(*stack, -1, { 1.6f });
    EXPECT_EQ(stack->reducedSprite->width, 49);
    EXPECT_EQ(stack->shapes[0].radiusPx, 10);
    EXPECT_EQ(stack->shapes[0].heightPx, 11);

    // The scale is a float: 0.7 is held as 0.69999999, so 70 x 0.7 truncates to 48, not 49.
    stack->masterSize = 100;
    stack->reducedDirty = true;
    buildReducedSprite(*stack, -1, { 0.7f });
    EXPECT_EQ(stack->reducedSprite->width, 48);

    // A master size far above the slider's range on a small screen keeps its true side:
    // (70 x 4000) div 100 = 2800, x 0.25 = 700, d = 28000.
    stack->masterSize = 4000;
    stack->reducedDirty = true;
    buildReducedSprite(*stack, -1, { 0.25f });
    EXPECT_EQ(stack->reducedSprite->width, 700);
    EXPECT_EQ(stack->shapes[0].radiusPx, 13999);
    EXPECT_EQ(stack->shapes[0].heightPx, 14000);
}

TEST_F(ShapeStackTest, ReducedSpriteIsBuiltOnlyWhenDirtyOrForAnotherScale)
{
    auto stack = newObject();
    buildReducedSprite(*stack, -1, { 1.0f });
    const ArgbImage* first = stack->reducedSprite.get();
    buildReducedSprite(*stack, -1, { 1.0f });
    EXPECT_EQ(stack->reducedSprite.get(), first);

    // Another size or the other light makes a new sprite even while the flag is clear, and
    // the stack records what it was built for.
    buildReducedSprite(*stack, -1, { 2.0f, false });
    EXPECT_EQ(stack->reducedSprite->width, 140);
    const ArgbImage litAsStored = *stack->reducedSprite;
    buildReducedSprite(*stack, -1, { 2.0f, true });
    EXPECT_NE(stack->reducedSprite->pixels, litAsStored.pixels);
    EXPECT_EQ(stack->reducedScale, (SpriteScale { 2.0f, true }));
    EXPECT_TRUE(stack->reducedRuns.describes(*stack->reducedSprite));

    // The full sprite is rebuilt every time, dirty or not.
    buildFullSprite(*stack, 40, -1);
    EXPECT_EQ(stack->fullDirty, 0);
    EXPECT_EQ(stack->fullSize, 40);
    buildFullSprite(*stack, 30, -1);
    EXPECT_EQ(stack->fullSize, 30);
    EXPECT_EQ(stack->fullSprite->width, 30);
    EXPECT_EQ(stack->reducedDirty, 0);
}

TEST_F(ShapeStackTest, MasterSizeZeroStillDraws)
{
    auto stack = newObject();
    stack->masterSize = 0;
    buildFullSprite(*stack, 40, -1);
    EXPECT_EQ(stack->shapes[0].radiusPx, 2);
    EXPECT_EQ(stack->shapes[0].heightPx, 2);
    EXPECT_EQ(alphaOf(stack->fullSprite->pixels[20 * 40 + 20]), 255u);
}

TEST_F(ShapeStackTest, TorusSizeAdjustments)
{
    auto stack = newObject();
    stack->shapes[0].type = kTorusType;
    buildFullSprite(*stack, 40, -1);
    EXPECT_EQ(stack->shapes[0].radiusPx, 20);
    EXPECT_EQ(stack->shapes[0].heightPx, 18);

    stack->shapes[0].type = kSphereType;
    buildFullSprite(*stack, 40, -1);
    EXPECT_EQ(stack->shapes[0].radiusPx, 19);
    EXPECT_EQ(stack->shapes[0].heightPx, 20);

    // The animation form holds the torus to the constant limit 70, not to its side: at
    // scale 0.8 (side 56, d = 56) the sizes 27 and 28 swap, the radius grows to 29 and
    // stays, since 58 < 70.
    stack->shapes[0].type = kTorusType;
    buildReducedSprite(*stack, -1, { 0.8f });
    EXPECT_EQ(stack->reducedSprite->width, 56);
    EXPECT_EQ(stack->shapes[0].radiusPx, 29);
    EXPECT_EQ(stack->shapes[0].heightPx, 27);

    // A thin torus keeps its sizes apart from the minimums: width 100, height 5.
    stack->shapes[0].height = 5;
    buildFullSprite(*stack, 40, -1);
    EXPECT_EQ(stack->shapes[0].radiusPx, 19);
    EXPECT_EQ(stack->shapes[0].heightPx, 2);
    // Tiny sizes: both 0 before the minimums, then 3 and 2.
    stack->masterSize = 0;
    buildFullSprite(*stack, 40, -1);
    EXPECT_EQ(stack->shapes[0].radiusPx, 3);
    EXPECT_EQ(stack->shapes[0].heightPx, 2);
}

TEST_F(ShapeStackTest, SpriteIsTheShapeCompositedOntoClearPixels)
{
    auto stack = newObject();
    buildFullSprite(*stack, 40, -1);
    const ArgbImage& sprite = *stack->fullSprite;
    // Opaque pixels are the rasteriser's own; the edge is blended towards transparent black:
    // red 0 + (178 x 113) >> 8 = 78, green (1 x 113) >> 8 = 0.
    EXPECT_EQ(sprite.pixels[20 * 40 + 20], makeArgb(255, 163, 2, 2));
    EXPECT_EQ(sprite.pixels[20 * 40 + 1], makeArgb(113, 78, 0, 0));
    EXPECT_EQ(sprite.pixels[20 * 40 + 0], 0u);
}

TEST_F(ShapeStackTest, ShapeZeroLiesInFront)
{
    auto stack = newObject();
    ASSERT_EQ(cloneLastShape(*stack), 1);
    stack->shapes[1].color = 0x0000FF00; // green below
    stack->shapes[0].width = 50; // a small red sphere in front
    stack->shapes[0].height = 50;
    buildFullSprite(*stack, 40, -1);
    const ArgbImage& sprite = *stack->fullSprite;
    EXPECT_GT(redOf(sprite.pixels[20 * 40 + 20]), 100u);
    EXPECT_LE(greenOf(sprite.pixels[20 * 40 + 20]), 2u);
    EXPECT_GT(greenOf(sprite.pixels[20 * 40 + 4]), 50u); // outside the small sphere
}

TEST_F(ShapeStackTest, WhichDrawsAndSizesOneShapeOnly)
{
    auto stack = numberedStack(3);
    for (Shape& shape : stack->shapes) {
        shape.width = 100;
        shape.height = 100;
        shape.radiusPx = 777;
        shape.heightPx = 777;
    }
    stack->shapes[2].width = 50;
    buildFullSprite(*stack, 40, 2);
    EXPECT_EQ(stack->shapes[0].radiusPx, 777);
    EXPECT_EQ(stack->shapes[1].radiusPx, 777);
    EXPECT_EQ(stack->shapes[2].radiusPx, 9);
    EXPECT_EQ(stack->shapes[2].heightPx, 20);
    EXPECT_EQ(stack->shapes[3].radiusPx, 777); // not in use
    // Only the half-width shape is drawn: its radius is 10 pixels.
    EXPECT_EQ(alphaOf(stack->fullSprite->pixels[20 * 40 + 5]), 0u);
    EXPECT_NE(alphaOf(stack->fullSprite->pixels[20 * 40 + 12]), 0u);
}

TEST_F(ShapeStackTest, FlippedLightTurnsTheAnimationSpriteButKeepsTheStoredValue)
{
    // The rasteriser puts row i at y = i - side / 2, so flipping the light's vertical
    // component gives row i the pixels of row side - i.
    auto stack = newObject();
    buildReducedSprite(*stack, -1, { 1.0f, false });
    const ArgbImage normal = *stack->reducedSprite;
    buildReducedSprite(*stack, -1, { 1.0f, true });
    EXPECT_EQ(stack->shapes[0].lightY, 1.0f);
    const ArgbImage& flipped = *stack->reducedSprite;
    ASSERT_EQ(flipped.width, 70);
    for (int32_t row = 1; row < 70; ++row) {
        for (int32_t column = 0; column < 70; ++column)
            ASSERT_EQ(flipped.pixels[row * 70 + column], normal.pixels[(70 - row) * 70 + column])
                << row << ", " << column;
    }

    // The editor's preview form is always lit as stored.
    EXPECT_EQ(buildSprite(*stack, 40, -1, true, { 1.0f, true })->pixels, buildSprite(*stack, 40, -1, true)->pixels);
}

TEST_F(ShapeStackTest, CloneLastShape)
{
    auto stack = numberedStack(2);
    stack->reducedDirty = false;
    EXPECT_EQ(cloneLastShape(*stack), 1);
    EXPECT_EQ(stack->shapeCount, 3);
    EXPECT_EQ(phongs(*stack), (std::vector<int32_t> { 0, 1, 1, 3, 4 }));
    EXPECT_EQ(stack->reducedDirty, 0); // dirty flags are the caller's

    auto full = numberedStack(5);
    EXPECT_EQ(cloneLastShape(*full), 0);
    EXPECT_EQ(full->shapeCount, 5);
    EXPECT_EQ(phongs(*full), (std::vector<int32_t> { 0, 1, 2, 3, 4 }));
}

TEST_F(ShapeStackTest, RemoveShape)
{
    auto stack = numberedStack(3);
    EXPECT_EQ(removeShape(*stack, 1), 1);
    EXPECT_EQ(stack->shapeCount, 2);
    // Slot 2 keeps its old bytes.
    EXPECT_EQ(phongs(*stack), (std::vector<int32_t> { 0, 2, 2, 3, 4 }));

    auto one = numberedStack(1);
    EXPECT_EQ(removeShape(*one, 0), 0);
    for (int32_t index : { -1, 3, 5 }) {
        auto three = numberedStack(3);
        EXPECT_EQ(removeShape(*three, index), 0) << index;
        EXPECT_EQ(three->shapeCount, 3);
    }
    auto five = numberedStack(5);
    EXPECT_EQ(removeShape(*five, 4), 1);
    EXPECT_EQ(phongs(*five), (std::vector<int32_t> { 0, 1, 2, 3, 4 }));
    EXPECT_EQ(five->shapeCount, 4);
}

TEST_F(ShapeStackTest, MoveShapeUpAndDown)
{
    auto stack = numberedStack(3);
    EXPECT_EQ(moveShapeUp(*stack, 0), 0);
    EXPECT_EQ(moveShapeUp(*stack, 3), 0);
    EXPECT_EQ(moveShapeUp(*stack, 2), 1);
    EXPECT_EQ(phongs(*stack), (std::vector<int32_t> { 0, 2, 1, 3, 4 }));
    EXPECT_EQ(moveShapeDown(*stack, 2), 0);
    EXPECT_EQ(moveShapeDown(*stack, -1), 0);
    EXPECT_EQ(moveShapeDown(*stack, 0), 1);
    EXPECT_EQ(phongs(*stack), (std::vector<int32_t> { 2, 0, 1, 3, 4 }));
    EXPECT_EQ(stack->shapeCount, 3);
}

TEST_F(ShapeStackTest, EditsStayInsideTheSlotsWhateverTheCount)
{
    // A stack read from a file may carry any shape count.
    auto many = numberedStack(9);
    EXPECT_EQ(cloneLastShape(*many), 0);
    EXPECT_EQ(moveShapeDown(*many, 4), 0);
    EXPECT_EQ(moveShapeUp(*many, 5), 0);
    EXPECT_EQ(removeShape(*many, 5), 0);
    EXPECT_EQ(removeShape(*many, 0), 1);
    EXPECT_EQ(many->shapeCount, 4);

    auto none = numberedStack(0);
    EXPECT_EQ(cloneLastShape(*none), 0);
    auto negative = numberedStack(-7);
    EXPECT_EQ(cloneLastShape(*negative), 0);
    EXPECT_EQ(moveShapeDown(*negative, 0), 0);
    EXPECT_EQ(phongs(*negative), (std::vector<int32_t> { 0, 1, 2, 3, 4 }));
}

TEST_F(ShapeStackTest, ParameterGroupsCopyTheirFieldsOnly)
{
    auto from = numberedStack(2);
    auto to = numberedStack(2);
    Shape& source = from->shapes[0];
    source.lightX = 0.25f;
    source.lightY = -0.5f;
    source.lightZ = 2.0f;
    source.color = 0x123456;
    source.lColor = 0x654321;
    source.ambient = 0.7f;
    source.mirror = 0.2f;
    source.intensity = 0.9f;
    source.phong = 17;
    source.width = 33;
    source.height = 44;
    source.type = kTorusType;
    source.offsetX = 5;
    from->masterSize = 60;

    const Shape before = to->shapes[1];
    for (int32_t group = 1; group <= kParameterGroupCount; ++group)
        copyParameterGroup(group, *from, 0, *to, 1);
    const Shape& target = to->shapes[1];
    EXPECT_EQ(to->masterSize, 60);
    EXPECT_EQ(target.width, 33);
    EXPECT_EQ(target.height, 44);
    EXPECT_EQ(target.phong, 17);
    EXPECT_EQ(target.mirror, 0.2f);
    EXPECT_EQ(target.ambient, 0.7f);
    EXPECT_EQ(target.lightX, 0.25f);
    EXPECT_EQ(target.lightY, -0.5f);
    EXPECT_EQ(target.lightZ, 2.0f);
    EXPECT_EQ(target.type, kTorusType);
    // Colours, intensity and offsets belong to no group.
    EXPECT_EQ(target.color, before.color);
    EXPECT_EQ(target.lColor, before.lColor);
    EXPECT_EQ(target.intensity, before.intensity);
    EXPECT_EQ(target.offsetX, before.offsetX);
    EXPECT_STREQ(ParameterGroupNames[0], "Master Size");
    EXPECT_STREQ(ParameterGroupNames[6], "Light Angle");
    EXPECT_STREQ(ParameterGroupNames[7], "Shape Type");

    // One group at a time touches nothing else.
    auto single = numberedStack(2);
    copyParameterGroup(kGroupPhong, *from, 0, *single, 0);
    EXPECT_EQ(single->shapes[0].phong, 17);
    EXPECT_EQ(single->shapes[0].width, 0);
    EXPECT_EQ(single->masterSize, 100);
    copyParameterGroup(kGroupWidth, *from, 0, *single, 7);
    copyParameterGroup(42, *from, 0, *single, 0);
    EXPECT_EQ(single->shapes[0].width, 0);
}

TEST_F(ShapeStackTest, OutOfRangeStacksBuildBoundedSprites)
{
    constexpr int32_t kBig = std::numeric_limits<int32_t>::max();
    constexpr int32_t kLow = std::numeric_limits<int32_t>::min();
    auto stack = newObject();
    stack->masterSize = kBig;
    stack->shapes[0].width = kBig;
    stack->shapes[0].height = kLow;
    buildReducedSprite(*stack, -1, { 4.5f });
    EXPECT_EQ(stack->reducedSprite->width, kMaxSpriteSide);
    EXPECT_GT(stack->shapes[0].radiusPx, 0);
    EXPECT_EQ(stack->shapes[0].heightPx, 2);

    stack->shapes[0].type = kTorusType;
    buildFullSprite(*stack, kBig, -1);
    EXPECT_EQ(stack->fullSprite->width, kMaxSpriteSide);

    stack->masterSize = kLow;
    buildFullSprite(*stack, -40, -1);
    EXPECT_EQ(stack->fullSprite->width, 0);
    stack->reducedDirty = true;
    buildReducedSprite(*stack, -1, { 4.5f });
    EXPECT_EQ(stack->reducedSprite->width, 0);

    stack->masterSize = 100;
    stack->reducedDirty = true;
    buildReducedSprite(*stack, -1, { std::numeric_limits<float>::quiet_NaN() });
    EXPECT_EQ(stack->reducedSprite->width, 0);
    stack->reducedDirty = true;
    buildReducedSprite(*stack, -1, { std::numeric_limits<float>::infinity() });
    EXPECT_EQ(stack->reducedSprite->width, kMaxSpriteSide);

    // A shape count beyond five draws the five slots; a negative one draws nothing.
    stack->shapeCount = 1000;
    stack->shapes[4].radiusPx = 777;
    buildFullSprite(*stack, 40, -1);
    EXPECT_NE(stack->shapes[4].radiusPx, 777);
    stack->shapeCount = -3;
    buildFullSprite(*stack, 40, -1);
    EXPECT_EQ(stack->fullSprite->pixels, ArgbImage::Pixels(40 * 40, 0u));
}

} // namespace
