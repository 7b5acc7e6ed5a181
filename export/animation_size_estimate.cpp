#include "export/animation_size_estimate.h"

#include "export/animation_writer.h"
#include "export/gif_capture.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

// The measured ratios of a further frame's cost to the second sample frame's (see the header
// and bench/animation_estimate_figures.cpp).
constexpr double kGifStepRatio = 1.05;
constexpr double kWebpStepRatio = 1.05;
constexpr double kWebmStepRatio = 1.15;
constexpr int32_t kWebmKeyFrameSeconds = 2;

int64_t fileBytes(const std::vector<const ArgbImage*>& frames, const AnimationSettings& settings)
{
    const std::unique_ptr<AnimationWriter> writer = makeCaptureWriter(settings);
    for (const ArgbImage* frame : frames)
        addCaptureFrame(*writer, *frame, settings);
    return static_cast<int64_t>(writer->finish().size());
}

} // namespace

int32_t sampleGapSprites(const AnimationSettings& settings, bool blurMode)
{
    const int32_t gap = blurMode ? kObjectsPerFrameRange.maximum : settings.objectsPerFrame;
    return clampToRange(gap, kObjectsPerFrameRange) + 1;
}

EstimateSample sampleFileBytes(const ArgbImage& first, const ArgbImage& second, const AnimationSettings& settings)
{
    EstimateSample sample;
    sample.oneFrameBytes = fileBytes({ &first }, settings);
    sample.twoFrameBytes = fileBytes({ &first, &second }, settings);
    return sample;
}

int32_t webmKeyFrames(int32_t frames, int32_t framesPerSecond)
{
    if (frames <= 0)
        return 0;
    const int32_t interval = std::max(1, kWebmKeyFrameSeconds * framesPerSecond);
    return 1 + (frames - 1) / interval;
}

std::optional<int64_t> estimatedAnimationBytes(const AnimationSettings& settings, const EstimateSample& sample)
{
    const int32_t frames = std::max(settings.frames, 1);
    const auto one = static_cast<double>(sample.oneFrameBytes);
    const double step = std::max<double>(static_cast<double>(sample.twoFrameBytes - sample.oneFrameBytes), 0);
    double bytes = 0;
    switch (settings.format) {
    case AnimationFormat::Gif:
        bytes = one + (frames - 1) * step * kGifStepRatio;
        break;
    case AnimationFormat::Webp:
        bytes = one + (frames - 1) * step * kWebpStepRatio;
        break;
    case AnimationFormat::Webm: {
        if (settings.webmBitRate > 0)
            return std::nullopt;
        const int32_t keyFrames = webmKeyFrames(frames, settings.fps);
        bytes = keyFrames * one + (frames - keyFrames) * step * kWebmStepRatio;
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
