#pragma once

#include "export/gif_settings.h"

#include <cstdint>
#include <optional>
#include <string>

struct ArgbImage;

// The estimate of an animation's file size that the animation dialog shows before the capture.
//
// Only the picture of the moment is known, not the frames the capture will take, so the
// estimate encodes that picture once as a file of one frame, in the chosen format at the
// chosen size and settings (oneFrameFileBytes), and scales that size by the frame count with
// a rule per format (estimatedAnimationBytes) whose ratios were measured on real captures of
// the live view (bench/animation_estimate_figures.cpp prints the comparison). What the
// sprites will draw is not known, so the estimate is within about a third either way.

// The size in bytes of a one-frame file of the settings' format holding the source picture as
// a capture with these settings would take it. Throws as the writers do.
int64_t oneFrameFileBytes(const ArgbImage& source, const GifSettingValues& settings);

// The size a capture with these settings will have, from the one-frame file's size, or
// nothing where the rule would not be honest. Each frame after the first costs a measured
// share of the first:
// - a GIF stores every frame whole with its own palette: 1.1 of the first (the picture grows
//   busier as sprites pile up);
// - an animated WebP gains little from the parts that stay, as sprites land everywhere: 1.15
//   of the first lossy, 1.05 lossless;
// - a WebM at constant quality repeats a key frame every two seconds (webmKeyFrames), each
//   costing about what the first does, and a frame between costs a share that grows with the
//   sprites drawn between frames (0.27 at 50, 0.42 at 256, at quality 24) and shrinks by 1.6 %
//   of itself per quality level above 24 (grows per level below);
// - a WebM at a set bit rate has no estimate: over a capture's few seconds the encoder's rate
//   lands anywhere from a quarter to two thirds of a key frame per frame.
std::optional<int64_t> estimatedAnimationBytes(const GifSettingValues& settings, int64_t oneFrameBytes);

// The key frames of a WebM of so many frames at that rate: the first, then one every two
// seconds' frames.
int32_t webmKeyFrames(int32_t frames, int32_t framesPerSecond);

// The size as the dialog words it, in decimal units with one decimal below 10 and none above:
// "about 800 bytes", "about 56 kB", "about 1.4 MB".
std::string aboutSizeText(int64_t bytes);
