#include "platform/x11_idle_source.h"

#include <xcb/sync.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace {

template <typename Reply>
struct FreeReply {
    void operator()(Reply* reply) const { std::free(reply); }
};
template <typename Reply>
using ReplyPointer = std::unique_ptr<Reply, FreeReply<Reply>>;

xcb_sync_int64_t syncValue(int64_t value)
{
    return { static_cast<int32_t>(value >> 32), static_cast<uint32_t>(value & 0xFFFFFFFFu) };
}

// The IDLETIME system counter; 0 when the server has none. The list is read field by field:
// libxcb's accessors for it place each name two bytes too far on, as the entry's fixed part
// is 14 bytes long and they round it up to 16.
uint32_t findIdleCounter(xcb_connection_t* connection)
{
    const ReplyPointer<xcb_sync_list_system_counters_reply_t> counters(
        xcb_sync_list_system_counters_reply(connection, xcb_sync_list_system_counters(connection), nullptr));
    if (!counters)
        return 0;
    const auto* entry = reinterpret_cast<const uint8_t*>(counters.get() + 1);
    const uint8_t* end = entry + 4 * static_cast<size_t>(counters->length);
    constexpr size_t kFixedBytes = 14; // counter (4), resolution (8), name length (2)
    for (uint32_t index = 0; index < counters->counters_len && entry + kFixedBytes <= end; ++index) {
        uint32_t counter = 0;
        uint16_t nameLength = 0;
        std::memcpy(&counter, entry, sizeof counter);
        std::memcpy(&nameLength, entry + 12, sizeof nameLength);
        if (entry + kFixedBytes + nameLength > end)
            break;
        if (std::string_view(reinterpret_cast<const char*>(entry + kFixedBytes), nameLength) == "IDLETIME")
            return counter;
        entry += (kFixedBytes + nameLength + 3) & ~size_t(3);
    }
    return 0;
}

bool hasProperty(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t property)
{
    const ReplyPointer<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, window, property, XCB_ATOM_ANY, 0, 0), nullptr));
    return reply && reply->type != XCB_ATOM_NONE;
}

} // namespace

std::unique_ptr<X11IdleSource> X11IdleSource::open(std::string* error)
{
    std::unique_ptr<X11IdleSource> source(new X11IdleSource);
    source->m_connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(source->m_connection)) {
        *error = "no X server to watch (DISPLAY)";
        return nullptr;
    }
    const xcb_query_extension_reply_t* sync = xcb_get_extension_data(source->m_connection, &xcb_sync_id);
    const ReplyPointer<xcb_sync_initialize_reply_t> version(xcb_sync_initialize_reply(
        source->m_connection, xcb_sync_initialize(source->m_connection, 3, 1), nullptr));
    if (sync == nullptr || !sync->present || !version) {
        *error = "the X server has no SYNC extension";
        return nullptr;
    }
    source->m_alarmEvent = static_cast<uint8_t>(sync->first_event + XCB_SYNC_ALARM_NOTIFY);
    source->m_counter = findIdleCounter(source->m_connection);
    if (source->m_counter == 0) {
        *error = "the X server has no IDLETIME counter";
        return nullptr;
    }
    return source;
}

X11IdleSource::~X11IdleSource()
{
    if (m_connection == nullptr)
        return;
    if (m_alarm != 0)
        xcb_sync_destroy_alarm(m_connection, m_alarm);
    xcb_disconnect(m_connection);
}

int X11IdleSource::fileDescriptor() const { return xcb_get_file_descriptor(m_connection); }

bool X11IdleSource::watch(int idleMilliseconds, Listener listener)
{
    m_idleMilliseconds = idleMilliseconds;
    m_listener = std::move(listener);
    m_idle = false;
    armAlarm();
    return xcb_connection_has_error(m_connection) == 0;
}

void X11IdleSource::armAlarm()
{
    // Comparisons, not transitions: an alarm set when the counter is already past its value
    // fires at once, so no change between two reports is lost.
    xcb_sync_create_alarm_value_list_t values {};
    values.counter = m_counter;
    values.valueType = XCB_SYNC_VALUETYPE_ABSOLUTE;
    values.value = syncValue(m_idle ? m_idleMilliseconds - 1 : m_idleMilliseconds);
    values.testType = m_idle ? XCB_SYNC_TESTTYPE_NEGATIVE_COMPARISON : XCB_SYNC_TESTTYPE_POSITIVE_COMPARISON;
    values.delta = syncValue(0);
    values.events = 1;
    const uint32_t mask = XCB_SYNC_CA_COUNTER | XCB_SYNC_CA_VALUE_TYPE | XCB_SYNC_CA_VALUE | XCB_SYNC_CA_TEST_TYPE
        | XCB_SYNC_CA_DELTA | XCB_SYNC_CA_EVENTS;
    if (m_alarm == 0) {
        m_alarm = xcb_generate_id(m_connection);
        xcb_sync_create_alarm_aux(m_connection, m_alarm, mask, &values);
    } else {
        xcb_sync_change_alarm_value_list_t change {};
        std::memcpy(&change, &values, sizeof change);
        xcb_sync_change_alarm_aux(m_connection, m_alarm, mask, &change);
    }
    xcb_flush(m_connection);
}

bool X11IdleSource::dispatch()
{
    while (xcb_generic_event_t* event = xcb_poll_for_event(m_connection)) {
        const bool ours = (event->response_type & 0x7F) == m_alarmEvent
            && reinterpret_cast<xcb_sync_alarm_notify_event_t*>(event)->alarm == m_alarm;
        std::free(event);
        if (!ours)
            continue;
        m_idle = !m_idle;
        armAlarm();
        if (m_listener)
            m_listener(m_idle);
    }
    return xcb_connection_has_error(m_connection) == 0;
}

bool X11IdleSource::blank()
{
    xcb_force_screen_saver(m_connection, XCB_SCREEN_SAVER_ACTIVE);
    return xcb_flush(m_connection) > 0;
}

bool x11ScreenSaverDaemonRuns()
{
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    bool found = false;
    if (xcb_connection_has_error(connection) == 0) {
        const char name[] = "_SCREENSAVER_VERSION";
        const ReplyPointer<xcb_intern_atom_reply_t> atom(xcb_intern_atom_reply(
            connection, xcb_intern_atom(connection, 1, sizeof name - 1, name), nullptr));
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
        if (atom && atom->atom != XCB_ATOM_NONE) {
            found = hasProperty(connection, root, atom->atom);
            const ReplyPointer<xcb_query_tree_reply_t> tree(
                xcb_query_tree_reply(connection, xcb_query_tree(connection, root), nullptr));
            const xcb_window_t* children = tree ? xcb_query_tree_children(tree.get()) : nullptr;
            for (int index = 0; tree && !found && index < xcb_query_tree_children_length(tree.get()); ++index)
                found = hasProperty(connection, children[index], atom->atom);
        }
    }
    xcb_disconnect(connection);
    return found;
}
