#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct ArgbImage;

// The bitmaps of the export code.
//
// A bitmap has 1, 8 or 32 bits per pixel. Pictures of 8 bits or fewer carry a palette of
// 2^bits entries of 4 bytes each in the order blue, green, red, reserved. A 32-bit pixel
// is the renderer's ARGB value stored little-endian, so its bytes are blue, green, red,
// alpha. Rows are reached through the row-pointer array, in which row 0 is always the top
// row of the picture whatever order the rows have in memory.
class BmpImage {
public:
    virtual ~BmpImage();

    // Frees the old picture and makes a new one, all bytes 0. Throws TextException for a
    // negative side, a depth other than 1, 8 or 32, or a picture above 2 GiB.
    virtual void create(int32_t width, int32_t height, uint16_t bitsPerPixel, bool alphaChannel);
    // The number of bytes the picture occupies, as used to size an encoder's output.
    virtual int64_t getMemUsed() const = 0;
    virtual int32_t getBytesPerLine() const = 0;

    int32_t getWidth() const { return m_width; }
    int32_t getHeight() const { return m_height; }
    uint16_t getBitsPerPixel() const { return m_bitsPerPixel; }
    bool hasAlpha() const { return m_alphaChannel; }

    uint8_t* getLine(int32_t row) { return m_lines[static_cast<std::size_t>(row)]; }
    const uint8_t* getLine(int32_t row) const { return m_lines[static_cast<std::size_t>(row)]; }
    uint8_t* const* getLineArray() { return m_lines.data(); }
    const uint8_t* const* getLineArray() const { return m_lines.data(); }

    // 2^bits palette entries for 8 bits or fewer, none for 32 bits.
    int32_t getPaletteEntries() const;
    uint8_t* getPalette() { return m_palette; }
    const uint8_t* getPalette() const { return m_palette; }
    void setPaletteEntry(int32_t index, uint8_t red, uint8_t green, uint8_t blue);

    // Makes this bitmap a copy of another one of any kind: same size, depth, rows and palette.
    void copyFrom(const BmpImage& other);

protected:
    BmpImage() = default;
    BmpImage(const BmpImage&) = delete;
    BmpImage& operator=(const BmpImage&) = delete;

    // The steps of Create: allocate the members for the size already stored, free them,
    // and point the row-pointer array at the rows.
    virtual void internalCreate() = 0;
    virtual void freeMembers() = 0;
    virtual void initLineArray() = 0;

    static int32_t paddedBytesPerLine(int32_t width, uint16_t bitsPerPixel);

    int32_t m_width = 0;
    int32_t m_height = 0;
    uint16_t m_bitsPerPixel = 0;
    uint8_t* m_palette = nullptr;  // points into the derived class's storage
    uint8_t* m_bits = nullptr;     // first byte of the pixel rows in that storage
    bool m_alphaChannel = false;
    std::vector<uint8_t*> m_lines;
};

// A bitmap whose storage is one device-independent bitmap block: a 40-byte header (size
// 40, width, positive height, planes 1, bit count, the other fields 0, little-endian),
// the palette, then the rows bottom-up, each padded to a multiple of 4 bytes. The block can
// be handed to anything that takes such a bitmap. A new one is 16 x 16 at 8 bits.
class BlockBmpImage : public BmpImage {
public:
    static constexpr int32_t kHeaderBytes = 40;

    BlockBmpImage();
    ~BlockBmpImage() override;

    int64_t getMemUsed() const override;
    int32_t getBytesPerLine() const override;

    // GetMemUsed of a BlockBmpImage of that size and depth, without making one: the header
    // counted twice, the palette and the padded rows.
    static int64_t memUsedFor(int32_t width, int32_t height, uint16_t bitsPerPixel);

    const std::vector<uint8_t>& getBlock() const { return m_block; }

protected:
    void internalCreate() override;
    void freeMembers() override;
    void initLineArray() override;

private:
    std::vector<uint8_t> m_block;
};

// A bitmap kept in plain memory: rows top-down, padded like BlockBmpImage's, and a separate palette.
class PlainBmpImage : public BmpImage {
public:
    PlainBmpImage() = default;
    ~PlainBmpImage() override;

    int64_t getMemUsed() const override;
    int32_t getBytesPerLine() const override;

protected:
    void internalCreate() override;
    void freeMembers() override;
    void initLineArray() override;

private:
    std::vector<uint8_t> m_rows;
    std::vector<uint8_t> m_paletteStore;
};

// Makes the bitmap a 32-bit copy of the frame without alpha channel, row 0 of the frame
// becoming row 0 (the top) of the bitmap. The pixel bytes, alpha included, are copied as
// they stand.
void copyFrameToBitmap(const ArgbImage& frame, BmpImage& bitmap);
