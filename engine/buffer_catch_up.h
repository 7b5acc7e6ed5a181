#pragma once

#include "engine/dirty_region.h"

#include <cstddef>
#include <vector>

// Where each of a few screen buffers that take turns on screen differs from the newest
// picture, the one last committed. A buffer about to be written is first brought up to
// date by copying from the newest buffer only what it missed and what the coming present
// will not write anyway; the present then writes its own rectangles. Every buffer starts
// out (and after forgetAll) wholly out of date.
class BufferCatchUp {
public:
    // Past this many rectangles a buffer's missed area is kept as their bounding box:
    // copying a little more is cheaper than walking a long list.
    static constexpr std::size_t kMostMissedRects = 64;

    BufferCatchUp(std::size_t buffers, int32_t width, int32_t height);

    // Every buffer is out of date as a whole (a buffer was made anew, or the size changed).
    void forgetAll();
    void forget(std::size_t buffer);
    // Whether any buffer has been committed yet (there is a newest one to copy from).
    bool hasNewest() const { return m_newest < m_missed.size(); }
    std::size_t newest() const { return m_newest; }

    // The rectangles to copy from the newest buffer into this one before the present of
    // these rectangles is written into it: what it missed less what the present covers. They
    // do not overlap the present's rectangles; where two missed rectangles overlap, so may
    // the copies. Empty for the newest buffer itself.
    std::vector<PixelRect> copiesBefore(std::size_t buffer, const std::vector<PixelRect>& present) const;
    // The buffer was caught up, the present written into it, and it was committed: it is the
    // newest, and every other one missed the present.
    void committed(std::size_t buffer, const std::vector<PixelRect>& present);

    const std::vector<PixelRect>& missed(std::size_t buffer) const { return m_missed[buffer]; }

private:
    std::vector<std::vector<PixelRect>> m_missed;
    PixelRect m_whole;
    std::size_t m_newest;
};
