#pragma once

#include "pixels/argb_image.h"
#include "shapes/shape_stack.h"

#include <span>

// Paints sized shapes into a cleared square sprite: each shape is rendered into a layer of
// its own, cleared before it, and composited over the sprite, in the order given (the
// bottom of the stack first). The fast path works in bands of rows, each band taking every
// shape in turn while its layer stays in the processor's cache; bands go to the calling
// thread and to helper threads that live as long as the process, which the first build big
// enough to need them starts. The reference path paints each shape whole on the calling
// thread with the plain rasteriser. Every path gives the same bytes.
void paintSprite(ArgbImage& sprite, std::span<const Shape> shapes, const SpriteBuildOptions& options);
