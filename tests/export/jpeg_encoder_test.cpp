#include "export/jpeg_encoder.h"

#include "pixels/argb_image.h"
#include "export/bmp_image.h"
#include "export/data_sink.h"
#include "export/shown_picture.h"
#include "export/text_exception.h"
#include "tests/export/decoders.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <random>
#include <sys/resource.h>

namespace {

ArgbImage flatFrame(int32_t width, int32_t height, uint32_t pixel)
{
    ArgbImage frame;
    frame.setSize(width, height);
    frame.fill(pixel);
    return frame;
}

// A picture with smooth gradients and some noise, like a rendered frame.
ArgbImage busyFrame(int32_t width, int32_t height, unsigned seed)
{
    std::mt19937 random(seed);
    ArgbImage frame;
    frame.setSize(width, height);
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            const uint32_t noise = random() % 32;
            frame.pixels[static_cast<std::size_t>(y * width + x)] =
                makeArgb(random() % 256, (x * 255 / std::max(width - 1, 1) + noise) % 256,
                         (y * 255 / std::max(height - 1, 1)) % 256, (x * y + noise) % 256);
        }
    }
    return frame;
}

// A sink of a given size that is not a file.
class FixedSink : public DataSink {
public:
    explicit FixedSink(int32_t capacity) { allocate(capacity); }
};

TEST(PictureEncoder, CapacityRule)
{
    EXPECT_EQ(PictureEncoder::outputCapacity(19999), 19999 + 4096);
    EXPECT_EQ(PictureEncoder::outputCapacity(20000), 24000);
    EXPECT_EQ(PictureEncoder::outputCapacity(80 + 4 * 1920 * 1080), 9953376);  // 8294480 x 1.2
    EXPECT_EQ(PictureEncoder::outputCapacity(84), 84 + 4096);
}

class JpegSizes : public testing::TestWithParam<std::pair<int32_t, int32_t>> {};

TEST_P(JpegSizes, DecodesToTheSameSizeAndFlatColours)
{
    const auto [width, height] = GetParam();
    ScratchFolder folder;
    struct Case {
        uint32_t pixel;
        uint8_t red, green, blue;
    };
    // The alpha byte is carried along in the bitmap but never reaches the file.
    const Case cases[] = {{makeArgb(0, 255, 0, 0), 255, 0, 0},
                          {makeArgb(255, 0, 255, 0), 0, 255, 0},
                          {makeArgb(17, 0, 0, 255), 0, 0, 255},
                          {makeArgb(255, 90, 160, 30), 90, 160, 30}};
    for (const Case& flat : cases) {
        const std::string path = folder.file("flat.jpg");
        saveJpegSnapshot(flatFrame(width, height, flat.pixel), path);
        const DecodedJpeg decoded = decodeJpegFile(path);
        ASSERT_TRUE(decoded.ok) << decoded.error;
        EXPECT_EQ(decoded.width, width);
        EXPECT_EQ(decoded.height, height);
        for (std::size_t i = 0; i < decoded.rgb.size(); i += 3) {
            ASSERT_NEAR(decoded.rgb[i], flat.red, 1) << "pixel " << i / 3;
            ASSERT_NEAR(decoded.rgb[i + 1], flat.green, 1) << "pixel " << i / 3;
            ASSERT_NEAR(decoded.rgb[i + 2], flat.blue, 1) << "pixel " << i / 3;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, JpegSizes,
                         testing::Values(std::make_pair(1, 1), std::make_pair(1, 7), std::make_pair(7, 1),
                                         std::make_pair(16, 16), std::make_pair(17, 9), std::make_pair(640, 480)));

// Walks the marker segments up to the scan.
std::vector<std::pair<uint8_t, std::vector<uint8_t>>> markerSegments(const std::vector<uint8_t>& file)
{
    std::vector<std::pair<uint8_t, std::vector<uint8_t>>> segments;
    std::size_t at = 2;
    while (at + 4 <= file.size() && file[at] == 0xFF) {
        const uint8_t marker = file[at + 1];
        const std::size_t length = static_cast<std::size_t>(file[at + 2] << 8 | file[at + 3]);
        segments.emplace_back(marker, std::vector<uint8_t>(file.begin() + static_cast<std::ptrdiff_t>(at + 4),
                                                           file.begin() + static_cast<std::ptrdiff_t>(at + 2 + length)));
        if (marker == 0xDA) {
            break;
        }
        at += 2 + length;
    }
    return segments;
}

TEST(JpegEncoder, BaselineJfifWithEveryQuantisationStepOne)
{
    ScratchFolder folder;
    const std::string path = folder.file("snapshot.jpg");
    saveJpegSnapshot(busyFrame(33, 20, 1), path);
    const std::vector<uint8_t> file = readWholeFile(path);
    ASSERT_GE(file.size(), 4u);
    EXPECT_EQ(file[0], 0xFF);
    EXPECT_EQ(file[1], 0xD8);
    EXPECT_EQ(file[file.size() - 2], 0xFF);
    EXPECT_EQ(file[file.size() - 1], 0xD9);

    int quantisationTables = 0;
    bool baselineFrame = false;
    bool jfif = false;
    for (const auto& [marker, body] : markerSegments(file)) {
        if (marker == 0xE0) {
            jfif = body.size() >= 5 && std::string(body.begin(), body.begin() + 5) == std::string("JFIF\0", 5);
        } else if (marker == 0xDB) {
            for (std::size_t at = 0; at + 65 <= body.size(); at += 65) {
                EXPECT_EQ(body[at] >> 4, 0) << "8-bit table entries";
                for (std::size_t i = 1; i <= 64; ++i) {
                    EXPECT_EQ(body[at + i], 1);
                }
                ++quantisationTables;
            }
        } else if (marker == 0xC0) {
            baselineFrame = true;
            ASSERT_EQ(body.size(), 6u + 3u * 3u);
            EXPECT_EQ(body[1] << 8 | body[2], 20);
            EXPECT_EQ(body[3] << 8 | body[4], 33);
            EXPECT_EQ(body[5], 3);
            EXPECT_EQ(body[7], 0x22) << "luma sampled 2 x 2 against chroma";
        } else {
            EXPECT_TRUE(marker < 0xC1 || marker > 0xC3) << "only a baseline frame, not " << int(marker);
        }
    }
    EXPECT_TRUE(jfif);
    EXPECT_TRUE(baselineFrame);
    EXPECT_EQ(quantisationTables, 2);
}

TEST(JpegEncoder, MatchesTheReferenceEncoderByteForByte)
{
    // The library's own command-line encoder with the same settings must produce the same
    // file from the same pixels.
    if (std::system("command -v cjpeg > /dev/null 2>&1") != 0) {
        GTEST_SKIP() << "cjpeg is not installed";
    }
    ScratchFolder folder;
    const ArgbImage frame = busyFrame(97, 61, 2);
    {
        std::ofstream ppm(folder.file("in.ppm"), std::ios::binary);
        ppm << "P6\n" << frame.width << " " << frame.height << "\n255\n";
        for (uint32_t pixel : frame.pixels) {
            ppm.put(static_cast<char>(redOf(pixel))).put(static_cast<char>(greenOf(pixel)));
            ppm.put(static_cast<char>(blueOf(pixel)));
        }
    }
    const std::string command = "cjpeg -quality 100 -dct float -outfile '" + folder.file("reference.jpg") + "' '"
                                + folder.file("in.ppm") + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    saveJpegSnapshot(frame, folder.file("ours.jpg"));
    EXPECT_EQ(readWholeFile(folder.file("ours.jpg")), readWholeFile(folder.file("reference.jpg")));
}

TEST(JpegEncoder, RowZeroIsTheTopOfThePicture)
{
    ArgbImage frame = flatFrame(16, 32, makeArgb(255, 0, 0, 255));
    for (int32_t x = 0; x < 16; ++x) {
        for (int32_t y = 0; y < 16; ++y) {
            frame.pixels[static_cast<std::size_t>(y * 16 + x)] = makeArgb(255, 255, 255, 255);
        }
    }
    ScratchFolder folder;
    saveJpegSnapshot(frame, folder.file("halves.jpg"));
    const DecodedJpeg decoded = decodeJpegFile(folder.file("halves.jpg"));
    ASSERT_TRUE(decoded.ok) << decoded.error;
    EXPECT_GE(decoded.rgb[0], 250);                  // top left: white
    EXPECT_LE(decoded.rgb[(31 * 16) * 3], 5);        // bottom left: blue, so no red
    EXPECT_GE(decoded.rgb[(31 * 16) * 3 + 2], 250);
}

TEST(JpegEncoder, LibraryErrorBecomesTheExceptionAndTheEncoderRecovers)
{
    ScratchFolder folder;
    JpegEncoder encoder;
    BlockBmpImage empty;
    empty.create(0, 4, 32, false);
    try {
        encoder.encodeToFile(folder.file("empty.jpg"), empty);
        FAIL() << "an empty picture was encoded";
    } catch (const TextException& error) {
        EXPECT_EQ(error.getCode(), 6);
        EXPECT_EQ(error.getText().rfind("Decoder error: ", 0), 0u) << error.getText();
        EXPECT_GT(error.getText().size(), std::string("Decoder error: \n").size());
        EXPECT_EQ(error.getText().back(), '\n');
    }
    EXPECT_TRUE(folder.entries().empty()) << "nothing is written for a failed encode";

    BlockBmpImage good;
    copyFrameToBitmap(flatFrame(8, 8, makeArgb(0, 255, 0, 0)), good);
    encoder.encodeToFile(folder.file("after.jpg"), good);
    const DecodedJpeg decoded = decodeJpegFile(folder.file("after.jpg"));
    ASSERT_TRUE(decoded.ok) << decoded.error;
    EXPECT_NEAR(decoded.rgb[0], 255, 1);
}

TEST(JpegEncoder, SinkOverflowIsRaisedAndTheCompressionAborted)
{
    JpegEncoder encoder;
    BlockBmpImage bitmap;
    copyFrameToBitmap(busyFrame(200, 200, 3), bitmap);
    // One byte short of two full 8192-byte buffers: the first goes in whole, the second
    // not at all. A buffer of any other size would leave another amount behind.
    FixedSink tooSmall(2 * 8192 - 1);
    try {
        encoder.doEncode(bitmap, tooSmall);
        FAIL() << "no overflow";
    } catch (const TextException& error) {
        EXPECT_EQ(error.getCode(), 11);
        EXPECT_EQ(error.getText(), "Buffer overflow while encoding.\n");
    }
    EXPECT_EQ(tooSmall.getDataSize(), 8192);

    FixedSink roomy(static_cast<int32_t>(PictureEncoder::outputCapacity(bitmap.getMemUsed())));
    encoder.doEncode(bitmap, roomy);
    EXPECT_GT(roomy.getDataSize(), 8192);
}

TEST(JpegEncoder, ReplacesAnExistingFileAndKeepsItOnFailure)
{
    ScratchFolder folder;
    const std::string path = folder.file("shot.jpg");
    std::ofstream(path) << "not a picture";
    saveJpegSnapshot(flatFrame(4, 4, makeArgb(0, 10, 20, 30)), path);
    const std::vector<uint8_t> first = readWholeFile(path);
    ASSERT_TRUE(decodeJpegFile(path).ok);

    ArgbImage empty;
    empty.setSize(3, 0);
    EXPECT_THROW(saveJpegSnapshot(empty, path), TextException);
    EXPECT_EQ(readWholeFile(path), first);
    EXPECT_EQ(folder.entries(), std::vector<std::string>{"shot.jpg"});
}

TEST(JpegEncoder, TargetThatCannotBeCreated)
{
    ScratchFolder folder;
    const std::string path = folder.file("missing/shot.jpg");
    try {
        saveJpegSnapshot(flatFrame(4, 4, 0), path);
        FAIL() << "no error";
    } catch (const TextException& error) {
        EXPECT_EQ(error.getCode(), -1);
        EXPECT_EQ(error.getText(),
            "Decoder error: Opening " + path + " failed: the folder " + folder.file("missing") + " does not exist\n");
    }
    EXPECT_TRUE(folder.entries().empty());
}

// The snapshot hands the codec the frame's own rows instead of a bitmap copy; every way in
// must give the stream of the copy to the byte, in both row orders and at widths that are
// not multiples of the codec's blocks.
TEST(JpegSnapshot, FrameRowsGiveTheStreamOfTheBitmapCopy)
{
    const std::pair<int32_t, int32_t> sizes[] = {{1, 1}, {7, 3}, {97, 61}, {333, 17}, {16, 16}, {250, 130}};
    ScratchFolder folder;
    JpegEncoder encoder;
    unsigned seed = 11;
    for (const auto& [width, height] : sizes) {
        const ArgbImage frame = busyFrame(width, height, seed++);
        for (const bool bottomUp : {false, true}) {
            SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height) + (bottomUp ? " bottom-up" : ""));
            ArgbImage shown;
            copyPictureAsShown(frame, bottomUp, shown);
            BlockBmpImage bitmap;
            copyFrameToBitmap(shown, bitmap);
            const int64_t capacity = PictureEncoder::outputCapacity(bitmap.getMemUsed());
            FixedSink copied(static_cast<int32_t>(capacity));
            encoder.doEncode(bitmap, copied);
            const std::vector<uint8_t> expected(copied.getBuffer(), copied.getBuffer() + copied.getDataSize());

            EXPECT_EQ(jpegSnapshotCapacity(frame), capacity);
            FixedSink direct(static_cast<int32_t>(capacity));
            encoder.encodeFrame(frame, bottomUp, direct);
            EXPECT_EQ(std::vector<uint8_t>(direct.getBuffer(), direct.getBuffer() + direct.getDataSize()), expected);

            const std::unique_ptr<MemorySink> stream = encodeJpegSnapshot(frame, bottomUp);
            EXPECT_EQ(stream->getCapacity(), capacity);
            EXPECT_EQ(std::vector<uint8_t>(stream->getBuffer(), stream->getBuffer() + stream->getDataSize()), expected);
            storeJpegSnapshot(*stream, folder.file("stored.jpg"));
            EXPECT_EQ(readWholeFile(folder.file("stored.jpg")), expected);

            saveJpegSnapshot(frame, folder.file("saved.jpg"), bottomUp);
            EXPECT_EQ(readWholeFile(folder.file("saved.jpg")), expected);
        }
    }
}

TEST(JpegSnapshot, FramesThatCannotBeEncoded)
{
    JpegEncoder encoder;
    FixedSink sink(100000);
    ArgbImage shortFrame = flatFrame(8, 8, 0);
    shortFrame.pixels.resize(63);
    try {
        encoder.encodeFrame(shortFrame, false, sink);
        FAIL() << "a frame short of pixels was encoded";
    } catch (const TextException& error) {
        EXPECT_EQ(error.getCode(), TextException::kBadArgument);
    }
    EXPECT_EQ(sink.getDataSize(), 0);

    // An empty frame is the codec's error, as for an empty bitmap, and stores nothing.
    ScratchFolder folder;
    ArgbImage empty;
    empty.setSize(5, 0);
    try {
        encodeJpegSnapshot(empty, true);
        FAIL() << "an empty frame was encoded";
    } catch (const TextException& error) {
        EXPECT_EQ(error.getCode(), TextException::kLibraryError);
    }

    // A stream taken earlier is stored only where a file can be made.
    const std::unique_ptr<MemorySink> stream = encodeJpegSnapshot(flatFrame(4, 4, 0), false);
    const std::string path = folder.file("missing/shot.jpg");
    try {
        storeJpegSnapshot(*stream, path);
        FAIL() << "no error";
    } catch (const TextException& error) {
        EXPECT_EQ(error.getCode(), -1);
        EXPECT_EQ(error.getText(),
            "Decoder error: Opening " + path + " failed: the folder " + folder.file("missing") + " does not exist\n");
    }
    EXPECT_TRUE(folder.entries().empty());
}

TEST(JpegEncoder, RefusesPicturesThatAreNotThirtyTwoBits)
{
    JpegEncoder encoder;
    BlockBmpImage indexed;
    FixedSink sink(100000);
    EXPECT_THROW(encoder.doEncode(indexed, sink), TextException);
    EXPECT_EQ(sink.getDataSize(), 0);
}

// A file system that takes no more bytes: the store fails in its write and says why in the
// system's words, and no file or temporary file is left.
TEST(JpegSnapshot, AWriteThatFailsGivesTheSystemsReason)
{
    ScratchFolder folder;
    const std::unique_ptr<MemorySink> stream = encodeJpegSnapshot(flatFrame(16, 16, 0xFF336699u), false);
    const std::string path = folder.file("shot.jpg");
    std::optional<TextException> failure;
    {
        // Nothing else may write a file while the limit holds, the test's own report included.
        const FileSizeLimit full(16);
        try {
            storeJpegSnapshot(*stream, path);
        } catch (const TextException& error) {
            failure = error;
        }
    }
    ASSERT_TRUE(failure.has_value()) << "the store did not fail";
    EXPECT_EQ(failure->getCode(), TextException::kWriteFailed);
    EXPECT_EQ(failure->getText(), "Decoder error: Writing " + path + " failed: " + std::strerror(EFBIG) + "\n");
    EXPECT_TRUE(folder.entries().empty());
}

} // namespace
