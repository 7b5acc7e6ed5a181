#include "export/gif_capture.h"

#include "pixels/argb_image.h"
#include "export/gif_writer.h"
#include "tests/export/decoders.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
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
        frame.setSize(50, 30);
        frame.fill(0xFF3080C0u);
    }

    const ArgbImage& gifSourceFrame() override { return frame; }
    void followSprites(SpriteObserver* observer) override { followed = observer; }
    void showGifProgress() override { progressVisible = true; }
    void gifFramesTaken(int32_t taken, int32_t total) override { progress.push_back({ taken, total }); }
    void gifWriting() override
    {
        writing = true;
        if (onWriting)
            onWriting();
    }
    void hideGifProgress() override { progressVisible = false; }
    void gifCaptureFailed(const std::string& text) override { failures.push_back(text); }

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
        m_capture->gifFileName = m_folder.file(name);
        m_capture->startGifCapture();
    }
    // Ticks through the observer the host was told to follow, as the renderer does while
    // the capture runs.
    void tick(int count)
    {
        for (int i = 0; i < count; ++i) {
            ASSERT_TRUE(m_capture->active());
            ASSERT_EQ(m_host.followed, m_capture.get());
            m_host.followed->beforeSprite();
        }
    }

    ScratchFolder m_folder;
    FakeHost m_host;
    std::unique_ptr<GifCapture> m_capture = std::make_unique<GifCapture>(m_host);
};

TEST_F(GifCaptureTest, FramesComeEveryNPlusOneTicksAndTheFileNPlusOneTicksAfterTheLast)
{
    // The defaults: 100 sprites per frame, 10 frames, 40 %, 4 frames per second.
    start("defaults.gif");
    EXPECT_TRUE(m_host.progressVisible);
    EXPECT_EQ(m_host.progress.front(), std::make_pair(0, 10));

    tick(100);
    EXPECT_EQ(m_capture->gifFramesCaptured, 0);
    tick(1);
    EXPECT_EQ(m_capture->gifFramesCaptured, 1);
    EXPECT_EQ(m_capture->animation->frameCount(), 1);

    for (int frame = 2; frame <= 10; ++frame) {
        tick(100);
        EXPECT_EQ(m_capture->gifFramesCaptured, frame - 1);
        tick(1);
        EXPECT_EQ(m_capture->gifFramesCaptured, frame);
    }
    EXPECT_EQ(m_host.progress.back(), std::make_pair(10, 10));
    EXPECT_EQ(m_host.progress.size(), 11u);

    tick(100);
    EXPECT_TRUE(m_folder.entries().empty());
    EXPECT_FALSE(m_host.writing);
    tick(1);
    EXPECT_TRUE(m_host.writing);
    EXPECT_FALSE(m_capture->active());
    EXPECT_EQ(m_host.followed, nullptr);
    EXPECT_FALSE(m_host.progressVisible);
    EXPECT_TRUE(m_host.failures.empty());
    EXPECT_EQ(m_folder.entries(), std::vector<std::string> { "defaults.gif" });

    const DecodedGif decoded = decodeGifFile(m_folder.file("defaults.gif"));
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
    m_capture->settings = { .scale = 100, .fps = 10, .frames = 2, .objectsPerFrame = 0, .colors = 128 };
    m_capture->afterBlurPass(60); // an idle capture keeps its settings
    EXPECT_EQ(m_capture->settings.objectsPerFrame, 0);
    start("fast.gif");
    tick(1); // every tick takes a frame
    m_capture->afterBlurPass(2);
    EXPECT_EQ(m_capture->settings.objectsPerFrame, 2);
    tick(2);
    EXPECT_EQ(m_capture->gifFramesCaptured, 1);
    tick(1);
    EXPECT_EQ(m_capture->gifFramesCaptured, 2);
    tick(3);
    const DecodedGif decoded = decodeGifFile(m_folder.file("fast.gif"));
    ASSERT_TRUE(decoded.ok) << decoded.error;
    ASSERT_EQ(decoded.frames.size(), 2u);
    EXPECT_EQ(decoded.frames[0].width, 50);
    EXPECT_EQ(decoded.frames[0].delayHundredths, 10);
}

TEST_F(GifCaptureTest, CancelDiscardsEveryFrameAndWritesNothing)
{
    m_capture->settings.objectsPerFrame = 3;
    start("cancelled.gif");
    tick(4 * 3);
    ASSERT_EQ(m_capture->gifFramesCaptured, 3);
    tick(3);
    // The progress window's button is clicked between two ticks; the next one would take
    // the fourth frame but sees the request instead.
    m_capture->requestCancel();
    EXPECT_TRUE(m_capture->active());
    tick(1);
    EXPECT_EQ(m_capture->gifFramesCaptured, 3);
    EXPECT_FALSE(m_capture->active());
    EXPECT_EQ(m_host.followed, nullptr);
    EXPECT_FALSE(m_host.progressVisible);
    EXPECT_TRUE(m_host.failures.empty());
    EXPECT_TRUE(m_folder.entries().empty());

    // A stray tick afterwards does nothing.
    m_capture->beforeSprite();
    EXPECT_TRUE(m_folder.entries().empty());
}

TEST_F(GifCaptureTest, StartingAgainStartsOver)
{
    m_capture->settings.objectsPerFrame = 0;
    start("first.gif");
    tick(3);
    ASSERT_EQ(m_capture->gifFramesCaptured, 3);
    // A cancel asked for before the new start belongs to the capture it replaces.
    m_capture->requestCancel();
    start("second.gif");
    EXPECT_EQ(m_capture->gifFramesCaptured, 0);
    EXPECT_EQ(m_capture->animation->frameCount(), 0);
    m_capture->settings.frames = 2;
    tick(3);
    EXPECT_EQ(m_folder.entries(), std::vector<std::string> { "second.gif" });
    const DecodedGif decoded = decodeGifFile(m_folder.file("second.gif"));
    ASSERT_TRUE(decoded.ok) << decoded.error;
    EXPECT_EQ(decoded.frames.size(), 2u);
}

TEST_F(GifCaptureTest, UnwritableTargetsLeaveNoFileAndReportTheReason)
{
    const std::string missing = m_folder.file("no such folder/capture.gif");
    m_capture->settings.objectsPerFrame = 0;
    m_capture->settings.frames = 1;
    m_capture->gifFileName = missing;
    m_capture->startGifCapture();
    tick(2);
    EXPECT_FALSE(m_capture->active());
    EXPECT_EQ(m_host.followed, nullptr);
    EXPECT_FALSE(m_host.progressVisible);
    ASSERT_EQ(m_host.failures.size(), 1u);
    EXPECT_EQ(m_host.failures[0],
        "Opening " + missing + " failed: the folder " + m_folder.file("no such folder") + " does not exist");
    EXPECT_TRUE(m_folder.entries().empty());

    if (::geteuid() != 0) { // root writes into read-only folders
        const std::string locked = m_folder.file("locked");
        ASSERT_EQ(::mkdir(locked.c_str(), 0555), 0);
        m_capture->gifFileName = locked + "/capture.gif";
        m_capture->startGifCapture();
        tick(2);
        ASSERT_EQ(m_host.failures.size(), 2u);
        EXPECT_EQ(m_host.failures[1],
            "Opening " + locked + "/capture.gif failed: the folder is read-only (" + std::strerror(EACCES) + ")");
        EXPECT_EQ(m_folder.entries(), std::vector<std::string> { "locked" });
        std::error_code error;
        EXPECT_TRUE(std::filesystem::is_empty(locked, error));
        ::chmod(locked.c_str(), 0755);
    }
}

TEST_F(GifCaptureTest, AFrameThatCannotBeMadeEndsTheCaptureWithItsReason)
{
    m_capture->settings.objectsPerFrame = 0;
    m_capture->settings.colors = 4; // below what the quantiser accepts
    start("few colours.gif");
    tick(1);
    EXPECT_FALSE(m_capture->active());
    EXPECT_EQ(m_host.followed, nullptr);
    EXPECT_FALSE(m_host.progressVisible);
    ASSERT_EQ(m_host.failures.size(), 1u);
    EXPECT_NE(m_host.failures[0].find('4'), std::string::npos) << m_host.failures[0];
    EXPECT_NE(m_host.failures[0].back(), '\n');
    EXPECT_TRUE(m_folder.entries().empty());
}

// A file that cannot be written, in any of the formats, is reported with the system's reason
// (here a limit on the size of the files this process may write, which fails the write as a
// full disk does) and leaves neither the file nor its temporary file.
class CaptureWriteFailure : public GifCaptureTest, public ::testing::WithParamInterface<AnimationFormat> {};

TEST_P(CaptureWriteFailure, SaysWhyInTheSystemsWords)
{
    m_capture->settings.objectsPerFrame = 0;
    m_capture->settings.frames = 2;
    m_capture->settings.format = GetParam();
    start("full disk");
    tick(2);
    {
        // Nothing else may write a file while the limit holds, the test's own report included.
        const FileSizeLimit full(16);
        m_host.followed->beforeSprite();
    }
    EXPECT_FALSE(m_capture->active());
    ASSERT_EQ(m_host.failures.size(), 1u);
    EXPECT_EQ(m_host.failures[0], "Writing " + m_folder.file("full disk") + " failed: " + std::strerror(EFBIG));
    EXPECT_TRUE(m_folder.entries().empty());
}

INSTANTIATE_TEST_SUITE_P(Formats, CaptureWriteFailure,
    ::testing::Values(AnimationFormat::Gif, AnimationFormat::Webp, AnimationFormat::Webm));

TEST_F(GifCaptureTest, TheFileIsWrittenWithinTheLastTickAfterTheSpritesAreLeft)
{
    m_capture->settings.objectsPerFrame = 0;
    m_capture->settings.frames = 1;
    start("at once.gif");
    tick(1);
    // Nothing runs between the tick and the write that could touch the capture, and the
    // renderer no longer reaches it while the file is written.
    bool followedWhileWriting = true;
    bool fileBeforeWriting = true;
    m_host.onWriting = [&] {
        followedWhileWriting = m_host.followed != nullptr;
        fileBeforeWriting = !m_folder.entries().empty();
    };
    tick(1);
    EXPECT_FALSE(followedWhileWriting);
    EXPECT_FALSE(fileBeforeWriting);
    EXPECT_EQ(m_folder.entries(), std::vector<std::string> { "at once.gif" });
    EXPECT_FALSE(m_host.progressVisible);
}

TEST_F(GifCaptureTest, DestroyingTheCaptureMidwayReleasesEverything)
{
    m_capture->settings.objectsPerFrame = 0;
    start("dropped.gif");
    tick(2);
    m_capture.reset();
    EXPECT_EQ(m_host.followed, nullptr);
    EXPECT_TRUE(m_folder.entries().empty());
}

} // namespace

namespace {

// One capture feeds every format: the same ticks give a WebP or a WebM of the frames taken,
// scaled by the settings' percentage, at the settings' rate; a cancel leaves no file.
struct FormatCase {
    const char* name;
    AnimationFormat format;
    const char* fileName;
};

class CaptureFormatTest : public GifCaptureTest, public ::testing::WithParamInterface<FormatCase> {};

TEST_P(CaptureFormatTest, TheCaptureWritesItsFramesInTheChosenFormat)
{
    const FormatCase& test = GetParam();
    m_capture->settings.format = test.format;
    m_capture->settings.objectsPerFrame = 0;
    m_capture->settings.frames = 3;
    m_capture->settings.fps = 20;
    m_capture->settings.scale = 50;
    start(test.fileName);
    // Each frame differs: WebP stores a repeated frame once, with the sum of the delays.
    for (uint32_t frame = 0; frame < 4; ++frame) {
        m_host.frame.fill(0xFF102030u + frame * 0x00303030u);
        tick(1);
    }
    ASSERT_FALSE(m_capture->active());
    ASSERT_TRUE(m_host.failures.empty()) << m_host.failures[0];
    ASSERT_EQ(m_folder.entries(), std::vector<std::string> { test.fileName });

    const std::string probe = test.format == AnimationFormat::Webp
        ? "webpmux -info '" + m_folder.file(test.fileName) + "' 2>&1"
        : "ffprobe -v error -count_frames -show_entries stream=width,height,nb_read_frames,r_frame_rate -of compact '"
            + m_folder.file(test.fileName) + "' 2>&1";
    std::string output;
    if (FILE* pipe = popen(probe.c_str(), "r")) {
        char buffer[1024];
        std::size_t count = 0;
        while ((count = fread(buffer, 1, sizeof buffer, pipe)) > 0)
            output.append(buffer, count);
        pclose(pipe);
    }
    // The 50 x 30 source at 50 %: 25 x 15, padded to 26 x 16 for the video's 4:2:0.
    if (test.format == AnimationFormat::Webp) {
        EXPECT_NE(output.find("Canvas size: 25 x 15"), std::string::npos) << output;
        EXPECT_NE(output.find("Number of frames: 3"), std::string::npos) << output;
    } else {
        EXPECT_NE(output.find("width=26|height=16|r_frame_rate=20/1|nb_read_frames=3"), std::string::npos) << output;
    }

    m_capture->settings.objectsPerFrame = 0;
    m_capture->settings.frames = 3;
    start(std::string("cancelled") + test.fileName);
    tick(2);
    m_capture->requestCancel();
    tick(1);
    EXPECT_FALSE(m_capture->active());
    EXPECT_EQ(m_folder.entries(), std::vector<std::string> { test.fileName });
}

INSTANTIATE_TEST_SUITE_P(Formats, CaptureFormatTest,
    ::testing::Values(FormatCase { "Webp", AnimationFormat::Webp, "capture.webp" },
        FormatCase { "Webm", AnimationFormat::Webm, "capture.webm" }),
    [](const ::testing::TestParamInfo<FormatCase>& param) { return std::string(param.param.name); });

} // namespace
