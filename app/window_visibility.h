#pragma once

#include <xcb/xcb.h>

#include <optional>

// Whether an X window can be seen, for windows that stop drawing while nobody can see them.

// The toolkit's X connection; null on another platform.
xcb_connection_t* toolkitXConnection();

// Adds visibility changes to the events this client asks of the window, keeping the bits the
// toolkit asked for, and reads the window's map state again afterwards (a window mapped
// between the first reading and the new mask would never report it). Returns whether the
// window is viewable; nullopt when it is gone.
std::optional<bool> watchVisibility(xcb_connection_t* connection, xcb_window_t window);

// For a visibility notice about the window: whether it is now fully covered by others;
// nullopt for any other event.
std::optional<bool> fullyObscured(const xcb_generic_event_t* event, xcb_window_t window);
