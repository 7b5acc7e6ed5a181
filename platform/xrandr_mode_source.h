#pragma once

#include "platform/display_mode_source.h"

#include <memory>
#include <vector>

struct _XDisplay;

// The display modes of the X server's default screen through XRandR. The source keeps its
// own Xlib connection, so it works beside any toolkit's connection and needs nothing from it.
// Each mode is one screen size at one of its refresh rates (a size without rates lists once,
// at rate 0); the bits per pixel are those of the screen's pixmap format for its depth.
class XRandrModeSource final : public DisplayModeSource {
public:
    // Opens the display named by $DISPLAY. A source without display or without the RandR
    // extension lists no modes and changes nothing.
    XRandrModeSource();
    ~XRandrModeSource() override;

    bool Available() const { return m_display != nullptr; }

    bool EnumMode(uint32_t index, DisplayMode& mode) override;
    int ChangeMode(const DisplayMode& mode, int flags) override;
    void RestoreMode() override;

private:
    struct Entry {
        DisplayMode mode;
        int sizeIndex = 0;
        short rate = 0;
    };
    struct Original {
        int sizeIndex = 0;
        unsigned short rotation = 0;
        short rate = 0;
    };

    void ListModes();
    const Entry* FindEntry(const DisplayMode& mode) const;
    bool SetConfig(int sizeIndex, unsigned short rotation, short rate);

    _XDisplay* m_display = nullptr;
    std::vector<Entry> m_entries;
    bool m_changed = false;
    Original m_original;
};
