// render_frame: runs the renderer headless for a number of sprites and writes what the
// screen would show as a PNG, so that anyone can look at what each formula draws.
//
//   render_frame --out FILE.png [--preset FILE.vhp] [--formula 0..19] [--mirror 0..3]
//                [--travel 0|1] [--blur 0|1] [--interlace 0|1] [--size WxH] [--sprites N]
//                [--scale PERCENT] [--exact-sprites N]
//
// The renderer draws the sprites at once and presents them into a recording panel; the
// picture is the panel's screen afterwards. Without --scale it draws as the editor does (no
// saver scale); with it, as the saver does at that scale with its automatic changes off, so
// that the same sprite count gives the saver's screen. --sprites is rounded up to whole
// rounds of the seven objects; --exact-sprites draws that many, ending inside a round if so
// (the count a saver's run statistics give).

#include "engine/recording_panel.h"
#include "engine/renderer.h"
#include "platform/atomic_file.h"
#include "presets/preset.h"
#include "presets/settings.h"
#include "shapes/shape_stack.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

struct Options {
    std::string out;
    std::string preset;
    int formula = 0;
    int mirror = 1;
    int travel = 1;
    int blur = 0;
    int interlace = 1;
    int width = 800;
    int height = 600;
    int sprites = 3000;
    int scale = 0; // 0: the editor's sizes
    bool wholeRounds = true;
};

void usage()
{
    std::fprintf(stderr,
        "usage: render_frame --out FILE.png [--preset FILE.vhp] [--formula 0..19] [--mirror 0..3]\n"
        "                    [--travel 0|1] [--blur 0|1] [--interlace 0|1] [--size WxH] [--sprites N]\n"
        "                    [--scale PERCENT] [--exact-sprites N]\n");
}

bool parseInt(const char* text, int& value)
{
    char* end = nullptr;
    const long parsed = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || parsed < -1000000000L || parsed > 1000000000L)
        return false;
    value = static_cast<int>(parsed);
    return true;
}

bool parseOptions(int argc, char** argv, Options& options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        if (i + 1 >= argc)
            return false;
        const char* value = argv[++i];
        bool good = true;
        if (name == "--out")
            options.out = value;
        else if (name == "--preset")
            options.preset = value;
        else if (name == "--formula")
            good = parseInt(value, options.formula);
        else if (name == "--mirror")
            good = parseInt(value, options.mirror);
        else if (name == "--travel")
            good = parseInt(value, options.travel);
        else if (name == "--blur")
            good = parseInt(value, options.blur);
        else if (name == "--interlace")
            good = parseInt(value, options.interlace);
        else if (name == "--sprites")
            good = parseInt(value, options.sprites);
        else if (name == "--exact-sprites") {
            good = parseInt(value, options.sprites);
            options.wholeRounds = false;
        } else if (name == "--scale")
            good = parseInt(value, options.scale) && options.scale > 0;
        else if (name == "--size")
            good = std::sscanf(value, "%dx%d", &options.width, &options.height) == 2 && options.width > 0
                && options.height > 0 && options.width <= 16384 && options.height <= 16384;
        else
            good = false;
        if (!good) {
            std::fprintf(stderr, "render_frame: bad option %s %s\n", name.c_str(), value);
            return false;
        }
    }
    return !options.out.empty();
}

void appendBytes(png_structp png, png_bytep data, png_size_t length)
{
    static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(data), length);
}

void flushNothing(png_structp) { }

// Encodes the image as an 8-bit RGB PNG, top row first; the alpha byte is not shown on
// screen and is left out. Empty on failure.
std::string encodePng(const ArgbImage& image)
{
    std::string bytes;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    std::vector<uint8_t> row(static_cast<size_t>(image.width) * 3);
    if (png && info && setjmp(png_jmpbuf(png)) == 0) {
        png_set_write_fn(png, &bytes, appendBytes, flushNothing);
        png_set_IHDR(png, info, static_cast<png_uint_32>(image.width), static_cast<png_uint_32>(image.height), 8,
            PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        for (int32_t y = 0; y < image.height; ++y) {
            const uint32_t* pixels = image.row(y);
            for (int32_t x = 0; x < image.width; ++x) {
                row[3 * static_cast<size_t>(x)] = static_cast<uint8_t>(redOf(pixels[x]));
                row[3 * static_cast<size_t>(x) + 1] = static_cast<uint8_t>(greenOf(pixels[x]));
                row[3 * static_cast<size_t>(x) + 2] = static_cast<uint8_t>(blueOf(pixels[x]));
            }
            png_write_row(png, row.data());
        }
        png_write_end(png, nullptr);
    } else {
        bytes.clear();
    }
    png_destroy_write_struct(png ? &png : nullptr, info ? &info : nullptr);
    return bytes;
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!parseOptions(argc, argv, options)) {
        usage();
        return 2;
    }

    SettingsRecord settings;
    Preset preset = newStartPreset();
    if (!options.preset.empty() && !loadPresetFile(options.preset, preset)) {
        std::fprintf(stderr, "render_frame: cannot read preset %s\n", options.preset.c_str());
        return 1;
    }
    settings.formula = options.formula;
    settings.mirror = options.mirror;
    settings.travel = options.travel;
    settings.filter = options.blur != 0;
    settings.interlace = options.interlace != 0;
    settings.changePresets = 0;
    settings.changeFormula = 0;
    if (options.scale > 0)
        settings.scale = options.scale;

    RecordingPanel panel(options.width, options.height);
    panel.recordPresents = false;
    Renderer renderer(settings, preset, options.scale > 0 ? RenderRole::Saver : RenderRole::Editor);
    renderer.reset(options.width, options.height);
    renderer.drawSprites(options.sprites, options.wholeRounds);
    renderer.present(panel);

    // Written whole or not at all.
    const std::string png = encodePng(panel.screen);
    if (png.empty() || !writeFileAtomically(options.out, png)) {
        std::fprintf(stderr, "render_frame: cannot write %s\n", options.out.c_str());
        return 1;
    }
    return 0;
}
