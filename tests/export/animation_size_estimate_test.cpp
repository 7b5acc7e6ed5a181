// The size estimate's rule with worked numbers, and its one exact case: a capture of one frame
// is exactly the one-frame file the estimate encodes.

#include "export/animation_size_estimate.h"

#include "export/gif_capture.h"
#include "pixels/argb_image.h"
#include "tests/export/decoders.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

struct RuleCase {
    const char* name;
    AnimationFormat format;
    int32_t frames;
    int32_t fps;
    int32_t objectsPerFrame;
    bool webpLossless;
    int32_t webmQuality;
    int32_t webmBitRate;
    int64_t oneFrameBytes;
    int64_t expected; // -1: no estimate
};

class EstimateRule : public ::testing::TestWithParam<RuleCase> {};

TEST_P(EstimateRule, ScalesTheOneFrameFile)
{
    const RuleCase& test = GetParam();
    GifSettingValues settings;
    settings.format = test.format;
    settings.frames = test.frames;
    settings.fps = test.fps;
    settings.objectsPerFrame = test.objectsPerFrame;
    settings.webpLossless = test.webpLossless;
    settings.webmQuality = test.webmQuality;
    settings.webmBitRate = test.webmBitRate;
    const std::optional<int64_t> estimate = estimatedAnimationBytes(settings, test.oneFrameBytes);
    if (test.expected < 0) {
        EXPECT_FALSE(estimate.has_value());
        return;
    }
    ASSERT_TRUE(estimate.has_value());
    EXPECT_EQ(*estimate, test.expected);
}

// Worked by hand from the rule in the header:
//   GIF 10 frames: 10000 x (1 + 9 x 1.1) = 109000.
//   WebP lossy 10 frames: 7000 x (1 + 9 x 1.15) = 79450; lossless: 20000 x (1 + 9 x 1.05) = 209000.
//   WebM 10 frames at 4 fps: key frames at 0 and 2 s, so 2 of them; 50 sprites at quality 24:
//   10000 x (2 + 8 x 0.27) = 41600. 40 frames at 20 fps, one key frame, 256 sprites:
//   10000 x (1 + 39 x 0.42) = 173800. 100 sprites at level 45: the share is
//   (0.27 + 0.15 x 50 / 206) x (1 - 0.016 x 21) = 0.3064078 x 0.664 = 0.2034548, so
//   10000 x (2 + 8 x 0.2034548) = 36276. Level 63 keeps 1 - 0.016 x 39 = 0.376 of the share:
//   10000 x (2 + 8 x 0.27 x 0.376) = 28122.
INSTANTIATE_TEST_SUITE_P(Worked, EstimateRule,
    ::testing::Values(RuleCase { "Gif", AnimationFormat::Gif, 10, 4, 100, false, 24, 0, 10000, 109000 },
        RuleCase { "GifOneFrame", AnimationFormat::Gif, 1, 4, 100, false, 24, 0, 10000, 10000 },
        RuleCase { "WebpLossy", AnimationFormat::Webp, 10, 4, 100, false, 24, 0, 7000, 79450 },
        RuleCase { "WebpLossless", AnimationFormat::Webp, 10, 4, 100, true, 24, 0, 20000, 209000 },
        RuleCase { "WebmTwoKeyFrames", AnimationFormat::Webm, 10, 4, 50, false, 24, 0, 10000, 41600 },
        RuleCase { "WebmBusy", AnimationFormat::Webm, 40, 20, 256, false, 24, 0, 10000, 173800 },
        RuleCase { "WebmCoarser", AnimationFormat::Webm, 10, 4, 100, false, 45, 0, 10000, 36276 },
        RuleCase { "WebmCoarsest", AnimationFormat::Webm, 10, 4, 50, false, 63, 0, 10000, 28122 },
        RuleCase { "WebmBitRate", AnimationFormat::Webm, 10, 4, 100, false, 24, 1000, 10000, -1 }),
    [](const ::testing::TestParamInfo<RuleCase>& param) { return std::string(param.param.name); });

TEST(EstimateRule, KeyFramesComeEveryTwoSeconds)
{
    EXPECT_EQ(webmKeyFrames(1, 4), 1);
    EXPECT_EQ(webmKeyFrames(8, 4), 1);
    EXPECT_EQ(webmKeyFrames(9, 4), 2);
    EXPECT_EQ(webmKeyFrames(70, 10), 4);
    EXPECT_EQ(webmKeyFrames(100, 30), 2);
}

TEST(EstimateRule, SizeTexts)
{
    const std::pair<int64_t, const char*> cases[] = { { 0, "about 0 bytes" }, { 800, "about 800 bytes" },
        { 1000, "about 1.0 kB" }, { 9960, "about 10 kB" }, { 56000, "about 56 kB" }, { 999500, "about 1.0 MB" },
        { 1400000, "about 1.4 MB" }, { 23456789, "about 23 MB" } };
    for (const auto& [bytes, text] : cases)
        EXPECT_EQ(aboutSizeText(bytes), text) << bytes;
}

// The host of a capture that takes every frame from one picture.
class StillHost : public GifCaptureHost {
public:
    explicit StillHost(const ArgbImage& frame)
        : m_frame(frame)
    {
    }
    const ArgbImage& gifSourceFrame() override { return m_frame; }
    void followSprites(SpriteObserver* observer) override { followed = observer; }
    void showGifProgress() override { }
    void gifFramesTaken(int32_t, int32_t) override { }
    void gifWriting() override { }
    void hideGifProgress() override { }
    void gifCaptureFailed(const std::string& text) override { failure = text; }

    SpriteObserver* followed = nullptr;
    std::string failure;

private:
    const ArgbImage& m_frame;
};

class OneFrameCapture : public ::testing::TestWithParam<AnimationFormat> {};

TEST_P(OneFrameCapture, IsExactlyTheEstimate)
{
    ArgbImage picture;
    picture.setSize(200, 150);
    for (int32_t y = 0; y < picture.height; ++y) {
        for (int32_t x = 0; x < picture.width; ++x)
            picture.row(y)[x] = 0xFF000000u | static_cast<uint32_t>(x) << 16 | static_cast<uint32_t>(y) << 8 | ((x * y) & 0xFF);
    }
    GifSettingValues settings;
    settings.format = GetParam();
    settings.frames = 1;
    settings.objectsPerFrame = 50;
    settings.scale = 60;

    ScratchFolder folder;
    StillHost host(picture);
    GifCapture capture(host);
    capture.settings = settings;
    capture.gifFileName = folder.file("one");
    capture.startGifCapture();
    while (capture.active())
        host.followed->beforeSprite();
    ASSERT_EQ(host.failure, "");
    const auto written = static_cast<int64_t>(std::filesystem::file_size(folder.file("one")));
    EXPECT_EQ(estimatedAnimationBytes(settings, oneFrameFileBytes(picture, settings)), written);
}

INSTANTIATE_TEST_SUITE_P(Formats, OneFrameCapture,
    ::testing::Values(AnimationFormat::Gif, AnimationFormat::Webp, AnimationFormat::Webm));

} // namespace
