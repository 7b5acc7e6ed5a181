#include "export/gif_settings.h"

#include "engine/renderer.h"
#include "export/gif_capture.h"
#include "export/gif_writer.h"
#include "export/shown_picture.h"
#include "presets/preset.h"
#include "presets/settings.h"
#include "tests/export/decoders.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

TEST(GifSizeText, FollowsThePanelAndTruncates)
{
    EXPECT_EQ(GifSizeText(640, 480, 40), "40%, 256 x 192 pixels");
    EXPECT_EQ(GifSizeText(492, 369, 40), "40%, 196 x 147 pixels");
    EXPECT_EQ(GifSizeText(100, 60, 5), "5%, 5 x 3 pixels");
    EXPECT_EQ(GifSizeText(99, 59, 5), "5%, 4 x 2 pixels");
    EXPECT_EQ(GifSizeText(1920, 1080, 100), "100%, 1920 x 1080 pixels");
}

TEST(GifSettings, TheDialogSeesEveryValueInsideItsSliderRange)
{
    const GifSettingValues start;
    const GifSettingValues clamped = ClampedGifSettings(start);
    EXPECT_EQ(clamped.scale, 40);
    EXPECT_EQ(clamped.fps, 4);
    EXPECT_EQ(clamped.frames, 10);
    EXPECT_EQ(clamped.objectsPerFrame, 100);
    EXPECT_EQ(clamped.colors, 128);

    const GifSettingValues outside
        = ClampedGifSettings({ .scale = 0, .fps = 11, .frames = -3, .objectsPerFrame = INT_MAX, .colors = 256 });
    EXPECT_EQ(outside.scale, 5);
    EXPECT_EQ(outside.fps, 10);
    EXPECT_EQ(outside.frames, 1);
    EXPECT_EQ(outside.objectsPerFrame, 256);
    EXPECT_EQ(outside.colors, 255);
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
// widens the gap between frames by the sprites between two passes, the capture still ends,
// and the dialog afterwards shows the grown value, at most 256. The host counts the
// renderer's sprites on their way to the capture.
class RendererHost : public GifCaptureHost, private SpriteObserver {
public:
    explicit RendererHost(Renderer& renderer)
        : m_renderer(renderer)
    {
    }
    const ArgbImage& GifSourceFrame() override { return m_renderer.Frame(); }
    void FollowSprites(SpriteObserver* observer) override
    {
        m_capture = observer;
        m_renderer.SetSpriteObserver(observer ? this : nullptr);
    }
    void ShowGifProgress() override { }
    void GifFramesTaken(int32_t, int32_t) override { frameTicks.push_back(ticks); }
    void GifWriting() override { }
    void HideGifProgress() override { }
    void GifCaptureFailed(const std::string& text) override { ADD_FAILURE() << text; }

    int ticks = 0;
    std::vector<int> frameTicks;

private:
    void BeforeSprite() override
    {
        ++ticks;
        m_capture->BeforeSprite();
    }
    void AfterBlurPass(int32_t spritesPerPass) override { m_capture->AfterBlurPass(spritesPerPass); }

    Renderer& m_renderer;
    SpriteObserver* m_capture = nullptr;
};

TEST(GifCaptureWithRenderer, BlurPassesWidenTheGapAndTheDialogClampsIt)
{
    SettingsRecord options;
    options.Filter = true;
    Preset preset = NewStartPreset();
    Renderer renderer(options, preset, RenderRole::Editor);
    renderer.Reset(200, 150);

    RendererHost host(renderer);
    GifCapture capture(host);
    ScratchFolder folder;
    capture.GifFileName = folder.File("blurred.gif");
    capture.Settings.frames = 3;
    capture.StartGifCapture();
    renderer.DrawSprites(1100);

    // With the horizontal mirror every blur pass runs twice: sprite 0 takes the gap to 220,
    // sprite 60 to 340, past the 256 at which it stops counting. The first frame therefore
    // comes on tick 257, the others 257 ticks apart, and the file 257 ticks after the last.
    const int32_t perPass = renderer.SpritesPerBlurPass();
    EXPECT_EQ(host.frameTicks, (std::vector<int> { 0, 257, 514, 771 }));
    EXPECT_EQ(host.ticks, 1028);
    EXPECT_FALSE(capture.Active());
    EXPECT_EQ(capture.Settings.objectsPerFrame, 100 + 2 * perPass * (1 + 1027 / perPass));
    EXPECT_EQ(ClampedGifSettings(capture.Settings).objectsPerFrame, 256);
    const DecodedGif decoded = DecodeGifFile(folder.File("blurred.gif"));
    ASSERT_TRUE(decoded.ok) << decoded.error;
    EXPECT_EQ(decoded.frames.size(), 3u);
    EXPECT_EQ(decoded.frames[0].width, 80);
}

} // namespace
