#include "export/animation_size_estimate.h"

#include "export/animation_writer.h"
#include "export/gif_capture.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// The measured shares of the first frame that each further frame costs (see the header and
// bench/animation_estimate_figures.cpp). The live view's picture grows busier as sprites pile
// up, so a later frame of a GIF or WebP costs a little more than the first.
constexpr double kGifFrameRatio = 1.1;
constexpr double kWebpLossyFrameRatio = 1.15;
constexpr double kWebpLosslessFrameRatio = 1.05;
// A WebM frame between key frames costs a share of a key frame that grows with the sprites
// drawn between frames, from the smallest gap (50) to the largest (256), at quality 24 ...
constexpr double kWebmRatioAtFewestObjects = 0.27;
constexpr double kWebmRatioAtMostObjects = 0.42;
// ... and shrinks as the quality level rises (a coarser level spends less on the changes),
// by this share per level, within the bounds measured from level 0 to 63.
constexpr int32_t kWebmRatioQuality = 24;
constexpr double kWebmRatioPerQualityLevel = 0.016;
constexpr double kWebmSmallestQualityFactor = 0.3;
constexpr double kWebmLargestQualityFactor = 1.4;
constexpr int32_t kWebmKeyFrameSeconds = 2;

// The share of a key frame a WebM frame between key frames costs.
double webmFrameRatio(int32_t objectsPerFrame, int32_t quality)
{
    const GifSettingRange range = kGifObjectsPerFrameRange;
    const double busy = static_cast<double>(clampToRange(objectsPerFrame, range) - range.minimum)
        / (range.maximum - range.minimum);
    const double qualityFactor = std::clamp(1 - kWebmRatioPerQualityLevel * (quality - kWebmRatioQuality),
        kWebmSmallestQualityFactor, kWebmLargestQualityFactor);
    return (kWebmRatioAtFewestObjects + (kWebmRatioAtMostObjects - kWebmRatioAtFewestObjects) * busy) * qualityFactor;
}

} // namespace

int64_t oneFrameFileBytes(const ArgbImage& source, const GifSettingValues& settings)
{
    const std::unique_ptr<AnimationWriter> writer = makeCaptureWriter(settings);
    addCaptureFrame(*writer, source, settings);
    return static_cast<int64_t>(writer->finish().size());
}

int32_t webmKeyFrames(int32_t frames, int32_t framesPerSecond)
{
    if (frames <= 0)
        return 0;
    const int32_t interval = std::max(1, kWebmKeyFrameSeconds * framesPerSecond);
    return 1 + (frames - 1) / interval;
}

std::optional<int64_t> estimatedAnimationBytes(const GifSettingValues& settings, int64_t oneFrameBytes)
{
    const int32_t frames = std::max(settings.frames, 1);
    double bytes = 0;
    switch (settings.format) {
    case AnimationFormat::Gif:
        bytes = oneFrameBytes * (1 + (frames - 1) * kGifFrameRatio);
        break;
    case AnimationFormat::Webp:
        bytes = oneFrameBytes
            * (1 + (frames - 1) * (settings.webpLossless ? kWebpLosslessFrameRatio : kWebpLossyFrameRatio));
        break;
    case AnimationFormat::Webm: {
        if (settings.webmBitRate > 0)
            return std::nullopt;
        const int32_t keyFrames = webmKeyFrames(frames, settings.fps);
        bytes = oneFrameBytes
            * (keyFrames + (frames - keyFrames) * webmFrameRatio(settings.objectsPerFrame, settings.webmQuality));
        break;
    }
    }
    return static_cast<int64_t>(std::llround(bytes));
}

std::string aboutSizeText(int64_t bytes)
{
    if (bytes < 1000)
        return "about " + std::to_string(std::max<int64_t>(bytes, 0)) + " bytes";
    static constexpr const char* kUnits[] = { "kB", "MB", "GB", "TB" };
    double value = static_cast<double>(bytes) / 1000;
    std::size_t unit = 0;
    // Rounded to two figures first, so 999 500 bytes reads "about 1.0 MB" and not "1000 kB".
    const auto twoFigures = [](double v) { return v < 10 ? std::round(v * 10) / 10 : std::round(v); };
    while (twoFigures(value) >= 1000 && unit + 1 < std::size(kUnits)) {
        value /= 1000;
        ++unit;
    }
    const double shown = twoFigures(value);
    char text[32];
    if (shown < 10)
        std::snprintf(text, sizeof text, "about %.1f %s", shown, kUnits[unit]);
    else
        std::snprintf(text, sizeof text, "about %.0f %s", shown, kUnits[unit]);
    return text;
}
