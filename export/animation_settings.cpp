#include "export/animation_settings.h"

#include <algorithm>

int32_t clampToRange(int32_t value, AnimationSettingRange range)
{
    return std::clamp(value, range.minimum, range.maximum);
}

AnimationSettings clampedAnimationSettings(const AnimationSettings& values)
{
    AnimationSettings clamped;
    clamped.scale = clampToRange(values.scale, kFrameScaleRange);
    clamped.format = values.format;
    clamped.fps = clampToRange(values.fps, values.format == AnimationFormat::Gif ? kGifFpsRange : kVideoFpsRange);
    clamped.frames = clampToRange(values.frames, kFrameCountRange);
    clamped.objectsPerFrame = clampToRange(values.objectsPerFrame, kObjectsPerFrameRange);
    clamped.colors = clampToRange(values.colors, kGifColorsRange);
    clamped.webpQuality = clampToRange(values.webpQuality, kWebpQualityRange);
    clamped.webpLossless = values.webpLossless;
    clamped.webmQuality = clampToRange(values.webmQuality, kWebmQualityRange);
    clamped.webmBitRate = clampToRange(values.webmBitRate, kWebmBitRateRange);
    return clamped;
}

std::string frameSizeText(int32_t panelWidth, int32_t panelHeight, int32_t percent)
{
    const int64_t width = int64_t { panelWidth } * percent / 100;
    const int64_t height = int64_t { panelHeight } * percent / 100;
    return std::to_string(percent) + "%, " + std::to_string(width) + " x " + std::to_string(height) + " pixels";
}

std::string withDefaultExtension(const std::string& fileName, const std::string& extension)
{
    const std::size_t slash = fileName.find_last_of('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t dot = fileName.find_last_of('.');
    // A dot that opens the name ("/tmp/.jpg") or ends it ("shot.") gives no extension.
    const bool hasExtension = dot != std::string::npos && dot > nameStart && dot + 1 < fileName.size();
    if (fileName.empty() || nameStart == fileName.size() || hasExtension)
        return fileName;
    if (fileName.back() == '.')
        return fileName + extension;
    return fileName + "." + extension;
}
