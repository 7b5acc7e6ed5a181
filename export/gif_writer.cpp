#include "export/gif_writer.h"

#include "export/data_sink.h"
#include "export/gif_lzw.h"
#include "export/text_exception.h"

#include <algorithm>
#include <cerrno>
#include <limits>
#include <utility>

namespace {

constexpr int32_t kLargestSide = 65535;
constexpr uint8_t kExtensionIntroducer = 0x21;
constexpr uint8_t kGraphicControlLabel = 0xF9;
constexpr uint8_t kImageSeparator = 0x2C;
constexpr uint8_t kTrailer = 0x3B;
constexpr uint8_t kColorTablePresent = 0x80;
constexpr uint8_t kFullColorResolution = 0x70;
constexpr uint8_t kTransparentFlag = 0x01;

[[noreturn]] void fail(const std::string& text) { throw TextException(TextException::kBadArgument, text + "\n"); }

void putByte(std::vector<uint8_t>& out, uint8_t value) { out.push_back(value); }

void putWord(std::vector<uint8_t>& out, int32_t value)
{
    out.push_back(static_cast<uint8_t>(value & 0xFF));
    out.push_back(static_cast<uint8_t>((value >> 8) & 0xFF));
}

// The smallest b >= 1 with 2^b >= entries; 0 when the entries are not a power of two from
// 2 to 256, which no GIF colour table can hold.
int bitsForTable(std::size_t entries)
{
    for (int bits = 1; bits <= 8; ++bits) {
        if (entries == std::size_t{1} << bits) {
            return bits;
        }
    }
    return 0;
}

void putColorTable(std::vector<uint8_t>& out, const std::vector<GifColor>& table)
{
    for (const GifColor& color : table) {
        putByte(out, color.red);
        putByte(out, color.green);
        putByte(out, color.blue);
    }
}

// The graphic control extension: disposal, transparency and the delay in hundredths.
std::vector<uint8_t> graphicControlExtension(uint8_t disposal, int transparentColor, uint16_t delayMilliseconds)
{
    std::vector<uint8_t> block;
    putByte(block, kExtensionIntroducer);
    putByte(block, kGraphicControlLabel);
    putByte(block, 4);
    putByte(block, static_cast<uint8_t>(((disposal & 0x07) << 2) | (transparentColor >= 0 ? kTransparentFlag : 0)));
    putWord(block, delayMilliseconds / 10);
    putByte(block, static_cast<uint8_t>(transparentColor >= 0 ? transparentColor : 0));
    putByte(block, 0);
    return block;
}

} // namespace

GifFrame::GifFrame(GifIndexedImage image)
    : m_image(std::move(image))
{
}

GifImage::GifImage() = default;
GifImage::~GifImage() = default;

int GifImage::addFrame(const GifIndexedImage& image)
{
    if (image.width <= 0 || image.height <= 0 || image.width > kLargestSide || image.height > kLargestSide) {
        fail("A GIF frame of " + std::to_string(image.width) + " x " + std::to_string(image.height)
             + " pixels cannot be stored.");
    }
    if (image.indices.size() != static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height)) {
        fail("The GIF frame's pixels do not match its size.");
    }
    m_frames.push_back(std::make_unique<GifFrame>(image));
    // Every frame sits at 0, 0, so the screen takes the largest right and bottom edges.
    const GifFrame& added = *m_frames.back();
    m_screenWidth = std::max(m_screenWidth, added.m_left + added.width());
    m_screenHeight = std::max(m_screenHeight, added.m_top + added.height());
    return static_cast<int>(m_frames.size()) - 1;
}

std::string GifImage::version() const
{
    if (m_frames.empty()) {
        return "";
    }
    const bool animated = m_frames.size() > 1 || std::any_of(m_frames.begin(), m_frames.end(), [](const auto& frame) {
                              return frame->m_delayMilliseconds != 0 || !frame->m_extensions.empty();
                          });
    return animated ? "89a" : "87a";
}

void GifImage::encodeFrame(GifFrame& frame)
{
    const GifIndexedImage& image = frame.m_image;
    const int bits = bitsForTable(image.palette.size());
    if (bits == 0) {
        fail("A GIF colour table of " + std::to_string(image.palette.size()) + " entries cannot be stored.");
    }
    const uint8_t largestIndex = *std::max_element(image.indices.begin(), image.indices.end());
    if (largestIndex >= image.palette.size()) {
        fail("A GIF frame refers to colour " + std::to_string(largestIndex) + " of a table of "
             + std::to_string(image.palette.size()) + ".");
    }
    frame.m_colorTable = image.palette;
    frame.m_bitsPerPixel = bits;
    frame.m_lzwData = gif_lzw::encode(image.indices.data(), image.indices.size(), GifFrame::kMinimumCodeSize);
    frame.m_hasLocalColorTable = !m_globalColorTable.empty();
    if (!frame.m_hasLocalColorTable) {
        m_globalColorTable = frame.m_colorTable;
        m_globalBitsPerPixel = bits;
    }
    frame.m_extensions.clear();
    if (frame.m_delayMilliseconds != 0) {
        frame.m_extensions.push_back(
            graphicControlExtension(frame.m_disposal, frame.m_transparentColor, frame.m_delayMilliseconds));
    }
}

std::vector<uint8_t> GifImage::saveToStream()
{
    if (m_frames.empty()) {
        fail("A GIF file needs at least one frame.");
    }
    // Every save encodes afresh, so the first frame always gives the global table.
    m_globalColorTable.clear();
    m_globalBitsPerPixel = 0;
    for (auto& frame : m_frames) {
        encodeFrame(*frame);
    }

    std::vector<uint8_t> out;
    const std::string signature = "GIF" + version();
    out.insert(out.end(), signature.begin(), signature.end());

    // Logical screen descriptor and global colour table.
    putWord(out, m_screenWidth);
    putWord(out, m_screenHeight);
    putByte(out, static_cast<uint8_t>(kColorTablePresent | kFullColorResolution | (m_globalBitsPerPixel - 1)));
    putByte(out, static_cast<uint8_t>(m_backgroundColor >= 0 ? m_backgroundColor : 0));
    putByte(out, 0);
    putColorTable(out, m_globalColorTable);

    for (const auto& frame : m_frames) {
        for (const auto& extension : frame->m_extensions) {
            out.insert(out.end(), extension.begin(), extension.end());
        }
        putByte(out, kImageSeparator);
        putWord(out, frame->m_left);
        putWord(out, frame->m_top);
        putWord(out, frame->width());
        putWord(out, frame->height());
        // Rows are stored in order, never interlaced.
        uint8_t packed = 0;
        if (frame->m_hasLocalColorTable) {
            packed |= static_cast<uint8_t>(kColorTablePresent | (frame->m_bitsPerPixel - 1));
        }
        putByte(out, packed);
        if (frame->m_hasLocalColorTable) {
            putColorTable(out, frame->m_colorTable);
        }
        putByte(out, GifFrame::kMinimumCodeSize);
        out.insert(out.end(), frame->m_lzwData.begin(), frame->m_lzwData.end());
    }
    putByte(out, kTrailer);
    return out;
}

void GifImage::saveToFile(const std::string& fileName)
{
    const std::vector<uint8_t> stream = saveToStream();
    if (stream.size() > static_cast<std::size_t>(std::numeric_limits<int32_t>::max())) {
        fail("The GIF file would be larger than 2 GiB.");
    }
    const auto size = static_cast<int32_t>(stream.size());
    FileSink sink;
    errno = 0;
    if (sink.open(fileName, size) != 0)
        throw fileOpenFailure(TextException::kOpenFailed, std::string(), fileName, errno);
    sink.writeData(size, stream.data());
    errno = 0;
    if (sink.close() != 0)
        throw fileWriteFailure(std::string(), fileName, errno);
}
