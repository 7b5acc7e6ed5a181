#include "app/wayland_saver.h"

#include "app/run_statistics.h"
#include "app/termination_signals.h"
#include "platform/monotonic_clock.h"

#include <wayland-client.h>

#include <algorithm>
#include <cstdio>

namespace {

void complain(const char* text) { std::fprintf(stderr, "opal-revel: %s\n", text); }

} // namespace

WaylandSaver::WaylandSaver(RunRecord& record, WaylandRunKind kind)
    : m_record(record)
    , m_kind(kind)
{
    m_display.setInputWanted(kind == WaylandRunKind::Saver);
}

WaylandSaver::~WaylandSaver() { m_surfaces.clear(); }

RenderStatistics WaylandSaver::statistics() const
{
    RenderStatistics figures = m_removedFigures;
    for (const auto& surface : m_surfaces) {
        if (surface->renderer() != nullptr)
            figures.add(surface->renderer()->statistics());
    }
    return figures;
}

void WaylandSaver::outputAdded(uint32_t /*name*/, wl_output* output)
{
    SurfaceRole role = SurfaceRole::FullScreen;
    if (m_display.layerShell() != nullptr)
        role = m_kind == WaylandRunKind::Saver ? SurfaceRole::Overlay : SurfaceRole::Background;
    m_surfaces.push_back(std::make_unique<OutputSurface>(m_record, m_display, output, role));
    m_surfaces.back()->setTimeScale(m_timeScale);
    chooseDrive();
}

void WaylandSaver::outputRemoved(uint32_t /*name*/, wl_output* output)
{
    const auto found = std::find_if(m_surfaces.begin(), m_surfaces.end(),
        [output](const std::unique_ptr<OutputSurface>& surface) { return surface->output() == output; });
    if (found == m_surfaces.end())
        return;
    if (m_pointerSurface == found->get())
        m_pointerSurface = nullptr;
    if ((*found)->renderer() != nullptr)
        m_removedFigures.add((*found)->renderer()->statistics());
    m_surfaces.erase(found);
    chooseDrive();
}

void WaylandSaver::chooseDrive()
{
    for (std::size_t i = 0; i < m_surfaces.size(); ++i)
        m_surfaces[i]->setAutomaticChanges(i == 0);
}

void WaylandSaver::dropClosed()
{
    // A surface the compositor closed while its output stays (a full-screen window closed
    // by the user) ends the saver, as closing the saver's window does on X11.
    for (const auto& surface : m_surfaces) {
        if (surface->closed() && m_kind == WaylandRunKind::Saver)
            end();
    }
}

void WaylandSaver::end() { m_ended = true; }

void WaylandSaver::keyPressed() { end(); }

void WaylandSaver::buttonPressed() { end(); }

void WaylandSaver::pointerEntered(wl_surface* surface, int32_t x, int32_t y)
{
    m_pointerSurface = nullptr;
    for (const auto& candidate : m_surfaces) {
        if (candidate->surface() == surface)
            m_pointerSurface = candidate.get();
    }
    if (m_pointerSurface != nullptr)
        m_pointerSurface->pointer().entered(x, y);
}

void WaylandSaver::pointerMoved(int32_t x, int32_t y)
{
    // The 20-pixel tolerance is in surface pixels, each output's own as on X11's screens.
    if (m_pointerSurface != nullptr && m_pointerSurface->pointer().movedTooFar(x, y))
        end();
}

int WaylandSaver::run(const TerminationSignalCatch& termination)
{
    int status = connect(termination.descriptor());
    while (status == 0 && !m_ended && termination.received() == 0) {
        if (waitForEvents(termination.descriptor()) == WaylandWait::Lost) {
            complain("the Wayland compositor went away");
            status = 1;
            break;
        }
        // A termination signal ends the run before another frame is drawn: the figures then
        // tell what the screen shows.
        if (termination.received() != 0)
            break;
        serveSurfaces();
    }
    teardown();
    return status;
}

int WaylandSaver::connect(int wakeDescriptor)
{
    std::string error;
    const WaylandStart started = m_display.start(this, wakeDescriptor, kAnswerMicros, &error);
    if (started == WaylandStart::Failed) {
        complain(error.c_str());
        return 1;
    }
    if (started == WaylandStart::Started && m_kind == WaylandRunKind::Wallpaper && m_display.layerShell() == nullptr) {
        complain("the Wayland compositor offers no layer-shell, so there is no background layer for the wallpaper");
        return 1;
    }
    return 0;
}

WaylandWait WaylandSaver::waitForEvents(int wakeDescriptor)
{
    int64_t wakeAt = -1;
    for (const auto& surface : m_surfaces) {
        const int64_t at = surface->wakeAtMicros();
        if (at >= 0 && (wakeAt < 0 || at < wakeAt))
            wakeAt = at;
    }
    return m_display.wait(wakeDescriptor, wakeAt < 0 ? -1 : std::max<int64_t>(0, wakeAt - monotonicMicros()));
}

void WaylandSaver::serveSurfaces()
{
    const int64_t now = monotonicMicros();
    for (const auto& surface : m_surfaces)
        surface->serve(now);
    dropClosed();
}

void WaylandSaver::teardown()
{
    for (const auto& surface : m_surfaces) {
        if (surface->renderer() != nullptr)
            m_removedFigures.add(surface->renderer()->statistics());
    }
    m_surfaces.clear();
    if (m_display.display() != nullptr)
        wl_display_flush(m_display.display());
}

int runWaylandMode(RunRecord& record, WaylandRunKind kind, double timeScale, const std::function<double()>& runSeconds)
{
    const TerminationSignalCatch termination;
    WaylandSaver saver(record, kind);
    saver.setTimeScale(timeScale);
    const int status = saver.run(termination);
    writeRunStatisticsIfAsked(saver.statistics(), runSeconds());
    termination.reraise();
    return status;
}
