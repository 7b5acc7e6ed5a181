// A test client that plays a film as far as the compositor can tell: a small window showing a
// buffer, with an idle inhibitor on its surface. It runs until it is ended.

#include "idle-inhibit-unstable-v1-client-protocol.h"
#include "xdg-shell-client-protocol.h"

#include <wayland-client.h>

#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

namespace {

wl_compositor* compositor = nullptr;
wl_shm* shm = nullptr;
xdg_wm_base* windowManager = nullptr;
zwp_idle_inhibit_manager_v1* inhibitManager = nullptr;
bool configured = false;

void global(void*, wl_registry* registry, uint32_t name, const char* interface, uint32_t)
{
    if (std::strcmp(interface, wl_compositor_interface.name) == 0)
        compositor = static_cast<wl_compositor*>(wl_registry_bind(registry, name, &wl_compositor_interface, 1));
    else if (std::strcmp(interface, wl_shm_interface.name) == 0)
        shm = static_cast<wl_shm*>(wl_registry_bind(registry, name, &wl_shm_interface, 1));
    else if (std::strcmp(interface, xdg_wm_base_interface.name) == 0)
        windowManager = static_cast<xdg_wm_base*>(wl_registry_bind(registry, name, &xdg_wm_base_interface, 1));
    else if (std::strcmp(interface, zwp_idle_inhibit_manager_v1_interface.name) == 0)
        inhibitManager = static_cast<zwp_idle_inhibit_manager_v1*>(
            wl_registry_bind(registry, name, &zwp_idle_inhibit_manager_v1_interface, 1));
}
void globalRemove(void*, wl_registry*, uint32_t) {}
const wl_registry_listener registryListener = { global, globalRemove };

void ping(void*, xdg_wm_base* base, uint32_t serial) { xdg_wm_base_pong(base, serial); }
const xdg_wm_base_listener windowManagerListener = { ping };

void surfaceConfigure(void*, xdg_surface* surface, uint32_t serial)
{
    xdg_surface_ack_configure(surface, serial);
    configured = true;
}
const xdg_surface_listener surfaceListener = { surfaceConfigure };

wl_buffer* makeBuffer(int width, int height)
{
    const int stride = width * 4;
    const int size = stride * height;
    const int descriptor = memfd_create("idle-inhibitor", MFD_CLOEXEC);
    if (descriptor < 0 || ftruncate(descriptor, size) != 0)
        return nullptr;
    void* pixels = mmap(nullptr, static_cast<size_t>(size), PROT_READ | PROT_WRITE, MAP_SHARED, descriptor, 0);
    std::memset(pixels, 0x80, static_cast<size_t>(size));
    wl_shm_pool* pool = wl_shm_create_pool(shm, descriptor, size);
    wl_buffer* buffer = wl_shm_pool_create_buffer(pool, 0, width, height, stride, WL_SHM_FORMAT_XRGB8888);
    wl_shm_pool_destroy(pool);
    close(descriptor);
    return buffer;
}

} // namespace

int main()
{
    wl_display* display = wl_display_connect(nullptr);
    if (display == nullptr) {
        std::fputs("idle_inhibitor: no compositor\n", stderr);
        return 1;
    }
    wl_registry_add_listener(wl_display_get_registry(display), &registryListener, nullptr);
    wl_display_roundtrip(display);
    if (compositor == nullptr || shm == nullptr || windowManager == nullptr || inhibitManager == nullptr) {
        std::fputs("idle_inhibitor: the compositor lacks a needed interface\n", stderr);
        return 1;
    }
    xdg_wm_base_add_listener(windowManager, &windowManagerListener, nullptr);
    wl_surface* surface = wl_compositor_create_surface(compositor);
    xdg_surface* shellSurface = xdg_wm_base_get_xdg_surface(windowManager, surface);
    xdg_surface_add_listener(shellSurface, &surfaceListener, nullptr);
    xdg_toplevel* toplevel = xdg_surface_get_toplevel(shellSurface);
    xdg_toplevel_set_title(toplevel, "film");
    wl_surface_commit(surface);
    while (!configured && wl_display_dispatch(display) >= 0) {
    }
    wl_surface_attach(surface, makeBuffer(64, 64), 0, 0);
    wl_surface_commit(surface);
    zwp_idle_inhibit_manager_v1_create_inhibitor(inhibitManager, surface);
    wl_surface_commit(surface);
    std::puts("inhibiting");
    std::fflush(stdout);
    while (wl_display_dispatch(display) >= 0) {
    }
    return 0;
}
