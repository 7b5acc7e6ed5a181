#pragma once

#include <cstdint>

// One display mode as the mode listing of the display-mode switch sees it: the fields of the
// platform's mode record that the choice reads. `fields` says which of the others are valid.
struct DisplayMode {
    uint32_t fields = 0;
    uint32_t bitsPerPixel = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    // Refresh rate in Hz; 0 and 1 stand for the hardware default.
    uint32_t displayFrequency = 0;
};

// Bits of DisplayMode::fields: which of a mode's fields are set.
constexpr uint32_t DM_BITSPERPEL = 0x00040000;
constexpr uint32_t DM_PELSWIDTH = 0x00080000;
constexpr uint32_t DM_PELSHEIGHT = 0x00100000;
constexpr uint32_t DM_DISPLAYFLAGS = 0x00200000;
constexpr uint32_t DM_DISPLAYFREQUENCY = 0x00400000;

// Flags and answers of DisplayModeSource::changeMode.
constexpr int CDS_TEST = 2;
constexpr int DISP_CHANGE_SUCCESSFUL = 0;
constexpr int DISP_CHANGE_RESTART = 1;
constexpr int DISP_CHANGE_FAILED = -1;

// The system's display modes of the primary screen: what the display-mode switch lists,
// tests, switches to and restores. The real source speaks XRandR; tests give made-up lists.
class DisplayModeSource {
public:
    virtual ~DisplayModeSource() = default;

    // Fills `mode` with mode number `index` (0, 1, 2, ...); false when there is no such mode.
    virtual bool enumMode(uint32_t index, DisplayMode& mode) = 0;
    // With CDS_TEST only asks whether the mode could be set; with 0 sets it at once without
    // storing it anywhere. Answers one of the DISP_CHANGE_ values.
    virtual int changeMode(const DisplayMode& mode, int flags) = 0;
    // Returns the screen to the mode it had before the first change; does nothing when no
    // change was made.
    virtual void restoreMode() = 0;
};
