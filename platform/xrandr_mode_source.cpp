#include "platform/xrandr_mode_source.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

namespace {

constexpr uint32_t kAllModeFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT | DM_DISPLAYFREQUENCY;

// The bits one pixel takes in memory at the screen's depth: depth 24 is stored in 32 bits.
uint32_t BitsPerPixel(Display* display)
{
    int depth = DefaultDepth(display, DefaultScreen(display));
    int count = 0;
    XPixmapFormatValues* formats = XListPixmapFormats(display, &count);
    uint32_t bits = static_cast<uint32_t>(depth);
    for (int index = 0; formats != nullptr && index < count; ++index) {
        if (formats[index].depth == depth)
            bits = static_cast<uint32_t>(formats[index].bits_per_pixel);
    }
    if (formats != nullptr)
        XFree(formats);
    return bits;
}

// The modes are rare events in a program's life; an X error here must not end it.
int IgnoreXError(Display*, XErrorEvent*) { return 0; }

} // namespace

XRandrModeSource::XRandrModeSource()
{
    m_display = XOpenDisplay(nullptr);
    if (m_display == nullptr)
        return;
    int eventBase = 0;
    int errorBase = 0;
    if (!XRRQueryExtension(m_display, &eventBase, &errorBase)) {
        XCloseDisplay(m_display);
        m_display = nullptr;
        return;
    }
    ListModes();
}

XRandrModeSource::~XRandrModeSource()
{
    if (m_display != nullptr)
        XCloseDisplay(m_display);
}

void XRandrModeSource::ListModes()
{
    Window root = DefaultRootWindow(m_display);
    XRRScreenConfiguration* config = XRRGetScreenInfo(m_display, root);
    if (config == nullptr)
        return;
    uint32_t bits = BitsPerPixel(m_display);
    int sizeCount = 0;
    XRRScreenSize* sizes = XRRConfigSizes(config, &sizeCount);
    for (int sizeIndex = 0; sizeIndex < sizeCount; ++sizeIndex) {
        Entry entry;
        entry.sizeIndex = sizeIndex;
        entry.mode.fields = kAllModeFields;
        entry.mode.bitsPerPixel = bits;
        entry.mode.width = static_cast<uint32_t>(sizes[sizeIndex].width);
        entry.mode.height = static_cast<uint32_t>(sizes[sizeIndex].height);
        int rateCount = 0;
        short* rates = XRRConfigRates(config, sizeIndex, &rateCount);
        if (rateCount <= 0) {
            m_entries.push_back(entry);
            continue;
        }
        for (int rateIndex = 0; rateIndex < rateCount; ++rateIndex) {
            entry.rate = rates[rateIndex];
            entry.mode.displayFrequency = rates[rateIndex] > 0 ? static_cast<uint32_t>(rates[rateIndex]) : 0;
            m_entries.push_back(entry);
        }
    }
    XRRFreeScreenConfigInfo(config);
}

bool XRandrModeSource::EnumMode(uint32_t index, DisplayMode& mode)
{
    if (index >= m_entries.size())
        return false;
    mode = m_entries[index].mode;
    return true;
}

const XRandrModeSource::Entry* XRandrModeSource::FindEntry(const DisplayMode& mode) const
{
    for (const Entry& entry : m_entries) {
        const DisplayMode& offered = entry.mode;
        if (offered.width == mode.width && offered.height == mode.height && offered.bitsPerPixel == mode.bitsPerPixel
            && offered.displayFrequency == mode.displayFrequency)
            return &entry;
    }
    return nullptr;
}

bool XRandrModeSource::SetConfig(int sizeIndex, unsigned short rotation, short rate)
{
    Window root = DefaultRootWindow(m_display);
    // The configuration carries the server's timestamp, so it is fetched fresh for each change.
    XRRScreenConfiguration* config = XRRGetScreenInfo(m_display, root);
    if (config == nullptr)
        return false;
    XErrorHandler previous = XSetErrorHandler(IgnoreXError);
    Status status = rate > 0 ? XRRSetScreenConfigAndRate(m_display, config, root, sizeIndex, rotation, rate, CurrentTime)
                             : XRRSetScreenConfig(m_display, config, root, sizeIndex, rotation, CurrentTime);
    XSync(m_display, False);
    XSetErrorHandler(previous);
    XRRFreeScreenConfigInfo(config);
    return status == RRSetConfigSuccess;
}

int XRandrModeSource::ChangeMode(const DisplayMode& mode, int flags)
{
    if (m_display == nullptr)
        return DISP_CHANGE_FAILED;
    const Entry* entry = FindEntry(mode);
    if (entry == nullptr)
        return DISP_CHANGE_FAILED;
    if (flags & CDS_TEST)
        return DISP_CHANGE_SUCCESSFUL;

    if (!m_changed) {
        XRRScreenConfiguration* config = XRRGetScreenInfo(m_display, DefaultRootWindow(m_display));
        if (config == nullptr)
            return DISP_CHANGE_FAILED;
        Rotation rotation = 0;
        m_original.sizeIndex = XRRConfigCurrentConfiguration(config, &rotation);
        m_original.rotation = rotation;
        m_original.rate = XRRConfigCurrentRate(config);
        XRRFreeScreenConfigInfo(config);
    }
    if (!SetConfig(entry->sizeIndex, m_original.rotation, entry->rate))
        return DISP_CHANGE_FAILED;
    m_changed = true;
    return DISP_CHANGE_SUCCESSFUL;
}

void XRandrModeSource::RestoreMode()
{
    if (m_display == nullptr || !m_changed)
        return;
    if (SetConfig(m_original.sizeIndex, m_original.rotation, m_original.rate))
        m_changed = false;
}
