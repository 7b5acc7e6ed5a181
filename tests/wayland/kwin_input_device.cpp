// Gives a headless KWin's seat a keyboard and a pointer through its fake-input protocol (offered
// to every client when KWIN_WAYLAND_NO_PERMISSION_CHECKS is set), and sends what stdin asks, one
// command a line, until stdin ends:
//   move DX DY    relative pointer motion in pixels
//   button        a press and release of the left button
//   key           a press and release of the space bar
// Prints "ready" once the device exists and "done" after each command the compositor has read.

#include "fake-input-client-protocol.h"

#include <wayland-client.h>

#include <cstdio>
#include <cstring>

namespace {

constexpr uint32_t kLeftButton = 0x110; // BTN_LEFT
constexpr uint32_t kSpaceKey = 57;      // KEY_SPACE
constexpr uint32_t kPressed = 1;
constexpr uint32_t kReleased = 0;

org_kde_kwin_fake_input* FakeInput = nullptr;

void global(void*, wl_registry* registry, uint32_t name, const char* interface, uint32_t version)
{
    if (std::strcmp(interface, org_kde_kwin_fake_input_interface.name) == 0 && version >= 4)
        FakeInput = static_cast<org_kde_kwin_fake_input*>(
            wl_registry_bind(registry, name, &org_kde_kwin_fake_input_interface, 4));
}

void globalRemove(void*, wl_registry*, uint32_t) {}

bool perform(const char* line)
{
    double dx = 0;
    double dy = 0;
    if (std::sscanf(line, "move %lf %lf", &dx, &dy) == 2) {
        org_kde_kwin_fake_input_pointer_motion(FakeInput, wl_fixed_from_double(dx), wl_fixed_from_double(dy));
    } else if (std::strncmp(line, "button", 6) == 0) {
        org_kde_kwin_fake_input_button(FakeInput, kLeftButton, kPressed);
        org_kde_kwin_fake_input_button(FakeInput, kLeftButton, kReleased);
    } else if (std::strncmp(line, "key", 3) == 0) {
        org_kde_kwin_fake_input_keyboard_key(FakeInput, kSpaceKey, kPressed);
        org_kde_kwin_fake_input_keyboard_key(FakeInput, kSpaceKey, kReleased);
    } else {
        return false;
    }
    return true;
}

} // namespace

int main()
{
    wl_display* display = wl_display_connect(nullptr);
    if (display == nullptr) {
        std::fputs("kwin_input_device: no Wayland compositor\n", stderr);
        return 1;
    }
    static const wl_registry_listener listener = { global, globalRemove };
    wl_registry_add_listener(wl_display_get_registry(display), &listener, nullptr);
    wl_display_roundtrip(display);
    if (FakeInput == nullptr) {
        std::fputs("kwin_input_device: the compositor offers no fake input (version 4)\n", stderr);
        return 1;
    }
    org_kde_kwin_fake_input_authenticate(FakeInput, "opal-revel tests", "input for the end-to-end tests");
    wl_display_roundtrip(display);
    std::puts("ready");
    std::fflush(stdout);
    char line[128];
    while (std::fgets(line, sizeof line, stdin) != nullptr) {
        if (!perform(line)) {
            std::fprintf(stderr, "kwin_input_device: unknown command %s", line);
            continue;
        }
        if (wl_display_roundtrip(display) < 0)
            return 1;
        std::puts("done");
        std::fflush(stdout);
    }
    wl_display_disconnect(display);
    return 0;
}
