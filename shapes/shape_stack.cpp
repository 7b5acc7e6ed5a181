#include "shapes/shape_stack.h"

#include "shapes/colors.h"
#include "shapes/little_endian.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace {


// Shape 0 of a new object: a sphere of full width and height with a white highlight.
Shape objectStartShape(uint32_t color)
{
    Shape shape;
    shape.color = color;
    shape.lColor = 0x00FFFFFF;
    shape.ambient = 0.34f;
    shape.mirror = 0.99f;
    shape.intensity = 0.5f;
    shape.phong = 4;
    shape.width = 100;
    shape.radiusPx = 555; // placeholders until the first build
    shape.height = 100;
    shape.heightPx = 555;
    return shape;
}

} // namespace

const std::array<uint32_t, kObjectCount> DefaultObjectColors = {
    makeColorref(255, 0, 0),
    makeColorref(0, 255, 0),
    makeColorref(0, 0, 255),
    makeColorref(178, 178, 0),
    makeColorref(0, 178, 178),
    makeColorref(178, 0, 178),
    makeColorref(128, 128, 128),
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

Shape newShape()
{
    return Shape {};
}

std::unique_ptr<ShapeStack> newShapeStack()
{
    return std::make_unique<ShapeStack>();
}

void newObjectTable(ObjectTable& table)
{
    freeObjectTable(table);
    table.stacksPerObject = 1;
    for (int32_t row = 0; row < kObjectCount; ++row) {
        auto stack = newShapeStack();
        stack->reducedDirty = true;
        stack->fullDirty = true;
        stack->shapeCount = 1;
        stack->masterSize = 100;
        stack->shapes[0] = objectStartShape(DefaultObjectColors[static_cast<std::size_t>(row)]);
        table.stacks[static_cast<std::size_t>(row)][0] = std::move(stack);
    }
}

void freeObjectTable(ObjectTable& table)
{
    // Every slot, not only the first stacksPerObject: a slot beyond it cannot hold a stack
    // that should outlive the table.
    for (auto& row : table.stacks) {
        for (auto& slot : row)
            slot.reset();
    }
}

int32_t shapesInUse(const ShapeStack& stack)
{
    return std::clamp(stack.shapeCount, 0, kMaxShapes);
}

// ---- Stored form ---------------------------------------------------------------------

void writeShapeRecord(const Shape& shape, std::span<uint8_t, kShapeRecordBytes> out)
{
    uint8_t* p = out.data();
    putLeFloat(p + 0, shape.lightX);
    putLeFloat(p + 4, shape.lightY);
    putLeFloat(p + 8, shape.lightZ);
    putLe32(p + 12, shape.color);
    putLe32(p + 16, shape.lColor);
    putLeFloat(p + 20, shape.ambient);
    putLeFloat(p + 24, shape.mirror);
    putLeFloat(p + 28, shape.intensity);
    putLeInt32(p + 32, shape.phong);
    putLeInt32(p + 36, shape.width);
    putLeInt32(p + 40, shape.radiusPx);
    putLeInt32(p + 44, shape.type);
    putLeInt32(p + 48, shape.height);
    putLeInt32(p + 52, shape.heightPx);
    putLeInt32(p + 56, shape.offsetX);
    putLeInt32(p + 60, shape.offsetY);
    putLeInt32(p + 64, shape.reserved[0]);
    putLeInt32(p + 68, shape.reserved[1]);
}

Shape readShapeRecord(std::span<const uint8_t, kShapeRecordBytes> in)
{
    const uint8_t* p = in.data();
    Shape shape;
    shape.lightX = getLeFloat(p + 0);
    shape.lightY = getLeFloat(p + 4);
    shape.lightZ = getLeFloat(p + 8);
    shape.color = getLe32(p + 12);
    shape.lColor = getLe32(p + 16);
    shape.ambient = getLeFloat(p + 20);
    shape.mirror = getLeFloat(p + 24);
    shape.intensity = getLeFloat(p + 28);
    shape.phong = getLeInt32(p + 32);
    shape.width = getLeInt32(p + 36);
    shape.radiusPx = getLeInt32(p + 40);
    shape.type = getLeInt32(p + 44);
    shape.height = getLeInt32(p + 48);
    shape.heightPx = getLeInt32(p + 52);
    shape.offsetX = getLeInt32(p + 56);
    shape.offsetY = getLeInt32(p + 60);
    shape.reserved[0] = getLeInt32(p + 64);
    shape.reserved[1] = getLeInt32(p + 68);
    return shape;
}

void writeStackBlock(const ShapeStack& stack, std::span<uint8_t, kStackBlockBytes> out)
{
    // All five slots, in use or not, then the shape count and the master size.
    for (std::size_t slot = 0; slot < kMaxShapes; ++slot)
        writeShapeRecord(stack.shapes[slot], out.subspan(slot * kShapeRecordBytes).first<kShapeRecordBytes>());
    putLeInt32(out.data() + 360, stack.shapeCount);
    putLeInt32(out.data() + 364, stack.masterSize);
}

StackBlock writeStackBlock(const ShapeStack& stack)
{
    StackBlock block {};
    writeStackBlock(stack, std::span<uint8_t, kStackBlockBytes>(block));
    return block;
}

void readStackBlock(std::span<const uint8_t, kStackBlockBytes> in, ShapeStack& stack)
{
    for (std::size_t slot = 0; slot < kMaxShapes; ++slot)
        stack.shapes[slot] = readShapeRecord(in.subspan(slot * kShapeRecordBytes).first<kShapeRecordBytes>());
    stack.shapeCount = getLeInt32(in.data() + 360);
    stack.masterSize = getLeInt32(in.data() + 364);
    stack.reducedDirty = true;
    stack.fullDirty = true;
}

// ---- Stack edits ---------------------------------------------------------------------

int cloneLastShape(ShapeStack& stack)
{
    const int32_t count = stack.shapeCount;
    if (count >= kMaxShapes || count < 1)
        return 0;
    stack.shapes[static_cast<std::size_t>(count)] = stack.shapes[static_cast<std::size_t>(count - 1)];
    stack.shapeCount = count + 1;
    return 1;
}

int removeShape(ShapeStack& stack, int32_t index)
{
    const int32_t count = shapesInUse(stack);
    if (index < 0 || index >= count || count < 2)
        return 0;
    for (int32_t slot = index; slot < count - 1; ++slot)
        stack.shapes[static_cast<std::size_t>(slot)] = stack.shapes[static_cast<std::size_t>(slot + 1)];
    stack.shapeCount = count - 1;
    return 1;
}

int moveShapeUp(ShapeStack& stack, int32_t index)
{
    if (index < 1 || index > shapesInUse(stack) - 1)
        return 0;
    std::swap(stack.shapes[static_cast<std::size_t>(index - 1)], stack.shapes[static_cast<std::size_t>(index)]);
    return 1;
}

int moveShapeDown(ShapeStack& stack, int32_t index)
{
    if (index < 0 || index >= shapesInUse(stack) - 1)
        return 0;
    std::swap(stack.shapes[static_cast<std::size_t>(index)], stack.shapes[static_cast<std::size_t>(index + 1)]);
    return 1;
}

// ---- Parameter groups ----------------------------------------------------------------

void copyShapeParameter(int32_t group, const Shape& from, Shape& to)
{
    switch (group) {
    case kGroupWidth:
        to.width = from.width;
        break;
    case kGroupHeight:
        to.height = from.height;
        break;
    case kGroupPhong:
        to.phong = from.phong;
        break;
    case kGroupMirror:
        to.mirror = from.mirror;
        break;
    case kGroupAmbient:
        to.ambient = from.ambient;
        break;
    case kGroupLightAngle:
        to.lightX = from.lightX;
        to.lightY = from.lightY;
        to.lightZ = from.lightZ;
        break;
    case kGroupShapeType:
        to.type = from.type;
        break;
    default:
        break;
    }
}

void copyParameterGroup(int32_t group, const ShapeStack& from, int32_t fromIndex, ShapeStack& to, int32_t toIndex)
{
    if (group == kGroupMasterSize) {
        to.masterSize = from.masterSize;
        return;
    }
    if (fromIndex < 0 || fromIndex >= kMaxShapes || toIndex < 0 || toIndex >= kMaxShapes)
        return;
    copyShapeParameter(
        group, from.shapes[static_cast<std::size_t>(fromIndex)], to.shapes[static_cast<std::size_t>(toIndex)]);
}
