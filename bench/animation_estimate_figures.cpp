// The animation dialog's size estimate against the files real captures write: for each
// setting, a renderer of the editor's live-view size draws the start-up scene, the estimate
// is made from its picture and the picture one frame gap later as the dialog makes it, then a
// capture follows the renderer's sprites and writes the file. Prints one line per setting
// with both sizes, their error and the ratio of a further frame's cost to the second sample
// frame's, the figure the rule's ratios come from. Run with
//   build/bench/opal_animation_estimate_figures [sprites drawn before the capture, 4000 unless given]

#include "bench/quiet_capture_host.h"
#include "engine/renderer.h"
#include "export/animation_size_estimate.h"
#include "export/gif_capture.h"
#include "pixels/argb_image.h"
#include "presets/preset.h"
#include "presets/settings.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

struct Case {
    const char* name;
    AnimationFormat format;
    int32_t quality;  // WebP 0..100 or WebM 0..63
    bool lossless;
    int32_t bitRate;
};

} // namespace

int main(int argc, char** argv)
{
    const int64_t warmUp = argc > 1 ? std::stoll(argv[1]) : 4000;
    const fs::path folder = fs::temp_directory_path() / ("opal-estimate-" + std::to_string(getpid()));
    fs::create_directories(folder);
    const Case cases[] = {
        { "gif", AnimationFormat::Gif, 0, false, 0 },
        { "webp-q90", AnimationFormat::Webp, 90, false, 0 },
        { "webp-q60", AnimationFormat::Webp, 60, false, 0 },
        { "webp-lossless", AnimationFormat::Webp, 90, true, 0 },
        { "webm-q24", AnimationFormat::Webm, 24, false, 0 },
        { "webm-q45", AnimationFormat::Webm, 45, false, 0 },
        { "webm-1000k", AnimationFormat::Webm, 24, false, 1000 },
    };
    std::printf("%-14s %4s %5s %4s %4s %4s %10s %10s %10s %7s %6s\n", "case", "blur", "scale", "fps", "frms", "objs",
        "one frame", "real", "estimate", "error", "ratio");
    std::printf("(ratio: a further frame's cost over the second sample frame's)\n");
    for (const bool blur : { false, true }) {
        for (const Case& test : cases) {
            for (const int32_t objects : { 50, 100, 256 }) {
                for (const int32_t frames : { 10, 40 }) {
                    const int32_t scale = frames == 10 ? 40 : 70;
                    const int32_t fps = test.format == AnimationFormat::Gif ? 4 : (frames == 10 ? 4 : 20);
                    SettingsRecord options;
                    options.filter = blur;
                    Preset preset = newStartPreset();
                    Renderer renderer(options, preset, RenderRole::Editor);
                    renderer.reset(492, 369);
                    renderer.drawSprites(warmUp);

                    AnimationSettings settings;
                    settings.format = test.format;
                    settings.scale = scale;
                    settings.fps = fps;
                    settings.frames = frames;
                    settings.objectsPerFrame = objects;
                    settings.webpQuality = test.quality;
                    settings.webpLossless = test.lossless;
                    settings.webmQuality = test.quality;
                    settings.webmBitRate = test.bitRate;
                    const ArgbImage first = renderer.frame();
                    renderer.drawSprites(sampleGapSprites(settings, blur), false);
                    const EstimateSample sample = sampleFileBytes(first, renderer.frame(), settings);
                    const std::optional<int64_t> estimate = estimatedAnimationBytes(settings, sample);

                    QuietCaptureHost host(renderer);
                    GifCapture capture(host);
                    capture.settings = settings;
                    capture.gifFileName = (folder / (std::string(test.name) + ".anim")).string();
                    capture.startGifCapture();
                    while (capture.active())
                        renderer.drawSprites(1, false);
                    if (!host.failure.empty()) {
                        std::printf("%s: %s\n", test.name, host.failure.c_str());
                        return 1;
                    }
                    const auto real = static_cast<int64_t>(fs::file_size(capture.gifFileName));
                    const int32_t fixed = test.format == AnimationFormat::Webm ? webmKeyFrames(frames, fps) : 1;
                    const auto one = static_cast<double>(sample.oneFrameBytes);
                    const auto step = static_cast<double>(sample.twoFrameBytes - sample.oneFrameBytes);
                    const double ratio = (static_cast<double>(real) - fixed * one) / ((frames - fixed) * step);
                    const double error = estimate ? 100.0 * (static_cast<double>(*estimate) - real) / real : std::nan("");
                    std::printf("%-14s %4d %5d %4d %4d %4d %10lld %10lld %10lld %6.1f%% %6.3f\n", test.name, blur ? 1 : 0,
                        scale, fps, frames, objects, static_cast<long long>(sample.oneFrameBytes), static_cast<long long>(real),
                        static_cast<long long>(estimate.value_or(-1)), error, ratio);
                    std::fflush(stdout);
                }
            }
        }
    }
    fs::remove_all(folder);
    return 0;
}
