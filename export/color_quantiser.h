#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

// Reduction of a 32-bit picture to at most 255 palette colours plus one index per pixel,
// without dithering.
//
// Colours are seen on three axes, c0 red, c1 green, c2 blue, and counted in cells of
// (red >> 3, green >> 2, blue >> 3): 32 x 64 x 32 cells. The first pass counts the
// cells in a histogram of saturating 16-bit counters and cuts the colour space into boxes
// by a median cut, one palette colour per box. The second pass maps every pixel to the
// nearest palette colour (squared distance with red weighted 1.5, green 2, blue 1) through
// an inverse colour map that is filled lazily, one block of 4 x 8 x 4 cells at a time.
//
// Rows travel between the classes in planar form: 3 x width bytes, all reds of the row,
// then all greens, then all blues.

namespace color_quantiser {

constexpr int kCells0 = 32;
constexpr int kCells1 = 64;
constexpr int kCells2 = 32;
constexpr int kCellCount = kCells0 * kCells1 * kCells2;
constexpr int kMostColors = 255;  // the inverse map stores index + 1 in one byte
constexpr int kPaletteEntries = 256;

// The histogram and inverse-map slot of a cell.
constexpr int cellIndex(int c0, int c1, int c2) { return (c0 * kCells1 + c1) * kCells2 + c2; }

// The squared weighted distance terms: red differences count 1.5 times (rounded toward
// minus infinity), green twice, blue once.
constexpr int32_t weightRed(int32_t difference) { return (difference * 24) >> 4; }
constexpr int32_t weightGreen(int32_t difference) { return difference * 2; }

} // namespace color_quantiser

// A palette entry as the quantiser stores it: blue, green, red.
struct QuantiserColor {
    uint8_t blue = 0;
    uint8_t green = 0;
    uint8_t red = 0;
};

// A picture kept as planar rows. Rows are read back by index.
class PlanarRowSource {
public:
    virtual ~PlanarRowSource();
    int32_t width() const { return m_width; }
    int32_t height() const { return m_height; }
    // The planar row, or null outside the picture or before it was stored.
    virtual const uint8_t* getRow(int32_t row) const = 0;

protected:
    int32_t m_width = 0;
    int32_t m_height = 0;
};

// Keeps the planar rows of the first pass for the second. Every row takes 4 x width bytes,
// the planar row in the first 3 x width. Rows are stored in order from row 0.
class PlanarRowKeeper : public PlanarRowSource {
public:
    // ok() is false when the rows could not be allocated.
    PlanarRowKeeper(int32_t width, int32_t height);
    bool ok() const { return m_ok; }
    // Appends the next planar row; false once all rows are stored.
    bool putRow(const uint8_t* planarRow);
    const uint8_t* getRow(int32_t row) const override;

private:
    std::vector<uint8_t> m_rows;
    int32_t m_rowsStored = 0;
    bool m_ok = false;
};

// Delivers the rows of a block of 32-bit pixels (bytes blue, green, red, alpha; alpha is
// dropped) as planar rows, top row first or bottom row first. The block is not owned.
class ImageSource32 {
public:
    static constexpr int32_t kPixelKind32 = 4;

    ImageSource32(int32_t width, int32_t height, int32_t rowStride, const uint8_t* pixels, bool rowsTopDown = true);

    int32_t width() const { return m_width; }
    int32_t height() const { return m_height; }
    void rewind();
    // Converts the next row into the planar buffer: 0 while rows remain, -1 after the last.
    int nextRow();
    const uint8_t* planarRow() const { return m_planarRow.data(); }

private:
    int32_t m_width;
    int32_t m_height;
    int32_t m_rowStride;
    int32_t m_pixelKind = kPixelKind32;
    bool m_rowsTopDown;
    const uint8_t* m_pixels;
    int32_t m_currentRow = -1;
    const uint8_t* m_currentRowPointer = nullptr;
    std::vector<uint8_t> m_planarRow;
};

// The histogram and the median cut.
class ColorSelector {
public:
    struct Box {
        int32_t c0min, c0max, c1min, c1max, c2min, c2max;  // inclusive cell bounds
        int64_t population;                               // sum of the counters inside
        int64_t volume;
        bool splittable;
    };

    // Refuses (ok() false) fewer than 8 or more than 255 colours.
    ColorSelector(int32_t colors, int32_t width);
    bool ok() const { return m_ok; }

    // Counts the pixels of one planar row; a counter stops at 65535.
    void countRow(const uint8_t* planarRow);
    uint16_t counter(int c0, int c1, int c2) const
    {
        return m_histogram[static_cast<std::size_t>(color_quantiser::cellIndex(c0, c1, c2))];
    }

    // The median cut and one colour per box; returns the number of colours.
    int32_t selectColors();
    const std::vector<Box>& boxes() const { return m_boxes; }
    const std::array<QuantiserColor, color_quantiser::kPaletteEntries>& palette() const { return m_palette; }
    int32_t colorCount() const { return m_colorCount; }

private:
    void updateBox(Box& target) const;
    QuantiserColor boxColor(const Box& source) const;
    Box* findBoxToSplit(bool byPopulation);

    int32_t m_colors;
    int32_t m_width;
    std::vector<uint16_t> m_histogram;
    std::vector<Box> m_boxes;
    std::array<QuantiserColor, color_quantiser::kPaletteEntries> m_palette{};
    int32_t m_colorCount = 0;
    bool m_ok = false;
};

// Maps planar rows to palette indices.
class ColorMapper {
public:
    virtual ~ColorMapper();
    virtual void mapRow(const uint8_t* planarRow, uint8_t* indices) = 0;
};

// The mapper with the lazily filled inverse colour map.
class PaletteColorMapper : public ColorMapper {
public:
    // Takes the first `colors` entries of the palette (at most 255).
    PaletteColorMapper(int32_t colors, int32_t width, const QuantiserColor* palette);
    bool ok() const { return m_ok; }
    void mapRow(const uint8_t* planarRow, uint8_t* indices) override;
    // The palette index of a colour, filling its block of the inverse map when needed.
    uint8_t mapColor(uint8_t red, uint8_t green, uint8_t blue);

private:
    void fillBlock(int c0, int c1, int c2);

    int32_t m_colors;
    int32_t m_width;
    std::array<QuantiserColor, color_quantiser::kPaletteEntries> m_palette{};
    // The palette once more, one array per axis, for the block fill to take four colours
    // at a time (entries past the colours are 0 and never read back).
    std::array<int32_t, color_quantiser::kPaletteEntries> m_reds{};
    std::array<int32_t, color_quantiser::kPaletteEntries> m_greens{};
    std::array<int32_t, color_quantiser::kPaletteEntries> m_blues{};
    std::vector<uint8_t> m_inverseMap;  // 0 = not yet known, otherwise palette index + 1
    bool m_ok = false;
};

// The facade the GIF export uses: construct over a source, quantise once, map each row.
class ColorReducer {
public:
    // The request is limited to 255 colours; fewer than 8 leave the reductor not ok.
    ColorReducer(ImageSource32& source, int32_t colors);
    ~ColorReducer();
    bool ok() const { return m_ok; }

    // Counts, cuts and builds the mapper: 1 on success, -1 when not ok.
    int quantise();
    // Writes one palette index per pixel of the row; nothing when quantise did not succeed.
    void mapRow(int32_t row, uint8_t* indices);

    int32_t colorCount() const { return m_colorCount; }
    // 256 entries; entry 255 is white, entries from color_count() to 254 are unused.
    const std::array<QuantiserColor, color_quantiser::kPaletteEntries>& palette() const { return m_palette; }

private:
    ImageSource32& m_source;
    std::unique_ptr<ColorSelector> m_selector;
    std::unique_ptr<PlanarRowKeeper> m_keeper;
    std::unique_ptr<PaletteColorMapper> m_mapper;
    std::array<QuantiserColor, color_quantiser::kPaletteEntries> m_palette{};
    int32_t m_colorCount = 0;
    bool m_ok = false;
};
