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
    void SetUp() override { ResetDefaults(); }
    void TearDown() override
    {
        ResetDefaults();
        std::filesystem::remove(m_png);
    }

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

    ASSERT_TRUE(LoadPresetFile(preset, CurrentPreset));
    Settings.Formula = 9;
    Settings.Mirror = 3;
    Settings.Travel = 1;
    RecordingPanel panel(161, 120);
    Renderer renderer(Settings, CurrentPreset, RenderRole::Editor);
    renderer.Reset(161, 120);
    renderer.DrawSprites(200);
    renderer.Present(panel);

    int lit = 0;
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
            const uint32_t pixel = panel.screen.Row(y)[x];
            const uint8_t* shown = &rgb[3 * static_cast<size_t>(y * width + x)];
            ASSERT_EQ(shown[0], RedOf(pixel)) << x << "," << y;
            ASSERT_EQ(shown[1], GreenOf(pixel)) << x << "," << y;
            ASSERT_EQ(shown[2], BlueOf(pixel)) << x << "," << y;
            lit += (pixel & 0xFFFFFF) != 0;
        }
    EXPECT_GT(lit, width * height / 10);
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
