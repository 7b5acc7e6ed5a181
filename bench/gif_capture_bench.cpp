// What a GIF capture costs the live view: the pause of the capture tick that takes a frame
// (copy, scale, quantise, map, append), on frames the real renderer drew, against ImageMagick
// making the same frame from a PNG of the same pixels in the same run. Run with
//   build/bench/opal_gif_capture_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
//
// ImageMagick's figure includes starting the process and reading the PNG; "/bin/true" gives
// the bare cost of starting a command, so both the whole figure and the difference can be
// quoted.

#include "bench/quiet_capture_host.h"
#include "pixels/argb_image.h"
#include "engine/renderer.h"
#include "export/gif_capture.h"
#include "export/gif_writer.h"
#include "presets/preset.h"
#include "presets/settings.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// A frame of the start-up scene after a few thousand sprites, as the editor shows it.
ArgbImage renderedFrame(int32_t width, int32_t height)
{
    SettingsRecord options;
    Preset preset = newStartPreset();
    Renderer renderer(options, preset, RenderRole::Editor);
    renderer.reset(width, height);
    renderer.drawSprites(4000);
    return renderer.frame();
}

struct Workspace {
    fs::path folder = fs::temp_directory_path() / ("opal-gif-capture-bench-" + std::to_string(getpid()));
    ArgbImage panel = renderedFrame(492, 369);
    ArgbImage large = renderedFrame(1920, 1080);
    std::string convert = fs::exists("/usr/bin/convert") ? "/usr/bin/convert" : "convert";
    std::string panelPng;
    std::string largePng;

    Workspace()
    {
        fs::create_directories(folder);
        panelPng = writePng(panel, "panel");
        largePng = writePng(large, "large");
    }
    ~Workspace()
    {
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }

    std::string writePng(const ArgbImage& image, const std::string& name) const
    {
        const std::string ppm = file(name + ".ppm");
        {
            std::ofstream out(ppm, std::ios::binary);
            out << "P6\n" << image.width << " " << image.height << "\n255\n";
            for (uint32_t pixel : image.pixels)
                out.put(static_cast<char>(redOf(pixel))).put(static_cast<char>(greenOf(pixel))).put(
                    static_cast<char>(blueOf(pixel)));
        }
        const std::string png = file(name + ".png");
        if (std::system((convert + " " + ppm + " " + png).c_str()) != 0)
            return {};
        return png;
    }
    std::string file(const std::string& name) const { return (folder / name).string(); }
};

Workspace& workspace()
{
    static Workspace instance;
    return instance;
}

// One iteration is the tick that takes a frame; the counting ticks between frames cost
// nothing worth timing. A new capture starts whenever the frame count is reached, outside
// the timing.
void captureTick(benchmark::State& state, const ArgbImage& frame, int scale, int colors)
{
    const std::string target = workspace().file("ours.gif");
    QuietCaptureHost host(frame);
    GifCapture capture(host);
    capture.gifFileName = target;
    capture.settings.scale = scale;
    capture.settings.colors = colors;
    capture.settings.frames = 100;
    capture.settings.objectsPerFrame = 0;
    for (auto _ : state) {
        if (capture.gifFramesCaptured >= capture.settings.frames || !capture.active()) {
            state.PauseTiming();
            capture.abortGifCapture();
            capture.startGifCapture();
            state.ResumeTiming();
        }
        capture.beforeSprite();
    }
    if (!host.failure.empty())
        state.SkipWithError(host.failure.c_str());
    capture.abortGifCapture();
}

double childCpuMilliseconds()
{
    rusage usage {};
    getrusage(RUSAGE_CHILDREN, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3
        + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

// The command's wall time is the figure; its processor time (child_cpu_ms) is reported
// beside it, as the machine may be shared and the in-process figures give both too.
void runCommand(benchmark::State& state, const std::string& command)
{
    const double cpuBefore = childCpuMilliseconds();
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError(("failed: " + command).c_str());
            return;
        }
    }
    state.counters["child_cpu_ms"]
        = benchmark::Counter((childCpuMilliseconds() - cpuBefore) / static_cast<double>(state.iterations()));
}

void BM_CaptureTick492At40Percent128Colours_Ours(benchmark::State& state)
{
    captureTick(state, workspace().panel, 40, 128);
}

void BM_CaptureTick492At40Percent128Colours_ImageMagick(benchmark::State& state)
{
    runCommand(state, workspace().convert + " " + workspace().panelPng
                          + " -filter Triangle -resize 196x147! +dither -colors 128 " + workspace().file("im.gif"));
}

void BM_CaptureTick1920At100Percent255Colours_Ours(benchmark::State& state)
{
    captureTick(state, workspace().large, 100, 255);
}

void BM_CaptureTick1920At100Percent255Colours_ImageMagick(benchmark::State& state)
{
    runCommand(state, workspace().convert + " " + workspace().largePng + " +dither -colors 255 "
                          + workspace().file("im.gif"));
}

void BM_CommandStart_True(benchmark::State& state) { runCommand(state, "/bin/true"); }

} // namespace

BENCHMARK(BM_CaptureTick492At40Percent128Colours_Ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CaptureTick492At40Percent128Colours_ImageMagick)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CaptureTick1920At100Percent255Colours_Ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CaptureTick1920At100Percent255Colours_ImageMagick)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CommandStart_True)->Unit(benchmark::kMillisecond);
