// The headless recorder: its frames are tools/render_frame's pictures at the same sprite
// counts (read back through libwebp's demux decoder and libpng), its plan follows the
// options, and its progress is one plain line per 10 % off a terminal.

#include "app/animation_recorder.h"
#include "app/hack_options.h"
#include "engine/renderer.h"
#include "export/webp_animation_writer.h"
#include "presets/preset.h"
#include "presets/settings.h"

#include <gtest/gtest.h>
#include <png.h>
#include <webp/demux.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sys/wait.h>
#include <unistd.h>
#include <memory>
#include <string>
#include <vector>

namespace {

bool readPng(const std::string& path, std::vector<uint8_t>& rgb, int32_t& width, int32_t& height)
{
    png_image image {};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return false;
    image.format = PNG_FORMAT_RGB;
    width = static_cast<int32_t>(image.width);
    height = static_cast<int32_t>(image.height);
    rgb.resize(PNG_IMAGE_SIZE(image));
    return png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr) != 0;
}

struct RecordCase {
    const char* name;
    int formula;
    int mirror;
    int blur;
    int scale;
    int fps;
    int sprites;
};

class RecorderMatchesRenderFrame : public ::testing::TestWithParam<RecordCase> {};

TEST_P(RecorderMatchesRenderFrame, EveryCheckedFrameIsTheToolsPicture)
{
    const RecordCase& test = GetParam();
    constexpr int32_t kWidth = 161;
    constexpr int32_t kHeight = 120;
    const std::string preset = std::string(OPAL_SOURCE_DIR) + "/data/presets/candy.vhp";
    SettingsRecord settings;
    Preset scene = newStartPreset();
    ASSERT_TRUE(loadPresetFile(preset, scene));
    // What the saver runs with for these per-run options, and what render_frame sets.
    settings.formula = test.formula;
    settings.mirror = test.mirror;
    settings.travel = 1;
    settings.filter = test.blur != 0;
    settings.interlace = true;
    settings.changePresets = 0;
    settings.changeFormula = 0;
    settings.scale = test.scale;

    HackOptions options;
    options.target = HackTarget::Record;
    options.recordWidth = kWidth;
    options.recordHeight = kHeight;
    options.recordFps = test.fps;
    options.recordSprites = test.sprites;
    const RecordPlan plan = recordPlan(options);
    ASSERT_GE(spritesShownInFrame(plan.frames - 1, plan.framesPerSecond), test.sprites);

    WebpSettings lossless;
    lossless.lossless = true;
    lossless.framesPerSecond = plan.framesPerSecond;
    WebpAnimationWriter writer(lossless);
    Renderer renderer(settings, scene, RenderRole::Saver);
    renderer.setAutomaticChanges(true);
    recordFrames(renderer, plan, writer, nullptr);
    const std::vector<uint8_t> bytes = writer.finish();

    WebPData data { bytes.data(), bytes.size() };
    WebPAnimDecoderOptions decoderOptions;
    ASSERT_TRUE(WebPAnimDecoderOptionsInit(&decoderOptions));
    decoderOptions.color_mode = MODE_RGBA;
    std::unique_ptr<WebPAnimDecoder, void (*)(WebPAnimDecoder*)> decoder(
        WebPAnimDecoderNew(&data, &decoderOptions), WebPAnimDecoderDelete);
    ASSERT_TRUE(decoder);
    const std::filesystem::path png = std::filesystem::temp_directory_path()
        / ("opal_recorder_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + ".png");
    const std::vector<int32_t> checked { 0, plan.frames / 2, plan.frames - 1 };
    int32_t index = 0;
    int32_t compared = 0;
    while (WebPAnimDecoderHasMoreFrames(decoder.get())) {
        uint8_t* rgba = nullptr;
        int timestamp = 0;
        ASSERT_TRUE(WebPAnimDecoderGetNext(decoder.get(), &rgba, &timestamp));
        if (std::find(checked.begin(), checked.end(), index) != checked.end()) {
            const std::string command = std::string(RENDER_FRAME_TOOL) + " --out " + png.string() + " --preset "
                + preset + " --formula " + std::to_string(test.formula) + " --mirror " + std::to_string(test.mirror)
                + " --travel 1 --blur " + std::to_string(test.blur) + " --interlace 1 --size 161x120 --scale "
                + std::to_string(test.scale) + " --exact-sprites "
                + std::to_string(spritesShownInFrame(index, plan.framesPerSecond));
            ASSERT_EQ(std::system(command.c_str()), 0) << command;
            std::vector<uint8_t> rgb;
            int32_t width = 0;
            int32_t height = 0;
            ASSERT_TRUE(readPng(png.string(), rgb, width, height));
            ASSERT_EQ(width, kWidth);
            ASSERT_EQ(height, kHeight);
            int32_t differing = 0;
            for (std::size_t pixel = 0; pixel < static_cast<std::size_t>(kWidth * kHeight); ++pixel) {
                for (std::size_t channel = 0; channel < 3; ++channel)
                    differing += rgba[pixel * 4 + channel] != rgb[pixel * 3 + channel] ? 1 : 0;
            }
            EXPECT_EQ(differing, 0) << "frame " << index;
            ++compared;
        }
        ++index;
    }
    std::filesystem::remove(png);
    EXPECT_EQ(index, plan.frames);
    EXPECT_EQ(compared, static_cast<int32_t>(checked.size()));
}

INSTANTIATE_TEST_SUITE_P(Runs, RecorderMatchesRenderFrame,
    ::testing::Values(RecordCase { "Plain30Fps", 9, 3, 0, 100, 30, 1500 },
        RecordCase { "BlurredAt60Percent", 4, 1, 1, 60, 10, 2500 },
        RecordCase { "OneFramePerSecondNoMirror", 0, 0, 0, 100, 1, 12000 }),
    [](const ::testing::TestParamInfo<RecordCase>& param) { return std::string(param.param.name); });

TEST(RecordPlanTest, SecondsOrSpritesSetTheFrames)
{
    HackOptions options;
    RecordPlan plan = recordPlan(options);
    EXPECT_EQ(plan.width, kDefaultRecordWidth);
    EXPECT_EQ(plan.height, kDefaultRecordHeight);
    EXPECT_EQ(plan.frames, kDefaultRecordSeconds * kDefaultRecordFps);

    options.recordSeconds = 3;
    options.recordFps = 12;
    EXPECT_EQ(recordPlan(options).frames, 36);

    options.recordSeconds.reset();
    options.recordSprites = 1000;
    plan = recordPlan(options);
    EXPECT_GE(spritesShownInFrame(plan.frames - 1, 12), 1000);
    EXPECT_LT(spritesShownInFrame(plan.frames - 2, 12), 1000);
    // One sprite every 300 microseconds of the saver's time, from the first at time 0.
    EXPECT_EQ(spritesShownInFrame(0, 30), 33334 / 300 + 1);
}

TEST(RecordProgressTest, OffATerminalOnePlainLinePerTenPercent)
{
    char* text = nullptr;
    std::size_t size = 0;
    FILE* stream = open_memstream(&text, &size);
    ASSERT_NE(stream, nullptr);
    RecordProgress progress(stream, false);
    for (int32_t done = 1; done <= 60; ++done)
        progress(done, 60);
    std::fclose(stream);
    const std::string output(text, size);
    std::free(text);
    EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 10);
    EXPECT_EQ(output.find('\r'), std::string::npos);
    EXPECT_NE(output.find("Recording: 10 % (6 of 60 frames)\n"), std::string::npos);
    EXPECT_NE(output.rfind("Recording: 100 % (60 of 60 frames)\n"), std::string::npos);
}

} // namespace

#ifdef OPAL_PROGRAM_PATH
namespace {

struct ProgramRun {
    int status = -1;
    std::string errors;
};

// The program without a display, in a home of its own, its standard error kept.
ProgramRun runProgram(const std::filesystem::path& home, const std::string& arguments)
{
    const std::filesystem::path errors = home / "errors.txt";
    const std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY HOME='" + home.string() + "' " OPAL_PROGRAM_PATH " "
        + arguments + " 2>'" + errors.string() + "' </dev/null";
    ProgramRun run;
    const int status = std::system(command.c_str());
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (FILE* in = std::fopen(errors.c_str(), "r")) {
        char buffer[1024];
        std::size_t count = 0;
        while ((count = std::fread(buffer, 1, sizeof buffer, in)) > 0)
            run.errors.append(buffer, count);
        std::fclose(in);
    }
    std::filesystem::remove(errors);
    return run;
}

TEST(RecorderProgramTest, RecordsWithoutADisplayAndRefusesBadOptionsWithOneLine)
{
    const std::filesystem::path home = std::filesystem::temp_directory_path()
        / ("opal_recorder_home_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    std::filesystem::create_directories(home);
    const std::filesystem::path clip = home / "clip.webp";
    ProgramRun run = runProgram(home, "--record '" + clip.string() + "' --size 64x48 --sprites 3300 --fps 10 --no-blur");
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_TRUE(std::filesystem::exists(clip));
    EXPECT_NE(run.errors.find("Recording: 100 % (10 of 10 frames)\n"), std::string::npos) << run.errors;

    run = runProgram(home, "--record '" + (home / "clip.mov").string() + "'");
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(std::count(run.errors.begin(), run.errors.end(), '\n'), 1) << run.errors;
    EXPECT_FALSE(std::filesystem::exists(home / "clip.mov"));

    run = runProgram(home, "--record '" + (home / "absent" / "clip.webm").string() + "' --sprites 10 --size 32x32");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.errors.find("failed"), std::string::npos) << run.errors;
    std::filesystem::remove_all(home);
}

// What can be known before the first frame is told at once, with one line: a long recording
// is never rendered only to be refused. None of these leaves a file behind.
TEST(RecorderProgramTest, WhatCannotBeWrittenIsRefusedBeforeTheFirstFrame)
{
    const std::filesystem::path home = std::filesystem::temp_directory_path()
        / ("opal_recorder_refusals_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    std::filesystem::create_directories(home / "in_the_way.webm");
    std::filesystem::create_directories(home / "read_only");
    std::filesystem::permissions(home / "read_only", std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    struct Case {
        std::string arguments;
        int status;
        std::string message;
    };
    const std::string folder = home.string();
    // An hour of frames in each: finishing at all shows that nothing was rendered.
    const Case cases[] = {
        { "--record '" + folder + "/absent/clip.webm' --seconds 3600", 1,
            "Opening " + folder + "/absent/clip.webm failed: the folder " + folder + "/absent does not exist" },
        { "--record '" + folder + "/in_the_way.webm' --seconds 3600", 1, "a folder of that name is in the way" },
        { "--record '" + folder + "/clip.webp' --size 16384x2 --seconds 3600", 2,
            "--size 16384x2 does not fit a .webp file, which holds at most 16383 pixels a side" },
        { "--record '" + folder + "/.gif' --seconds 3600", 2, "the file's name is missing" },
        { "/s --record '" + folder + "/clip.gif'", 2, "the host switch \"/s\" and --record name two modes" },
        { "--record '" + folder + "/clip.gif' --root --sprites 1", 2, "--record and --root name two modes" },
    };
    for (const Case& example : cases) {
        const ProgramRun run = runProgram(home, example.arguments);
        EXPECT_EQ(run.status, example.status) << example.arguments;
        EXPECT_NE(run.errors.find(example.message), std::string::npos) << run.errors;
        EXPECT_EQ(std::count(run.errors.begin(), run.errors.end(), '\n'), 1) << run.errors;
    }
    // Root writes anywhere: the read-only folder is checked only where the mode bits hold.
    if (geteuid() != 0) {
        const ProgramRun run = runProgram(home, "--record '" + folder + "/read_only/clip.gif' --seconds 3600");
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.errors.find("Opening"), std::string::npos) << run.errors;
    }
    EXPECT_FALSE(std::filesystem::exists(home / "clip.webp"));
    EXPECT_FALSE(std::filesystem::exists(home / "clip.gif"));
    EXPECT_TRUE(std::filesystem::is_empty(home / "read_only"));
    std::filesystem::remove_all(home);
}

} // namespace
#endif
