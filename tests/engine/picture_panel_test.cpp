#include "engine/picture_panel.h"
#include "engine/panel_painter.h"
#include "engine/refresh_timer.h"
#include "engine/renderer.h"
#include "presets/preset.h"
#include "presets/settings.h"
#include "shapes/shape_stack.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QEventLoop>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

namespace {

// What the window system shows of the panel, read without asking the panel to paint.
QImage onScreen(PicturePanel& panel)
{
    return panel.screen()->grabWindow(panel.winId()).toImage().convertToFormat(QImage::Format_RGB32);
}

uint32_t shownPixel(const QImage& image, int x, int y)
{
    return image.pixel(x, y) & 0x00FFFFFFu;
}

class PicturePanelTest : public ::testing::Test {
protected:
    SettingsRecord m_options;
    Preset m_preset = newStartPreset();
};

TEST_F(PicturePanelTest, PresentedBlocksAreOnScreenWhenEndPresentReturns)
{
    PicturePanel panel;
    panel.resize(40, 30);
    panel.show();
    QCoreApplication::processEvents();
    ASSERT_EQ(panel.deviceWidth(), 40);
    ASSERT_EQ(panel.deviceHeight(), 30);

    // A 2 x 3 block, rows 0x10.., 0x20.., 0x30.. in memory, with a transparent top byte.
    const uint32_t block[] = { 0x00101010, 0x00111111, 0x00202020, 0x00212121, 0x00303030, 0x00313131 };
    panel.beginPresent();
    panel.present(PixelBlock { block, 2, 3, 2, RowOrder::TopDown }, 5, 4);
    panel.present(PixelBlock { block, 2, 3, 2, RowOrder::BottomUp }, 20, 10);
    panel.present(PixelBlock { block, 2, 3, 2, RowOrder::TopDown }, 39, 29); // cut to one pixel
    panel.present(PixelBlock { block, 2, 3, 2, RowOrder::TopDown }, -100, 3); // wholly outside
    panel.endPresent();

    const QImage shown = onScreen(panel);
    EXPECT_EQ(shownPixel(shown, 5, 4), 0x101010u);
    EXPECT_EQ(shownPixel(shown, 6, 6), 0x313131u);
    EXPECT_EQ(shownPixel(shown, 20, 10), 0x303030u); // bottom-up: the last row on top
    EXPECT_EQ(shownPixel(shown, 21, 12), 0x111111u);
    EXPECT_EQ(shownPixel(shown, 39, 29), 0x101010u);
    EXPECT_FALSE(panel.presentsDirectly()); // not asked for, and no X11 window here anyway
}

class CountingPainter final : public PanelPainter {
public:
    void paint(RenderPanel& surface) override
    {
        ++calls;
        const uint32_t pixel = 0x00ABCDEF;
        surface.beginPresent();
        surface.present(PixelBlock { &pixel, 1, 1, 1, RowOrder::TopDown }, 0, 0);
        surface.endPresent();
    }
    int calls = 0;
};

TEST_F(PicturePanelTest, PaintingGoesToThePainterOrShowsThePlainColour)
{
    PicturePanel panel;
    QPalette palette = panel.palette();
    palette.setColor(panel.backgroundRole(), QColor(0, 0, 128));
    panel.setPalette(palette);
    panel.resize(16, 16);
    panel.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(shownPixel(onScreen(panel), 8, 8), 0x000080u);

    CountingPainter painter;
    panel.painter = &painter;
    panel.repaint();
    EXPECT_EQ(painter.calls, 1);
    const QImage shown = onScreen(panel);
    EXPECT_EQ(shownPixel(shown, 0, 0), 0xABCDEFu);
    EXPECT_EQ(shownPixel(shown, 8, 8), 0x000080u); // the painter left the rest as it was
    panel.painter = nullptr;
}

TEST_F(PicturePanelTest, RendererDrawsThroughThePanel)
{
    PicturePanel panel;
    panel.resize(64, 48);
    panel.show();
    QCoreApplication::processEvents();
    Renderer renderer(m_options, m_preset, RenderRole::Editor);
    renderer.reset(panel.deviceWidth(), panel.deviceHeight());
    renderer.drawSprites(14);
    renderer.present(panel);

    const QImage shown = onScreen(panel);
    int differing = 0;
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x)
            differing += shownPixel(shown, x, y) != (renderer.frame().row(y)[x] & 0x00FFFFFFu);
    EXPECT_EQ(differing, 0);
    EXPECT_NE(std::count(renderer.frame().pixels.begin(), renderer.frame().pixels.end(), 0u),
        static_cast<long>(renderer.frame().pixels.size()));
}

// A window drives its renderer from the event loop, once per refresh: the loop keeps
// running between the ticks (a timer of its own fires, a window deletes itself), and every
// present leaves the frame on screen.
TEST_F(PicturePanelTest, ARefreshTimerStepsTheRendererBetweenTheEventLoopsTurns)
{
    struct Window : QWidget {
        Window()
        {
            auto* layout = new QVBoxLayout(this);
            layout->setContentsMargins(0, 0, 0, 0);
            panel = new PicturePanel(this);
            layout->addWidget(panel);
            connect(&refresh, &RefreshTimer::tick, this, [this](int64_t now) {
                ++ticks;
                renderer.step(now);
                renderer.present(*panel);
            });
        }
        PicturePanel* panel = nullptr;
        SettingsRecord options;
        Preset preset = newStartPreset();
        Renderer renderer { options, preset, RenderRole::Editor };
        RefreshTimer refresh;
        int ticks = 0;
    };
    auto* window = new Window;
    window->resize(120, 90);
    window->show();
    QCoreApplication::processEvents();
    window->renderer.reset(window->panel->deviceWidth(), window->panel->deviceHeight());
    window->refresh.start();
    QPointer<Window> watch(window);
    int ticksSeen = 0;
    bool shownAsFrame = false;
    QTimer::singleShot(150, window, [&] {
        ticksSeen = window->ticks;
        // The panel fills the window, so the window's picture is the panel's.
        const QImage shown
            = window->screen()->grabWindow(window->winId()).toImage().convertToFormat(QImage::Format_RGB32);
        const ArgbImage& frame = window->renderer.frame();
        shownAsFrame = shown.width() >= frame.width && shown.height() >= frame.height && frame.width > 0;
        for (int y = 0; shownAsFrame && y < frame.height; ++y)
            for (int x = 0; x < frame.width; ++x)
                shownAsFrame = shownAsFrame && shownPixel(shown, x, y) == (frame.row(y)[x] & 0x00FFFFFFu);
        delete window;
    });
    QEventLoop loop;
    QTimer::singleShot(400, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_TRUE(watch.isNull());
    EXPECT_GE(ticksSeen, 2);
    EXPECT_TRUE(shownAsFrame);
    EXPECT_EQ(RefreshTimer::rateOf(nullptr), RefreshTimer::kFallbackHertz);
}

} // namespace

// The widgets need an application object that outlives every test and dies before Qt's
// own statics, so this program has its own main.
int main(int argc, char** argv)
{
    // Test discovery runs the program without the test environment.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
