#include "controls/button_face.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QSet>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

class RenderControlsToolTest : public ::testing::Test {
protected:
    void TearDown() override { std::filesystem::remove(m_png); }

    std::filesystem::path m_png = std::filesystem::temp_directory_path()
        / ("opal_render_controls_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + ".png");
};

// The gallery is written at its size, every button shows a shaded face, the face of
// "Clear Screen" is the one its fields build, and the palettes lie under their controls.
TEST_F(RenderControlsToolTest, WritesTheGallery)
{
    const std::string command = std::string(RENDER_CONTROLS_TOOL) + " --out " + m_png.string();
    ASSERT_EQ(std::system(command.c_str()), 0);
    QImage picture(QString::fromStdString(m_png.string()));
    ASSERT_FALSE(picture.isNull());
    picture = picture.convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(picture.size(), QSize(760, 330));

    const QRect buttons[] = { { 10, 10, 119, 23 }, { 141, 11, 80, 23 }, { 230, 10, 150, 23 }, { 390, 10, 150, 23 },
                              { 550, 10, 9, 23 }, { 570, 10, 180, 23 }, { 10, 45, 48, 14 }, { 126, 42, 23, 23 },
                              { 159, 42, 23, 23 }, { 321, 42, 230, 25 } };
    for (const QRect& rect : buttons) {
        QSet<QRgb> colours;
        for (int y = rect.top(); y <= rect.bottom(); ++y)
            for (int x = rect.left(); x <= rect.right(); ++x)
                colours.insert(picture.pixel(x, y) & 0xFFFFFFu);
        EXPECT_GT(colours.size(), 8) << rect.x() << ", " << rect.y();
    }

    Shape shape = buttonShape();
    shape.radiusPx = 7;
    shape.heightPx = 6;
    shape.color = 7372800;
    shape.ambient = 0.7f;
    shape.mirror = 0.9f;
    shape.phong = 20;
    const ArgbImage face = buildButtonFace(shape, 119, 23);
    EXPECT_EQ(picture.pixel(10 + 20, 10 + 9) & 0xFFFFFFu, face.row(9)[20] & 0xFFFFFFu);
    EXPECT_EQ(picture.pixel(10 + 3, 10 + 20) & 0xFFFFFFu, face.row(20)[3] & 0xFFFFFFu);

    // Palette 0 is grey at the bottom-left, palette 1 white.
    EXPECT_EQ(picture.pixel(10, 130) & 0xFFFFFFu, 0x5B5B5Bu);
    EXPECT_EQ(picture.pixel(385, 130) & 0xFFFFFFu, 0xFFFFFFu);
}

TEST_F(RenderControlsToolTest, RefusesUnknownArguments)
{
    const std::string command = std::string(RENDER_CONTROLS_TOOL) + " --size 3 2>/dev/null";
    EXPECT_NE(std::system(command.c_str()), 0);
    EXPECT_FALSE(std::filesystem::exists(m_png));
}

} // namespace
