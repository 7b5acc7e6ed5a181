// Round trips of the animated WebP and WebM writers through decoders nobody here wrote:
// webpmux and libwebp's demux decoder for WebP, ffprobe and ffmpeg for WebM.

#include "export/animation_writer.h"
#include "export/text_exception.h"
#include "export/webm_writer.h"
#include "export/webp_animation_writer.h"
#include "pixels/argb_image.h"
#include "tests/export/decoders.h"

#include <gtest/gtest.h>
#include <webp/demux.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <cstdio>
#include <memory>
#include <sstream>
#include <sys/mount.h>

namespace {

// A smooth picture that moves from frame to frame, as the saver's blurred shapes are: a
// gradient and a disc whose edge fades over a third of its radius.
ArgbImage movingFrame(int32_t width, int32_t height, int32_t index)
{
    ArgbImage image;
    image.setSize(width, height);
    const double discX = width * (0.2 + 0.1 * index);
    const double discY = height * 0.5;
    const double radius = std::min(width, height) * 0.3;
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            const double distance = std::hypot(x - discX, y - discY) / radius;
            const double inside = std::clamp((1.0 - distance) * 3.0, 0.0, 1.0);
            const auto red = static_cast<uint32_t>(40 + 150 * x / std::max(width - 1, 1) + 60 * inside);
            const auto green = static_cast<uint32_t>(60 + 120 * y / std::max(height - 1, 1));
            const auto blue = static_cast<uint32_t>(200 - 150 * inside + 4 * index);
            image.row(y)[x] = 0xFF000000U | red << 16 | green << 8 | blue;
        }
    }
    return image;
}

std::string runCommand(const std::string& command)
{
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return output;
    char buffer[4096];
    std::size_t count = 0;
    while ((count = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        output.append(buffer, count);
    pclose(pipe);
    return output;
}

// The value of "key=value" lines as ffprobe's flat output writes them, quotes taken off.
std::string flatValue(const std::string& text, const std::string& key)
{
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind(key + "=", 0) == 0) {
            std::string value = line.substr(key.size() + 1);
            if (value.size() >= 2 && value.front() == '"')
                value = value.substr(1, value.size() - 2);
            return value;
        }
    }
    return {};
}

// The PSNR of the decoded red, green and blue bytes (width x height, tightly packed, rows
// of decodedWidth pixels of channels bytes each) against the source frame.
double psnr(const ArgbImage& source, const uint8_t* decoded, int32_t decodedWidth, int channels)
{
    double squares = 0;
    for (int32_t y = 0; y < source.height; ++y) {
        for (int32_t x = 0; x < source.width; ++x) {
            const uint32_t pixel = source.row(y)[x];
            const uint8_t* out = decoded + (static_cast<std::size_t>(y) * decodedWidth + x) * channels;
            const int expected[3] = { static_cast<int>(pixel >> 16 & 0xFF), static_cast<int>(pixel >> 8 & 0xFF),
                static_cast<int>(pixel & 0xFF) };
            for (int c = 0; c < 3; ++c)
                squares += (out[c] - expected[c]) * (out[c] - expected[c]);
        }
    }
    const double meanSquare = squares / (3.0 * source.width * source.height);
    return meanSquare == 0 ? std::numeric_limits<double>::infinity() : 10 * std::log10(255.0 * 255.0 / meanSquare);
}

struct WriterCase {
    const char* name;
    AnimationFormat format;
    int32_t width;
    int32_t height;
    int32_t framesPerSecond;
    int32_t frames;
    bool lossless;           // WebP only
    int32_t bitRateKilobits; // WebM only; 0: constant quality
    bool realTime = false;   // WebM only: the recorder's mode, at its fastest step
};

std::unique_ptr<AnimationWriter> makeWriter(const WriterCase& test)
{
    if (test.format == AnimationFormat::Webp) {
        WebpSettings settings;
        settings.lossless = test.lossless;
        settings.framesPerSecond = test.framesPerSecond;
        return std::make_unique<WebpAnimationWriter>(settings);
    }
    WebmSettings settings;
    settings.framesPerSecond = test.framesPerSecond;
    settings.bitRateKilobits = test.bitRateKilobits;
    settings.realTime = test.realTime;
    if (test.realTime)
        settings.speed = 9;
    return std::make_unique<WebmWriter>(settings);
}

class AnimationWriterRoundTrip : public ::testing::TestWithParam<WriterCase> {};

TEST_P(AnimationWriterRoundTrip, DecodesToTheSourceFramesAtTheirTimes)
{
    const WriterCase& test = GetParam();
    ScratchFolder folder;
    const std::string path = folder.file(test.format == AnimationFormat::Webp ? "out.webp" : "out.webm");
    std::vector<ArgbImage> frames;
    auto writer = makeWriter(test);
    for (int32_t i = 0; i < test.frames; ++i) {
        frames.push_back(movingFrame(test.width, test.height, i));
        writer->addFrame(frames.back());
    }
    EXPECT_EQ(writer->frameCount(), test.frames);
    saveAnimationFile(*writer, path);
    EXPECT_EQ(folder.entries(), std::vector<std::string> { std::filesystem::path(path).filename().string() });

    if (test.format == AnimationFormat::Webp) {
        const std::string info = runCommand("webpmux -info '" + path + "' 2>&1");
        EXPECT_NE(info.find("Canvas size: " + std::to_string(test.width) + " x " + std::to_string(test.height)),
            std::string::npos) << info;
        EXPECT_NE(info.find("Number of frames: " + std::to_string(test.frames)), std::string::npos) << info;

        const std::vector<uint8_t> bytes = readWholeFile(path);
        WebPData data { bytes.data(), bytes.size() };
        WebPAnimDecoderOptions options;
        ASSERT_TRUE(WebPAnimDecoderOptionsInit(&options));
        options.color_mode = MODE_RGBA;
        std::unique_ptr<WebPAnimDecoder, void (*)(WebPAnimDecoder*)> decoder(
            WebPAnimDecoderNew(&data, &options), WebPAnimDecoderDelete);
        ASSERT_TRUE(decoder);
        WebPAnimInfo animation;
        ASSERT_TRUE(WebPAnimDecoderGetInfo(decoder.get(), &animation));
        EXPECT_EQ(animation.frame_count, static_cast<uint32_t>(test.frames));
        EXPECT_EQ(animation.loop_count, 0U);
        int32_t index = 0;
        while (WebPAnimDecoderHasMoreFrames(decoder.get())) {
            uint8_t* pixels = nullptr;
            int timestamp = 0;
            ASSERT_TRUE(WebPAnimDecoderGetNext(decoder.get(), &pixels, &timestamp));
            ASSERT_LT(index, test.frames);
            // The decoder gives the time a frame ends.
            EXPECT_EQ(timestamp, static_cast<int>(std::lround((index + 1) * 1000.0 / test.framesPerSecond)));
            const double quality = psnr(frames[static_cast<std::size_t>(index)], pixels, test.width, 4);
            if (test.lossless)
                EXPECT_EQ(quality, std::numeric_limits<double>::infinity()) << "frame " << index;
            else
                EXPECT_GE(quality, 35.0) << "frame " << index;
            ++index;
        }
        EXPECT_EQ(index, test.frames);
        return;
    }

    const std::string stream = runCommand("ffprobe -v error -select_streams v:0 -show_entries "
                                          "stream=codec_name,width,height,color_range,color_space,color_primaries,"
                                          "color_transfer -of flat '" + path + "'");
    const int32_t codedWidth = (test.width + 1) & ~1;
    const int32_t codedHeight = (test.height + 1) & ~1;
    EXPECT_EQ(flatValue(stream, "streams.stream.0.codec_name"), "vp9") << stream;
    EXPECT_EQ(flatValue(stream, "streams.stream.0.width"), std::to_string(codedWidth));
    EXPECT_EQ(flatValue(stream, "streams.stream.0.height"), std::to_string(codedHeight));
    EXPECT_EQ(flatValue(stream, "streams.stream.0.color_range"), "tv");
    EXPECT_EQ(flatValue(stream, "streams.stream.0.color_space"), "bt709");
    EXPECT_EQ(flatValue(stream, "streams.stream.0.color_primaries"), "bt709");
    EXPECT_EQ(flatValue(stream, "streams.stream.0.color_transfer"), "bt709");

    std::istringstream times(runCommand("ffprobe -v error -select_streams v:0 -show_entries "
                                        "frame=best_effort_timestamp_time -of csv=p=0 '" + path + "'"));
    std::string time;
    int32_t index = 0;
    while (std::getline(times, time)) {
        if (time.empty())
            continue;
        EXPECT_NEAR(std::stod(time), std::lround(index * 1000.0 / test.framesPerSecond) / 1000.0, 1e-9) << index;
        ++index;
    }
    EXPECT_EQ(index, test.frames);

    const std::string raw = runCommand("ffmpeg -v error -i '" + path
        + "' -vf scale=in_color_matrix=bt709:in_range=tv:out_range=pc -pix_fmt rgb24 -f rawvideo -");
    const std::size_t frameBytes = static_cast<std::size_t>(codedWidth) * codedHeight * 3;
    ASSERT_EQ(raw.size(), frameBytes * static_cast<std::size_t>(test.frames));
    for (int32_t i = 0; i < test.frames; ++i) {
        const auto* pixels = reinterpret_cast<const uint8_t*>(raw.data()) + frameBytes * static_cast<std::size_t>(i);
        EXPECT_GE(psnr(frames[static_cast<std::size_t>(i)], pixels, codedWidth, 3), 35.0) << "frame " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, AnimationWriterRoundTrip,
    ::testing::Values(WriterCase { "WebpLossy", AnimationFormat::Webp, 128, 96, 4, 5, false, 0 },
        WriterCase { "WebpLosslessOddSize30Fps", AnimationFormat::Webp, 33, 17, 30, 7, true, 0 },
        WriterCase { "WebmQuality", AnimationFormat::Webm, 128, 96, 10, 12, false, 0 },
        WriterCase { "WebmOddSize30Fps", AnimationFormat::Webm, 129, 97, 30, 9, false, 0 },
        WriterCase { "WebmBitRate", AnimationFormat::Webm, 96, 64, 25, 10, false, 2000 },
        WriterCase { "WebmRealTime", AnimationFormat::Webm, 160, 90, 30, 15, false, 0, true }),
    [](const ::testing::TestParamInfo<WriterCase>& param) { return std::string(param.param.name); });

TEST(AnimationWriterContract, RefusesMismatchedFramesAndEmptyAnimations)
{
    for (const AnimationFormat format : { AnimationFormat::Webp, AnimationFormat::Webm }) {
        auto writer = makeWriter(WriterCase { "", format, 0, 0, 4, 0, false, 0 });
        EXPECT_THROW(writer->finish(), TextException);
        writer = makeWriter(WriterCase { "", format, 0, 0, 4, 0, false, 0 });
        writer->addFrame(movingFrame(16, 16, 0));
        EXPECT_THROW(writer->addFrame(movingFrame(18, 16, 1)), TextException);
        EXPECT_THROW(writer->addFrame(ArgbImage {}), TextException);
        EXPECT_EQ(writer->frameCount(), 1);
    }
}

TEST(AnimationWriterContract, FormatFollowsTheExtension)
{
    AnimationFormat format = AnimationFormat::Gif;
    EXPECT_TRUE(animationFormatForFile("a/b.WEBP", format));
    EXPECT_EQ(format, AnimationFormat::Webp);
    EXPECT_TRUE(animationFormatForFile("clip.webm", format));
    EXPECT_EQ(format, AnimationFormat::Webm);
    EXPECT_TRUE(animationFormatForFile("x.gif", format));
    EXPECT_EQ(format, AnimationFormat::Gif);
    EXPECT_FALSE(animationFormatForFile("x.mp4", format));
    EXPECT_FALSE(animationFormatForFile("webm", format));
}

// A write that cannot complete leaves nothing behind: a missing folder, and a disk too small
// for the file (a small tmpfs where this machine lets the test mount one).
TEST(AnimationWriterContract, FailedWritesLeaveNoFile)
{
    ScratchFolder folder;
    WebpAnimationWriter missingFolder(WebpSettings {});
    missingFolder.addFrame(movingFrame(32, 32, 0));
    EXPECT_THROW(saveAnimationFile(missingFolder, folder.file("absent/out.webp")), TextException);
    EXPECT_TRUE(folder.entries().empty());

    const std::filesystem::path disk = folder.path() / "disk";
    std::filesystem::create_directory(disk);
    if (mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=8k") != 0)
        GTEST_SKIP() << "no tmpfs can be mounted here";
    // Noise does not compress: one lossless frame of it is far larger than the disk.
    WebpSettings settings;
    settings.lossless = true;
    WebpAnimationWriter tooLarge(settings);
    ArgbImage noise;
    noise.setSize(128, 128);
    std::mt19937 random(7);
    for (uint32_t& pixel : noise.pixels)
        pixel = static_cast<uint32_t>(random());
    tooLarge.addFrame(noise);
    EXPECT_THROW(saveAnimationFile(tooLarge, (disk / "out.webp").string()), TextException);
    EXPECT_TRUE(std::filesystem::is_empty(disk));
    umount(disk.c_str());
}

} // namespace
