#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// GIF89a animations built from indexed frames.
//
// Every frame sits at 0, 0. The first frame's colour table becomes the global table and
// every later frame carries its own local table, even when the colours are the same. A
// frame with a delay gets a graphic control extension (delay in hundredths of a second,
// no disposal, no transparency). The file has no looping block and no comment, so viewers
// play the animation once. Pixels are LZW-coded with a minimum code size of 8.

struct GifColor {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
};

// width x height palette indices, top row first, and the palette they index.
struct GifIndexedImage {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> indices;
    std::vector<GifColor> palette;
};

class GifFrame {
public:
    static constexpr int kMinimumCodeSize = 8;

    explicit GifFrame(GifIndexedImage image);

    const GifIndexedImage& image() const { return m_image; }
    int32_t width() const { return m_image.width; }
    int32_t height() const { return m_image.height; }
    uint16_t delay() const { return m_delayMilliseconds; }
    void setDelay(uint16_t milliseconds) { m_delayMilliseconds = milliseconds; }

    // Whether the saved image carries a colour table of its own.
    bool hasLocalColorTable() const { return m_hasLocalColorTable; }

private:
    friend class GifImage;

    GifIndexedImage m_image;
    int32_t m_left = 0;
    int32_t m_top = 0;
    uint16_t m_delayMilliseconds = 0;
    uint8_t m_disposal = 0;
    int m_transparentColor = -1;  // none
    bool m_hasLocalColorTable = false;
    std::vector<GifColor> m_colorTable;
    int m_bitsPerPixel = 0;
    std::vector<uint8_t> m_lzwData;
    std::vector<std::vector<uint8_t>> m_extensions;
};

class GifImage {
public:
    GifImage();
    ~GifImage();
    GifImage(const GifImage&) = delete;
    GifImage& operator=(const GifImage&) = delete;

    // Appends a frame holding a copy of the image and returns its index. Throws
    // TextException for an empty frame, a side above 65535, or indices that do not
    // match the size.
    int addFrame(const GifIndexedImage& image);
    int frameCount() const { return static_cast<int>(m_frames.size()); }
    GifFrame& frame(int index) { return *m_frames.at(static_cast<std::size_t>(index)); }
    const GifFrame& frame(int index) const { return *m_frames.at(static_cast<std::size_t>(index)); }

    // "87a" for one still frame, "89a" once there is a second frame or a delay; "" when empty.
    std::string version() const;
    int32_t screenWidth() const { return m_screenWidth; }
    int32_t screenHeight() const { return m_screenHeight; }

    // Encodes every frame and returns the whole stream. Throws TextException when there
    // is no frame, a colour table is not a power of two from 2 to 256 entries, or a pixel
    // indexes past its table.
    std::vector<uint8_t> saveToStream();
    // Builds the stream in memory and writes it in one write through a temporary file that
    // replaces the target when complete. Throws TextException before anything is written
    // when the stream cannot be built or the file cannot be created; the errors of the file
    // carry the system's reason (fileOpenFailure, fileWriteFailure).
    void saveToFile(const std::string& fileName);

private:
    void encodeFrame(GifFrame& frame);

    std::vector<std::unique_ptr<GifFrame>> m_frames;
    std::vector<GifColor> m_globalColorTable;
    int m_globalBitsPerPixel = 0;
    int m_backgroundColor = -1;  // none
    int32_t m_screenWidth = 0;
    int32_t m_screenHeight = 0;
};
