#include "app/window_visibility.h"

#include <QGuiApplication>

#include <cstdlib>

xcb_connection_t* toolkitXConnection()
{
    auto* x11 = qGuiApp != nullptr ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 != nullptr ? x11->connection() : nullptr;
}

std::optional<bool> watchVisibility(xcb_connection_t* connection, xcb_window_t window)
{
    xcb_get_window_attributes_reply_t* attributes
        = xcb_get_window_attributes_reply(connection, xcb_get_window_attributes(connection, window), nullptr);
    if (attributes == nullptr)
        return std::nullopt;
    if ((attributes->your_event_mask & XCB_EVENT_MASK_VISIBILITY_CHANGE) == 0) {
        const uint32_t mask = attributes->your_event_mask | XCB_EVENT_MASK_VISIBILITY_CHANGE;
        xcb_change_window_attributes(connection, window, XCB_CW_EVENT_MASK, &mask);
        std::free(attributes);
        attributes = xcb_get_window_attributes_reply(connection, xcb_get_window_attributes(connection, window), nullptr);
        if (attributes == nullptr)
            return std::nullopt;
    }
    const bool viewable = attributes->map_state == XCB_MAP_STATE_VIEWABLE;
    std::free(attributes);
    return viewable;
}

std::optional<bool> fullyObscured(const xcb_generic_event_t* event, xcb_window_t window)
{
    if ((event->response_type & 0x7F) != XCB_VISIBILITY_NOTIFY)
        return std::nullopt;
    const auto* visibility = reinterpret_cast<const xcb_visibility_notify_event_t*>(event);
    if (visibility->window != window)
        return std::nullopt;
    return visibility->state == XCB_VISIBILITY_FULLY_OBSCURED;
}
