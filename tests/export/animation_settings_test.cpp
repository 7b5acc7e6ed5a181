#include "export/animation_settings.h"

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

TEST(FrameSizeText, FollowsThePanelAndTruncates)
{
    EXPECT_EQ(frameSizeText(640, 480, 40), "40%, 256 x 192 pixels");
    EXPECT_EQ(frameSizeText(492, 369, 40), "40%, 196 x 147 pixels");
    EXPECT_EQ(frameSizeText(100, 60, 5), "5%, 5 x 3 pixels");
    EXPECT_EQ(frameSizeText(99, 59, 5), "5%, 4 x 2 pixels");
    EXPECT_EQ(frameSizeText(1920, 1080, 100), "100%, 1920 x 1080 pixels");
}

TEST(AnimationSettings, TheDialogSeesEveryValueInsideItsSliderRange)
{
    const AnimationSettings start;
    const AnimationSettings clamped = clampedAnimationSettings(start);
    EXPECT_EQ(clamped.scale, 40);
    EXPECT_EQ(clamped.fps, 4);
    EXPECT_EQ(clamped.frames, 10);
    EXPECT_EQ(clamped.objectsPerFrame, 100);
    EXPECT_EQ(clamped.colors, 128);

    const AnimationSettings outside
        = clampedAnimationSettings({ .scale = 0, .fps = 11, .frames = -3, .objectsPerFrame = INT_MAX, .colors = 256 });
    EXPECT_EQ(outside.scale, 5);
    EXPECT_EQ(outside.fps, 10);
    EXPECT_EQ(outside.frames, 1);
    EXPECT_EQ(outside.objectsPerFrame, 256);
    EXPECT_EQ(outside.colors, 255);
}

TEST(CopyPictureAsShown, TurnsABottomUpFrameRightWayUp)
{
    ArgbImage frame;
    frame.setSize(2, 3);
    frame.pixels = { 1, 2, 3, 4, 5, 6 };
    ArgbImage picture;
    copyPictureAsShown(frame, false, picture);
    EXPECT_EQ(picture.pixels, frame.pixels);
    copyPictureAsShown(frame, true, picture);
    EXPECT_EQ(picture.width, 2);
    EXPECT_EQ(picture.height, 3);
    EXPECT_EQ(picture.pixels, (ArgbImage::Pixels { 5, 6, 3, 4, 1, 2 }));
    copyPictureAsShown(ArgbImage {}, true, picture);
    EXPECT_TRUE(picture.pixels.empty());
}

TEST(WithDefaultExtension, AppendsOnlyWhenTheNameHasNone)
{
    EXPECT_EQ(withDefaultExtension("shot", "jpg"), "shot.jpg");
    EXPECT_EQ(withDefaultExtension("/tmp/shot", "jpg"), "/tmp/shot.jpg");
    EXPECT_EQ(withDefaultExtension("/tmp/shot.jpg", "jpg"), "/tmp/shot.jpg");
    EXPECT_EQ(withDefaultExtension("/tmp/shot.png", "jpg"), "/tmp/shot.png");
    EXPECT_EQ(withDefaultExtension("/tmp/a.b/shot", "gif"), "/tmp/a.b/shot.gif");
    EXPECT_EQ(withDefaultExtension("/tmp/.hidden", "gif"), "/tmp/.hidden.gif");
    EXPECT_EQ(withDefaultExtension("shot.", "jpg"), "shot.jpg");
    EXPECT_EQ(withDefaultExtension("", "jpg"), "");
    EXPECT_EQ(withDefaultExtension("/tmp/", "jpg"), "/tmp/");
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
    const ArgbImage& gifSourceFrame() override { return m_renderer.frame(); }
    void followSprites(SpriteObserver* observer) override
    {
        m_capture = observer;
        m_renderer.setSpriteObserver(observer ? this : nullptr);
    }
    void showGifProgress() override { }
    void gifFramesTaken(int32_t, int32_t) override { frameTicks.push_back(ticks); }
    void gifWriting() override { }
    void hideGifProgress() override { }
    void gifCaptureFailed(const std::string& text) override { ADD_FAILURE() << text; }

    int ticks = 0;
    std::vector<int> frameTicks;

private:
    void beforeSprite() override
    {
        ++ticks;
        m_capture->beforeSprite();
    }
    void afterBlurPass(int32_t spritesPerPass) override { m_capture->afterBlurPass(spritesPerPass); }

    Renderer& m_renderer;
    SpriteObserver* m_capture = nullptr;
};

TEST(GifCaptureWithRenderer, BlurPassesWidenTheGapAndTheDialogClampsIt)
{
    SettingsRecord options;
    options.filter = true;
    Preset preset = newStartPreset();
    Renderer renderer(options, preset, RenderRole::Editor);
    renderer.reset(200, 150);

    RendererHost host(renderer);
    GifCapture capture(host);
    ScratchFolder folder;
    capture.gifFileName = folder.file("blurred.gif");
    capture.settings.frames = 3;
    capture.startGifCapture();
    renderer.drawSprites(1100);

    // With the horizontal mirror every blur pass runs twice: sprite 0 takes the gap to 220,
    // sprite 60 to 340, past the 256 at which it stops counting. The first frame therefore
    // comes on tick 257, the others 257 ticks apart, and the file 257 ticks after the last.
    const int32_t perPass = renderer.spritesPerBlurPass();
    EXPECT_EQ(host.frameTicks, (std::vector<int> { 0, 257, 514, 771 }));
    EXPECT_EQ(host.ticks, 1028);
    EXPECT_FALSE(capture.active());
    EXPECT_EQ(capture.settings.objectsPerFrame, 100 + 2 * perPass * (1 + 1027 / perPass));
    EXPECT_EQ(clampedAnimationSettings(capture.settings).objectsPerFrame, 256);
    const DecodedGif decoded = decodeGifFile(folder.file("blurred.gif"));
    ASSERT_TRUE(decoded.ok) << decoded.error;
    EXPECT_EQ(decoded.frames.size(), 3u);
    EXPECT_EQ(decoded.frames[0].width, 80);
}

} // namespace
