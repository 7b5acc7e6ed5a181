#pragma once

// Sprites from a shape stack: the editor's preview form and the animation form the
// renderer stamps. Building sizes the shapes for the side it paints at and hands them to
// the sprite painter.

#include "pixels/argb_image.h"
#include "shapes/shape_stack.h"

#include <cstdint>
#include <memory>

// Builds a new square sprite from the stack's shapes in use, painted from the last index
// up to 0. which = -1 paints every shape in use, otherwise only the shape with that index.
// full = true is the editor's preview form of the given side, lit as stored; full = false
// is the animation form, whose side is trunc(side x scale.sizeScale), lit from below when
// scale.flipLight is set. Rewrites radiusPx and heightPx of every shape it paints. The side
// is cut to 0..kMaxSpriteSide. The options choose how the pixels are painted, never what
// they are.
std::unique_ptr<ArgbImage> buildSprite(ShapeStack& stack, int32_t side, int32_t which, bool full,
    const SpriteScale& scale = {}, const SpriteBuildOptions& options = {});
// Always rebuilds fullSprite at the given side; sets fullSize and clears fullDirty.
void buildFullSprite(ShapeStack& stack, int32_t side, int32_t which);
// Rebuilds reducedSprite at side (70 x masterSize) div 100 for the given scale when
// reducedDirty is set or the sprite was built for another scale, then clears the flag;
// does nothing otherwise.
void buildReducedSprite(ShapeStack& stack, int32_t which, const SpriteScale& scale);
