#pragma once

#include <cstdint>
#include <string>

// The rules of the export dialogs, apart from their widgets: the GIF settings' slider
// ranges, the values the sliders start from, the size line, and the default extension of
// the save dialogs.

struct GifSettingRange {
    int32_t minimum;
    int32_t maximum;
};

constexpr GifSettingRange kGifScaleRange { 5, 100 };
constexpr GifSettingRange kGifFpsRange { 1, 10 };
constexpr GifSettingRange kGifFramesRange { 1, 100 };
constexpr GifSettingRange kGifObjectsPerFrameRange { 50, 256 };
constexpr GifSettingRange kGifColorsRange { 32, 255 };

int32_t ClampToRange(int32_t value, GifSettingRange range);

// The five values the dialog edits.
struct GifSettingValues {
    int32_t scale = 0;
    int32_t fps = 0;
    int32_t frames = 0;
    int32_t objectsPerFrame = 0;
    int32_t colors = 0;
};

// The process-wide settings, each clamped to its slider's range (a blur pass may have
// grown GifObjectsPerFrame past 256).
GifSettingValues CurrentGifSettings();
// Stores the values in the process-wide settings as they are.
void StoreGifSettings(const GifSettingValues& values);

// "40%, 256 x 192 pixels" for a 640 x 480 panel at 40 %: the frame size the capture will
// have, each side (side x percent) / 100 truncated.
std::string GifSizeText(int32_t panelWidth, int32_t panelHeight, int32_t percent);

// The name with "." and the extension appended when its last component has no extension
// of its own ("shot" becomes "shot.jpg", "shot.png" and "a.b/shot.jpg" stay as they are).
std::string WithDefaultExtension(const std::string& fileName, const std::string& extension);
