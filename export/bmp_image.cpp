#include "export/bmp_image.h"

#include "pixels/argb_image.h"
#include "export/text_exception.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>

namespace {

constexpr int64_t kLargestPictureBytes = std::numeric_limits<int32_t>::max();
constexpr int32_t kPaletteEntryBytes = 4;

void putLittle32(uint8_t* target, uint32_t value)
{
    for (int i = 0; i < 4; ++i) {
        target[i] = static_cast<uint8_t>(value >> (8 * i));
    }
}

void putLittle16(uint8_t* target, uint16_t value)
{
    target[0] = static_cast<uint8_t>(value);
    target[1] = static_cast<uint8_t>(value >> 8);
}

int32_t paletteEntriesFor(uint16_t bitsPerPixel) { return bitsPerPixel <= 8 ? 1 << bitsPerPixel : 0; }

} // namespace

BmpImage::~BmpImage() = default;

void BmpImage::create(int32_t width, int32_t height, uint16_t bitsPerPixel, bool alphaChannel)
{
    if (width < 0 || height < 0) {
        throw TextException(TextException::kBadArgument,
                             "Bad bitmap size " + std::to_string(width) + " x " + std::to_string(height) + ".\n");
    }
    if (bitsPerPixel != 1 && bitsPerPixel != 8 && bitsPerPixel != 32) {
        throw TextException(TextException::kBadArgument,
                             "Unsupported bitmap depth " + std::to_string(bitsPerPixel) + ".\n");
    }
    const int64_t rowBytes = (static_cast<int64_t>(width) * bitsPerPixel + 31) / 32 * 4;
    if (rowBytes * height > kLargestPictureBytes) {
        throw TextException(TextException::kBadArgument,
                             "Bitmap of " + std::to_string(width) + " x " + std::to_string(height) + " is too large.\n");
    }
    freeMembers();
    m_width = width;
    m_height = height;
    m_bitsPerPixel = bitsPerPixel;
    m_alphaChannel = alphaChannel;
    try {
        internalCreate();
    } catch (...) {
        // Leave an empty picture behind rather than a size without rows.
        freeMembers();
        m_width = 0;
        m_height = 0;
        throw;
    }
    initLineArray();
}

int32_t BmpImage::getPaletteEntries() const { return paletteEntriesFor(m_bitsPerPixel); }

void BmpImage::setPaletteEntry(int32_t index, uint8_t red, uint8_t green, uint8_t blue)
{
    if (m_palette == nullptr || index < 0 || index >= getPaletteEntries()) {
        return;
    }
    uint8_t* entry = m_palette + static_cast<std::ptrdiff_t>(index) * kPaletteEntryBytes;
    entry[0] = blue;
    entry[1] = green;
    entry[2] = red;
    entry[3] = 0;
}

void BmpImage::copyFrom(const BmpImage& other)
{
    if (&other == this) {
        return;
    }
    create(other.m_width, other.m_height, other.m_bitsPerPixel, other.m_alphaChannel);
    const auto rowBytes = static_cast<std::size_t>(std::min(getBytesPerLine(), other.getBytesPerLine()));
    for (int32_t row = 0; rowBytes > 0 && row < m_height; ++row) {
        std::memcpy(getLine(row), other.getLine(row), rowBytes);
    }
    if (m_palette != nullptr && other.m_palette != nullptr) {
        std::memcpy(m_palette, other.m_palette, static_cast<std::size_t>(getPaletteEntries()) * kPaletteEntryBytes);
    }
}

int32_t BmpImage::paddedBytesPerLine(int32_t width, uint16_t bitsPerPixel)
{
    return static_cast<int32_t>((static_cast<int64_t>(width) * bitsPerPixel + 31) / 32 * 4);
}

BlockBmpImage::BlockBmpImage() { create(16, 16, 8, false); }

BlockBmpImage::~BlockBmpImage() = default;

int64_t BlockBmpImage::getMemUsed() const { return memUsedFor(m_width, m_height, m_bitsPerPixel); }

int64_t BlockBmpImage::memUsedFor(int32_t width, int32_t height, uint16_t bitsPerPixel)
{
    return kHeaderBytes + static_cast<int64_t>(paletteEntriesFor(bitsPerPixel)) * kPaletteEntryBytes
           + static_cast<int64_t>(paddedBytesPerLine(width, bitsPerPixel)) * height + kHeaderBytes;
}

int32_t BlockBmpImage::getBytesPerLine() const { return paddedBytesPerLine(m_width, m_bitsPerPixel); }

void BlockBmpImage::internalCreate()
{
    const auto paletteBytes = static_cast<std::size_t>(getPaletteEntries()) * kPaletteEntryBytes;
    const auto rowBytes = static_cast<std::size_t>(getBytesPerLine()) * static_cast<std::size_t>(m_height);
    m_block.assign(kHeaderBytes + paletteBytes + rowBytes, 0);

    // The bitmap info header; compression, image size, resolution and colour counts stay 0.
    uint8_t* header = m_block.data();
    putLittle32(header + 0, kHeaderBytes);
    putLittle32(header + 4, static_cast<uint32_t>(m_width));
    putLittle32(header + 8, static_cast<uint32_t>(m_height));
    putLittle16(header + 12, 1);
    putLittle16(header + 14, m_bitsPerPixel);

    m_palette = paletteBytes > 0 ? m_block.data() + kHeaderBytes : nullptr;
    m_bits = m_block.data() + kHeaderBytes + paletteBytes;
}

void BlockBmpImage::freeMembers()
{
    m_block.clear();
    m_block.shrink_to_fit();
    m_lines.clear();
    m_palette = nullptr;
    m_bits = nullptr;
}

void BlockBmpImage::initLineArray()
{
    // The block holds the rows bottom-up, so the top row of the picture is the last one.
    m_lines.resize(static_cast<std::size_t>(m_height));
    const auto rowBytes = static_cast<std::size_t>(getBytesPerLine());
    for (int32_t row = 0; row < m_height; ++row) {
        m_lines[static_cast<std::size_t>(row)] = m_bits + static_cast<std::size_t>(m_height - 1 - row) * rowBytes;
    }
}

PlainBmpImage::~PlainBmpImage() = default;

int64_t PlainBmpImage::getMemUsed() const
{
    return static_cast<int64_t>(m_paletteStore.size()) + static_cast<int64_t>(m_rows.size());
}

int32_t PlainBmpImage::getBytesPerLine() const { return paddedBytesPerLine(m_width, m_bitsPerPixel); }

void PlainBmpImage::internalCreate()
{
    m_paletteStore.assign(static_cast<std::size_t>(getPaletteEntries()) * kPaletteEntryBytes, 0);
    m_rows.assign(static_cast<std::size_t>(getBytesPerLine()) * static_cast<std::size_t>(m_height), 0);
    m_palette = m_paletteStore.empty() ? nullptr : m_paletteStore.data();
    m_bits = m_rows.data();
}

void PlainBmpImage::freeMembers()
{
    m_rows.clear();
    m_rows.shrink_to_fit();
    m_paletteStore.clear();
    m_lines.clear();
    m_palette = nullptr;
    m_bits = nullptr;
}

void PlainBmpImage::initLineArray()
{
    m_lines.resize(static_cast<std::size_t>(m_height));
    const auto rowBytes = static_cast<std::size_t>(getBytesPerLine());
    for (int32_t row = 0; row < m_height; ++row) {
        m_lines[static_cast<std::size_t>(row)] = m_bits + static_cast<std::size_t>(row) * rowBytes;
    }
}

void copyFrameToBitmap(const ArgbImage& frame, BmpImage& bitmap)
{
    const int64_t pixelCount = static_cast<int64_t>(std::max(frame.width, 0)) * std::max(frame.height, 0);
    if (static_cast<int64_t>(frame.pixels.size()) < pixelCount) {
        throw TextException(TextException::kBadArgument, "The frame holds fewer pixels than its size.\n");
    }
    bitmap.create(frame.width, frame.height, 32, false);
    const auto rowBytes = static_cast<std::size_t>(frame.width) * 4;
    for (int32_t row = 0; rowBytes > 0 && row < frame.height; ++row) {
        std::memcpy(bitmap.getLine(row), frame.row(row), rowBytes);
    }
}
