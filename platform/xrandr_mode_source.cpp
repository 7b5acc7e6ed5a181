#include "platform/xrandr_mode_source.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <cmath>

namespace {

constexpr uint32_t kAllModeFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT | DM_DISPLAYFREQUENCY;

// The bits one pixel takes in memory at the screen's depth: depth 24 is stored in 32 bits.
uint32_t bitsPerPixel(Display* display)
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

// Vertical refresh in whole Hz from the mode's timings, as display settings show it.
uint32_t refreshRate(const XRRModeInfo& info)
{
    double lines = info.vTotal;
    if (info.modeFlags & RR_DoubleScan)
        lines *= 2;
    if (info.modeFlags & RR_Interlace)
        lines /= 2;
    if (info.hTotal == 0 || lines <= 0)
        return 0;
    return static_cast<uint32_t>(std::lround(static_cast<double>(info.dotClock) / (info.hTotal * lines)));
}

const XRRModeInfo* findModeInfo(const XRRScreenResources* resources, RRMode id)
{
    for (int index = 0; index < resources->nmode; ++index) {
        if (resources->modes[index].id == id)
            return &resources->modes[index];
    }
    return nullptr;
}

// A refused change must not end the program: errors of this connection are only counted.
int g_errors = 0;
int countXError(Display*, XErrorEvent*)
{
    ++g_errors;
    return 0;
}

// Runs the requests with errors counted instead of fatal; true when none arrived.
template<typename Requests> bool withoutXErrors(Display* display, Requests requests)
{
    XSync(display, False);
    g_errors = 0;
    XErrorHandler previous = XSetErrorHandler(countXError);
    bool answered = requests();
    XSync(display, False);
    XSetErrorHandler(previous);
    return answered && g_errors == 0;
}

} // namespace

XRandrModeSource::XRandrModeSource()
{
    m_display = XOpenDisplay(nullptr);
    if (m_display == nullptr)
        return;
    int eventBase = 0;
    int errorBase = 0;
    int major = 0;
    int minor = 0;
    if (!XRRQueryExtension(m_display, &eventBase, &errorBase) || !XRRQueryVersion(m_display, &major, &minor)
        || major < 1 || (major == 1 && minor < 2))
        return;
    m_root = DefaultRootWindow(m_display);
    findOutput();
}

XRandrModeSource::~XRandrModeSource()
{
    if (m_display != nullptr)
        XCloseDisplay(m_display);
}

void XRandrModeSource::findOutput()
{
    XRRScreenResources* resources = XRRGetScreenResourcesCurrent(m_display, m_root);
    if (resources == nullptr)
        return;
    // The primary output, else the first one that is lit.
    RROutput chosen = XRRGetOutputPrimary(m_display, m_root);
    XRROutputInfo* output = chosen != 0 ? XRRGetOutputInfo(m_display, resources, chosen) : nullptr;
    for (int index = 0; (output == nullptr || output->crtc == 0) && index < resources->noutput; ++index) {
        if (output != nullptr)
            XRRFreeOutputInfo(output);
        chosen = resources->outputs[index];
        output = XRRGetOutputInfo(m_display, resources, chosen);
    }
    if (output != nullptr && output->crtc != 0) {
        m_output = chosen;
        m_crtc = output->crtc;
        const uint32_t bits = bitsPerPixel(m_display);
        for (int index = 0; index < output->nmode; ++index) {
            const XRRModeInfo* info = findModeInfo(resources, output->modes[index]);
            if (info == nullptr)
                continue;
            Entry entry;
            entry.id = info->id;
            entry.mode = DisplayMode { kAllModeFields, bits, info->width, info->height, refreshRate(*info) };
            m_entries.push_back(entry);
        }
    }
    if (output != nullptr)
        XRRFreeOutputInfo(output);
    XRRFreeScreenResources(resources);
}

bool XRandrModeSource::enumMode(uint32_t index, DisplayMode& mode)
{
    if (index >= m_entries.size())
        return false;
    mode = m_entries[index].mode;
    return true;
}

int XRandrModeSource::litCrtcCount()
{
    XRRScreenResources* resources = XRRGetScreenResourcesCurrent(m_display, m_root);
    if (resources == nullptr)
        return 0;
    int lit = 0;
    for (int index = 0; index < resources->ncrtc; ++index) {
        XRRCrtcInfo* crtc = XRRGetCrtcInfo(m_display, resources, resources->crtcs[index]);
        if (crtc != nullptr && crtc->mode != 0)
            ++lit;
        if (crtc != nullptr)
            XRRFreeCrtcInfo(crtc);
    }
    XRRFreeScreenResources(resources);
    return lit;
}

bool XRandrModeSource::setCrtc(unsigned long mode, int x, int y, unsigned short rotation,
    const std::vector<unsigned long>& outputs)
{
    XRRScreenResources* resources = XRRGetScreenResourcesCurrent(m_display, m_root);
    if (resources == nullptr)
        return false;
    std::vector<RROutput> list(outputs.begin(), outputs.end());
    bool done = withoutXErrors(m_display, [&] {
        return XRRSetCrtcConfig(m_display, resources, m_crtc, CurrentTime, x, y, mode, rotation, list.data(),
                   static_cast<int>(list.size()))
            == RRSetConfigSuccess;
    });
    XRRFreeScreenResources(resources);
    return done;
}

bool XRandrModeSource::captureOriginal()
{
    XRRScreenResources* resources = XRRGetScreenResourcesCurrent(m_display, m_root);
    XRRCrtcInfo* crtc = resources != nullptr ? XRRGetCrtcInfo(m_display, resources, m_crtc) : nullptr;
    if (crtc == nullptr) {
        if (resources != nullptr)
            XRRFreeScreenResources(resources);
        return false;
    }
    const int screen = DefaultScreen(m_display);
    m_original = Original {};
    m_original.mode = crtc->mode;
    m_original.x = crtc->x;
    m_original.y = crtc->y;
    m_original.rotation = crtc->rotation;
    m_original.outputs.assign(crtc->outputs, crtc->outputs + crtc->noutput);
    m_original.screenWidth = DisplayWidth(m_display, screen);
    m_original.screenHeight = DisplayHeight(m_display, screen);
    m_original.screenMillimetresWide = DisplayWidthMM(m_display, screen);
    m_original.screenMillimetresHigh = DisplayHeightMM(m_display, screen);
    XRRFreeCrtcInfo(crtc);
    XRRFreeScreenResources(resources);
    return true;
}

bool XRandrModeSource::rememberCurrentMode()
{
    if (m_crtc == 0 || !captureOriginal())
        return false;
    // Whether the other process resized the screen is not known here; setting the size it
    // had is harmless when it was never changed.
    m_original.screenResized = true;
    m_changed = true;
    return true;
}

int XRandrModeSource::changeMode(const DisplayMode& mode, int flags)
{
    const Entry* found = nullptr;
    for (const Entry& entry : m_entries) {
        const DisplayMode& offered = entry.mode;
        if (offered.width == mode.width && offered.height == mode.height && offered.bitsPerPixel == mode.bitsPerPixel
            && offered.displayFrequency == mode.displayFrequency)
            found = &entry;
    }
    if (m_crtc == 0 || found == nullptr)
        return DISP_CHANGE_FAILED;
    if (flags & CDS_TEST)
        return DISP_CHANGE_SUCCESSFUL;

    if (!m_changed && !captureOriginal())
        return DISP_CHANGE_FAILED;

    // The CRTC first, at the top-left corner: the screen may only shrink once nothing
    // lit reaches beyond the new size.
    std::vector<unsigned long> outputs = m_original.outputs;
    if (outputs.empty())
        outputs.push_back(m_output);
    if (!setCrtc(found->id, 0, 0, m_original.rotation, outputs))
        return DISP_CHANGE_FAILED;
    m_changed = true;

    const auto width = static_cast<int>(found->mode.width);
    const auto height = static_cast<int>(found->mode.height);
    if (litCrtcCount() == 1 && (width != m_original.screenWidth || height != m_original.screenHeight)) {
        // Keep the physical size in proportion, so the dots per inch stay as they were.
        const int wide = m_original.screenWidth > 0 ? m_original.screenMillimetresWide * width / m_original.screenWidth : 0;
        const int high
            = m_original.screenHeight > 0 ? m_original.screenMillimetresHigh * height / m_original.screenHeight : 0;
        m_original.screenResized = withoutXErrors(m_display, [&] {
            XRRSetScreenSize(m_display, m_root, width, height, wide, high);
            return true;
        });
    }
    return DISP_CHANGE_SUCCESSFUL;
}

void XRandrModeSource::restoreMode()
{
    if (!m_changed)
        return;
    // The screen grows back before the CRTC takes its larger mode again.
    if (m_original.screenResized) {
        withoutXErrors(m_display, [&] {
            XRRSetScreenSize(m_display, m_root, m_original.screenWidth, m_original.screenHeight,
                m_original.screenMillimetresWide, m_original.screenMillimetresHigh);
            return true;
        });
    }
    if (setCrtc(m_original.mode, m_original.x, m_original.y, m_original.rotation, m_original.outputs))
        m_changed = false;
}
