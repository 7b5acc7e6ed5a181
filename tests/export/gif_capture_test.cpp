#include "export/gif_capture.h"

#include "pixels/argb_image.h"
#include "export/gif_writer.h"
#include "tests/export/decoders.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

// Stands in for the editor: a fixed source frame, and a log of what the capture asked of
// the windows.
class FakeHost : public GifCaptureHost {
public:
    FakeHost()
    {
        frame.SetSize(50, 30);
        frame.Fill(0xFF3080C0u);
    }

    const ArgbImage& GifSourceFrame() override { return frame; }
    void FollowSprites(SpriteObserver* observer) override { followed = observer; }
    void ShowGifProgress() override { progressVisible = true; }
    void GifFramesTaken(int32_t taken, int32_t total) override { progress.push_back({ taken, total }); }
    void GifWriting() override
    {
        writing = true;
        if (onWriting)
            onWriting();
    }
    void HideGifProgress() override { progressVisible = false; }
    void GifCaptureFailed(const std::string& text) override { failures.push_back(text); }

    ArgbImage frame;
    SpriteObserver* followed = nullptr;
    std::function<void()> onWriting;
    bool progressVisible = false;
    bool writing = false;
    std::vector<std::pair<int32_t, int32_t>> progress;
    std::vector<std::string> failures;
};

class GifCaptureTest : public ::testing::Test {
protected:
    void start(const std::string& name)
    {
        capture->GifFileName = folder.File(name);
        capture->StartGifCapture();
    }
    // Ticks through the observer the host was told to follow, as the renderer does while
    // the capture runs.
    void tick(int count)
    {
        for (int i = 0; i < count; ++i) {
            ASSERT_TRUE(capture->Active());
            ASSERT_EQ(host.followed, capture.get());
            host.followed->BeforeSprite();
        }
    }

    ScratchFolder folder;
    FakeHost host;
    std::unique_ptr<GifCapture> capture = std::make_unique<GifCapture>(host);
};

TEST_F(GifCaptureTest, FramesComeEveryNPlusOneTicksAndTheFileNPlusOneTicksAfterTheLast)
{
    // The defaults: 100 sprites per frame, 10 frames, 40 %, 4 frames per second.
    start("defaults.gif");
    EXPECT_TRUE(host.progressVisible);
    EXPECT_EQ(host.progress.front(), std::make_pair(0, 10));

    tick(100);
    EXPECT_EQ(capture->GifFramesCaptured, 0);
    tick(1);
    EXPECT_EQ(capture->GifFramesCaptured, 1);
    EXPECT_EQ(capture->GifAnimation->FrameCount(), 1);

    for (int frame = 2; frame <= 10; ++frame) {
        tick(100);
        EXPECT_EQ(capture->GifFramesCaptured, frame - 1);
        tick(1);
        EXPECT_EQ(capture->GifFramesCaptured, frame);
    }
    EXPECT_EQ(host.progress.back(), std::make_pair(10, 10));
    EXPECT_EQ(host.progress.size(), 11u);

    tick(100);
    EXPECT_TRUE(folder.Entries().empty());
    EXPECT_FALSE(host.writing);
    tick(1);
    EXPECT_TRUE(host.writing);
    EXPECT_FALSE(capture->Active());
    EXPECT_EQ(host.followed, nullptr);
    EXPECT_FALSE(host.progressVisible);
    EXPECT_TRUE(host.failures.empty());
    EXPECT_EQ(folder.Entries(), std::vector<std::string> { "defaults.gif" });

    const DecodedGif decoded = DecodeGifFile(folder.File("defaults.gif"));
    ASSERT_TRUE(decoded.ok) << decoded.error;
    ASSERT_EQ(decoded.frames.size(), 10u);
    for (const DecodedGifFrame& frame : decoded.frames) {
        EXPECT_EQ(frame.width, 20); // 40 % of 50 x 30
        EXPECT_EQ(frame.height, 12);
        EXPECT_EQ(frame.delayHundredths, 25);
    }
}

TEST_F(GifCaptureTest, SettingsAreReadWhileTheCaptureRuns)
{
    capture->Settings = { .scale = 100, .fps = 10, .frames = 2, .objectsPerFrame = 0, .colors = 128 };
    capture->AfterBlurPass(60); // an idle capture keeps its settings
    EXPECT_EQ(capture->Settings.objectsPerFrame, 0);
    start("fast.gif");
    tick(1); // every tick takes a frame
    capture->AfterBlurPass(2);
    EXPECT_EQ(capture->Settings.objectsPerFrame, 2);
    tick(2);
    EXPECT_EQ(capture->GifFramesCaptured, 1);
    tick(1);
    EXPECT_EQ(capture->GifFramesCaptured, 2);
    tick(3);
    const DecodedGif decoded = DecodeGifFile(folder.File("fast.gif"));
    ASSERT_TRUE(decoded.ok) << decoded.error;
    ASSERT_EQ(decoded.frames.size(), 2u);
    EXPECT_EQ(decoded.frames[0].width, 50);
    EXPECT_EQ(decoded.frames[0].delayHundredths, 10);
}

TEST_F(GifCaptureTest, CancelDiscardsEveryFrameAndWritesNothing)
{
    capture->Settings.objectsPerFrame = 3;
    start("cancelled.gif");
    tick(4 * 3);
    ASSERT_EQ(capture->GifFramesCaptured, 3);
    tick(3);
    // The progress window's button is clicked between two ticks; the next one would take
    // the fourth frame but sees the request instead.
    capture->RequestCancel();
    EXPECT_TRUE(capture->Active());
    tick(1);
    EXPECT_EQ(capture->GifFramesCaptured, 3);
    EXPECT_FALSE(capture->Active());
    EXPECT_EQ(host.followed, nullptr);
    EXPECT_FALSE(host.progressVisible);
    EXPECT_TRUE(host.failures.empty());
    EXPECT_TRUE(folder.Entries().empty());

    // A stray tick afterwards does nothing.
    capture->BeforeSprite();
    EXPECT_TRUE(folder.Entries().empty());
}

TEST_F(GifCaptureTest, StartingAgainStartsOver)
{
    capture->Settings.objectsPerFrame = 0;
    start("first.gif");
    tick(3);
    ASSERT_EQ(capture->GifFramesCaptured, 3);
    // A cancel asked for before the new start belongs to the capture it replaces.
    capture->RequestCancel();
    start("second.gif");
    EXPECT_EQ(capture->GifFramesCaptured, 0);
    EXPECT_EQ(capture->GifAnimation->FrameCount(), 0);
    capture->Settings.frames = 2;
    tick(3);
    EXPECT_EQ(folder.Entries(), std::vector<std::string> { "second.gif" });
    const DecodedGif decoded = DecodeGifFile(folder.File("second.gif"));
    ASSERT_TRUE(decoded.ok) << decoded.error;
    EXPECT_EQ(decoded.frames.size(), 2u);
}

TEST_F(GifCaptureTest, UnwritableTargetsLeaveNoFileAndReportTheReason)
{
    const std::string missing = folder.File("no such folder/capture.gif");
    capture->Settings.objectsPerFrame = 0;
    capture->Settings.frames = 1;
    capture->GifFileName = missing;
    capture->StartGifCapture();
    tick(2);
    EXPECT_FALSE(capture->Active());
    EXPECT_EQ(host.followed, nullptr);
    EXPECT_FALSE(host.progressVisible);
    ASSERT_EQ(host.failures.size(), 1u);
    EXPECT_EQ(host.failures[0], "Opening " + missing + " failed");
    EXPECT_TRUE(folder.Entries().empty());

    if (::geteuid() != 0) { // root writes into read-only folders
        const std::string locked = folder.File("locked");
        ASSERT_EQ(::mkdir(locked.c_str(), 0555), 0);
        capture->GifFileName = locked + "/capture.gif";
        capture->StartGifCapture();
        tick(2);
        ASSERT_EQ(host.failures.size(), 2u);
        EXPECT_EQ(host.failures[1], "Opening " + locked + "/capture.gif failed");
        EXPECT_EQ(folder.Entries(), std::vector<std::string> { "locked" });
        std::error_code error;
        EXPECT_TRUE(std::filesystem::is_empty(locked, error));
        ::chmod(locked.c_str(), 0755);
    }
}

TEST_F(GifCaptureTest, AFrameThatCannotBeMadeEndsTheCaptureWithItsReason)
{
    capture->Settings.objectsPerFrame = 0;
    capture->Settings.colors = 4; // below what the quantiser accepts
    start("few colours.gif");
    tick(1);
    EXPECT_FALSE(capture->Active());
    EXPECT_EQ(host.followed, nullptr);
    EXPECT_FALSE(host.progressVisible);
    ASSERT_EQ(host.failures.size(), 1u);
    EXPECT_NE(host.failures[0].find('4'), std::string::npos) << host.failures[0];
    EXPECT_NE(host.failures[0].back(), '\n');
    EXPECT_TRUE(folder.Entries().empty());
}

TEST_F(GifCaptureTest, TheFileIsWrittenWithinTheLastTickAfterTheSpritesAreLeft)
{
    capture->Settings.objectsPerFrame = 0;
    capture->Settings.frames = 1;
    start("at once.gif");
    tick(1);
    // Nothing runs between the tick and the write that could touch the capture, and the
    // renderer no longer reaches it while the file is written.
    bool followedWhileWriting = true;
    bool fileBeforeWriting = true;
    host.onWriting = [&] {
        followedWhileWriting = host.followed != nullptr;
        fileBeforeWriting = !folder.Entries().empty();
    };
    tick(1);
    EXPECT_FALSE(followedWhileWriting);
    EXPECT_FALSE(fileBeforeWriting);
    EXPECT_EQ(folder.Entries(), std::vector<std::string> { "at once.gif" });
    EXPECT_FALSE(host.progressVisible);
}

TEST_F(GifCaptureTest, DestroyingTheCaptureMidwayReleasesEverything)
{
    capture->Settings.objectsPerFrame = 0;
    start("dropped.gif");
    tick(2);
    capture.reset();
    EXPECT_EQ(host.followed, nullptr);
    EXPECT_TRUE(folder.Entries().empty());
}

} // namespace
