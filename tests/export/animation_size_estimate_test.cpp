// The size estimate's rule with worked numbers, and its exact cases: captures of one and of
// two frames are exactly the sample files the estimate encodes.

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
    int32_t webmBitRate;
    EstimateSample sample;
    int64_t expected; // -1: no estimate
};

class EstimateRule : public ::testing::TestWithParam<RuleCase> {};

TEST_P(EstimateRule, ScalesTheSecondFramesCost)
{
    const RuleCase& test = GetParam();
    AnimationSettings settings;
    settings.format = test.format;
    settings.frames = test.frames;
    settings.fps = test.fps;
    settings.webmBitRate = test.webmBitRate;
    const std::optional<int64_t> estimate = estimatedAnimationBytes(settings, test.sample);
    if (test.expected < 0) {
        EXPECT_FALSE(estimate.has_value());
        return;
    }
    ASSERT_TRUE(estimate.has_value());
    EXPECT_EQ(*estimate, test.expected);
}

// Worked by hand from the rule in the header, with the sample files of one frame and of two:
//   GIF, 10000 and 19000 bytes, 10 frames: 10000 + 9 x 9000 x 1.05 = 95050.
//   WebP, 7000 and 8000, 10 frames: 7000 + 9 x 1000 x 1.05 = 16450.
//   WebM, 10000 and 11000, 10 frames at 4 fps: key frames at 0 and 2 s, so
//   2 x 10000 + 8 x 1000 x 1.15 = 29200; at 20 fps, one key frame: 10000 + 9 x 1150 = 20350.
//   A second frame that made the file no larger (a still picture) costs nothing.
INSTANTIATE_TEST_SUITE_P(Worked, EstimateRule,
    ::testing::Values(RuleCase { "Gif", AnimationFormat::Gif, 10, 4, 0, { 10000, 19000 }, 95050 },
        RuleCase { "GifOneFrame", AnimationFormat::Gif, 1, 4, 0, { 10000, 19000 }, 10000 },
        RuleCase { "Webp", AnimationFormat::Webp, 10, 4, 0, { 7000, 8000 }, 16450 },
        RuleCase { "WebpStill", AnimationFormat::Webp, 10, 4, 0, { 7000, 6990 }, 7000 },
        RuleCase { "WebmTwoKeyFrames", AnimationFormat::Webm, 10, 4, 0, { 10000, 11000 }, 29200 },
        RuleCase { "WebmOneKeyFrame", AnimationFormat::Webm, 10, 20, 0, { 10000, 11000 }, 20350 },
        RuleCase { "WebmBitRate", AnimationFormat::Webm, 10, 4, 1000, { 10000, 11000 }, -1 }),
    [](const ::testing::TestParamInfo<RuleCase>& param) { return std::string(param.param.name); });

TEST(EstimateRule, TheSampleGapIsTheCapturesFrameGap)
{
    AnimationSettings settings;
    settings.objectsPerFrame = 100;
    EXPECT_EQ(sampleGapSprites(settings, false), 101);
    // Blur passes widen the capture's gap to the largest within a few frames.
    EXPECT_EQ(sampleGapSprites(settings, true), 257);
    settings.objectsPerFrame = 400;
    EXPECT_EQ(sampleGapSprites(settings, false), 257);
}

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

// The picture of a still host, changed between frames: a gradient with a moving stripe.
ArgbImage stripedPicture(int32_t stripe)
{
    ArgbImage picture;
    picture.setSize(200, 150);
    for (int32_t y = 0; y < picture.height; ++y) {
        for (int32_t x = 0; x < picture.width; ++x) {
            const uint32_t blue = (x / 10 == stripe) ? 0xFFu : static_cast<uint32_t>((x * y) & 0x7F);
            picture.row(y)[x] = 0xFF000000u | static_cast<uint32_t>(x) << 16 | static_cast<uint32_t>(y) << 8 | blue;
        }
    }
    return picture;
}

class ShortCapture : public ::testing::TestWithParam<AnimationFormat> {};

// A capture of one frame is the first sample file and one of two frames the second, byte
// for byte in size, so the estimate of one frame is exact.
TEST_P(ShortCapture, IsExactlyTheSample)
{
    const ArgbImage first = stripedPicture(3);
    const ArgbImage second = stripedPicture(8);
    AnimationSettings settings;
    settings.format = GetParam();
    settings.objectsPerFrame = 50;
    settings.scale = 60;
    const EstimateSample sample = sampleFileBytes(first, second, settings);

    for (const int32_t frames : { 1, 2 }) {
        ScratchFolder folder;
        ArgbImage shown = first;
        StillHost host(shown);
        GifCapture capture(host);
        capture.settings = settings;
        capture.settings.frames = frames;
        capture.gifFileName = folder.file("short");
        capture.startGifCapture();
        while (capture.active()) {
            if (capture.gifFramesCaptured == 1)
                shown = second;
            host.followed->beforeSprite();
        }
        ASSERT_EQ(host.failure, "");
        const auto written = static_cast<int64_t>(std::filesystem::file_size(folder.file("short")));
        EXPECT_EQ(written, frames == 1 ? sample.oneFrameBytes : sample.twoFrameBytes) << frames;
        if (frames == 1) {
            EXPECT_EQ(estimatedAnimationBytes(capture.settings, sample), written);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, ShortCapture,
    ::testing::Values(AnimationFormat::Gif, AnimationFormat::Webp, AnimationFormat::Webm));

} // namespace
