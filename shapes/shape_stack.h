#pragma once

#include "pixels/argb_image.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

// The shape records the animation is drawn from, their stored form and the stack edits of
// the editor; the sprites are built from them in shapes/sprite_builder.h.
//
// Every object is a ShapeStack: one to five shaded shapes (sphere or torus) sharing one
// centre and painted on top of each other into one square sprite. Shape 0 is the top of
// the stack: it is painted last and lies in front of all others. Seven objects, each a row
// of stack slots, make up an ObjectTable, the scene of a preset.

constexpr int32_t kMaxShapes = 5;
constexpr int32_t kObjectCount = 7;
constexpr int32_t kStackSlotsPerObject = 10;

// Shape types; any other value is counted, stored and edited but draws nothing.
constexpr int32_t kSphereType = 0;
constexpr int32_t kTorusType = 2;

// Sides of built sprites are cut to this many pixels, so that a preset with a huge master
// size or a huge scale cannot ask for gigabytes. The largest side the controls can reach
// on an 8K screen is 70 x 9 = 630.
constexpr int32_t kMaxSpriteSide = 2048;

// One shaded shape. The fields are in stored order; colours are COLORREF (red in the low
// byte). radiusPx and heightPx are rewritten by every sprite build.
struct Shape {
    float lightX = 1.0f; // light direction; x grows with the column
    float lightY = 1.0f; // y grows with the row
    float lightZ = -1.0f; // the viewer looks from +z; negative sends light into the picture
    uint32_t color = 0x00C8C8C8; // body colour
    uint32_t lColor = 0x003232FA; // light colour of the mirror highlight
    float ambient = 0.5f; // added to the diffuse factor
    float mirror = 0.5f; // mirror highlight strength
    float intensity = 0.5f; // scales the diffuse cosine and the highlight
    int32_t phong = 10; // the highlight exponent is 2 x Phong - 1
    int32_t width = 0; // percent of the stack's drawn size
    int32_t radiusPx = 8; // outer radius in pixels minus one (computed)
    int32_t type = kSphereType;
    int32_t height = 0; // percent; dome height of a sphere, tube of a torus
    int32_t heightPx = 8; // computed from Height
    int32_t offsetX = 0; // centre offset in pixels, columns
    int32_t offsetY = 0; // centre offset in pixels, rows
    int32_t reserved[2] = { 0, 0 }; // never read; stored as they are
};
static_assert(sizeof(Shape) == 72, "Shape mirrors the 72-byte stored record");

// What the animation's sprite of a stack looks like beyond its shapes: the renderer's
// pixels per design unit, and whether the light comes from below (the blur mode's half-size
// frame is shown upside down, so its sprites are lit from the other side).
struct SpriteScale {
    float sizeScale = 1.0f;
    bool flipLight = false;

    bool operator==(const SpriteScale&) const = default;
};

// A stack of shapes with its two cached sprites. Slots from shapeCount on are not in use
// but keep their bytes, and they are stored with the stack.
struct ShapeStack {
    bool reducedDirty = true; // reducedSprite must be rebuilt before use
    bool fullDirty = true; // fullSprite is out of date
    std::array<Shape, kMaxShapes> shapes {};
    int32_t shapeCount = 1; // shapes in use, 1 to 5
    int32_t masterSize = -1; // master size in percent
    int32_t fullSize = -1; // side in pixels of the last fullSprite
    std::unique_ptr<ArgbImage> reducedSprite; // what the animation stamps
    SpriteScale reducedScale; // what reducedSprite was built for
    SpriteRuns reducedRuns; // reducedSprite's runs, made with it
    std::unique_ptr<ArgbImage> fullSprite; // the editor's preview
};

// Seven rows of stack slots, one row per object; stacksPerObject slots of each row are
// filled. The renderer and the editor use slot 0 only.
struct ObjectTable {
    std::array<std::array<std::unique_ptr<ShapeStack>, kStackSlotsPerObject>, kObjectCount> stacks;
    int32_t stacksPerObject = 0;
};

// The body colours of shape 0 of objects 1 to 7, as COLORREF.
extern const std::array<uint32_t, kObjectCount> DefaultObjectColors;

Shape newShape();
// Five new shapes, masterSize -1, fullSize -1, no sprites. shapeCount starts at 1 and both
// dirty flags at 1; every creator sets them to what it needs.
std::unique_ptr<ShapeStack> newShapeStack();
// Empties all 70 slots, sets stacksPerObject to 1 and gives every object a fresh stack of
// one shape in its start colour, masterSize 100, both dirty flags set.
void newObjectTable(ObjectTable& table);
// Destroys every stack of the table (and their sprites); stacksPerObject is left as it is.
void freeObjectTable(ObjectTable& table);

// The number of Shapes slots a stack really uses: shapeCount cut to 0..5. A stack read from
// a file may carry any shapeCount; everything that walks the shapes goes through this.
int32_t shapesInUse(const ShapeStack& stack);

// ---- Stored form ---------------------------------------------------------------------

constexpr std::size_t kShapeRecordBytes = 72;
constexpr std::size_t kStackBlockBytes = 368;

// The stored form of a stack: the five shape slots in index order (in use or not), then
// shapeCount and masterSize, all little-endian. Dirty flags, fullSize and sprites are not
// stored.
using StackBlock = std::array<uint8_t, kStackBlockBytes>;

void writeShapeRecord(const Shape& shape, std::span<uint8_t, kShapeRecordBytes> out);
Shape readShapeRecord(std::span<const uint8_t, kShapeRecordBytes> in);

void writeStackBlock(const ShapeStack& stack, std::span<uint8_t, kStackBlockBytes> out);
StackBlock writeStackBlock(const ShapeStack& stack);
// Reads every stored field as it is (a later write gives the same bytes, whatever they
// were) and sets both dirty flags. Sprites and fullSize are left alone.
void readStackBlock(std::span<const uint8_t, kStackBlockBytes> in, ShapeStack& stack);

// ---- Sprites -------------------------------------------------------------------------

// Which code paints the pixels: the vector rasteriser (on x86 the widest instruction set
// the processor offers) in bands of rows, on several threads where that pays, or the
// plain one that shades a pixel at a time and paints each shape whole on the calling
// thread, kept as the reference the fast one is held to. Both give the same bytes.
enum class ShadingPath {
    Fast,
    Reference,
};

struct SpriteBuildOptions {
    // 0 lets the build choose: sprites big enough to gain from it are painted on every
    // core. Any other value is the number of threads to use at most.
    int32_t threads = 0;
    ShadingPath path = ShadingPath::Fast;
};

// ---- Stack edits: 1 when the stack changed, 0 when refused. Dirty flags are the caller's.

// Copies the last shape in use into the next slot; refused at five shapes.
int cloneLastShape(ShapeStack& stack);
// Moves the shapes after index one slot towards 0; the vacated slot keeps its bytes.
// Refused for an index outside the stack or when only one shape is left.
int removeShape(ShapeStack& stack, int32_t index);
// Swaps the shape at index with the one above it (index - 1).
int moveShapeUp(ShapeStack& stack, int32_t index);
// Swaps the shape at index with the one below it (index + 1).
int moveShapeDown(ShapeStack& stack, int32_t index);

// ---- Parameter groups ----------------------------------------------------------------

// The groups the editor copies from the selected shape to others, numbered as its
// "Automatic applying" list. Color, LColor, Intensity and the offsets belong to none.
enum ParameterGroup : int32_t {
    kGroupMasterSize = 1,
    kGroupWidth = 2,
    kGroupHeight = 3,
    kGroupPhong = 4,
    kGroupMirror = 5,
    kGroupAmbient = 6,
    kGroupLightAngle = 7,
    kGroupShapeType = 8,
};
constexpr int32_t kParameterGroupCount = 8;

// "Master Size", "Width", ... "Shape Type" for groups 1 to 8 (index group - 1).
extern const std::array<const char*, kParameterGroupCount> ParameterGroupNames;

// Copies the fields of one shape group (2 to 8) from one shape to another. Group 1 and
// unknown groups copy nothing here.
void copyShapeParameter(int32_t group, const Shape& from, Shape& to);
// Copies a group between stacks: group 1 copies masterSize; groups 2 to 8 copy from shape
// fromIndex to shape toIndex (nothing when an index is outside 0..4).
void copyParameterGroup(int32_t group, const ShapeStack& from, int32_t fromIndex, ShapeStack& to, int32_t toIndex);
