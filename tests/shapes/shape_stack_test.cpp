#include "shapes/shape_stack.h"

#include "shapes/shape_rasteriser.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>

namespace {

class ShapeStackTest : public ::testing::Test {
protected:
    // Object 1 of a new table: one red sphere, MasterSize 100.
    static std::unique_ptr<ShapeStack> newObject(int32_t row = 0)
    {
        ObjectTable table;
        NewObjectTable(table);
        return std::move(table.Stacks[static_cast<size_t>(row)][0]);
    }

    // A stack of `count` shapes whose Phong values 0, 1, 2, ... tell the slots apart.
    static std::unique_ptr<ShapeStack> numberedStack(int32_t count)
    {
        auto stack = NewShapeStack();
        for (int32_t i = 0; i < kMaxShapes; ++i)
            stack->Shapes[static_cast<size_t>(i)].Phong = i;
        stack->ShapeCount = count;
        stack->MasterSize = 100;
        return stack;
    }

    static std::vector<int32_t> phongs(const ShapeStack& stack)
    {
        std::vector<int32_t> values;
        for (const Shape& shape : stack.Shapes)
            values.push_back(shape.Phong);
        return values;
    }
};

TEST_F(ShapeStackTest, NewShapeAndNewStackStartValues)
{
    const Shape shape = NewShape();
    EXPECT_EQ(shape.LightX, 1.0f);
    EXPECT_EQ(shape.LightY, 1.0f);
    EXPECT_EQ(shape.LightZ, -1.0f);
    EXPECT_EQ(shape.Color, 0x00C8C8C8u);
    EXPECT_EQ(shape.LColor, 0x003232FAu);
    EXPECT_EQ(shape.Ambient, 0.5f);
    EXPECT_EQ(shape.Mirror, 0.5f);
    EXPECT_EQ(shape.Intensity, 0.5f);
    EXPECT_EQ(shape.Phong, 10);
    EXPECT_EQ(shape.RadiusPx, 8);
    EXPECT_EQ(shape.HeightPx, 8);
    EXPECT_EQ(shape.Type, kSphereType);
    EXPECT_EQ(shape.OffsetX, 0);
    EXPECT_EQ(shape.OffsetY, 0);

    const auto stack = NewShapeStack();
    EXPECT_EQ(stack->MasterSize, -1);
    EXPECT_EQ(stack->FullSize, -1);
    EXPECT_EQ(stack->ReducedSprite, nullptr);
    EXPECT_EQ(stack->FullSprite, nullptr);
    for (const Shape& slot : stack->Shapes)
        EXPECT_EQ(std::memcmp(&slot, &shape, sizeof(Shape)), 0);
}

TEST_F(ShapeStackTest, NewObjectTableGivesSevenColouredSpheres)
{
    ObjectTable table;
    table.Stacks[3][7] = NewShapeStack();
    NewObjectTable(table);
    EXPECT_EQ(table.StacksPerObject, 1);
    const uint32_t colors[7] = { 0x0000FF, 0x00FF00, 0xFF0000, 0x00B2B2, 0xB2B200, 0xB200B2, 0x808080 };
    for (size_t row = 0; row < 7; ++row) {
        const ShapeStack& stack = *table.Stacks[row][0];
        EXPECT_EQ(stack.ReducedDirty, 1);
        EXPECT_EQ(stack.FullDirty, 1);
        EXPECT_EQ(stack.ShapeCount, 1);
        EXPECT_EQ(stack.MasterSize, 100);
        const Shape& top = stack.Shapes[0];
        EXPECT_EQ(top.Color, colors[row]);
        EXPECT_EQ(top.LColor, 0x00FFFFFFu);
        EXPECT_EQ(top.Ambient, 0.34f);
        EXPECT_EQ(top.Mirror, 0.99f);
        EXPECT_EQ(top.Phong, 4);
        EXPECT_EQ(top.Width, 100);
        EXPECT_EQ(top.Height, 100);
        EXPECT_EQ(top.RadiusPx, 555);
        EXPECT_EQ(top.HeightPx, 555);
        EXPECT_EQ(stack.Shapes[1].Phong, 10); // the rest are new shapes
        for (size_t slot = 1; slot < kStackSlotsPerObject; ++slot)
            EXPECT_EQ(table.Stacks[row][slot], nullptr);
    }
    FreeObjectTable(table);
    for (const auto& row : table.Stacks)
        for (const auto& slot : row)
            EXPECT_EQ(slot, nullptr);
}

TEST_F(ShapeStackTest, AnimationSpriteSides)
{
    auto stack = newObject();
    BuildReducedSprite(*stack, -1, { 1.6f });
    ASSERT_NE(stack->ReducedSprite, nullptr);
    EXPECT_EQ(stack->ReducedSprite->width, 112);
    EXPECT_EQ(stack->ReducedSprite->height, 112);
    EXPECT_EQ(stack->Shapes[0].RadiusPx, 55);
    EXPECT_EQ(stack->Shapes[0].HeightPx, 56);
    EXPECT_EQ(stack->ReducedDirty, 0);
    EXPECT_TRUE(stack->ReducedRuns.Describes(*stack->ReducedSprite));

    stack->ReducedDirty = 1;
    BuildReducedSprite(*stack, -1, { 1.0f });
    EXPECT_EQ(stack->ReducedSprite->width, 70);
    EXPECT_TRUE(stack->ReducedRuns.Describes(*stack->ReducedSprite));
    EXPECT_EQ(stack->Shapes[0].RadiusPx, 34);
    EXPECT_EQ(stack->Shapes[0].HeightPx, 35);

    // Master size 50 acts twice: side (70 x 50) div 100 = 35, d = 17.
    stack->MasterSize = 50;
    stack->ReducedDirty = 1;
    BuildReducedSprite(*stack, -1, { 1.0f });
    EXPECT_EQ(stack->ReducedSprite->width, 35);
    EXPECT_EQ(stack->Shapes[0].RadiusPx, 7);
    EXPECT_EQ(stack->Shapes[0].HeightPx, 8);

    // Before the renderer has set the scale the animation sprite is empty.
    stack->ReducedDirty = 1;
    BuildReducedSprite(*stack, -1, { 0.0f });
    EXPECT_EQ(stack->ReducedSprite->width, 0);
}

TEST_F(ShapeStackTest, AnimationSideTruncatesBeforeAndAfterScaling)
{
    auto stack = newObject();
    // (70 x 45) div 100 = 31 before the scale, trunc(31 x 1.6) = 49 after it (the unrounded
    // 70 x 0.45 x 1.6 would give 50); d = (45 x 49) div 100 = 22.
    stack->MasterSize = 45;
    BuildReducedSprite(*stack, -1, { 1.6f });
    EXPECT_EQ(stack->ReducedSprite->width, 49);
    EXPECT_EQ(stack->Shapes[0].RadiusPx, 10);
    EXPECT_EQ(stack->Shapes[0].HeightPx, 11);

    // The scale is a float: 0.7 is held as 0.69999999, so 70 x 0.7 truncates to 48, not 49.
    stack->MasterSize = 100;
    stack->ReducedDirty = 1;
    BuildReducedSprite(*stack, -1, { 0.7f });
    EXPECT_EQ(stack->ReducedSprite->width, 48);

    // A master size far above the slider's range on a small screen keeps its true side:
    // (70 x 4000) div 100 = 2800, x 0.25 = 700, d = 28000.
    stack->MasterSize = 4000;
    stack->ReducedDirty = 1;
    BuildReducedSprite(*stack, -1, { 0.25f });
    EXPECT_EQ(stack->ReducedSprite->width, 700);
    EXPECT_EQ(stack->Shapes[0].RadiusPx, 13999);
    EXPECT_EQ(stack->Shapes[0].HeightPx, 14000);
}

TEST_F(ShapeStackTest, ReducedSpriteIsBuiltOnlyWhenDirtyOrForAnotherScale)
{
    auto stack = newObject();
    BuildReducedSprite(*stack, -1, { 1.0f });
    const ArgbImage* first = stack->ReducedSprite.get();
    BuildReducedSprite(*stack, -1, { 1.0f });
    EXPECT_EQ(stack->ReducedSprite.get(), first);

    // Another size or the other light makes a new sprite even while the flag is clear, and
    // the stack records what it was built for.
    BuildReducedSprite(*stack, -1, { 2.0f, false });
    EXPECT_EQ(stack->ReducedSprite->width, 140);
    const ArgbImage litAsStored = *stack->ReducedSprite;
    BuildReducedSprite(*stack, -1, { 2.0f, true });
    EXPECT_NE(stack->ReducedSprite->pixels, litAsStored.pixels);
    EXPECT_EQ(stack->ReducedScale, (SpriteScale { 2.0f, true }));
    EXPECT_TRUE(stack->ReducedRuns.Describes(*stack->ReducedSprite));

    // The full sprite is rebuilt every time, dirty or not.
    BuildFullSprite(*stack, 40, -1);
    EXPECT_EQ(stack->FullDirty, 0);
    EXPECT_EQ(stack->FullSize, 40);
    BuildFullSprite(*stack, 30, -1);
    EXPECT_EQ(stack->FullSize, 30);
    EXPECT_EQ(stack->FullSprite->width, 30);
    EXPECT_EQ(stack->ReducedDirty, 0);
}

TEST_F(ShapeStackTest, MasterSizeZeroStillDraws)
{
    auto stack = newObject();
    stack->MasterSize = 0;
    BuildFullSprite(*stack, 40, -1);
    EXPECT_EQ(stack->Shapes[0].RadiusPx, 2);
    EXPECT_EQ(stack->Shapes[0].HeightPx, 2);
    EXPECT_EQ(AlphaOf(stack->FullSprite->pixels[20 * 40 + 20]), 255u);
}

TEST_F(ShapeStackTest, TorusSizeAdjustments)
{
    auto stack = newObject();
    stack->Shapes[0].Type = kTorusType;
    BuildFullSprite(*stack, 40, -1);
    EXPECT_EQ(stack->Shapes[0].RadiusPx, 20);
    EXPECT_EQ(stack->Shapes[0].HeightPx, 18);

    stack->Shapes[0].Type = kSphereType;
    BuildFullSprite(*stack, 40, -1);
    EXPECT_EQ(stack->Shapes[0].RadiusPx, 19);
    EXPECT_EQ(stack->Shapes[0].HeightPx, 20);

    // The animation form holds the torus to the constant limit 70, not to its side: at
    // scale 0.8 (side 56, d = 56) the sizes 27 and 28 swap, the radius grows to 29 and
    // stays, since 58 < 70.
    stack->Shapes[0].Type = kTorusType;
    BuildReducedSprite(*stack, -1, { 0.8f });
    EXPECT_EQ(stack->ReducedSprite->width, 56);
    EXPECT_EQ(stack->Shapes[0].RadiusPx, 29);
    EXPECT_EQ(stack->Shapes[0].HeightPx, 27);

    // A thin torus keeps its sizes apart from the minimums: width 100, height 5.
    stack->Shapes[0].Height = 5;
    BuildFullSprite(*stack, 40, -1);
    EXPECT_EQ(stack->Shapes[0].RadiusPx, 19);
    EXPECT_EQ(stack->Shapes[0].HeightPx, 2);
    // Tiny sizes: both 0 before the minimums, then 3 and 2.
    stack->MasterSize = 0;
    BuildFullSprite(*stack, 40, -1);
    EXPECT_EQ(stack->Shapes[0].RadiusPx, 3);
    EXPECT_EQ(stack->Shapes[0].HeightPx, 2);
}

TEST_F(ShapeStackTest, SpriteIsTheShapeCompositedOntoClearPixels)
{
    auto stack = newObject();
    BuildFullSprite(*stack, 40, -1);
    const ArgbImage& sprite = *stack->FullSprite;
    // Opaque pixels are the rasteriser's own; the edge is blended towards transparent black:
    // red 0 + (178 x 113) >> 8 = 78, green (1 x 113) >> 8 = 0.
    EXPECT_EQ(sprite.pixels[20 * 40 + 20], MakeArgb(255, 163, 2, 2));
    EXPECT_EQ(sprite.pixels[20 * 40 + 1], MakeArgb(113, 78, 0, 0));
    EXPECT_EQ(sprite.pixels[20 * 40 + 0], 0u);
}

TEST_F(ShapeStackTest, ShapeZeroLiesInFront)
{
    auto stack = newObject();
    ASSERT_EQ(CloneLastShape(*stack), 1);
    stack->Shapes[1].Color = 0x0000FF00; // green below
    stack->Shapes[0].Width = 50; // a small red sphere in front
    stack->Shapes[0].Height = 50;
    BuildFullSprite(*stack, 40, -1);
    const ArgbImage& sprite = *stack->FullSprite;
    EXPECT_GT(RedOf(sprite.pixels[20 * 40 + 20]), 100u);
    EXPECT_LE(GreenOf(sprite.pixels[20 * 40 + 20]), 2u);
    EXPECT_GT(GreenOf(sprite.pixels[20 * 40 + 4]), 50u); // outside the small sphere
}

TEST_F(ShapeStackTest, WhichDrawsAndSizesOneShapeOnly)
{
    auto stack = numberedStack(3);
    for (Shape& shape : stack->Shapes) {
        shape.Width = 100;
        shape.Height = 100;
        shape.RadiusPx = 777;
        shape.HeightPx = 777;
    }
    stack->Shapes[2].Width = 50;
    BuildFullSprite(*stack, 40, 2);
    EXPECT_EQ(stack->Shapes[0].RadiusPx, 777);
    EXPECT_EQ(stack->Shapes[1].RadiusPx, 777);
    EXPECT_EQ(stack->Shapes[2].RadiusPx, 9);
    EXPECT_EQ(stack->Shapes[2].HeightPx, 20);
    EXPECT_EQ(stack->Shapes[3].RadiusPx, 777); // not in use
    // Only the half-width shape is drawn: its radius is 10 pixels.
    EXPECT_EQ(AlphaOf(stack->FullSprite->pixels[20 * 40 + 5]), 0u);
    EXPECT_NE(AlphaOf(stack->FullSprite->pixels[20 * 40 + 12]), 0u);
}

TEST_F(ShapeStackTest, FlippedLightTurnsTheAnimationSpriteButKeepsTheStoredValue)
{
    // The rasteriser puts row i at y = i - side / 2, so flipping the light's vertical
    // component gives row i the pixels of row side - i.
    auto stack = newObject();
    BuildReducedSprite(*stack, -1, { 1.0f, false });
    const ArgbImage normal = *stack->ReducedSprite;
    BuildReducedSprite(*stack, -1, { 1.0f, true });
    EXPECT_EQ(stack->Shapes[0].LightY, 1.0f);
    const ArgbImage& flipped = *stack->ReducedSprite;
    ASSERT_EQ(flipped.width, 70);
    for (int32_t row = 1; row < 70; ++row) {
        for (int32_t column = 0; column < 70; ++column)
            ASSERT_EQ(flipped.pixels[row * 70 + column], normal.pixels[(70 - row) * 70 + column])
                << row << ", " << column;
    }

    // The editor's preview form is always lit as stored.
    EXPECT_EQ(BuildSprite(*stack, 40, -1, true, { 1.0f, true })->pixels, BuildSprite(*stack, 40, -1, true)->pixels);
}

TEST_F(ShapeStackTest, CloneLastShape)
{
    auto stack = numberedStack(2);
    stack->ReducedDirty = 0;
    EXPECT_EQ(CloneLastShape(*stack), 1);
    EXPECT_EQ(stack->ShapeCount, 3);
    EXPECT_EQ(phongs(*stack), (std::vector<int32_t> { 0, 1, 1, 3, 4 }));
    EXPECT_EQ(stack->ReducedDirty, 0); // dirty flags are the caller's

    auto full = numberedStack(5);
    EXPECT_EQ(CloneLastShape(*full), 0);
    EXPECT_EQ(full->ShapeCount, 5);
    EXPECT_EQ(phongs(*full), (std::vector<int32_t> { 0, 1, 2, 3, 4 }));
}

TEST_F(ShapeStackTest, RemoveShape)
{
    auto stack = numberedStack(3);
    EXPECT_EQ(RemoveShape(*stack, 1), 1);
    EXPECT_EQ(stack->ShapeCount, 2);
    // Slot 2 keeps its old bytes.
    EXPECT_EQ(phongs(*stack), (std::vector<int32_t> { 0, 2, 2, 3, 4 }));

    auto one = numberedStack(1);
    EXPECT_EQ(RemoveShape(*one, 0), 0);
    for (int32_t index : { -1, 3, 5 }) {
        auto three = numberedStack(3);
        EXPECT_EQ(RemoveShape(*three, index), 0) << index;
        EXPECT_EQ(three->ShapeCount, 3);
    }
    auto five = numberedStack(5);
    EXPECT_EQ(RemoveShape(*five, 4), 1);
    EXPECT_EQ(phongs(*five), (std::vector<int32_t> { 0, 1, 2, 3, 4 }));
    EXPECT_EQ(five->ShapeCount, 4);
}

TEST_F(ShapeStackTest, MoveShapeUpAndDown)
{
    auto stack = numberedStack(3);
    EXPECT_EQ(MoveShapeUp(*stack, 0), 0);
    EXPECT_EQ(MoveShapeUp(*stack, 3), 0);
    EXPECT_EQ(MoveShapeUp(*stack, 2), 1);
    EXPECT_EQ(phongs(*stack), (std::vector<int32_t> { 0, 2, 1, 3, 4 }));
    EXPECT_EQ(MoveShapeDown(*stack, 2), 0);
    EXPECT_EQ(MoveShapeDown(*stack, -1), 0);
    EXPECT_EQ(MoveShapeDown(*stack, 0), 1);
    EXPECT_EQ(phongs(*stack), (std::vector<int32_t> { 2, 0, 1, 3, 4 }));
    EXPECT_EQ(stack->ShapeCount, 3);
}

TEST_F(ShapeStackTest, EditsStayInsideTheSlotsWhateverTheCount)
{
    // A stack read from a file may carry any shape count.
    auto many = numberedStack(9);
    EXPECT_EQ(CloneLastShape(*many), 0);
    EXPECT_EQ(MoveShapeDown(*many, 4), 0);
    EXPECT_EQ(MoveShapeUp(*many, 5), 0);
    EXPECT_EQ(RemoveShape(*many, 5), 0);
    EXPECT_EQ(RemoveShape(*many, 0), 1);
    EXPECT_EQ(many->ShapeCount, 4);

    auto none = numberedStack(0);
    EXPECT_EQ(CloneLastShape(*none), 0);
    auto negative = numberedStack(-7);
    EXPECT_EQ(CloneLastShape(*negative), 0);
    EXPECT_EQ(MoveShapeDown(*negative, 0), 0);
    EXPECT_EQ(phongs(*negative), (std::vector<int32_t> { 0, 1, 2, 3, 4 }));
}

TEST_F(ShapeStackTest, ParameterGroupsCopyTheirFieldsOnly)
{
    auto from = numberedStack(2);
    auto to = numberedStack(2);
    Shape& source = from->Shapes[0];
    source.LightX = 0.25f;
    source.LightY = -0.5f;
    source.LightZ = 2.0f;
    source.Color = 0x123456;
    source.LColor = 0x654321;
    source.Ambient = 0.7f;
    source.Mirror = 0.2f;
    source.Intensity = 0.9f;
    source.Phong = 17;
    source.Width = 33;
    source.Height = 44;
    source.Type = kTorusType;
    source.OffsetX = 5;
    from->MasterSize = 60;

    const Shape before = to->Shapes[1];
    for (int32_t group = 1; group <= kParameterGroupCount; ++group)
        CopyParameterGroup(group, *from, 0, *to, 1);
    const Shape& target = to->Shapes[1];
    EXPECT_EQ(to->MasterSize, 60);
    EXPECT_EQ(target.Width, 33);
    EXPECT_EQ(target.Height, 44);
    EXPECT_EQ(target.Phong, 17);
    EXPECT_EQ(target.Mirror, 0.2f);
    EXPECT_EQ(target.Ambient, 0.7f);
    EXPECT_EQ(target.LightX, 0.25f);
    EXPECT_EQ(target.LightY, -0.5f);
    EXPECT_EQ(target.LightZ, 2.0f);
    EXPECT_EQ(target.Type, kTorusType);
    // Colours, intensity and offsets belong to no group.
    EXPECT_EQ(target.Color, before.Color);
    EXPECT_EQ(target.LColor, before.LColor);
    EXPECT_EQ(target.Intensity, before.Intensity);
    EXPECT_EQ(target.OffsetX, before.OffsetX);
    EXPECT_STREQ(ParameterGroupNames[0], "Master Size");
    EXPECT_STREQ(ParameterGroupNames[6], "Light Angle");
    EXPECT_STREQ(ParameterGroupNames[7], "Shape Type");

    // One group at a time touches nothing else.
    auto single = numberedStack(2);
    CopyParameterGroup(kGroupPhong, *from, 0, *single, 0);
    EXPECT_EQ(single->Shapes[0].Phong, 17);
    EXPECT_EQ(single->Shapes[0].Width, 0);
    EXPECT_EQ(single->MasterSize, 100);
    CopyParameterGroup(kGroupWidth, *from, 0, *single, 7);
    CopyParameterGroup(42, *from, 0, *single, 0);
    EXPECT_EQ(single->Shapes[0].Width, 0);
}

TEST_F(ShapeStackTest, OutOfRangeStacksBuildBoundedSprites)
{
    constexpr int32_t kBig = std::numeric_limits<int32_t>::max();
    constexpr int32_t kLow = std::numeric_limits<int32_t>::min();
    auto stack = newObject();
    stack->MasterSize = kBig;
    stack->Shapes[0].Width = kBig;
    stack->Shapes[0].Height = kLow;
    BuildReducedSprite(*stack, -1, { 4.5f });
    EXPECT_EQ(stack->ReducedSprite->width, kMaxSpriteSide);
    EXPECT_GT(stack->Shapes[0].RadiusPx, 0);
    EXPECT_EQ(stack->Shapes[0].HeightPx, 2);

    stack->Shapes[0].Type = kTorusType;
    BuildFullSprite(*stack, kBig, -1);
    EXPECT_EQ(stack->FullSprite->width, kMaxSpriteSide);

    stack->MasterSize = kLow;
    BuildFullSprite(*stack, -40, -1);
    EXPECT_EQ(stack->FullSprite->width, 0);
    stack->ReducedDirty = 1;
    BuildReducedSprite(*stack, -1, { 4.5f });
    EXPECT_EQ(stack->ReducedSprite->width, 0);

    stack->MasterSize = 100;
    stack->ReducedDirty = 1;
    BuildReducedSprite(*stack, -1, { std::numeric_limits<float>::quiet_NaN() });
    EXPECT_EQ(stack->ReducedSprite->width, 0);
    stack->ReducedDirty = 1;
    BuildReducedSprite(*stack, -1, { std::numeric_limits<float>::infinity() });
    EXPECT_EQ(stack->ReducedSprite->width, kMaxSpriteSide);

    // A shape count beyond five draws the five slots; a negative one draws nothing.
    stack->ShapeCount = 1000;
    stack->Shapes[4].RadiusPx = 777;
    BuildFullSprite(*stack, 40, -1);
    EXPECT_NE(stack->Shapes[4].RadiusPx, 777);
    stack->ShapeCount = -3;
    BuildFullSprite(*stack, 40, -1);
    EXPECT_EQ(stack->FullSprite->pixels, ArgbImage::Pixels(40 * 40, 0u));
}

} // namespace
