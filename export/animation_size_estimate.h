#pragma once

#include "export/animation_settings.h"

#include <cstdint>
#include <optional>
#include <string>

struct ArgbImage;

// The estimate of an animation's file size that the animation dialog shows before the capture.
//
// The frames the capture will take are not known yet, but the live view shows how the picture
// changes: the estimate takes the picture of the moment and the picture as the live view
// shows it the frame gap later (sampleGapSprites), encodes them at the chosen size
// and settings as a file of the first frame and a file of both (sampleFileBytes), and scales
// the second frame's cost by the frame count with a rule per format (estimatedAnimationBytes)
// whose ratios were measured on real captures of the live view
// (bench/animation_estimate_figures.cpp prints the comparison).

// The sprites the live view draws between the two sample pictures: the capture's frame gap,
// objectsPerFrame + 1. In blur mode every blur pass widens the capture's gap by the sprites
// between passes, up to the largest gap (256), which it reaches within a few frames; the
// sample takes that gap.
int32_t sampleGapSprites(const AnimationSettings& settings, bool blurMode);

// The sizes in bytes of the files of one and of two sample frames.
struct EstimateSample {
    int64_t oneFrameBytes = 0;
    int64_t twoFrameBytes = 0;
};

// The sample files of the two pictures as a capture with these settings would take them.
// Throws as the writers do.
EstimateSample sampleFileBytes(const ArgbImage& first, const ArgbImage& second, const AnimationSettings& settings);

// The size a capture with these settings will have, from the sample, or nothing where the rule
// would not be honest. A further frame costs what the second sample frame did (step = two
// frames' file less one frame's) times a measured ratio:
// - a GIF stores every frame whole: one + (frames - 1) x step x kGifStepRatio;
// - an animated WebP stores what changed: one + (frames - 1) x step x kWebpStepRatio;
// - a WebM at constant quality repeats a key frame every two seconds (webmKeyFrames), each
//   costing about what the first does: keyFrames x one + (frames - keyFrames) x step x
//   kWebmStepRatio;
// - a WebM at a set bit rate has no estimate: over a capture's few seconds the encoder's rate
//   lands anywhere from a quarter to two thirds of a key frame per frame.
std::optional<int64_t> estimatedAnimationBytes(const AnimationSettings& settings, const EstimateSample& sample);

// The key frames of a WebM of so many frames at that rate: the first, then one every two
// seconds' frames.
int32_t webmKeyFrames(int32_t frames, int32_t framesPerSecond);

// The size as the dialog words it, in decimal units with one decimal below 10 and none above:
// "about 800 bytes", "about 56 kB", "about 1.4 MB".
std::string aboutSizeText(int64_t bytes);
