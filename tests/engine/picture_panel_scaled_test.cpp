#include "engine/picture_panel.h"
#include "engine/panel_painter.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QScreen>

namespace {

// Presents one pixel in the panel's bottom-right device pixel whenever the panel paints.
class CornerPainter : public PanelPainter {
public:
    void paint(RenderPanel& surface) override
    {
        const uint32_t pixel = 0x00ABCDEF;
        surface.present(PixelBlock { &pixel, 1, 1, 1, RowOrder::TopDown }, surface.deviceWidth() - 1, surface.deviceHeight() - 1);
        surface.present(PixelBlock { &pixel, 1, 1, 1, RowOrder::TopDown }, surface.deviceWidth(), surface.deviceHeight()); // outside
    }
};

// On a desktop scaled by 2 the panel reports and takes its size in device pixels, so the
// renderer draws at the screen's full resolution.
TEST(PanelExtScaled, WorksInDevicePixels)
{
    PicturePanel panel;
    panel.resize(40, 30);
    panel.show();
    QCoreApplication::processEvents();
    ASSERT_EQ(panel.devicePixelRatioF(), 2.0);
    EXPECT_EQ(panel.deviceWidth(), 80);
    EXPECT_EQ(panel.deviceHeight(), 60);

    // Painted at the device pixel ratio, the picture keeps every device pixel.
    CornerPainter corner;
    panel.painter = &corner;
    const QImage shown = panel.grab().toImage().convertToFormat(QImage::Format_RGB32);
    panel.painter = nullptr;
    ASSERT_EQ(shown.size(), QSize(80, 60));
    EXPECT_EQ(shown.pixel(79, 59) & 0x00FFFFFFu, 0xABCDEFu);
    EXPECT_NE(shown.pixel(78, 58) & 0x00FFFFFFu, 0xABCDEFu);
}

} // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_SCALE_FACTOR", "2");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
