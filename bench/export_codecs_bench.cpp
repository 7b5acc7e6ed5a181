// The export codecs against the programs people would otherwise use, on the same pixels and
// in the same run. Run with
//   build/bench/opal_export_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
//
// Each figure comes four ways: our code in this process building the stream in memory only,
// the same writing the file (through a temporary file that is flushed to the disk before it
// replaces the target), our code as a command line
// (opal_export_cli, reading a PPM and writing the file), and the peer's command line on the
// same PPM: ImageMagick's convert making a GIF with the same colour count and no dithering,
// and cjpeg -quality 100 -dct float for the JPEG. Command lines include starting the process
// and reading the PPM; "/bin/true" measures the bare cost of starting a command.
//
// The JPEG snapshot is also held against a plain libjpeg call on the same pixels (the frame's
// rows handed to the library with the same settings, into the library's own memory
// destination): BM_Jpeg1920_OursOverPlainLibjpeg runs both in turn in every iteration and
// reports ours as its time, the plain call as plain_ms and ours / plain as `ratio`. In the
// same way BM_GifFrame640At40Percent128Colours_OursOverImageMagick runs our frame in memory
// and ImageMagick's command on the same frame in turn and reports how many times faster ours
// is as `times_faster`.

#include "bench/run_command.h"
#include "pixels/argb_image.h"
#include "export/gif_frame_capture.h"
#include "export/gif_writer.h"
#include "export/bmp_image.h"
#include "export/data_sink.h"
#include "export/jpeg_encoder.h"

#include <benchmark/benchmark.h>
#include <jpeglib.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <utility>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// A picture like the renderer's: a dark ground with trails of shaded discs.
ArgbImage renderedLookingFrame(int32_t width, int32_t height)
{
    ArgbImage frame;
    frame.setSize(width, height);
    frame.fill(makeArgb(255, 0, 0, 16));
    std::mt19937 random(42);
    const int discs = width * height / 1500;
    for (int i = 0; i < discs; ++i) {
        const double t = i * 0.01;
        const int cx = static_cast<int>(width / 2 + std::cos(t * 3.0) * width * 0.4);
        const int cy = static_cast<int>(height / 2 + std::sin(t * 2.0) * height * 0.4);
        const int radius = 10 + static_cast<int>(random() % 30);
        const int hue = static_cast<int>(random() % 3);
        for (int y = std::max(cy - radius, 0); y < std::min(cy + radius, height); ++y) {
            for (int x = std::max(cx - radius, 0); x < std::min(cx + radius, width); ++x) {
                const double d = std::hypot(x - cx, y - cy) / radius;
                if (d >= 1.0) {
                    continue;
                }
                const auto light = static_cast<uint32_t>(255 * (1.0 - d * d));
                const uint32_t channels[3] = {light, light * (hue + 1) / 3, light / (hue + 1)};
                frame.pixels[static_cast<std::size_t>(y * width + x)] =
                    makeArgb(255, channels[hue], channels[(hue + 1) % 3], channels[(hue + 2) % 3]);
            }
        }
    }
    return frame;
}

struct Workspace {
    fs::path folder;
    ArgbImage small = renderedLookingFrame(640, 480);
    ArgbImage large = renderedLookingFrame(1920, 1080);
    std::string smallPpm;
    std::string largePpm;
    std::string convert;

    Workspace()
    {
        folder = fs::temp_directory_path() / ("opal-export-bench-" + std::to_string(getpid()));
        fs::create_directories(folder);
        smallPpm = writePpm(small, "small.ppm");
        largePpm = writePpm(large, "large.ppm");
        // The distribution's convert itself, not a wrapper in front of it.
        convert = fs::exists("/usr/bin/convert") ? "/usr/bin/convert" : "convert";
    }
    ~Workspace()
    {
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }

    std::string writePpm(const ArgbImage& image, const std::string& name) const
    {
        const std::string path = (folder / name).string();
        std::ofstream out(path, std::ios::binary);
        out << "P6\n" << image.width << " " << image.height << "\n255\n";
        for (uint32_t pixel : image.pixels) {
            out.put(static_cast<char>(redOf(pixel))).put(static_cast<char>(greenOf(pixel)));
            out.put(static_cast<char>(blueOf(pixel)));
        }
        return path;
    }
    std::string file(const std::string& name) const { return (folder / name).string(); }
};

Workspace& workspace()
{
    static Workspace instance;
    return instance;
}

// Runs ours and the baseline in turn in every iteration, so that both see the same machine;
// ours is the iteration's time. Answers the seconds each took in all; a baseline that
// answers false ends the run.
template <typename Ours, typename Baseline>
std::pair<double, double> alternate(benchmark::State& state, Ours ours, Baseline baseline)
{
    using Clock = std::chrono::steady_clock;
    double oursSeconds = 0.0;
    double baselineSeconds = 0.0;
    for (auto _ : state) {
        const auto start = Clock::now();
        ours();
        const auto middle = Clock::now();
        if (!baseline()) {
            break;
        }
        const auto end = Clock::now();
        const double iteration = std::chrono::duration<double>(middle - start).count();
        oursSeconds += iteration;
        baselineSeconds += std::chrono::duration<double>(end - middle).count();
        state.SetIterationTime(iteration);
    }
    return {oursSeconds, baselineSeconds};
}

// A sink in memory, to time the codecs without the file.
class FixedSink : public DataSink {
public:
    explicit FixedSink(int64_t capacity) { allocate(static_cast<int32_t>(capacity)); }
};

// The whole pipeline of one captured frame: copy, scale, quantise, map, LZW and file.
void gifFrameInProcess(benchmark::State& state, bool large)
{
    const Workspace& work = workspace();
    const ArgbImage& frame = large ? work.large : work.small;
    const GifFrameSettings settings{large ? 100 : 40, large ? 255 : 128, 4};
    for (auto _ : state) {
        GifImage animation;
        appendGifFrame(animation, frame, settings);
        animation.saveToFile(work.file("ours.gif"));
    }
}

// The same without the file: the stream is built in memory only.
void gifFrameInMemory(benchmark::State& state, bool large)
{
    const Workspace& work = workspace();
    const ArgbImage& frame = large ? work.large : work.small;
    const GifFrameSettings settings{large ? 100 : 40, large ? 255 : 128, 4};
    for (auto _ : state) {
        GifImage animation;
        appendGifFrame(animation, frame, settings);
        benchmark::DoNotOptimize(animation.saveToStream());
    }
}

void BM_GifFrame640At40Percent128Colours_Ours(benchmark::State& state) { gifFrameInProcess(state, false); }
void BM_GifFrame640At40Percent128Colours_OursInMemory(benchmark::State& state) { gifFrameInMemory(state, false); }
void BM_GifFrame1920At100Percent255Colours_OursInMemory(benchmark::State& state) { gifFrameInMemory(state, true); }
void BM_GifFrame1920At100Percent255Colours_Ours(benchmark::State& state) { gifFrameInProcess(state, true); }

void BM_GifFrame640At40Percent128Colours_OursCommand(benchmark::State& state)
{
    runCommand(state, std::string(OPAL_EXPORT_CLI) + " gif " + workspace().smallPpm + " " + workspace().file("cli.gif")
                          + " 40 128");
}

void BM_GifFrame1920At100Percent255Colours_OursCommand(benchmark::State& state)
{
    runCommand(state, std::string(OPAL_EXPORT_CLI) + " gif " + workspace().largePpm + " " + workspace().file("cli.gif")
                          + " 100 255");
}

void BM_GifFrame640At40Percent128Colours_ImageMagick(benchmark::State& state)
{
    runCommand(state, workspace().convert + " " + workspace().smallPpm
                          + " -filter Triangle -resize 256x192! +dither -colors 128 " + workspace().file("im.gif"));
}

// Ours in memory and ImageMagick's command in turn, so that both see the same machine.
void BM_GifFrame640At40Percent128Colours_OursOverImageMagick(benchmark::State& state)
{
    const Workspace& work = workspace();
    const std::string command
        = work.convert + " " + work.smallPpm + " -filter Triangle -resize 256x192! +dither -colors 128 " + work.file("im.gif");
    const auto [ours, theirs] = alternate(
        state,
        [&] {
            GifImage animation;
            appendGifFrame(animation, work.small, GifFrameSettings{40, 128, 4});
            benchmark::DoNotOptimize(animation.saveToStream());
        },
        [&] {
            if (std::system(command.c_str()) == 0)
                return true;
            state.SkipWithError(("failed: " + command).c_str());
            return false;
        });
    state.counters["imagemagick_ms"] = benchmark::Counter(theirs * 1000.0 / static_cast<double>(state.iterations()));
    state.counters["times_faster"] = benchmark::Counter(ours > 0.0 ? theirs / ours : 0.0);
}

void BM_GifFrame1920At100Percent255Colours_ImageMagick(benchmark::State& state)
{
    runCommand(state, workspace().convert + " " + workspace().largePpm + " +dither -colors 255 "
                          + workspace().file("im.gif"));
}

void BM_Jpeg1920_Ours(benchmark::State& state)
{
    for (auto _ : state) {
        saveJpegSnapshot(workspace().large, workspace().file("ours.jpg"));
    }
}

// Our snapshot from frame to stream in memory, as the Save tab takes it at the click.
std::size_t oursInMemory(const ArgbImage& frame)
{
    return static_cast<std::size_t>(encodeJpegSnapshot(frame, false)->getDataSize());
}

// The plain library call on the same pixels: what anyone would write to get this JPEG.
std::size_t plainLibjpeg(const ArgbImage& frame)
{
    jpeg_compress_struct info {};
    jpeg_error_mgr error {};
    info.err = jpeg_std_error(&error);
    jpeg_create_compress(&info);
    unsigned char* stream = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &stream, &size);
    info.image_width = static_cast<JDIMENSION>(frame.width);
    info.image_height = static_cast<JDIMENSION>(frame.height);
    info.input_components = 4;
    info.in_color_space = JCS_EXT_BGRX;
    jpeg_set_defaults(&info);
    info.dct_method = JDCT_FLOAT;
    jpeg_set_quality(&info, 100, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(reinterpret_cast<const JSAMPLE*>(frame.row(static_cast<int32_t>(info.next_scanline))));
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::free(stream);
    return size;
}

void BM_Jpeg1920_OursInMemory(benchmark::State& state)
{
    for (auto _ : state) {
        benchmark::DoNotOptimize(oursInMemory(workspace().large));
    }
}

void BM_Jpeg1920_PlainLibjpeg(benchmark::State& state)
{
    for (auto _ : state) {
        benchmark::DoNotOptimize(plainLibjpeg(workspace().large));
    }
}

// Ours and the plain call in turn, so that both see the same machine.
void BM_Jpeg1920_OursOverPlainLibjpeg(benchmark::State& state)
{
    const auto [ours, plain] = alternate(
        state, [] { benchmark::DoNotOptimize(oursInMemory(workspace().large)); },
        [] {
            benchmark::DoNotOptimize(plainLibjpeg(workspace().large));
            return true;
        });
    state.counters["plain_ms"] = benchmark::Counter(plain * 1000.0 / static_cast<double>(state.iterations()));
    state.counters["ratio"] = benchmark::Counter(plain > 0.0 ? ours / plain : 0.0);
}

void BM_Jpeg1920_OursCommand(benchmark::State& state)
{
    runCommand(state, std::string(OPAL_EXPORT_CLI) + " jpeg " + workspace().largePpm + " " + workspace().file("cli.jpg"));
}

void BM_Jpeg1920_Cjpeg(benchmark::State& state)
{
    runCommand(state, "cjpeg -quality 100 -dct float -outfile " + workspace().file("cjpeg.jpg") + " "
                          + workspace().largePpm);
}

void BM_CommandStart_True(benchmark::State& state) { runCommand(state, "/bin/true"); }

} // namespace

BENCHMARK(BM_GifFrame640At40Percent128Colours_Ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GifFrame640At40Percent128Colours_OursInMemory)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GifFrame640At40Percent128Colours_OursCommand)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GifFrame640At40Percent128Colours_ImageMagick)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GifFrame640At40Percent128Colours_OursOverImageMagick)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GifFrame1920At100Percent255Colours_Ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GifFrame1920At100Percent255Colours_OursInMemory)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GifFrame1920At100Percent255Colours_OursCommand)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GifFrame1920At100Percent255Colours_ImageMagick)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Jpeg1920_Ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Jpeg1920_OursInMemory)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Jpeg1920_PlainLibjpeg)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Jpeg1920_OursOverPlainLibjpeg)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Jpeg1920_OursCommand)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Jpeg1920_Cjpeg)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CommandStart_True)->Unit(benchmark::kMillisecond);
