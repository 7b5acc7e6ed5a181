// The vector rasteriser: the plain per-pixel shading of shape_rasteriser.cpp done for
// OPAL_SHAPE_LANES neighbouring pixels at once. Each source file that includes this header
// sets the lane count and its own instruction set, and gets its own copy of everything here
// (all of it lives in an anonymous namespace), so that code built for one instruction set
// can never stand in for another's.
//
// Every lane performs the plain path's operations on the plain path's values in the plain
// path's order, in single precision, and floating-point contraction is off for the whole
// library: the products, sums, quotients and square roots are each rounded once, as IEEE
// arithmetic rounds them in any lane width, so every pixel comes out with the same bits.
// Where the plain path branches, the vector path computes both sides and selects.
//
// A row is done in three passes. The first forms each covered pixel's geometry, alpha,
// cosine and highlight base. The second forms the highlight powers, the chains of
// multiplications that took most of the time: a chain waits on its previous product, so
// several vectors of chains run side by side in registers, each lane multiplying its own
// value by its own base in the plain order. The third shades and writes the pixels.

#include "shapes/shape_rasteriser.h"
#include "shapes/shape_shading.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

#if !defined(OPAL_SHAPE_LANES)
#error "OPAL_SHAPE_LANES must be set before including shape_rows_kernel.h"
#endif

namespace {

constexpr int kLanes = OPAL_SHAPE_LANES;
constexpr std::size_t kLaneCount = kLanes;

using FloatLanes = float __attribute__((vector_size(kLanes * sizeof(float))));
using MaskLanes = int32_t __attribute__((vector_size(kLanes * sizeof(int32_t))));
using WordLanes = uint32_t __attribute__((vector_size(kLanes * sizeof(uint32_t))));

// How many vectors of highlight chains are multiplied side by side: enough to hide the
// latency of a multiplication, few enough that values and bases stay in registers.
constexpr int kPowerGroup = kLanes == 16 ? 8 : 6;

// Every lane set to v. v - (+0) is v for every v, -0 and NaN included (a sum with +0
// would turn -0 into +0).
inline FloatLanes splat(float v)
{
    return v - FloatLanes {};
}

inline MaskLanes splatInt(int32_t v)
{
    return v + MaskLanes {};
}

template <typename Lanes, typename Element>
inline Lanes load(const Element* from)
{
    Lanes lanes;
    std::memcpy(&lanes, from, sizeof lanes);
    return lanes;
}

template <typename Lanes, typename Element>
inline void store(Element* to, Lanes lanes)
{
    std::memcpy(to, &lanes, sizeof lanes);
}

// The square root of every lane, rounded as the scalar square root rounds it.
inline FloatLanes sqrtLanes(FloatLanes v)
{
#if OPAL_SHAPE_LANES == 16 && defined(__AVX512F__)
    // The masked form with every lane selected; the plain one trips a false warning about
    // its undefined pass-through operand in this compiler's headers.
    const auto lanes = reinterpret_cast<__m512>(v);
    return reinterpret_cast<FloatLanes>(_mm512_mask_sqrt_ps(lanes, static_cast<__mmask16>(0xFFFF), lanes));
#elif OPAL_SHAPE_LANES == 8 && defined(__AVX__)
    return reinterpret_cast<FloatLanes>(_mm256_sqrt_ps(reinterpret_cast<__m256>(v)));
#elif OPAL_SHAPE_LANES == 4 && defined(__SSE2__)
    return reinterpret_cast<FloatLanes>(_mm_sqrt_ps(reinterpret_cast<__m128>(v)));
#else
    FloatLanes roots;
    for (int i = 0; i < kLanes; ++i)
        roots[i] = std::sqrt(v[i]);
    return roots;
#endif
}

// safeSqrt lane by lane: the root where v > 1e-30, else 0 (NaN included). Lanes that get 0
// take the root of 1 instead, so that no lane meets a negative or NaN argument.
inline FloatLanes safeSqrt(FloatLanes v)
{
    const MaskLanes positive = v > splat(1e-30f);
    return positive ? sqrtLanes(positive ? v : splat(1.0f)) : splat(0.0f);
}

inline bool anyLane(MaskLanes mask)
{
#if OPAL_SHAPE_LANES == 16 && defined(__AVX512F__)
    const auto bits = reinterpret_cast<__m512i>(mask);
    return _mm512_test_epi32_mask(bits, bits) != 0;
#elif OPAL_SHAPE_LANES == 8 && defined(__AVX__)
    return _mm256_movemask_ps(reinterpret_cast<__m256>(mask)) != 0;
#elif OPAL_SHAPE_LANES == 4 && defined(__SSE2__)
    return _mm_movemask_ps(reinterpret_cast<__m128>(mask)) != 0;
#else
    for (int i = 0; i < kLanes; ++i) {
        if (mask[i] != 0)
            return true;
    }
    return false;
#endif
}

// channelByte lane by lane: trunc(), then 0 or less (and NaN) becomes 1 and 256 or more
// becomes 255. Only values inside the range meet the conversion.
inline MaskLanes channelBytes(FloatLanes value)
{
    const MaskLanes atLeastOne = value >= splat(1.0f);
    const MaskLanes inRange = atLeastOne & (value < splat(256.0f));
    const MaskLanes truncated = __builtin_convertvector(inRange ? value : splat(1.0f), MaskLanes);
    return inRange ? truncated : (atLeastOne ? splatInt(255) : splatInt(1));
}

// alphaByte lane by lane: trunc() within 0..255, NaN to 0.
inline MaskLanes alphaBytes(FloatLanes value)
{
    const MaskLanes nonNegative = value >= splat(0.0f);
    const MaskLanes inRange = nonNegative & (value < splat(255.0f));
    const MaskLanes truncated = __builtin_convertvector(inRange ? value : splat(0.0f), MaskLanes);
    return inRange ? truncated : (nonNegative ? splatInt(255) : splatInt(0));
}

// The outer edge's alpha of the covered lanes. The ramp's division is left out when no
// covered lane lies in it, which is most of the shape.
inline MaskLanes outerAlphas(FloatLanes d2, MaskLanes covered, const ShapeShading& shading)
{
    const FloatLanes threshold = splat(shading.threshold);
    const MaskLanes inRamp = d2 > threshold;
    if (!anyLane(inRamp & covered))
        return splatInt(255);
    const FloatLanes ramp = splat(255.0f) - (d2 - threshold) * splat(255.0f) / (splat(1.0f) - threshold);
    return inRamp ? alphaBytes(ramp) : splatInt(255);
}

// What the first pass gives for a vector of pixels.
struct Geometry {
    MaskLanes covered;
    MaskLanes alpha;
    FloatLanes normalZ;
    FloatLanes cosine;
};

Geometry sphereGeometry(const ShapeShading& shading, FloatLanes x, FloatLanes d2, FloatLanes y)
{
    Geometry g;
    g.covered = d2 < splat(1.0f);
    const FloatLanes z = safeSqrt(splat(1.0f) - d2) / splat(shading.qSquared);
    // x^2 + y^2 + z^2 summed from the left is d2 + z^2.
    const FloatLanes m = splat(1.0f) / safeSqrt(d2 + z * z);
    const FloatLanes nx = x * m;
    const FloatLanes ny = y * m;
    g.normalZ = z * m;
    g.cosine = -(splat(shading.lightX) * nx + splat(shading.lightY) * ny + splat(shading.lightZ) * g.normalZ);
    g.alpha = outerAlphas(d2, g.covered, shading);
    return g;
}

Geometry torusGeometry(const ShapeShading& shading, FloatLanes x, FloatLanes d2, FloatLanes y)
{
    const FloatLanes e = splat(shading.ringRadius);
    const FloatLanes f = splat(shading.tubeRadius);
    const FloatLanes lightX = splat(shading.lightX);
    const FloatLanes lightY = splat(shading.lightY);
    const FloatLanes lightZ = splat(shading.lightZ);
    Geometry g;
    const FloatLanes r = safeSqrt(d2);
    g.covered = (d2 < splat(1.0f)) & ~(r <= splat(shading.hole));
    const FloatLanes tubeScale = (r - e) / (r + splat(0.00001f));
    const FloatLanes tx = tubeScale * x;
    const FloatLanes ty = tubeScale * y;
    const FloatLanes tz = safeSqrt(f * f - (e - r) * (e - r));
    const FloatLanes m = splat(1.0f) / safeSqrt(tx * tx + ty * ty + tz * tz);
    const FloatLanes nx = tx * m;
    const FloatLanes ny = ty * m;
    g.normalZ = tz * m;
    const FloatLanes lengths = safeSqrt(nx * nx + ny * ny + g.normalZ * g.normalZ) * splat(shading.lightLength);
    const FloatLanes dot = nx * lightX + ny * lightY + g.normalZ * lightZ;
    g.cosine = lengths > splat(0.0f) ? -dot / lengths : splat(0.0f);

    const FloatLanes innerStart = splat(shading.innerStart);
    const FloatLanes innerEnd = splat(shading.innerEnd);
    g.alpha = outerAlphas(d2, g.covered, shading);
    // The inner edge starts at alpha 127 and rises to 255 over a tenth of the outer radius.
    const MaskLanes inner = (innerStart < r) & (r < innerEnd);
    if (anyLane(inner & g.covered)) {
        const MaskLanes innerAlpha
            = alphaBytes(splat(255.0f) - (innerEnd - r) * splat(255.0f) / (innerEnd - innerStart));
        g.alpha = inner ? innerAlpha : g.alpha;
    }
    return g;
}

// The block's columns and one row's passes, in the caller's working arrays. Nothing here
// allocates or calls a library template: an out-of-line copy built for this instruction
// set could stand in for the one the rest of the program uses. The arrays are padded to whole vectors plus one
// spare vector of zero bases, which fills the last group of highlight chains.
class RowPainter {
public:
    RowPainter(const ShapeShading& shading, int32_t w, const ShapeRowsScratch& scratch)
        : m_shading(shading)
        , m_width(static_cast<std::size_t>(w))
        , m_chunks((m_width + kLaneCount - 1) / kLaneCount)
        , m_columnX(scratch.columnX)
        , m_columnXX(scratch.columnXX)
        , m_alpha(scratch.alpha)
        , m_covered(scratch.covered)
        , m_cosine(scratch.cosine)
        , m_base(scratch.base)
        , m_power(scratch.power)
        , m_active(scratch.active)
        , m_lit(scratch.lit)
    {
        const std::size_t padded = (m_chunks + 1) * kLaneCount;
        for (std::size_t j = 0; j < padded; ++j) {
            // Padding columns lie far outside the unit circle, so they are never covered.
            const float x = j < m_width ? shadingColumnX(shading, static_cast<int32_t>(j)) : 4.0f;
            m_columnX[j] = x;
            m_columnXX[j] = x * x;
            m_base[j] = 0.0f;
        }
    }

    // Paints row i and returns the columns it may have changed.
    RowSpan paint(int32_t i, uint32_t* row)
    {
        const float y = shadingRowY(m_shading, i);
        const float yy = y * y;
        // d2 = x^2 + y^2 is never below y^2, so such a row holds no covered pixel.
        if (!(yy < 1.0f))
            return {};
        if (m_shading.type == kSphereType)
            formGeometry<sphereGeometry>(y, yy);
        else
            formGeometry<torusGeometry>(y, yy);
        if (m_activeCount == 0)
            return {};
        formPowers();
        shade(row);
        const std::size_t lastEnd = (m_active[m_activeCount - 1] + 1) * kLaneCount;
        const std::size_t end = lastEnd < m_width ? lastEnd : m_width;
        return { static_cast<int32_t>(m_active[0] * kLaneCount), static_cast<int32_t>(end) };
    }

private:
    template <Geometry (*geometryOf)(const ShapeShading&, FloatLanes, FloatLanes, FloatLanes)>
    void formGeometry(float y, float yy)
    {
        m_activeCount = 0;
        m_litCount = 0;
        const FloatLanes yLanes = splat(y);
        const FloatLanes yyLanes = splat(yy);
        for (std::size_t chunk = 0; chunk < m_chunks; ++chunk) {
            const std::size_t j = chunk * kLaneCount;
            const FloatLanes d2 = load<FloatLanes>(&m_columnXX[j]) + yyLanes;
            if (!anyLane(d2 < splat(1.0f)))
                continue;
            const Geometry g = geometryOf(m_shading, load<FloatLanes>(&m_columnX[j]), d2, yLanes);
            if (!anyLane(g.covered))
                continue;
            // The z of the reflected light, for pixels that face the light; the highlight
            // base where it comes towards the viewer, else 0.
            const FloatLanes rz
                = g.cosine > splat(0.0f) ? splat(2.0f) * g.normalZ * g.cosine + splat(m_shading.lightZ) : splat(0.0f);
            const FloatLanes base = (rz > splat(0.0f)) & g.covered ? rz : splat(0.0f);
            store(&m_covered[j], g.covered);
            store(&m_alpha[j], g.alpha);
            store(&m_cosine[j], g.cosine);
            store(&m_base[j], base);
            m_active[m_activeCount++] = static_cast<uint32_t>(chunk);
            if (anyLane(base > splat(0.0f)))
                m_lit[m_litCount++] = static_cast<uint32_t>(chunk);
        }
    }

    // The powers of the chunks with a highlight; the third pass reads no other.
    void formPowers()
    {
        const int64_t exponent = m_shading.exponent;
        if (exponent - 1 > m_shading.maxFactors) {
            // Past the factor limit part of the power comes from pow(), pixel by pixel.
            for (std::size_t k = 0; k < m_litCount; ++k) {
                const std::size_t chunk = m_lit[k];
                for (std::size_t j = chunk * kLaneCount; j < (chunk + 1) * kLaneCount; ++j)
                    m_power[j] = m_base[j] > 0.0f ? highlightPower(m_base[j], exponent, m_shading.maxFactors) : 0.0f;
            }
            return;
        }
        // highlightPower stops a chain once a factor leaves its value unchanged (0,
        // infinity, a base of 1, a value held by rounding); every further factor would
        // leave it unchanged too, so multiplying on gives the same value.
        const std::size_t spare = m_chunks;
        for (std::size_t first = 0; first < m_litCount; first += kPowerGroup) {
            std::size_t chunks[kPowerGroup];
            FloatLanes bases[kPowerGroup];
            FloatLanes values[kPowerGroup];
#pragma GCC unroll 8
            for (int k = 0; k < kPowerGroup; ++k) {
                const std::size_t at = first + static_cast<std::size_t>(k);
                chunks[k] = at < m_litCount ? m_lit[at] : spare;
                bases[k] = load<FloatLanes>(&m_base[chunks[k] * kLaneCount]);
                values[k] = bases[k];
            }
            for (int64_t factor = 1; factor < exponent; ++factor) {
#pragma GCC unroll 8
                for (int k = 0; k < kPowerGroup; ++k)
                    values[k] *= bases[k];
            }
#pragma GCC unroll 8
            for (int k = 0; k < kPowerGroup; ++k)
                store(&m_power[chunks[k] * kLaneCount], values[k]);
        }
    }

    void shade(uint32_t* row)
    {
        const ShapeShading& s = m_shading;
        const FloatLanes intensity = splat(s.intensity);
        const FloatLanes ambient = splat(s.ambient);
        const FloatLanes mirrorIntensity = splat(s.mirror * s.intensity);
        for (std::size_t k = 0; k < m_activeCount; ++k) {
            const std::size_t j = m_active[k] * kLaneCount;
            const FloatLanes cosine = load<FloatLanes>(&m_cosine[j]);
            const FloatLanes base = load<FloatLanes>(&m_base[j]);
            const FloatLanes diffuse = intensity * cosine + ambient;
            const FloatLanes highlight
                = base > splat(0.0f) ? mirrorIntensity * load<FloatLanes>(&m_power[j]) : splat(0.0f);
            const MaskLanes red = channelBytes(splat(s.bodyRed) * diffuse + highlight * splat(s.lightRed));
            const MaskLanes green = channelBytes(splat(s.bodyGreen) * diffuse + highlight * splat(s.lightGreen));
            const MaskLanes blue = channelBytes(splat(s.bodyBlue) * diffuse + highlight * splat(s.lightBlue));
            const MaskLanes alpha = load<MaskLanes>(&m_alpha[j]);
            const WordLanes pixels = (reinterpret_cast<WordLanes>(alpha) << 24)
                | (reinterpret_cast<WordLanes>(red) << 16) | (reinterpret_cast<WordLanes>(green) << 8)
                | reinterpret_cast<WordLanes>(blue);
            const MaskLanes covered = load<MaskLanes>(&m_covered[j]);
            if (j + kLaneCount <= m_width) {
                store(row + j, covered ? pixels : load<WordLanes>(row + j));
            } else {
                for (std::size_t lane = 0; j + lane < m_width; ++lane) {
                    if (covered[lane] != 0)
                        row[j + lane] = pixels[lane];
                }
            }
        }
    }

    const ShapeShading& m_shading;
    std::size_t m_width;
    std::size_t m_chunks;
    float* m_columnX;
    float* m_columnXX;
    int32_t* m_alpha;
    int32_t* m_covered;
    float* m_cosine;
    float* m_base;
    float* m_power;
    // The chunks with a covered pixel, and those among them with a highlight.
    uint32_t* m_active;
    std::size_t m_activeCount = 0;
    uint32_t* m_lit;
    std::size_t m_litCount = 0;
};

void paintShapeRows(const ShapeShading& shading, const ShapeRowsScratch& scratch, uint32_t* rows, int32_t w,
    int32_t firstRow, int32_t rowCount, RowSpan* spans)
{
    RowPainter painter(shading, w, scratch);
    for (int32_t row = 0; row < rowCount; ++row) {
        const RowSpan span
            = painter.paint(firstRow + row, rows + static_cast<std::size_t>(row) * static_cast<std::size_t>(w));
        if (spans != nullptr)
            spans[row] = span;
    }
}

} // namespace
