// The animation writers against the reference command-line encoders on the same frames:
// WebM (VP9, constant quality 24, speed 6, row threads) against ffmpeg's libvpx-vp9 with the
// same settings, and animated WebP (quality 90) against img2webp -q 90. The frames are 30
// distinct pictures of the moving test pattern at 1280 x 720, played ten times over for the
// 300-frame WebM; the command lines are timed as whole processes, reading their input from
// files written once beforehand, so their figures include starting up and reading.

#include "bench/run_command.h"
#include "export/webm_writer.h"
#include "export/webp_animation_writer.h"
#include "pixels/argb_image.h"

#include <benchmark/benchmark.h>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int32_t kWidth = 1280;
constexpr int32_t kHeight = 720;
constexpr int32_t kDistinctFrames = 30;
constexpr int32_t kWebmFrames = 300;
constexpr int32_t kWebpFrames = 30;
constexpr int32_t kFramesPerSecond = 30;

ArgbImage patternFrame(int32_t index)
{
    ArgbImage image;
    image.setSize(kWidth, kHeight);
    const double discX = kWidth * (0.2 + 0.02 * index);
    const double radius = kHeight * 0.3;
    for (int32_t y = 0; y < kHeight; ++y) {
        for (int32_t x = 0; x < kWidth; ++x) {
            const double inside = std::clamp((1.0 - std::hypot(x - discX, y - kHeight / 2.0) / radius) * 3.0, 0.0, 1.0);
            const auto red = static_cast<uint32_t>(40 + 150 * x / (kWidth - 1) + 60 * inside);
            const auto green = static_cast<uint32_t>(60 + 120 * y / (kHeight - 1));
            const auto blue = static_cast<uint32_t>(200 - 150 * inside + 2 * index);
            image.row(y)[x] = 0xFF000000U | red << 16 | green << 8 | blue;
        }
    }
    return image;
}

struct Workspace {
    std::filesystem::path folder = std::filesystem::temp_directory_path() / "opal_animation_bench";
    std::vector<ArgbImage> frames;
    std::string raw;
    std::vector<std::string> pngs;

    Workspace()
    {
        std::filesystem::create_directories(folder);
        raw = (folder / "frames.bgra").string();
        std::ofstream rawFile(raw, std::ios::binary);
        for (int32_t i = 0; i < kDistinctFrames; ++i) {
            frames.push_back(patternFrame(i));
            rawFile.write(reinterpret_cast<const char*>(frames.back().pixels.data()),
                static_cast<std::streamsize>(frames.back().pixels.size() * 4));
            const std::string png = (folder / ("frame" + std::to_string(i) + ".png")).string();
            png_image image {};
            image.version = PNG_IMAGE_VERSION;
            image.width = kWidth;
            image.height = kHeight;
            image.format = PNG_FORMAT_BGRA;
            png_image_write_to_file(&image, png.c_str(), 0, frames.back().pixels.data(), 0, nullptr);
            pngs.push_back(png);
        }
    }
    ~Workspace() { std::filesystem::remove_all(folder); }
};

Workspace& workspace()
{
    static Workspace instance;
    return instance;
}

void BM_Webm720p300Frames_Ours(benchmark::State& state)
{
    Workspace& space = workspace();
    for (auto _ : state) {
        WebmSettings settings;
        settings.framesPerSecond = kFramesPerSecond;
        WebmWriter writer(settings);
        for (int32_t i = 0; i < kWebmFrames; ++i)
            writer.addFrame(space.frames[static_cast<std::size_t>(i % kDistinctFrames)]);
        benchmark::DoNotOptimize(writer.finish().size());
    }
}

void BM_Webm720p300Frames_Ffmpeg(benchmark::State& state)
{
    Workspace& space = workspace();
    runCommand(state, "ffmpeg -v error -y -f rawvideo -pix_fmt bgra -s 1280x720 -r 30 -stream_loop 9 -i "
            + space.raw + " -vf scale=out_color_matrix=bt709:out_range=tv -pix_fmt yuv420p -c:v libvpx-vp9 -crf 24 "
              "-b:v 0 -deadline good -cpu-used 6 -row-mt 1 -threads 2 -colorspace bt709 -color_range tv "
            + (space.folder / "ffmpeg.webm").string());
}

void BM_Webp720p30Frames_Ours(benchmark::State& state)
{
    Workspace& space = workspace();
    for (auto _ : state) {
        WebpSettings settings;
        settings.framesPerSecond = kFramesPerSecond;
        WebpAnimationWriter writer(settings);
        for (int32_t i = 0; i < kWebpFrames; ++i)
            writer.addFrame(space.frames[static_cast<std::size_t>(i)]);
        benchmark::DoNotOptimize(writer.finish().size());
    }
}

void BM_Webp720p30Frames_Img2webp(benchmark::State& state)
{
    Workspace& space = workspace();
    std::string command = "img2webp -loop 0 -lossy -q 90 -d 33";
    for (const std::string& png : space.pngs)
        command += " " + png;
    runCommand(state, command + " -o " + (space.folder / "img2webp.webp").string() + " >/dev/null 2>&1");
}

} // namespace

BENCHMARK(BM_Webm720p300Frames_Ours)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK(BM_Webm720p300Frames_Ffmpeg)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK(BM_Webp720p30Frames_Ours)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK(BM_Webp720p30Frames_Img2webp)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
