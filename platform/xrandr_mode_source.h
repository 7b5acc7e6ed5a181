#pragma once

#include "platform/display_mode_source.h"

#include <cstdint>
#include <vector>

struct _XDisplay;

// The display modes of the X server's primary output through XRandR 1.2. The source keeps
// its own Xlib connection, so it works beside any toolkit's connection and needs nothing
// from it. Each mode of the output is one entry, with its refresh rate worked out from its
// timings (0 when the server gives none); the bits per pixel are those of the screen's
// pixmap format for its depth. Changing a mode sets the output's CRTC to it and, when that
// CRTC is the only one lit, makes the screen the mode's size, so that windows see the new
// size; restoring undoes both in the opposite order.
class XRandrModeSource final : public DisplayModeSource {
public:
    // Opens the display named by $DISPLAY. A source without display, without RandR 1.2 or
    // without a lit output lists no modes and changes nothing.
    XRandrModeSource();
    ~XRandrModeSource() override;

    bool available() const { return m_crtc != 0; }

    bool enumMode(uint32_t index, DisplayMode& mode) override;
    int changeMode(const DisplayMode& mode, int flags) override;
    void restoreMode() override;
    // Takes the display as it is now as the one restoreMode returns to, screen size included,
    // whether or not this source changes it: the display watchdog puts back what another
    // process switched. False without a display or a lit output.
    bool rememberCurrentMode();

private:
    struct Entry {
        DisplayMode mode;
        unsigned long id = 0; // the RandR mode
    };
    // The CRTC and screen as they were before the first change.
    struct Original {
        unsigned long mode = 0;
        int x = 0;
        int y = 0;
        unsigned short rotation = 1;
        std::vector<unsigned long> outputs;
        int screenWidth = 0;
        int screenHeight = 0;
        int screenMillimetresWide = 0;
        int screenMillimetresHigh = 0;
        bool screenResized = false;
    };

    void findOutput();
    bool captureOriginal();
    bool setCrtc(unsigned long mode, int x, int y, unsigned short rotation, const std::vector<unsigned long>& outputs);
    int litCrtcCount();

    _XDisplay* m_display = nullptr;
    unsigned long m_root = 0;
    unsigned long m_output = 0;
    unsigned long m_crtc = 0;
    std::vector<Entry> m_entries;
    bool m_changed = false;
    Original m_original;
};
