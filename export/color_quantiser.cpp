#include "export/color_quantiser.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

using namespace color_quantiser;

namespace {

// The update blocks of the inverse map: 4 x 8 x 4 cells.
constexpr int kBlockCells0 = 4;
constexpr int kBlockCells1 = 8;
constexpr int kBlockCells2 = 4;
// Cell steps in weighted colour units: red 8 x 1.5, green 4 x 2, blue 8.
constexpr int32_t kStep0 = 12;
constexpr int32_t kStep1 = 8;
constexpr int32_t kStep2 = 8;
constexpr uint16_t kCounterLimit = 65535;

constexpr int32_t square(int32_t value) { return value * value; }

// Four palette colours' values on one axis, one per lane.
using ColorLanes = int32_t __attribute__((vector_size(16)));
constexpr int kColorLanes = 4;

// The nearest and farthest the palette values can be from any cell centre of [low, high] on
// one axis, added to the running distances, four colours at once. Below the range the low
// end is the nearest and the high end the farthest, above it the other way round, inside it
// nothing is nearer and the farther end is the one across the centre; the ends below and
// above the range lie on their side of the centre too, so the farthest end depends on the
// centre alone.
template <typename Weight>
void addAxisBounds(ColorLanes value, int32_t low, int32_t high, int32_t centre, Weight weight, ColorLanes& nearest,
                   ColorLanes& farthest)
{
    const ColorLanes toLow = weight(value - low);
    const ColorLanes toHigh = weight(value - high);
    const ColorLanes squareLow = toLow * toLow;
    const ColorLanes squareHigh = toHigh * toHigh;
    nearest += value < low ? squareLow : (value > high ? squareHigh : ColorLanes{});
    farthest += value <= centre ? squareHigh : squareLow;
}

} // namespace

PlanarRowSource::~PlanarRowSource() = default;

PlanarRowKeeper::PlanarRowKeeper(int32_t width, int32_t height)
{
    m_width = std::max(width, 0);
    m_height = std::max(height, 0);
    try {
        m_rows.assign(static_cast<std::size_t>(m_width) * 4 * static_cast<std::size_t>(m_height), 0);
        m_ok = true;
    } catch (const std::bad_alloc&) {
        m_ok = false;
    }
}

bool PlanarRowKeeper::putRow(const uint8_t* planarRow)
{
    if (!m_ok || m_rowsStored >= m_height) {
        return false;
    }
    const auto rowBytes = static_cast<std::size_t>(m_width) * 4;
    std::copy_n(planarRow, static_cast<std::size_t>(m_width) * 3,
                m_rows.begin() + static_cast<std::ptrdiff_t>(static_cast<std::size_t>(m_rowsStored) * rowBytes));
    ++m_rowsStored;
    return true;
}

const uint8_t* PlanarRowKeeper::getRow(int32_t row) const
{
    if (row < 0 || row >= m_rowsStored) {
        return nullptr;
    }
    return m_rows.data() + static_cast<std::size_t>(row) * static_cast<std::size_t>(m_width) * 4;
}

ImageSource32::ImageSource32(int32_t width, int32_t height, int32_t rowStride, const uint8_t* pixels, bool rowsTopDown)
    : m_width(std::max(width, 0))
    , m_height(pixels == nullptr ? 0 : std::max(height, 0))
    , m_rowStride(rowStride)
    , m_rowsTopDown(rowsTopDown)
    , m_pixels(pixels)
    , m_planarRow(static_cast<std::size_t>(m_width) * 4 + 1)
{
}

void ImageSource32::rewind()
{
    m_currentRow = -1;
    m_currentRowPointer = nullptr;
}

int ImageSource32::nextRow()
{
    if (m_currentRow + 1 >= m_height) {
        return -1;
    }
    ++m_currentRow;
    const int32_t stored = m_rowsTopDown ? m_currentRow : m_height - 1 - m_currentRow;
    m_currentRowPointer = m_pixels + static_cast<std::ptrdiff_t>(stored) * m_rowStride;
    const auto width = static_cast<std::size_t>(m_width);
    uint8_t* red = m_planarRow.data();
    uint8_t* green = red + width;
    uint8_t* blue = green + width;
    const uint8_t* pixel = m_currentRowPointer;
    for (std::size_t x = 0; x < width; ++x, pixel += m_pixelKind) {
        blue[x] = pixel[0];
        green[x] = pixel[1];
        red[x] = pixel[2];
    }
    return 0;
}

ColorSelector::ColorSelector(int32_t colors, int32_t width)
    : m_colors(colors)
    , m_width(std::max(width, 0))
{
    if (colors <= 7 || colors > kMostColors) {
        return;
    }
    try {
        m_histogram.assign(kCellCount, 0);
        m_boxes.reserve(static_cast<std::size_t>(colors));
        m_ok = true;
    } catch (const std::bad_alloc&) {
        m_ok = false;
    }
}

void ColorSelector::countRow(const uint8_t* planarRow)
{
    const auto width = static_cast<std::size_t>(m_width);
    const uint8_t* red = planarRow;
    const uint8_t* green = red + width;
    const uint8_t* blue = green + width;
    for (std::size_t x = 0; x < width; ++x) {
        uint16_t& count = m_histogram[static_cast<std::size_t>(cellIndex(red[x] >> 3, green[x] >> 2, blue[x] >> 3))];
        if (count < kCounterLimit) {
            ++count;
        }
    }
}

void ColorSelector::updateBox(Box& target) const
{
    auto planeHolds0 = [&](int c0) {
        for (int c1 = target.c1min; c1 <= target.c1max; ++c1)
            for (int c2 = target.c2min; c2 <= target.c2max; ++c2)
                if (counter(c0, c1, c2) != 0) return true;
        return false;
    };
    auto planeHolds1 = [&](int c1) {
        for (int c0 = target.c0min; c0 <= target.c0max; ++c0)
            for (int c2 = target.c2min; c2 <= target.c2max; ++c2)
                if (counter(c0, c1, c2) != 0) return true;
        return false;
    };
    auto planeHolds2 = [&](int c2) {
        for (int c0 = target.c0min; c0 <= target.c0max; ++c0)
            for (int c1 = target.c1min; c1 <= target.c1max; ++c1)
                if (counter(c0, c1, c2) != 0) return true;
        return false;
    };
    // Shrink each bound to the nearest plane that holds a counted cell; every scan uses
    // the bounds as already shrunk.
    auto shrink = [](int32_t& low, int32_t& high, auto holds) {
        if (high > low) {
            for (int32_t c = low; c <= high; ++c) {
                if (holds(c)) {
                    low = c;
                    break;
                }
            }
        }
        if (high > low) {
            for (int32_t c = high; c >= low; --c) {
                if (holds(c)) {
                    high = c;
                    break;
                }
            }
        }
    };
    shrink(target.c0min, target.c0max, planeHolds0);
    shrink(target.c1min, target.c1max, planeHolds1);
    shrink(target.c2min, target.c2max, planeHolds2);

    target.population = 0;
    for (int c0 = target.c0min; c0 <= target.c0max; ++c0)
        for (int c1 = target.c1min; c1 <= target.c1max; ++c1)
            for (int c2 = target.c2min; c2 <= target.c2max; ++c2)
                target.population += counter(c0, c1, c2);

    target.splittable = target.c0max > target.c0min || target.c1max > target.c1min || target.c2max > target.c2min;
    const int64_t side0 = 3 * (target.c0max - target.c0min + 1);
    const int64_t side1 = 2 * (target.c1max - target.c1min + 1);
    const int64_t side2 = 2 * (target.c2max - target.c2min + 1);
    target.volume = side0 * side0 + side1 * side1 + side2 * side2;
}

ColorSelector::Box* ColorSelector::findBoxToSplit(bool byPopulation)
{
    // Only a strictly larger value replaces the choice, so the earliest of equal boxes wins.
    Box* chosen = nullptr;
    int64_t largest = 0;
    for (Box& candidate : m_boxes) {
        const int64_t value = byPopulation ? candidate.population : candidate.volume;
        if (candidate.splittable && value > largest) {
            chosen = &candidate;
            largest = value;
        }
    }
    return chosen;
}

QuantiserColor ColorSelector::boxColor(const Box& source) const
{
    int64_t total = 0;
    int64_t red = 0;
    int64_t green = 0;
    int64_t blue = 0;
    for (int c0 = source.c0min; c0 <= source.c0max; ++c0) {
        for (int c1 = source.c1min; c1 <= source.c1max; ++c1) {
            for (int c2 = source.c2min; c2 <= source.c2max; ++c2) {
                const int64_t count = counter(c0, c1, c2);
                total += count;
                red += count * (8 * c0 + 4);
                green += count * (4 * c1 + 2);
                blue += count * (8 * c2 + 4);
            }
        }
    }
    QuantiserColor color;
    if (total == 0) {
        return color;  // an empty picture: black
    }
    color.red = static_cast<uint8_t>((red + total / 2) / total);
    color.green = static_cast<uint8_t>((green + total / 2) / total);
    color.blue = static_cast<uint8_t>((blue + total / 2) / total);
    return color;
}

int32_t ColorSelector::selectColors()
{
    if (!m_ok) {
        return 0;
    }
    m_boxes.clear();
    Box whole{0, kCells0 - 1, 0, kCells1 - 1, 0, kCells2 - 1, 0, 0, false};
    updateBox(whole);
    m_boxes.push_back(whole);

    while (static_cast<int32_t>(m_boxes.size()) < m_colors) {
        // First split the most populous boxes, then, past half the colours, the largest.
        Box* chosen = findBoxToSplit(2 * static_cast<int32_t>(m_boxes.size()) <= m_colors);
        if (chosen == nullptr) {
            break;
        }
        Box added = *chosen;
        const int32_t length0 = chosen->c0max > chosen->c0min ? 3 * (chosen->c0max - chosen->c0min + 1) : 0;
        const int32_t length1 = chosen->c1max > chosen->c1min ? 2 * (chosen->c1max - chosen->c1min + 1) : 0;
        const int32_t length2 = chosen->c2max > chosen->c2min ? 2 * (chosen->c2max - chosen->c2min + 1) : 0;
        // Ties go to red, then to green.
        int axis = 0;
        int32_t longest = length0;
        if (length1 > longest) {
            axis = 1;
            longest = length1;
        }
        if (length2 > longest) {
            axis = 2;
        }
        int32_t* minimum[3] = {&added.c0min, &added.c1min, &added.c2min};
        int32_t* maximum[3] = {&chosen->c0max, &chosen->c1max, &chosen->c2max};
        const int32_t middle = (*minimum[axis] + *maximum[axis]) / 2;
        *maximum[axis] = middle;
        *minimum[axis] = middle + 1;
        updateBox(*chosen);
        updateBox(added);
        m_boxes.push_back(added);  // capacity was reserved, so `chosen` stays valid until here
    }

    m_colorCount = static_cast<int32_t>(m_boxes.size());
    for (std::size_t i = 0; i < m_boxes.size(); ++i) {
        m_palette[i] = boxColor(m_boxes[i]);
    }
    return m_colorCount;
}

ColorMapper::~ColorMapper() = default;

PaletteColorMapper::PaletteColorMapper(int32_t colors, int32_t width, const QuantiserColor* palette)
    : m_colors(std::clamp(colors, 0, kMostColors))
    , m_width(std::max(width, 0))
{
    std::copy_n(palette, m_colors, m_palette.begin());
    for (int32_t i = 0; i < m_colors; ++i) {
        const QuantiserColor& color = m_palette[static_cast<std::size_t>(i)];
        m_reds[static_cast<std::size_t>(i)] = color.red;
        m_greens[static_cast<std::size_t>(i)] = color.green;
        m_blues[static_cast<std::size_t>(i)] = color.blue;
    }
    try {
        m_inverseMap.assign(kCellCount, 0);
        m_ok = true;
    } catch (const std::bad_alloc&) {
        m_ok = false;
    }
}

void PaletteColorMapper::mapRow(const uint8_t* planarRow, uint8_t* indices)
{
    if (!m_ok) {
        return;
    }
    const auto width = static_cast<std::size_t>(m_width);
    const uint8_t* red = planarRow;
    const uint8_t* green = red + width;
    const uint8_t* blue = green + width;
    for (std::size_t x = 0; x < width; ++x) {
        indices[x] = mapColor(red[x], green[x], blue[x]);
    }
}

uint8_t PaletteColorMapper::mapColor(uint8_t red, uint8_t green, uint8_t blue)
{
    const int c0 = red >> 3;
    const int c1 = green >> 2;
    const int c2 = blue >> 3;
    uint8_t& cell = m_inverseMap[static_cast<std::size_t>(cellIndex(c0, c1, c2))];
    if (cell == 0) {
        fillBlock(c0, c1, c2);
    }
    return static_cast<uint8_t>(cell - 1);
}

namespace {

// A block of cells in colour units, from the centre of its first cell to that of its last.
struct BlockSpan {
    int32_t min0, max0, min1, max1, min2, max2;
    int32_t centre0, centre1, centre2;
};

BlockSpan blockSpan(int c0, int c1, int c2)
{
    BlockSpan span {};
    span.min0 = (c0 >> 2) * 32 + 4;
    span.max0 = span.min0 + 24;
    span.min1 = (c1 >> 3) * 32 + 2;
    span.max1 = span.min1 + 28;
    span.min2 = (c2 >> 2) * 32 + 4;
    span.max2 = span.min2 + 24;
    span.centre0 = (span.min0 + span.max0) >> 1;
    span.centre1 = (span.min1 + span.max1) >> 1;
    span.centre2 = (span.min2 + span.max2) >> 1;
    return span;
}

using ColorDistances = std::array<int32_t, kPaletteEntries>;

// For every palette colour, the nearest and the farthest weighted distance it can have to
// any cell of the block, four colours at a time.
void distanceBounds(const ColorDistances& reds, const ColorDistances& greens, const ColorDistances& blues,
    int32_t colors, const BlockSpan& span, ColorDistances& nearest, ColorDistances& farthest)
{
    for (int32_t i = 0; i < colors; i += kColorLanes) {
        ColorLanes red;
        ColorLanes green;
        ColorLanes blue;
        std::memcpy(&red, reds.data() + i, sizeof(red));
        std::memcpy(&green, greens.data() + i, sizeof(green));
        std::memcpy(&blue, blues.data() + i, sizeof(blue));
        ColorLanes nearer{};
        ColorLanes farther{};
        addAxisBounds(red, span.min0, span.max0, span.centre0, [](ColorLanes d) { return (d * 24) >> 4; }, nearer,
            farther);
        addAxisBounds(green, span.min1, span.max1, span.centre1, [](ColorLanes d) { return d * 2; }, nearer, farther);
        addAxisBounds(blue, span.min2, span.max2, span.centre2, [](ColorLanes d) { return d; }, nearer, farther);
        std::memcpy(nearest.data() + i, &nearer, sizeof(nearer));
        std::memcpy(farthest.data() + i, &farther, sizeof(farther));
    }
}

int32_t smallestOf(const ColorDistances& values, int32_t count)
{
    int32_t smallest = std::numeric_limits<int32_t>::max();
    for (int32_t i = 0; i < count; ++i) {
        smallest = std::min(smallest, values[static_cast<std::size_t>(i)]);
    }
    return smallest;
}

// The cells of a block, c2 innermost, four neighbouring c2 cells to a vector: per block row
// the best distance so far and the palette index that has it.
using Cells = int32_t __attribute__((vector_size(16)));
static_assert(kBlockCells2 == 4, "one vector holds the c2 cells of a block row");
constexpr int kBlockRows = kBlockCells0 * kBlockCells1;
struct BlockBest {
    std::array<Cells, kBlockRows> distance;
    std::array<Cells, kBlockRows> color;
};

BlockBest emptyBlockBest()
{
    BlockBest best;
    for (int row = 0; row < kBlockRows; ++row) {
        best.distance[static_cast<std::size_t>(row)] = Cells{} + std::numeric_limits<int32_t>::max();
        best.color[static_cast<std::size_t>(row)] = Cells{};
    }
    return best;
}

// Walks palette colour `index` through every cell of the block. Each cell's running
// distance is the same exact integer the one-cell-at-a-time stepping reaches, and a cell
// takes the colour only when it is strictly nearer, so that, offered in palette order, the
// first of equally near colours stays.
void offerColor(const QuantiserColor& color, int32_t index, const BlockSpan& span, BlockBest& best)
{
    const int32_t inc0 = weightRed(span.min0 - color.red);
    const int32_t inc1 = weightGreen(span.min1 - color.green);
    const int32_t inc2 = span.min2 - color.blue;
    // Squared distances of neighbouring cells differ by 2 x inc x step + step^2, and
    // that difference grows by 2 x step^2 per step: additions only.
    int32_t distance0 = square(inc0) + square(inc1) + square(inc2);
    int32_t xx0 = 2 * kStep0 * inc0 + kStep0 * kStep0;
    const int32_t xx2 = 2 * kStep2 * inc2 + kStep2 * kStep2;
    constexpr int32_t grow2 = 2 * kStep2 * kStep2;
    const Cells along2 = { 0, xx2, 2 * xx2 + grow2, 3 * xx2 + 3 * grow2 };
    const Cells candidate = Cells{} + index;
    std::size_t row = 0;
    for (int i0 = 0; i0 < kBlockCells0; ++i0) {
        int32_t distance1 = distance0;
        int32_t xx1 = 2 * kStep1 * inc1 + kStep1 * kStep1;
        for (int i1 = 0; i1 < kBlockCells1; ++i1, ++row) {
            const Cells distance = distance1 + along2;
            const Cells nearer = distance < best.distance[row];
            best.distance[row] = nearer ? distance : best.distance[row];
            best.color[row] = nearer ? candidate : best.color[row];
            distance1 += xx1;
            xx1 += 2 * kStep1 * kStep1;
        }
        distance0 += xx0;
        xx0 += 2 * kStep0 * kStep0;
    }
}

} // namespace

void PaletteColorMapper::fillBlock(int c0, int c1, int c2)
{
    const BlockSpan span = blockSpan(c0, c1, c2);

    // Only colours that can be the nearest to some cell of the block take part: those
    // whose nearest possible distance does not pass the smallest farthest distance.
    ColorDistances nearest;
    ColorDistances farthest;
    distanceBounds(m_reds, m_greens, m_blues, m_colors, span, nearest, farthest);
    const int32_t smallestFarthest = smallestOf(farthest, m_colors);
    BlockBest best = emptyBlockBest();
    for (int32_t i = 0; i < m_colors; ++i) {
        if (nearest[static_cast<std::size_t>(i)] <= smallestFarthest) {
            offerColor(m_palette[static_cast<std::size_t>(i)], i, span, best);
        }
    }

    const int base0 = c0 & ~(kBlockCells0 - 1);
    const int base1 = c1 & ~(kBlockCells1 - 1);
    const int base2 = c2 & ~(kBlockCells2 - 1);
    std::size_t row = 0;
    for (int i0 = 0; i0 < kBlockCells0; ++i0)
        for (int i1 = 0; i1 < kBlockCells1; ++i1, ++row)
            for (int i2 = 0; i2 < kBlockCells2; ++i2)
                m_inverseMap[static_cast<std::size_t>(cellIndex(base0 + i0, base1 + i1, base2 + i2))] =
                    static_cast<uint8_t>(best.color[row][i2] + 1);
}

ColorReducer::ColorReducer(ImageSource32& source, int32_t colors)
    : m_source(source)
{
    try {
        m_selector = std::make_unique<ColorSelector>(std::min(colors, kMostColors), source.width());
        if (!m_selector->ok()) {
            return;
        }
        m_keeper = std::make_unique<PlanarRowKeeper>(source.width(), source.height());
        m_ok = m_keeper->ok();
    } catch (const std::bad_alloc&) {
        m_ok = false;
    }
}

ColorReducer::~ColorReducer() = default;

int ColorReducer::quantise()
{
    if (!m_ok || !m_selector) {
        return -1;
    }
    m_source.rewind();
    while (m_source.nextRow() == 0) {
        m_selector->countRow(m_source.planarRow());
        m_keeper->putRow(m_source.planarRow());
    }
    const int32_t colors = m_selector->selectColors();
    m_palette = m_selector->palette();
    m_palette[kPaletteEntries - 1] = QuantiserColor{255, 255, 255};
    m_selector.reset();
    m_source.rewind();
    try {
        m_mapper = std::make_unique<PaletteColorMapper>(colors, m_source.width(), m_palette.data());
    } catch (const std::bad_alloc&) {
        m_mapper.reset();
    }
    if (!m_mapper || !m_mapper->ok()) {
        m_mapper.reset();
        return -1;
    }
    m_colorCount = colors;
    return 1;
}

void ColorReducer::mapRow(int32_t row, uint8_t* indices)
{
    if (!m_mapper) {
        return;
    }
    const uint8_t* planarRow = m_keeper->getRow(row);
    if (planarRow != nullptr) {
        m_mapper->mapRow(planarRow, indices);
    }
}
