#include "app/output_surface.h"

#include "platform/wayland_display.h"
#include "engine/renderer_factory.h"

#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#include "xdg-shell-client-protocol.h"

#include <wayland-client.h>

#include <algorithm>
#include <utility>

namespace {

// How soon to try again when every buffer is still held by the compositor.
constexpr int64_t kBufferRetryMicros = 4000;

constexpr uint32_t kAllEdges = ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM
    | ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT | ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT;

// How long after a configure or an output change every present damages the whole surface.
constexpr int64_t kWholeDamageMicros = 5'000'000;

// Sent only to clients of newer xdg-shell versions than the one bound; named for completeness.
void toplevelBounds(void*, xdg_toplevel*, int32_t, int32_t) {}
void toplevelCapabilities(void*, xdg_toplevel*, wl_array*) {}
// Leaving an output asks nothing of the surface.
void surfaceLeave(void*, wl_surface*, wl_output*) {}

} // namespace

OutputSurface::OutputSurface(RunRecord& record, WaylandDisplay& display, wl_output* output, SurfaceRole role)
    : m_record(record)
    , m_display(display)
    , m_output(output)
    , m_role(role)
{
    m_surface = wl_compositor_create_surface(display.compositor());
    static const wl_surface_listener placeListener = { &OutputSurface::surfaceEnter, surfaceLeave };
    wl_surface_add_listener(m_surface, &placeListener, this);
    if (role == SurfaceRole::FullScreen) {
        static const xdg_surface_listener surfaceListener = { &OutputSurface::xdgSurfaceConfigure };
        static const xdg_toplevel_listener toplevelListener
            = { &OutputSurface::toplevelConfigure, &OutputSurface::toplevelClose, toplevelBounds, toplevelCapabilities };
        m_xdgSurface = xdg_wm_base_get_xdg_surface(display.wmBase(), m_surface);
        xdg_surface_add_listener(m_xdgSurface, &surfaceListener, this);
        m_toplevel = xdg_surface_get_toplevel(m_xdgSurface);
        xdg_toplevel_add_listener(m_toplevel, &toplevelListener, this);
        xdg_toplevel_set_title(m_toplevel, "The Screen Saver Form");
        xdg_toplevel_set_app_id(m_toplevel, "opal-revel");
        xdg_toplevel_set_fullscreen(m_toplevel, output);
    } else {
        static const zwlr_layer_surface_v1_listener layerListener
            = { &OutputSurface::layerConfigure, &OutputSurface::layerClosed };
        const bool overlay = role == SurfaceRole::Overlay;
        m_layerSurface = zwlr_layer_shell_v1_get_layer_surface(display.layerShell(), m_surface, output,
            overlay ? ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY : ZWLR_LAYER_SHELL_V1_LAYER_BACKGROUND,
            overlay ? "opal-revel-saver" : "opal-revel-wallpaper");
        zwlr_layer_surface_v1_add_listener(m_layerSurface, &layerListener, this);
        // Size 0 on both axes with all four edges anchored: the compositor gives the whole output.
        zwlr_layer_surface_v1_set_size(m_layerSurface, 0, 0);
        zwlr_layer_surface_v1_set_anchor(m_layerSurface, kAllEdges);
        // -1: covers panels too instead of being moved out of their way.
        zwlr_layer_surface_v1_set_exclusive_zone(m_layerSurface, -1);
        zwlr_layer_surface_v1_set_keyboard_interactivity(m_layerSurface,
            overlay ? ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_EXCLUSIVE
                    : ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_NONE);
    }
    if (role == SurfaceRole::Background) {
        // An empty input region: clicks and the pointer go to whatever is below, the desktop.
        wl_region* nothing = wl_compositor_create_region(display.compositor());
        wl_surface_set_input_region(m_surface, nothing);
        wl_region_destroy(nothing);
    }
    wl_surface_commit(m_surface);
}

OutputSurface::~OutputSurface()
{
    if (m_frameCallback != nullptr)
        wl_callback_destroy(m_frameCallback);
    for (ShmBuffer& buffer : m_buffers)
        buffer.destroy();
    if (m_layerSurface != nullptr)
        zwlr_layer_surface_v1_destroy(m_layerSurface);
    if (m_toplevel != nullptr)
        xdg_toplevel_destroy(m_toplevel);
    if (m_xdgSurface != nullptr)
        xdg_surface_destroy(m_xdgSurface);
    if (m_surface != nullptr)
        wl_surface_destroy(m_surface);
}

void OutputSurface::setAutomaticChanges(bool on)
{
    m_automaticChanges = on;
    if (m_renderer)
        m_renderer->setAutomaticChanges(on);
}

void OutputSurface::layerConfigure(
    void* data, zwlr_layer_surface_v1* /*surface*/, uint32_t serial, uint32_t width, uint32_t height)
{
    auto* self = static_cast<OutputSurface*>(data);
    self->m_pendingWidth = static_cast<int32_t>(width);
    self->m_pendingHeight = static_cast<int32_t>(height);
    self->m_configureSerial = serial;
    self->m_configureOwed = true;
}

void OutputSurface::layerClosed(void* data, zwlr_layer_surface_v1* /*surface*/)
{
    static_cast<OutputSurface*>(data)->m_closed = true;
}

void OutputSurface::toplevelConfigure(
    void* data, xdg_toplevel* /*toplevel*/, int32_t width, int32_t height, struct wl_array* /*states*/)
{
    auto* self = static_cast<OutputSurface*>(data);
    self->m_pendingWidth = width;
    self->m_pendingHeight = height;
}

void OutputSurface::toplevelClose(void* data, xdg_toplevel* /*toplevel*/)
{
    static_cast<OutputSurface*>(data)->m_closed = true;
}

void OutputSurface::xdgSurfaceConfigure(void* data, xdg_surface* /*surface*/, uint32_t serial)
{
    auto* self = static_cast<OutputSurface*>(data);
    self->m_configureSerial = serial;
    self->m_configureOwed = true;
}

void OutputSurface::surfaceEnter(void* data, wl_surface* /*surface*/, wl_output* /*output*/)
{
    // A compositor that moves a surface to another output does not always repaint all of it
    // there (sway shows only what is damaged afterwards): the next present is whole.
    auto* self = static_cast<OutputSurface*>(data);
    self->m_wholeOwed = true;
    if (self->m_configured && self->m_wakeAtMicros < 0)
        self->m_wakeAtMicros = 0;
}

void OutputSurface::acknowledgeConfigure()
{
    m_configureOwed = false;
    m_wholeOwed = true;
    if (m_layerSurface != nullptr) {
        zwlr_layer_surface_v1_ack_configure(m_layerSurface, m_configureSerial);
        resize(m_pendingWidth, m_pendingHeight);
        return;
    }
    xdg_surface_ack_configure(m_xdgSurface, m_configureSerial);
    // A full-screen window is told its output's size; 0 leaves the size to the client, which
    // keeps what it has.
    const int32_t width = m_pendingWidth > 0 ? m_pendingWidth : m_width;
    const int32_t height = m_pendingHeight > 0 ? m_pendingHeight : m_height;
    resize(width > 0 ? width : 640, height > 0 ? height : 480);
}

void OutputSurface::resize(int32_t width, int32_t height)
{
    if (width <= 0 || height <= 0)
        return;
    const bool changed = width != m_width || height != m_height || !m_renderer;
    if (changed) {
        m_width = width;
        m_height = height;
        for (ShmBuffer& buffer : m_buffers)
            buffer.destroy();
        m_panel.resize(width, height);
        if (!m_renderer) {
            m_renderer = makeRenderer(RenderRole::Saver, m_record);
            m_renderer->setAutomaticChanges(m_automaticChanges);
        }
        m_renderer->reset(width, height);
    }
    m_configured = true;
}

int OutputSurface::freeBuffer()
{
    std::vector<bool> free(kBufferCount);
    for (std::size_t index = 0; index < kBufferCount; ++index)
        free[index] = m_buffers[index].buffer() != nullptr && !m_buffers[index].busy();
    const int cheapest = m_panel.cheapestTarget(free);
    if (cheapest >= 0)
        return cheapest;
    for (std::size_t index = 0; index < kBufferCount; ++index) {
        if (m_buffers[index].buffer() == nullptr && m_buffers[index].create(m_display.shm(), m_width, m_height)) {
            m_panel.setBuffer(index, m_buffers[index].pixels());
            return static_cast<int>(index);
        }
    }
    return -1;
}

void OutputSurface::requestFrame()
{
    static const wl_callback_listener frameListener = { &OutputSurface::frameDone };
    m_frameCallback = wl_surface_frame(m_surface);
    wl_callback_add_listener(m_frameCallback, &frameListener, this);
}

void OutputSurface::frameDone(void* data, wl_callback* callback, uint32_t /*time*/)
{
    auto* self = static_cast<OutputSurface*>(data);
    wl_callback_destroy(callback);
    self->m_frameCallback = nullptr;
    self->m_frameShown = true;
}

void OutputSurface::serve(int64_t nowMicros)
{
    // After a configure the picture goes out at once; while a frame callback is under way
    // the next one waits for it.
    bool draw = false;
    if (m_configureOwed) {
        acknowledgeConfigure();
        draw = m_frameCallback == nullptr;
    }
    if (m_frameShown) {
        m_frameShown = false;
        draw = true;
    }
    if (m_wakeAtMicros >= 0 && nowMicros >= m_wakeAtMicros && m_frameCallback == nullptr)
        draw = true;
    if (draw)
        drawFrame(nowMicros);
}

void OutputSurface::drawFrame(int64_t nowMicros)
{
    m_wakeAtMicros = -1;
    if (!m_configured || m_closed || !m_renderer)
        return;
    if (!m_cadence.due(nowMicros)) {
        // A slow clock: the next present waits out its interval by the clock, and this
        // frame callback goes unanswered.
        m_wakeAtMicros = m_cadence.nextDueMicros();
        return;
    }
    const int free = freeBuffer();
    if (free < 0) {
        // Every buffer is on screen or queued: draw a little later rather than into one of them.
        m_wakeAtMicros = nowMicros + kBufferRetryMicros;
        return;
    }
    const auto target = static_cast<std::size_t>(free);
    // With no buffer committed yet there is nothing to catch up from, and after a configure the
    // compositor may show the surface anew: the present is whole.
    if (std::exchange(m_wholeOwed, false)) {
        m_renderer->markWholeFrame();
        m_wholeDamageUntilMicros = nowMicros + kWholeDamageMicros;
    }
    if (m_panel.takeInvalidation() || !m_panel.hasNewest())
        m_renderer->markWholeFrame();
    const int64_t untilNextMicros = m_renderer->step(m_cadence.rendererMicros(nowMicros));
    m_panel.setTarget(target);
    if (!m_renderer->present(m_panel) || m_panel.presented().empty()) {
        // Nothing changed: no commit (which would bring no callback on a compositor that
        // repaints only damage); the clock says when the next sprite is due.
        m_wakeAtMicros = nowMicros + std::max<int64_t>(untilNextMicros, 1000);
        return;
    }

    wl_surface_attach(m_surface, m_buffers[target].buffer(), 0, 0);
    // Every committed buffer holds the whole frame, so damaging all of it is always true; for a
    // while after a configure or an output change it is needed, since the compositor may place
    // the surface after the first whole present and then show only what is damaged.
    if (nowMicros < m_wholeDamageUntilMicros) {
        wl_surface_damage_buffer(m_surface, 0, 0, m_width, m_height);
    } else {
        for (const PixelRect& r : m_panel.presented())
            wl_surface_damage_buffer(m_surface, r.left, r.top, r.right - r.left, r.bottom - r.top);
    }
    requestFrame();
    wl_surface_commit(m_surface);
    m_buffers[target].markBusy();
    m_panel.committed();
    m_cadence.presented(nowMicros);
}
