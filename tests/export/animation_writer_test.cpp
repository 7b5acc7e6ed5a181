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
#include <bit>
#include <optional>
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

// One element of a Matroska file as the container's own rules read it: its ID with the length
// marker kept, and where its content lies.
struct EbmlElement {
    uint32_t id = 0;
    std::size_t start = 0;
    std::size_t content = 0;
    std::size_t size = 0;
};

std::optional<EbmlElement> readElement(const std::vector<uint8_t>& bytes, std::size_t position)
{
    if (position >= bytes.size() || bytes[position] == 0)
        return std::nullopt;
    const int idLength = std::countl_zero(static_cast<uint32_t>(bytes[position])) - 23;
    if (idLength > 4 || position + static_cast<std::size_t>(idLength) >= bytes.size())
        return std::nullopt;
    EbmlElement element;
    element.start = position;
    for (int i = 0; i < idLength; ++i)
        element.id = element.id << 8 | bytes[position + static_cast<std::size_t>(i)];
    position += static_cast<std::size_t>(idLength);
    const int sizeLength = std::countl_zero(static_cast<uint32_t>(bytes[position])) - 23;
    if (sizeLength > 8 || position + static_cast<std::size_t>(sizeLength) > bytes.size())
        return std::nullopt;
    uint64_t size = bytes[position] & (0xFFu >> sizeLength);
    for (int i = 1; i < sizeLength; ++i)
        size = size << 8 | bytes[position + static_cast<std::size_t>(i)];
    element.content = position + static_cast<std::size_t>(sizeLength);
    element.size = static_cast<std::size_t>(size);
    if (element.content + element.size > bytes.size())
        return std::nullopt;
    return element;
}

// The children of the content from..to, in order.
std::vector<EbmlElement> children(const std::vector<uint8_t>& bytes, std::size_t from, std::size_t to)
{
    std::vector<EbmlElement> found;
    while (from < to) {
        const std::optional<EbmlElement> element = readElement(bytes, from);
        if (!element)
            break;
        found.push_back(*element);
        from = element->content + element->size;
    }
    return found;
}

uint64_t unsignedValue(const std::vector<uint8_t>& bytes, const EbmlElement& element)
{
    uint64_t value = 0;
    for (std::size_t i = 0; i < element.size; ++i)
        value = value << 8 | bytes[element.content + i];
    return value;
}

const EbmlElement* child(const std::vector<EbmlElement>& elements, uint32_t id)
{
    const auto found = std::find_if(elements.begin(), elements.end(), [id](const EbmlElement& e) { return e.id == id; });
    return found == elements.end() ? nullptr : &*found;
}

// A video of seven seconds has a key frame at least every two seconds, each at the start of a
// cluster with a cue point that leads to it, and the seek head leads to the cues. Players
// seek by them: ffprobe asked to read from 5.5 s starts at the key frame before, and ffmpeg
// seeking there gives the very frame a decode from the start gives at that time.
TEST(WebmCues, EveryKeyFrameHasACueAndSeekingFindsTheFrame)
{
    constexpr int32_t kFramesPerSecond = 10;
    constexpr int32_t kFrames = 70;
    ScratchFolder folder;
    const std::string path = folder.file("seek.webm");
    WebmSettings settings;
    settings.framesPerSecond = kFramesPerSecond;
    WebmWriter writer(settings);
    for (int32_t i = 0; i < kFrames; ++i)
        writer.addFrame(movingFrame(64, 48, i % 9));
    saveAnimationFile(writer, path);

    constexpr uint32_t kSegment = 0x18538067;
    constexpr uint32_t kSeekHead = 0x114D9B74;
    constexpr uint32_t kCues = 0x1C53BB6B;
    const std::vector<uint8_t> bytes = readWholeFile(path);
    const std::vector<EbmlElement> top = children(bytes, 0, bytes.size());
    const EbmlElement* segment = child(top, kSegment);
    ASSERT_NE(segment, nullptr);
    const std::size_t origin = segment->content;
    const std::vector<EbmlElement> parts = children(bytes, origin, origin + segment->size);
    const EbmlElement* head = child(parts, kSeekHead);
    const EbmlElement* cues = child(parts, kCues);
    ASSERT_NE(head, nullptr);
    ASSERT_NE(cues, nullptr);
    bool headFindsCues = false;
    for (const EbmlElement& seek : children(bytes, head->content, head->content + head->size)) {
        const std::vector<EbmlElement> fields = children(bytes, seek.content, seek.content + seek.size);
        if (unsignedValue(bytes, *child(fields, 0x53AB)) == kCues)
            headFindsCues = origin + unsignedValue(bytes, *child(fields, 0x53AC)) == cues->start;
    }
    EXPECT_TRUE(headFindsCues);

    std::vector<uint64_t> cueTimes;
    for (const EbmlElement& point : children(bytes, cues->content, cues->content + cues->size)) {
        const std::vector<EbmlElement> fields = children(bytes, point.content, point.content + point.size);
        const EbmlElement* positions = child(fields, 0xB7);
        ASSERT_NE(positions, nullptr);
        const std::vector<EbmlElement> where = children(bytes, positions->content, positions->content + positions->size);
        const std::optional<EbmlElement> cluster = readElement(bytes, origin + unsignedValue(bytes, *child(where, 0xF1)));
        ASSERT_TRUE(cluster && cluster->id == 0x1F43B675u) << "a cue that leads to no cluster";
        const std::vector<EbmlElement> blocks = children(bytes, cluster->content, cluster->content + cluster->size);
        ASSERT_GE(blocks.size(), 2u);
        EXPECT_EQ(unsignedValue(bytes, blocks[0]), unsignedValue(bytes, *child(fields, 0xB3)));
        EXPECT_EQ(bytes[blocks[1].content + 3] & 0x80, 0x80) << "the cluster does not start with a key frame";
        cueTimes.push_back(unsignedValue(bytes, *child(fields, 0xB3)));
    }
    ASSERT_FALSE(cueTimes.empty());
    EXPECT_EQ(cueTimes.front(), 0u);
    for (std::size_t i = 1; i < cueTimes.size(); ++i)
        EXPECT_LE(cueTimes[i] - cueTimes[i - 1], 2000u) << i;
    EXPECT_GE(cueTimes.size(), 4u);

    const std::string first = runCommand("ffprobe -v error -read_intervals 5.5%+#1 -select_streams v:0 "
                                         "-show_entries packet=pts_time,flags -of csv=p=0 '" + path + "'");
    const double seekedTime = std::stod(first);
    EXPECT_LE(seekedTime, 5.5);
    EXPECT_GT(seekedTime, 3.5) << "the seek did not land on the key frame before 5.5 s";
    EXPECT_NE(first.find(",K"), std::string::npos) << first;

    const std::string all = runCommand("ffmpeg -v error -i '" + path + "' -pix_fmt rgb24 -f rawvideo -");
    const std::string seeked = runCommand("ffmpeg -v error -ss 5.5 -i '" + path
        + "' -frames:v 1 -pix_fmt rgb24 -f rawvideo -");
    const std::size_t frameBytes = 64 * 48 * 3;
    ASSERT_EQ(all.size(), frameBytes * kFrames);
    ASSERT_EQ(seeked.size(), frameBytes);
    EXPECT_EQ(seeked, all.substr(frameBytes * 55, frameBytes));
}

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
