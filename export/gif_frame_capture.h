#pragma once

#include <cstdint>

struct ArgbImage;
class GifImage;

// The settings of one GIF capture that shape each frame.
struct GifFrameSettings {
    int32_t scalePercent = 40;    // frame size in percent of the captured picture
    int32_t colors = 128;         // colours asked of the quantiser (8..255)
    int32_t framesPerSecond = 4;  // written as the frame delay 1000 / fps milliseconds
};

// Turns one captured frame into a new frame of the animation and returns its index.
//
// The frame (row 0 on top) is copied into a 32-bit BlockBmpImage, scaled in place to
// (width x scale) / 100 by (height x scale) / 100 with the bilinear resampler, reduced to
// at most `colors` colours by the quantiser without dithering, and appended as an indexed
// image whose 256-entry palette ends in white, with a delay of 1000 / fps milliseconds.
//
// Degenerate input gives the smallest sensible frame instead of an invalid one: each side
// is at least 1 pixel (an empty capture becomes one black pixel) and at most 65535, and
// the rate is at least 1 frame per second. Throws TextException when the colour request
// is below 8 or the quantiser cannot get its tables; the animation is then unchanged.
int appendGifFrame(GifImage& animation, const ArgbImage& frame, const GifFrameSettings& settings);
