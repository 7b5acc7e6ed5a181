#include "app/resolutions.h"

#include <algorithm>
#include <tuple>

namespace {

constexpr uint32_t kMinimumWidth = 400;
constexpr uint32_t kMinimumRefresh = 60;
constexpr uint32_t kRequiredFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT | DM_DISPLAYFLAGS | DM_DISPLAYFREQUENCY;

// Counting and collecting disagree on purpose about a rate of 1: the count takes 0 or
// at least 60, the collection also takes 1. The table is sized by the count, so the
// collection stops when it is full.
bool countsForTable(const DisplayMode& mode)
{
    return mode.width >= kMinimumWidth && (mode.displayFrequency == 0 || mode.displayFrequency >= kMinimumRefresh);
}

bool isDefaultRate(uint32_t rate) { return rate == 0 || rate == 1; }

bool sameShape(const DisplayMode& a, const DisplayMode& b)
{
    return a.width == b.width && a.height == b.height && a.bitsPerPixel == b.bitsPerPixel;
}

} // namespace

std::vector<DisplayMode> listDisplayModes(DisplayModeSource& source)
{
    // Counting pass.
    std::size_t count = 0;
    DisplayMode mode;
    for (uint32_t index = 0; count < kModeTableSize && source.enumMode(index, mode); ++index) {
        if (countsForTable(mode))
            ++count;
    }
    std::vector<DisplayMode> table;
    if (count == 0)
        return table;
    table.reserve(count);

    // Collecting pass: a default-rate mode adds nothing when the same size and depth is
    // already listed.
    for (uint32_t index = 0; table.size() < count && source.enumMode(index, mode); ++index) {
        if (mode.width < kMinimumWidth)
            continue;
        bool rateAccepted = mode.displayFrequency >= kMinimumRefresh || isDefaultRate(mode.displayFrequency);
        if (!rateAccepted)
            continue;
        if (isDefaultRate(mode.displayFrequency)
            && std::any_of(table.begin(), table.end(), [&](const DisplayMode& kept) { return sameShape(kept, mode); }))
            continue;
        table.push_back(mode);
    }

    std::stable_sort(table.begin(), table.end(), [](const DisplayMode& a, const DisplayMode& b) {
        return std::tie(a.width, a.height, a.bitsPerPixel, a.displayFrequency)
            < std::tie(b.width, b.height, b.bitsPerPixel, b.displayFrequency);
    });
    return table;
}

const DisplayMode* find640x480(const std::vector<DisplayMode>& table)
{
    for (uint32_t bits : { 32u, 16u }) {
        for (const DisplayMode& mode : table) {
            if (mode.width == 640 && mode.height == 480 && mode.bitsPerPixel == bits)
                return &mode;
        }
    }
    return nullptr;
}

bool switchTo640x480(DisplayModeSource& source)
{
    std::vector<DisplayMode> table = listDisplayModes(source);
    const DisplayMode* target = find640x480(table);
    if (target == nullptr || (target->fields & kRequiredFields) == 0)
        return false;

    int test = source.changeMode(*target, CDS_TEST);
    if (test == DISP_CHANGE_RESTART)
        return false;
    if (test == DISP_CHANGE_SUCCESSFUL)
        source.changeMode(*target, 0);
    // Any other answer switched nothing, yet the restore is still asked for; it then has
    // nothing to undo.
    return true;
}

void restoreDisplay(DisplayModeSource& source) { source.restoreMode(); }
