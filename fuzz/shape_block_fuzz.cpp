// Stack blocks come from preset files that anyone can write. This target reads any 368
// bytes as a stack, checks that writing it back gives the same bytes, then builds both
// sprite forms and runs the stack edits on it.
//
// Input: the 368-byte block, then optional bytes: the preview side, the scale in 16ths,
// the shape to draw alone (255 for all), and a flag byte (bit 0: half sprites).

#include "shapes/shape_stack.h"
#include "shapes/sprite_builder.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

uint8_t optionalByte(const uint8_t* data, size_t size, size_t index, uint8_t fallback)
{
    return kStackBlockBytes + index < size ? data[kStackBlockBytes + index] : fallback;
}

// The reduced sprite's side grows with the master size up to the 2048-pixel bound; keep
// the fuzzer quick by building it only for sizes that give small sprites.
constexpr int32_t kLargestFuzzedMasterSize = 300;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < kStackBlockBytes)
        return 0;
    StackBlock block {};
    std::memcpy(block.data(), data, kStackBlockBytes);

    auto stack = newShapeStack();
    readStackBlock(block, *stack);
    if (writeStackBlock(*stack) != block)
        std::abort();

    const SpriteScale scale { static_cast<float>(optionalByte(data, size, 1, 16)) / 16.0f,
        (optionalByte(data, size, 3, 0) & 1) != 0 };
    const int32_t side = optionalByte(data, size, 0, 40) % 97;
    const uint8_t whichByte = optionalByte(data, size, 2, 255);
    const int32_t which = whichByte == 255 ? -1 : whichByte % 7 - 1;

    buildFullSprite(*stack, side, which);
    if (stack->fullSprite->width != side || stack->fullSprite->pixels.size() != static_cast<size_t>(side * side))
        std::abort();
    if (stack->masterSize >= -kLargestFuzzedMasterSize && stack->masterSize <= kLargestFuzzedMasterSize) {
        buildReducedSprite(*stack, which, scale);
        if (stack->reducedSprite->width > kMaxSpriteSide)
            std::abort();
    }

    cloneLastShape(*stack);
    moveShapeUp(*stack, which);
    moveShapeDown(*stack, which);
    removeShape(*stack, which);
    return 0;
}
