#pragma once

#include "export/animation_writer.h"

#include <cstdint>
#include <string>

// The rules of the export dialogs, apart from their widgets: the animation settings' slider
// ranges, the values the sliders start from, the size line, and the default extension of
// the save dialogs.

struct AnimationSettingRange {
    int32_t minimum;
    int32_t maximum;
};

constexpr AnimationSettingRange kFrameScaleRange { 5, 100 };
constexpr AnimationSettingRange kGifFpsRange { 1, 10 };
constexpr AnimationSettingRange kFrameCountRange { 1, 100 };
constexpr AnimationSettingRange kObjectsPerFrameRange { 50, 256 };
constexpr AnimationSettingRange kGifColorsRange { 32, 255 };
// The video formats play up to 30 frames per second.
constexpr AnimationSettingRange kVideoFpsRange { 1, 30 };
constexpr AnimationSettingRange kWebpQualityRange { 0, 100 };
constexpr AnimationSettingRange kWebmQualityRange { 0, 63 };
constexpr AnimationSettingRange kWebmBitRateRange { 0, 50000 };

int32_t clampToRange(int32_t value, AnimationSettingRange range);

// The five values the dialog edits, at their start values: frame size in percent of the
// live view (40), frames per second written as the frame delay (4), frames to capture (10),
// sprites between frames (100) and colours asked of the quantiser (128). The editor keeps
// them for as long as it runs. Beside them, the file format (GIF unless chosen) and the
// settings of the other formats: WebP quality or lossless, WebM quality or bit rate
// (kilobits per second; 0 for constant quality).
struct AnimationSettings {
    int32_t scale = 40;
    int32_t fps = 4;
    int32_t frames = 10;
    int32_t objectsPerFrame = 100;
    int32_t colors = 128;
    AnimationFormat format = AnimationFormat::Gif;
    int32_t webpQuality = 90;
    bool webpLossless = false;
    int32_t webmQuality = 24;
    int32_t webmBitRate = 0;

    bool operator==(const AnimationSettings&) const = default;
};

// The values, each clamped to its slider's range (a blur pass may have grown objectsPerFrame
// past 256); the frame rate goes up to 30 for WebP and WebM.
AnimationSettings clampedAnimationSettings(const AnimationSettings& values);

// "40%, 256 x 192 pixels" for a 640 x 480 panel at 40 %: the frame size the capture will
// have, each side (side x percent) / 100 truncated.
std::string frameSizeText(int32_t panelWidth, int32_t panelHeight, int32_t percent);

// The name with "." and the extension appended when its last component has no extension
// of its own ("shot" becomes "shot.jpg", "shot.png" and "a.b/shot.jpg" stay as they are).
std::string withDefaultExtension(const std::string& fileName, const std::string& extension);
