#include "app/wayland_saver.h"

#include <wayland-client.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <ctime>

#include <poll.h>

namespace {

volatile std::sig_atomic_t TerminationSignal = 0;

void noteSignal(int number) { TerminationSignal = number; }

int64_t monotonicMicros()
{
    timespec now {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1'000'000 + now.tv_nsec / 1000;
}

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
    pointerMoved(x, y);
}

void WaylandSaver::pointerMoved(int32_t x, int32_t y)
{
    // The 20-pixel tolerance is in surface pixels, each output's own as on X11's screens.
    if (m_pointerSurface != nullptr && m_pointerSurface->pointer().movedTooFar(x, y))
        end();
}

int WaylandSaver::run(int* signal)
{
    *signal = 0;
    TerminationSignal = 0;
    // The signals are blocked but while waiting for the compositor, so one that arrives
    // between a check and the wait still ends the wait.
    sigset_t blocked;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGTERM);
    sigaddset(&blocked, SIGINT);
    sigaddset(&blocked, SIGHUP);
    sigset_t previous;
    sigprocmask(SIG_BLOCK, &blocked, &previous);
    struct sigaction action {};
    action.sa_handler = &noteSignal;
    sigemptyset(&action.sa_mask);
    struct sigaction oldActions[3] {};
    const int numbers[3] = { SIGTERM, SIGINT, SIGHUP };
    for (int i = 0; i < 3; ++i)
        sigaction(numbers[i], &action, &oldActions[i]);

    std::string error;
    int status = 0;
    if (!m_display.connect(this, &error)) {
        std::fprintf(stderr, "opal-revel: %s\n", error.c_str());
        status = 1;
    } else if (m_kind == WaylandRunKind::Wallpaper && m_display.layerShell() == nullptr) {
        std::fprintf(stderr, "opal-revel: the Wayland compositor offers no layer-shell, so there is no background layer for the wallpaper\n");
        status = 1;
    }
    wl_display* display = m_display.display();
    while (status == 0 && !m_ended && TerminationSignal == 0) {
        while (wl_display_prepare_read(display) != 0)
            wl_display_dispatch_pending(display);
        dropClosed();
        if (m_ended) {
            wl_display_cancel_read(display);
            break;
        }
        wl_display_flush(display);
        int64_t wakeAt = -1;
        for (const auto& surface : m_surfaces) {
            const int64_t at = surface->wakeAtMicros();
            if (at >= 0 && (wakeAt < 0 || at < wakeAt))
                wakeAt = at;
        }
        timespec timeout {};
        timespec* timeoutPointer = nullptr;
        if (wakeAt >= 0) {
            const int64_t waitMicros = std::max<int64_t>(0, wakeAt - monotonicMicros());
            timeout.tv_sec = waitMicros / 1'000'000;
            timeout.tv_nsec = (waitMicros % 1'000'000) * 1000;
            timeoutPointer = &timeout;
        }
        pollfd descriptor { wl_display_get_fd(display), POLLIN, 0 };
        const int ready = ppoll(&descriptor, 1, timeoutPointer, &previous);
        if (ready > 0 && (descriptor.revents & POLLIN) != 0) {
            if (wl_display_read_events(display) < 0)
                break;
        } else {
            wl_display_cancel_read(display);
            if (ready < 0 && errno != EINTR)
                break;
            if (ready > 0 && (descriptor.revents & (POLLHUP | POLLERR)) != 0)
                break;
        }
        if (wl_display_dispatch_pending(display) < 0)
            break;
        // A termination signal ends the run before another frame is drawn: the figures then
        // tell what the screen shows.
        if (TerminationSignal != 0)
            break;
        const int64_t now = monotonicMicros();
        for (const auto& surface : m_surfaces)
            surface->wake(now);
    }

    m_surfaces.erase(std::remove_if(m_surfaces.begin(), m_surfaces.end(), [this](const auto& surface) {
        if (surface->renderer() != nullptr)
            m_removedFigures.add(surface->renderer()->statistics());
        return true;
    }), m_surfaces.end());
    if (display != nullptr)
        wl_display_flush(display);
    *signal = TerminationSignal;
    for (int i = 0; i < 3; ++i)
        sigaction(numbers[i], &oldActions[i], nullptr);
    sigprocmask(SIG_SETMASK, &previous, nullptr);
    return status;
}
