#pragma once

#include <cstdint>
#include <vector>

class BmpImage;
namespace bilinear_rows {
struct Kernels;
}

// Separable two-pass scaling of 32-bit pictures. Every row is first resampled to the new
// width into an intermediate picture of the new width and the source height, then every
// column of that picture to the new height. Each of the four bytes of a pixel is filtered
// on its own as a number 0..255, the sum taken in double precision and truncated.
//
// Positions are not shifted by half a pixel: destination u samples source u / scale, so
// destination 0 always lies on source 0.

// A filter kernel, zero outside [-width, width].
class ResampleKernel {
public:
    explicit ResampleKernel(double width)
        : m_width(width)
    {
    }
    virtual ~ResampleKernel();

    virtual double filter(double t) const = 0;
    double getWidth() const { return m_width; }

protected:
    double m_width;
};

// The triangle (tent): 1 - |t| inside the width, 0 outside.
class BilinearKernel : public ResampleKernel {
public:
    explicit BilinearKernel(double width = 1.0)
        : ResampleKernel(width)
    {
    }
    double filter(double t) const override;
};

class TwoPassScaler {
public:
    // The source positions and normalised weights of every destination position of a pass.
    // Destination u takes sources left[u] .. right[u], whose weights start at
    // weights[firstWeight[u]].
    struct ContributionList {
        std::vector<int32_t> left;
        std::vector<int32_t> right;
        std::vector<std::size_t> firstWeight;
        std::vector<double> weights;
        int32_t window = 0;  // the most sources any one position may take
    };

    explicit TwoPassScaler(const ResampleKernel& filter)
        : m_filter(filter)
    {
    }

    // The contributions of one pass from sourceLength to destinationLength positions.
    // A source of length 0 gives positions without sources (their pixels come out 0).
    ContributionList calcContributions(int32_t sourceLength, int32_t destinationLength) const;

    // Scales a picture of 4-byte pixels; each row array holds one pointer per row.
    void scale(const uint8_t* const* sourceRows, int32_t sourceWidth, int32_t sourceHeight,
               uint8_t* const* destinationRows, int32_t newWidth, int32_t newHeight) const;
    // The same with the given row kernels (bilinear_rows.h) instead of the fastest this
    // processor runs; every set gives the same bytes.
    void scale(const uint8_t* const* sourceRows, int32_t sourceWidth, int32_t sourceHeight,
               uint8_t* const* destinationRows, int32_t newWidth, int32_t newHeight,
               const bilinear_rows::Kernels& kernels) const;

private:
    const ResampleKernel& m_filter;
};

// An operation on a bitmap in place.
class ImageFilter {
public:
    virtual ~ImageFilter();
    virtual void apply(BmpImage& bitmap) const = 0;
};

class ResizeFilter : public ImageFilter {
public:
    ResizeFilter(int32_t newWidth, int32_t newHeight)
        : m_newWidth(newWidth)
        , m_newHeight(newHeight)
    {
    }

protected:
    int32_t m_newWidth;
    int32_t m_newHeight;
};

// Scales a 32-bit bitmap in place with the tent filter of width 1. Throws TextException
// for other depths or a negative size; a size of 0 gives an empty bitmap.
class BilinearResizeFilter : public ResizeFilter {
public:
    using ResizeFilter::ResizeFilter;
    void apply(BmpImage& bitmap) const override;
};
