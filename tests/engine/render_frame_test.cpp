#include "engine/recording_panel.h"
#include "engine/renderer.h"
#include "presets/preset.h"
#include "presets/settings.h"
#include "shapes/shape_stack.h"

#include <gtest/gtest.h>

#include <png.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

// The PNG read back with libpng's own simplified reader, as 8-bit RGB.
bool readPng(const std::string& path, int32_t& width, int32_t& height, std::vector<uint8_t>& rgb)
{
    png_image image {};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return false;
    image.format = PNG_FORMAT_RGB;
    rgb.resize(PNG_IMAGE_SIZE(image));
    width = static_cast<int32_t>(image.width);
    height = static_cast<int32_t>(image.height);
    return png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr) != 0;
}

class RenderFrameToolTest : public ::testing::Test {
protected:
    void TearDown() override { std::filesystem::remove(m_png); }

    SettingsRecord m_options;
    Preset m_preset = newStartPreset();

    std::filesystem::path m_png = std::filesystem::temp_directory_path()
        / ("opal_render_frame_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + ".png");
};

// The tool's picture, decoded by libpng, is the screen of the same run made here.
TEST_F(RenderFrameToolTest, WritesWhatTheHeadlessRendererShows)
{
    const std::string preset = std::string(OPAL_SOURCE_DIR) + "/data/presets/candy.vhp";
    const std::string command = std::string(RENDER_FRAME_TOOL) + " --out " + m_png.string() + " --preset " + preset
        + " --formula 9 --mirror 3 --travel 1 --blur 0 --size 161x120 --sprites 200";
    ASSERT_EQ(std::system(command.c_str()), 0);

    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> rgb;
    ASSERT_TRUE(readPng(m_png.string(), width, height, rgb));
    ASSERT_EQ(width, 161);
    ASSERT_EQ(height, 120);

    ASSERT_TRUE(loadPresetFile(preset, m_preset));
    m_options.formula = 9;
    m_options.mirror = 3;
    m_options.travel = 1;
    RecordingPanel panel(161, 120);
    Renderer renderer(m_options, m_preset, RenderRole::Editor);
    renderer.reset(161, 120);
    renderer.drawSprites(200);
    renderer.present(panel);

    int lit = 0;
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
            const uint32_t pixel = panel.screen.row(y)[x];
            const uint8_t* shown = &rgb[3 * static_cast<size_t>(y * width + x)];
            ASSERT_EQ(shown[0], redOf(pixel)) << x << "," << y;
            ASSERT_EQ(shown[1], greenOf(pixel)) << x << "," << y;
            ASSERT_EQ(shown[2], blueOf(pixel)) << x << "," << y;
            lit += (pixel & 0xFFFFFF) != 0;
        }
    EXPECT_GT(lit, width * height / 10);
}

// The saver's picture for a few runs, held pixel for pixel to the pictures kept in
// tests/data/screens (the saver's screen is this picture; an end-to-end test shows that).
// OPAL_WRITE_SCREENS=1 writes them afresh and fails.
TEST_F(RenderFrameToolTest, SaverPicturesLookAsKept)
{
    const std::filesystem::path kept = std::filesystem::path(OPAL_SOURCE_DIR) / "tests/data/screens";
    const std::pair<const char*, const char*> runs[] = {
        { "saver_candy", "--preset data/presets/candy.vhp --formula 4 --mirror 1 --travel 1 --size 320x240 --exact-sprites 1500" },
        { "saver_blur", "--formula 12 --mirror 2 --blur 1 --interlace 1 --size 321x199 --exact-sprites 900" },
        { "saver_scaled", "--formula 17 --mirror 0 --scale 70 --size 256x256 --exact-sprites 700" },
    };
    for (const auto& [name, options] : runs) {
        SCOPED_TRACE(name);
        const std::string command = std::string("cd ") + OPAL_SOURCE_DIR + " && " + RENDER_FRAME_TOOL + " --out "
            + m_png.string() + " " + options;
        ASSERT_EQ(std::system(command.c_str()), 0);
        const std::filesystem::path picture = kept / (std::string(name) + ".png");
        if (std::getenv("OPAL_WRITE_SCREENS") && std::string(std::getenv("OPAL_WRITE_SCREENS")) == "1") {
            std::filesystem::copy_file(m_png, picture, std::filesystem::copy_options::overwrite_existing);
            ADD_FAILURE() << "written afresh: " << picture;
            continue;
        }
        int32_t width = 0, height = 0, keptWidth = 0, keptHeight = 0;
        std::vector<uint8_t> rgb, keptRgb;
        ASSERT_TRUE(readPng(m_png.string(), width, height, rgb));
        ASSERT_TRUE(readPng(picture.string(), keptWidth, keptHeight, keptRgb)) << picture;
        EXPECT_EQ(width, keptWidth);
        EXPECT_EQ(height, keptHeight);
        EXPECT_TRUE(rgb == keptRgb);
    }
}

TEST_F(RenderFrameToolTest, RefusesBadOptionsAndUnreadablePresets)
{
    const std::string tool = RENDER_FRAME_TOOL;
    EXPECT_NE(std::system((tool + " --formula 3 2>/dev/null").c_str()), 0); // no --out
    EXPECT_NE(std::system((tool + " --out " + m_png.string() + " --size 0x5 2>/dev/null").c_str()), 0);
    EXPECT_NE(std::system((tool + " --out " + m_png.string() + " --preset /nonexistent.vhp 2>/dev/null").c_str()), 0);
    EXPECT_FALSE(std::filesystem::exists(m_png));
}

} // namespace
