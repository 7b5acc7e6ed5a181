#include "export/gif_settings.h"

#include "engine/engine_globals.h"
#include "engine/recording_panel.h"
#include "engine/renderer.h"
#include "export/gif_capture.h"
#include "export/gif_writer.h"
#include "export/shown_picture.h"
#include "presets/settings.h"
#include "tests/export/decoders.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>

namespace {

TEST(GifSizeText, FollowsThePanelAndTruncates)
{
    EXPECT_EQ(GifSizeText(640, 480, 40), "40%, 256 x 192 pixels");
    EXPECT_EQ(GifSizeText(492, 369, 40), "40%, 196 x 147 pixels");
    EXPECT_EQ(GifSizeText(100, 60, 5), "5%, 5 x 3 pixels");
    EXPECT_EQ(GifSizeText(99, 59, 5), "5%, 4 x 2 pixels");
    EXPECT_EQ(GifSizeText(1920, 1080, 100), "100%, 1920 x 1080 pixels");
}

TEST(GifSettings, StartValuesComeFromTheDefaults)
{
    GifScale = GifFps = GifFrames = GifObjectsPerFrame = GifColors = 1;
    ResetDefaults();
    const GifSettingValues values = CurrentGifSettings();
    EXPECT_EQ(values.scale, 40);
    EXPECT_EQ(values.fps, 4);
    EXPECT_EQ(values.frames, 10);
    EXPECT_EQ(values.objectsPerFrame, 100);
    EXPECT_EQ(values.colors, 128);
}

TEST(GifSettings, TheDialogSeesEveryValueInsideItsSliderRange)
{
    ResetDefaults();
    GifScale = 0;
    GifFps = 11;
    GifFrames = -3;
    GifObjectsPerFrame = INT_MAX;
    GifColors = 256;
    const GifSettingValues values = CurrentGifSettings();
    EXPECT_EQ(values.scale, 5);
    EXPECT_EQ(values.fps, 10);
    EXPECT_EQ(values.frames, 1);
    EXPECT_EQ(values.objectsPerFrame, 256);
    EXPECT_EQ(values.colors, 255);
    // Clamping is for showing: the settings themselves stay until the dialog stores new ones.
    EXPECT_EQ(GifObjectsPerFrame, INT_MAX);
    StoreGifSettings(values);
    EXPECT_EQ(GifObjectsPerFrame, 256);
    EXPECT_EQ(GifScale, 5);
    ResetDefaults();
}

TEST(CopyPictureAsShown, TurnsABottomUpFrameRightWayUp)
{
    ArgbImage frame;
    frame.SetSize(2, 3);
    frame.pixels = { 1, 2, 3, 4, 5, 6 };
    ArgbImage picture;
    CopyPictureAsShown(frame, false, picture);
    EXPECT_EQ(picture.pixels, frame.pixels);
    CopyPictureAsShown(frame, true, picture);
    EXPECT_EQ(picture.width, 2);
    EXPECT_EQ(picture.height, 3);
    EXPECT_EQ(picture.pixels, (ArgbImage::Pixels { 5, 6, 3, 4, 1, 2 }));
    CopyPictureAsShown(ArgbImage {}, true, picture);
    EXPECT_TRUE(picture.pixels.empty());
}

TEST(WithDefaultExtension, AppendsOnlyWhenTheNameHasNone)
{
    EXPECT_EQ(WithDefaultExtension("shot", "jpg"), "shot.jpg");
    EXPECT_EQ(WithDefaultExtension("/tmp/shot", "jpg"), "/tmp/shot.jpg");
    EXPECT_EQ(WithDefaultExtension("/tmp/shot.jpg", "jpg"), "/tmp/shot.jpg");
    EXPECT_EQ(WithDefaultExtension("/tmp/shot.png", "jpg"), "/tmp/shot.png");
    EXPECT_EQ(WithDefaultExtension("/tmp/a.b/shot", "gif"), "/tmp/a.b/shot.gif");
    EXPECT_EQ(WithDefaultExtension("/tmp/.hidden", "gif"), "/tmp/.hidden.gif");
    EXPECT_EQ(WithDefaultExtension("shot.", "jpg"), "shot.jpg");
    EXPECT_EQ(WithDefaultExtension("", "jpg"), "");
    EXPECT_EQ(WithDefaultExtension("/tmp/", "jpg"), "/tmp/");
}

// A capture driven by the real renderer in blur mode: every blur pass while the capture runs
// widens the gap between frames by BlurEvery sprites, the capture still ends, and the dialog
// afterwards shows the grown value, at most 256.
class RendererHost : public GifCaptureHost {
public:
    explicit RendererHost(Renderer& renderer)
        : m_renderer(renderer)
    {
    }
    const ArgbImage& GifSourceFrame() override { return m_renderer.Frame; }
    void ProcessGuiEvents() override { }
    void ShowGifProgress() override { }
    void GifFramesTaken(int32_t, int32_t) override { frameTicks.push_back(onFrame ? onFrame() : 0); }
    void GifWriting() override { }
    void HideGifProgress() override { }
    void GifCaptureFailed(const std::string& text) override { ADD_FAILURE() << text; }

    std::function<int()> onFrame;
    std::vector<int> frameTicks;

private:
    Renderer& m_renderer;
};

TEST(GifCaptureWithRenderer, BlurPassesWidenTheGapAndTheDialogClampsIt)
{
    ResetDefaults();
    RunMode = 1;
    Settings.Filter = true;
    RecordingPanel panel(200, 150);
    panel.recordPresents = false;
    Renderer renderer;
    renderer.Panel = &panel;
    renderer.SetPacing(SpritePacer::Mode::None);
    renderer.Reset();

    RendererHost host(renderer);
    GifCapture capture(host);
    ScratchFolder folder;
    capture.GifFileName = folder.File("blurred.gif");
    GifFrames = 3;
    capture.StartGifCapture();
    // Count the renderer's ticks on their way to the capture.
    static int ticks = 0;
    static void (*captureTick)() = nullptr;
    ticks = 0;
    captureTick = ::GifCaptureTick;
    ::GifCaptureTick = [] {
        ++ticks;
        captureTick();
    };
    host.onFrame = [] { return ticks; };
    renderer.RunFrames(1100);

    // With the horizontal mirror every blur pass runs twice: sprite 0 takes the gap to 220,
    // sprite 60 to 340, past the 256 at which it stops counting. The first frame therefore
    // comes on tick 257, the others 257 ticks apart, and the file 257 ticks after the last.
    EXPECT_EQ(host.frameTicks, (std::vector<int> { 0, 257, 514, 771 }));
    EXPECT_EQ(ticks, 1028);
    EXPECT_FALSE(GifCaptureActive);
    EXPECT_EQ(GifObjectsPerFrame, 100 + 2 * BlurEvery * (1 + 1027 / BlurEvery));
    EXPECT_EQ(CurrentGifSettings().objectsPerFrame, 256);
    const DecodedGif decoded = DecodeGifFile(folder.File("blurred.gif"));
    ASSERT_TRUE(decoded.ok) << decoded.error;
    EXPECT_EQ(decoded.frames.size(), 3u);
    EXPECT_EQ(decoded.frames[0].width, 80);
    ResetDefaults();
}

} // namespace
