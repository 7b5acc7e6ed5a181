// Gives a headless compositor's seat a pointer until the process is ended: a virtual pointer
// device, so that clients get wl_pointer and the compositor's cursor commands ("swaymsg seat
// - cursor move/press") reach them as motion and buttons. Prints "ready" once the device exists.

#include "virtual-pointer-unstable-v1-client-protocol.h"

#include <wayland-client.h>

#include <cstdio>
#include <cstring>

namespace {

zwlr_virtual_pointer_manager_v1* Manager = nullptr;

void global(void*, wl_registry* registry, uint32_t name, const char* interface, uint32_t)
{
    if (std::strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0)
        Manager = static_cast<zwlr_virtual_pointer_manager_v1*>(
            wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1));
}

void globalRemove(void*, wl_registry*, uint32_t) {}

} // namespace

int main()
{
    wl_display* display = wl_display_connect(nullptr);
    if (display == nullptr) {
        std::fputs("pointer_device: no Wayland compositor\n", stderr);
        return 1;
    }
    static const wl_registry_listener listener = { global, globalRemove };
    wl_registry_add_listener(wl_display_get_registry(display), &listener, nullptr);
    wl_display_roundtrip(display);
    if (Manager == nullptr) {
        std::fputs("pointer_device: the compositor offers no virtual pointers\n", stderr);
        return 1;
    }
    zwlr_virtual_pointer_manager_v1_create_virtual_pointer(Manager, nullptr);
    wl_display_roundtrip(display);
    std::puts("ready");
    std::fflush(stdout);
    while (wl_display_dispatch(display) >= 0) {
    }
    return 0;
}
