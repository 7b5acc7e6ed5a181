#pragma once

#include <cstdint>

struct ArgbImage;

// The frame scaled with the bilinear resampler to (width x percent) / 100 by
// (height x percent) / 100, each side at least 1 pixel and at most 16384; at 100 % a copy.
// The capture's frames for WebP and WebM are made so, as the GIF frames are before their
// colours are reduced. Throws TextException for a frame that holds fewer pixels than its size.
ArgbImage scaledFrame(const ArgbImage& frame, int32_t scalePercent);
