#include "shapes/shape_stack.h"

#include "shapes/colors.h"
#include "shapes/little_endian.h"
#include "shapes/sprite_painter.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace {

// The animation form's sprite side at master size 100 and scale 1; a torus in the
// animation form keeps its diameter below it (see adjustTorusSize).
constexpr int32_t kReducedBaseSide = 70;
// d never drops below this many pixels, so a master size of 0 still draws.
constexpr float kMinDrawnSize = 3.0f;
// Computed radii are kept within this many pixels, so that the size adjustments and the
// rasteriser's sums stay inside 32 bits whatever the percentages are.
constexpr double kMaxComputedPx = 1 << 30;

int32_t clampSide(double side)
{
    if (!(side >= 0.0))
        return 0;
    if (side >= kMaxSpriteSide)
        return kMaxSpriteSide;
    return static_cast<int32_t>(side);
}

// trunc() of a computed pixel size, within +-kMaxComputedPx.
int32_t truncatePx(double value)
{
    return static_cast<int32_t>(std::clamp(value, -kMaxComputedPx, kMaxComputedPx));
}

// A torus is drawn with RadiusPx as the larger of the two sizes, so its tube has positive
// thickness; when the tube would fill the hole the outer radius grows by one, unless that
// would make it reach the limit.
void adjustTorusSize(Shape& shape, int32_t limit)
{
    if (shape.HeightPx > shape.RadiusPx)
        std::swap(shape.HeightPx, shape.RadiusPx);
    if (shape.HeightPx + 1 >= shape.RadiusPx) {
        ++shape.RadiusPx;
        if (2 * int64_t { shape.RadiusPx } >= limit) {
            --shape.RadiusPx;
            --shape.HeightPx;
        }
    }
    if (shape.RadiusPx < 2)
        shape.RadiusPx = 3;
    if (shape.HeightPx < 2)
        shape.HeightPx = 2;
}

// Computes RadiusPx and HeightPx of one shape for a sprite of the given side.
void sizeShape(Shape& shape, int32_t masterSize, int32_t side, bool full)
{
    float d = static_cast<float>(int64_t { masterSize } * side / 100);
    if (d < kMinDrawnSize)
        d = kMinDrawnSize;
    shape.RadiusPx = truncatePx(shape.Width * static_cast<double>(d) * 0.005 - 1.0);
    shape.HeightPx = truncatePx(shape.Height * static_cast<double>(d) * 0.005);
    if (shape.Type == kTorusType) {
        adjustTorusSize(shape, full ? side : kReducedBaseSide);
    } else {
        if (shape.RadiusPx < 2)
            shape.RadiusPx = 2;
        if (shape.HeightPx < 2)
            shape.HeightPx = 2;
    }
}

// Shape 0 of a new object: a sphere of full width and height with a white highlight.
Shape objectStartShape(uint32_t color)
{
    Shape shape;
    shape.Color = color;
    shape.LColor = 0x00FFFFFF;
    shape.Ambient = 0.34f;
    shape.Mirror = 0.99f;
    shape.Intensity = 0.5f;
    shape.Phong = 4;
    shape.Width = 100;
    shape.RadiusPx = 555; // placeholders until the first build
    shape.Height = 100;
    shape.HeightPx = 555;
    return shape;
}

} // namespace

const std::array<uint32_t, kObjectCount> DefaultObjectColors = {
    MakeColorref(255, 0, 0),
    MakeColorref(0, 255, 0),
    MakeColorref(0, 0, 255),
    MakeColorref(178, 178, 0),
    MakeColorref(0, 178, 178),
    MakeColorref(178, 0, 178),
    MakeColorref(128, 128, 128),
};

const std::array<const char*, kParameterGroupCount> ParameterGroupNames = {
    "Master Size",
    "Width",
    "Height",
    "Phong",
    "Mirror",
    "Ambient",
    "Light Angle",
    "Shape Type",
};

Shape NewShape()
{
    return Shape {};
}

std::unique_ptr<ShapeStack> NewShapeStack()
{
    return std::make_unique<ShapeStack>();
}

void NewObjectTable(ObjectTable& table)
{
    FreeObjectTable(table);
    table.StacksPerObject = 1;
    for (int32_t row = 0; row < kObjectCount; ++row) {
        auto stack = NewShapeStack();
        stack->ReducedDirty = 1;
        stack->FullDirty = 1;
        stack->ShapeCount = 1;
        stack->MasterSize = 100;
        stack->Shapes[0] = objectStartShape(DefaultObjectColors[static_cast<std::size_t>(row)]);
        table.Stacks[static_cast<std::size_t>(row)][0] = std::move(stack);
    }
}

void FreeObjectTable(ObjectTable& table)
{
    // Every slot, not only the first StacksPerObject: a slot beyond it cannot hold a stack
    // that should outlive the table.
    for (auto& row : table.Stacks) {
        for (auto& slot : row)
            slot.reset();
    }
}

int32_t ShapesInUse(const ShapeStack& stack)
{
    return std::clamp(stack.ShapeCount, 0, kMaxShapes);
}

// ---- Stored form ---------------------------------------------------------------------

void WriteShapeRecord(const Shape& shape, std::span<uint8_t, kShapeRecordBytes> out)
{
    uint8_t* p = out.data();
    PutLeFloat(p + 0, shape.LightX);
    PutLeFloat(p + 4, shape.LightY);
    PutLeFloat(p + 8, shape.LightZ);
    PutLe32(p + 12, shape.Color);
    PutLe32(p + 16, shape.LColor);
    PutLeFloat(p + 20, shape.Ambient);
    PutLeFloat(p + 24, shape.Mirror);
    PutLeFloat(p + 28, shape.Intensity);
    PutLeInt32(p + 32, shape.Phong);
    PutLeInt32(p + 36, shape.Width);
    PutLeInt32(p + 40, shape.RadiusPx);
    PutLeInt32(p + 44, shape.Type);
    PutLeInt32(p + 48, shape.Height);
    PutLeInt32(p + 52, shape.HeightPx);
    PutLeInt32(p + 56, shape.OffsetX);
    PutLeInt32(p + 60, shape.OffsetY);
    PutLeInt32(p + 64, shape.Reserved[0]);
    PutLeInt32(p + 68, shape.Reserved[1]);
}

Shape ReadShapeRecord(std::span<const uint8_t, kShapeRecordBytes> in)
{
    const uint8_t* p = in.data();
    Shape shape;
    shape.LightX = GetLeFloat(p + 0);
    shape.LightY = GetLeFloat(p + 4);
    shape.LightZ = GetLeFloat(p + 8);
    shape.Color = GetLe32(p + 12);
    shape.LColor = GetLe32(p + 16);
    shape.Ambient = GetLeFloat(p + 20);
    shape.Mirror = GetLeFloat(p + 24);
    shape.Intensity = GetLeFloat(p + 28);
    shape.Phong = GetLeInt32(p + 32);
    shape.Width = GetLeInt32(p + 36);
    shape.RadiusPx = GetLeInt32(p + 40);
    shape.Type = GetLeInt32(p + 44);
    shape.Height = GetLeInt32(p + 48);
    shape.HeightPx = GetLeInt32(p + 52);
    shape.OffsetX = GetLeInt32(p + 56);
    shape.OffsetY = GetLeInt32(p + 60);
    shape.Reserved[0] = GetLeInt32(p + 64);
    shape.Reserved[1] = GetLeInt32(p + 68);
    return shape;
}

void WriteStackBlock(const ShapeStack& stack, std::span<uint8_t, kStackBlockBytes> out)
{
    // All five slots, in use or not, then the shape count and the master size.
    for (std::size_t slot = 0; slot < kMaxShapes; ++slot)
        WriteShapeRecord(stack.Shapes[slot], out.subspan(slot * kShapeRecordBytes).first<kShapeRecordBytes>());
    PutLeInt32(out.data() + 360, stack.ShapeCount);
    PutLeInt32(out.data() + 364, stack.MasterSize);
}

StackBlock WriteStackBlock(const ShapeStack& stack)
{
    StackBlock block {};
    WriteStackBlock(stack, std::span<uint8_t, kStackBlockBytes>(block));
    return block;
}

void ReadStackBlock(std::span<const uint8_t, kStackBlockBytes> in, ShapeStack& stack)
{
    for (std::size_t slot = 0; slot < kMaxShapes; ++slot)
        stack.Shapes[slot] = ReadShapeRecord(in.subspan(slot * kShapeRecordBytes).first<kShapeRecordBytes>());
    stack.ShapeCount = GetLeInt32(in.data() + 360);
    stack.MasterSize = GetLeInt32(in.data() + 364);
    stack.ReducedDirty = 1;
    stack.FullDirty = 1;
}

// ---- Sprites -------------------------------------------------------------------------

std::unique_ptr<ArgbImage> BuildSprite(ShapeStack& stack, int32_t side, int32_t which, bool full,
    const SpriteScale& scale, const SpriteBuildOptions& options)
{
    const int32_t imageSide
        = full ? clampSide(side) : clampSide(static_cast<double>(side) * static_cast<double>(scale.sizeScale));
    const bool flipLight = !full && scale.flipLight;
    auto sprite = std::make_unique<ArgbImage>();
    sprite->SetSize(imageSide, imageSide);

    // From the bottom of the stack up, so that shape 0 is composited last and covers the
    // others. Every shape is sized first; the painting only reads the copies.
    std::vector<Shape> painted;
    for (int32_t index = ShapesInUse(stack) - 1; index >= 0; --index) {
        if (which != -1 && which != index)
            continue;
        Shape& shape = stack.Shapes[static_cast<std::size_t>(index)];
        sizeShape(shape, stack.MasterSize, imageSide, full);

        // Half-size sprites are drawn upside down by the renderer, so their light comes
        // from the other side; the stored direction stays as it is.
        Shape lit = shape;
        if (flipLight)
            lit.LightY = -lit.LightY;
        painted.push_back(lit);
    }
    PaintSprite(*sprite, painted, options);
    return sprite;
}

void BuildFullSprite(ShapeStack& stack, int32_t side, int32_t which)
{
    stack.FullSize = side;
    stack.FullSprite.reset();
    stack.FullSprite = BuildSprite(stack, side, which, true);
    stack.FullDirty = 0;
}

void BuildReducedSprite(ShapeStack& stack, int32_t which, const SpriteScale& scale)
{
    if (stack.ReducedDirty == 0 && stack.ReducedSprite && stack.ReducedScale == scale)
        return;
    // Formed in 64 bits; the quotient always fits in 32 (|70 x MasterSize / 100| < 2^31).
    // It is not cut here: BuildSprite bounds the side after scaling, so a large master size
    // on a small screen still gets its true side.
    const int64_t side = int64_t { kReducedBaseSide } * stack.MasterSize / 100;
    stack.ReducedSprite.reset();
    stack.ReducedSprite = BuildSprite(stack, static_cast<int32_t>(side), which, false, scale);
    stack.ReducedScale = scale;
    stack.ReducedRuns = SpriteRuns(*stack.ReducedSprite);
    stack.ReducedDirty = 0;
}

// ---- Stack edits ---------------------------------------------------------------------

int CloneLastShape(ShapeStack& stack)
{
    const int32_t count = stack.ShapeCount;
    if (count >= kMaxShapes || count < 1)
        return 0;
    stack.Shapes[static_cast<std::size_t>(count)] = stack.Shapes[static_cast<std::size_t>(count - 1)];
    stack.ShapeCount = count + 1;
    return 1;
}

int RemoveShape(ShapeStack& stack, int32_t index)
{
    const int32_t count = ShapesInUse(stack);
    if (index < 0 || index >= count || count < 2)
        return 0;
    for (int32_t slot = index; slot < count - 1; ++slot)
        stack.Shapes[static_cast<std::size_t>(slot)] = stack.Shapes[static_cast<std::size_t>(slot + 1)];
    stack.ShapeCount = count - 1;
    return 1;
}

int MoveShapeUp(ShapeStack& stack, int32_t index)
{
    if (index < 1 || index > ShapesInUse(stack) - 1)
        return 0;
    std::swap(stack.Shapes[static_cast<std::size_t>(index - 1)], stack.Shapes[static_cast<std::size_t>(index)]);
    return 1;
}

int MoveShapeDown(ShapeStack& stack, int32_t index)
{
    if (index < 0 || index >= ShapesInUse(stack) - 1)
        return 0;
    std::swap(stack.Shapes[static_cast<std::size_t>(index)], stack.Shapes[static_cast<std::size_t>(index + 1)]);
    return 1;
}

// ---- Parameter groups ----------------------------------------------------------------

void CopyShapeParameter(int32_t group, const Shape& from, Shape& to)
{
    switch (group) {
    case kGroupWidth:
        to.Width = from.Width;
        break;
    case kGroupHeight:
        to.Height = from.Height;
        break;
    case kGroupPhong:
        to.Phong = from.Phong;
        break;
    case kGroupMirror:
        to.Mirror = from.Mirror;
        break;
    case kGroupAmbient:
        to.Ambient = from.Ambient;
        break;
    case kGroupLightAngle:
        to.LightX = from.LightX;
        to.LightY = from.LightY;
        to.LightZ = from.LightZ;
        break;
    case kGroupShapeType:
        to.Type = from.Type;
        break;
    default:
        break;
    }
}

void CopyParameterGroup(int32_t group, const ShapeStack& from, int32_t fromIndex, ShapeStack& to, int32_t toIndex)
{
    if (group == kGroupMasterSize) {
        to.MasterSize = from.MasterSize;
        return;
    }
    if (fromIndex < 0 || fromIndex >= kMaxShapes || toIndex < 0 || toIndex >= kMaxShapes)
        return;
    CopyShapeParameter(
        group, from.Shapes[static_cast<std::size_t>(fromIndex)], to.Shapes[static_cast<std::size_t>(toIndex)]);
}
