#include "platform/xcb_image_put.h"

#include "platform/shared_pixels.h"

#include <xcb/shm.h>
#include <xcb/xcb.h>
#include <xcb/xcbext.h>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <memory>

namespace {

constexpr uint32_t kOpaque = 0xFF000000u;
constexpr uint32_t kRedMask = 0x00FF0000u;
constexpr uint32_t kGreenMask = 0x0000FF00u;
constexpr uint32_t kBlueMask = 0x000000FFu;
constexpr uint8_t kPixelBits = 32;
// The depth whose 32-bit pixels leave the top byte unused.
constexpr uint8_t kOpaqueDepth = 24;
// A PutImage request's fixed part, with room for the longer header of big requests.
constexpr uint64_t kRequestHeaderBytes = 32;
// Rows handed to the kernel in one request, well below the vectors one write may take.
constexpr int32_t kRowsPerVectorRequest = 512;
// The vectors in front of a request's own that xcb_send_request may use.
constexpr size_t kReservedVectors = 2;

struct FreeReply {
    void operator()(void* reply) const { std::free(reply); }
};
template <typename Reply> using ReplyPointer = std::unique_ptr<Reply, FreeReply>;

// True when the server takes 32-bit words of depth `depth` as 0x??RRGGBB, low byte first.
bool takesArgbWords(const xcb_setup_t* setup, uint8_t depth, xcb_visualid_t visual)
{
    if (setup->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST)
        return false;
    bool thirtyTwoBits = false;
    for (auto formats = xcb_setup_pixmap_formats_iterator(setup); formats.rem > 0; xcb_format_next(&formats)) {
        if (formats.data->depth == depth)
            thirtyTwoBits = formats.data->bits_per_pixel == kPixelBits && formats.data->scanline_pad == kPixelBits;
    }
    if (!thirtyTwoBits)
        return false;
    for (auto screens = xcb_setup_roots_iterator(setup); screens.rem > 0; xcb_screen_next(&screens)) {
        for (auto depths = xcb_screen_allowed_depths_iterator(screens.data); depths.rem > 0; xcb_depth_next(&depths)) {
            if (depths.data->depth != depth)
                continue;
            for (auto visuals = xcb_depth_visuals_iterator(depths.data); visuals.rem > 0;
                xcb_visualtype_next(&visuals)) {
                const xcb_visualtype_t& type = *visuals.data;
                if (type.visual_id == visual)
                    return type._class == XCB_VISUAL_CLASS_TRUE_COLOR && type.red_mask == kRedMask
                        && type.green_mask == kGreenMask && type.blue_mask == kBlueMask;
            }
        }
    }
    return false;
}

// Memory files can be handed only over a local socket, and only to a server whose MIT-SHM
// takes them (version 1.2).
bool canShareMemoryFiles(xcb_connection_t* connection)
{
    sockaddr_storage address {};
    socklen_t length = sizeof(address);
    if (getsockname(xcb_get_file_descriptor(connection), reinterpret_cast<sockaddr*>(&address), &length) != 0
        || address.ss_family != AF_UNIX)
        return false;
    const xcb_query_extension_reply_t* extension = xcb_get_extension_data(connection, &xcb_shm_id);
    if (extension == nullptr || extension->present == 0)
        return false;
    const ReplyPointer<xcb_shm_query_version_reply_t> version(
        xcb_shm_query_version_reply(connection, xcb_shm_query_version(connection), nullptr));
    return version && (version->major_version > 1 || (version->major_version == 1 && version->minor_version >= 2));
}

} // namespace

XcbImagePut::~XcbImagePut() { close(); }

bool XcbImagePut::open(xcb_connection_t* connection, uint32_t window)
{
    if (isOpen() && connection == m_connection && window == m_window)
        return true;
    close();
    if (connection == nullptr || window == 0 || xcb_connection_has_error(connection) != 0)
        return false;

    const auto geometryCookie = xcb_get_geometry(connection, window);
    const auto attributesCookie = xcb_get_window_attributes(connection, window);
    const ReplyPointer<xcb_get_geometry_reply_t> geometry(xcb_get_geometry_reply(connection, geometryCookie, nullptr));
    const ReplyPointer<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_reply(connection, attributesCookie, nullptr));
    if (!geometry || !attributes || !takesArgbWords(xcb_get_setup(connection), geometry->depth, attributes->visual))
        return false;

    m_connection = connection;
    m_window = window;
    m_depth = geometry->depth;
    m_maximumRequestBytes = uint64_t { xcb_get_maximum_request_length(connection) } * 4;
    m_shmUsable = m_depth == kOpaqueDepth && canShareMemoryFiles(connection);
    m_gc = xcb_generate_id(connection);
    m_fillPixel = 0;
    const uint32_t foreground[] = { m_fillPixel };
    xcb_create_gc(connection, m_gc, window, XCB_GC_FOREGROUND, foreground);
    return true;
}

void XcbImagePut::close()
{
    if (m_connection != nullptr && xcb_connection_has_error(m_connection) == 0) {
        for (const auto& [id, segment] : m_segments) {
            if (segment != 0)
                xcb_shm_detach(m_connection, segment);
        }
    }
    m_segments.clear();
    m_shmUsable = false;
    if (m_gc != 0 && m_connection != nullptr && xcb_connection_has_error(m_connection) == 0)
        xcb_free_gc(m_connection, m_gc);
    m_gc = 0;
    m_window = 0;
    m_connection = nullptr;
    m_rows = {};
}

void XcbImagePut::put(const uint32_t* pixels, int32_t width, int32_t height, int32_t rowLength, bool bottomUp,
    int32_t x, int32_t y)
{
    if (!isOpen() || pixels == nullptr || width <= 0 || height <= 0 || rowLength < width || width > INT16_MAX
        || height > INT16_MAX)
        return;
    if (!bottomUp && m_shmUsable && putShared(pixels, width, height, rowLength, x, y))
        return;
    const uint64_t rowBytes = uint64_t { static_cast<uint32_t>(width) } * sizeof(uint32_t);
    // A block larger than one request allows goes in bands of whole rows.
    auto bandRows = static_cast<int32_t>(std::clamp<uint64_t>(
        m_maximumRequestBytes > kRequestHeaderBytes ? (m_maximumRequestBytes - kRequestHeaderBytes) / rowBytes : 1, 1,
        static_cast<uint64_t>(height)));
    const auto rowAt = [&](int32_t shown) {
        const int64_t memoryRow = bottomUp ? int64_t { height } - 1 - shown : shown;
        return pixels + memoryRow * rowLength;
    };

    if (m_depth == kOpaqueDepth) {
        // The top byte is not shown at this depth, so the rows go out as they lie: the
        // kernel copies them from the caller's memory into the connection.
        bandRows = std::min(bandRows, kRowsPerVectorRequest);
        for (int32_t top = 0; top < height; top += bandRows) {
            const int32_t rows = std::min(bandRows, height - top);
            xcb_put_image_request_t request {};
            request.format = XCB_IMAGE_FORMAT_Z_PIXMAP;
            request.drawable = m_window;
            request.gc = m_gc;
            request.width = static_cast<uint16_t>(width);
            request.height = static_cast<uint16_t>(rows);
            request.dst_x = static_cast<int16_t>(x);
            request.dst_y = static_cast<int16_t>(y + top);
            request.depth = m_depth;
            m_vectors.assign(kReservedVectors + 1 + static_cast<size_t>(rows), iovec {});
            m_vectors[kReservedVectors] = { &request, sizeof(request) };
            for (int32_t i = 0; i < rows; ++i)
                m_vectors[kReservedVectors + 1 + static_cast<size_t>(i)]
                    = { const_cast<uint32_t*>(rowAt(top + i)), static_cast<size_t>(rowBytes) };
            const xcb_protocol_request_t protocol { 1 + static_cast<size_t>(rows), nullptr, XCB_PUT_IMAGE, 1 };
            xcb_send_request(m_connection, 0, m_vectors.data() + kReservedVectors, &protocol);
        }
        return;
    }

    // At depth 32 the top byte is alpha: make every pixel opaque in a copy.
    m_rows.resize(static_cast<size_t>(width) * static_cast<size_t>(bandRows));
    for (int32_t top = 0; top < height; top += bandRows) {
        const int32_t rows = std::min(bandRows, height - top);
        uint32_t* out = m_rows.data();
        for (int32_t shown = top; shown < top + rows; ++shown) {
            const uint32_t* in = rowAt(shown);
            for (int32_t i = 0; i < width; ++i)
                out[i] = in[i] | kOpaque;
            out += width;
        }
        xcb_put_image(m_connection, XCB_IMAGE_FORMAT_Z_PIXMAP, m_window, m_gc, static_cast<uint16_t>(width),
            static_cast<uint16_t>(rows), static_cast<int16_t>(x), static_cast<int16_t>(y + top), 0, m_depth,
            static_cast<uint32_t>(rowBytes * static_cast<uint64_t>(rows)),
            reinterpret_cast<const uint8_t*>(m_rows.data()));
    }
}

bool XcbImagePut::putShared(
    const uint32_t* pixels, int32_t width, int32_t height, int32_t rowLength, int32_t x, int32_t y)
{
    const std::optional<shared_pixels::Block> block = shared_pixels::find(pixels);
    if (!block || rowLength > UINT16_MAX)
        return false;
    // The server reads an image of rowLength x height pixels, whole rows, from the row
    // start before the block's first pixel; all of it must lie in the memory.
    const auto first = static_cast<uint64_t>(reinterpret_cast<const std::byte*>(pixels) - block->base);
    if (first % 4 != 0)
        return false;
    const uint64_t column = (first / 4) % static_cast<uint32_t>(rowLength);
    const uint64_t rowStart = first - column * 4;
    const uint64_t imageBytes = uint64_t { static_cast<uint32_t>(rowLength) } * static_cast<uint32_t>(height) * 4;
    if (column + static_cast<uint32_t>(width) > static_cast<uint32_t>(rowLength) || rowStart > UINT32_MAX
        || imageBytes > block->bytes - rowStart)
        return false;
    detachFreedSegments();
    const uint32_t segment = segmentFor(block->id, block->fd);
    if (segment == 0)
        return false;
    xcb_shm_put_image(m_connection, m_window, m_gc, static_cast<uint16_t>(rowLength), static_cast<uint16_t>(height),
        static_cast<uint16_t>(column), 0, static_cast<uint16_t>(width), static_cast<uint16_t>(height),
        static_cast<int16_t>(x), static_cast<int16_t>(y), m_depth, XCB_IMAGE_FORMAT_Z_PIXMAP, 0, segment,
        static_cast<uint32_t>(rowStart));
    ++m_sharedPuts;
    return true;
}

uint32_t XcbImagePut::segmentFor(uint64_t id, int fd)
{
    if (const auto known = m_segments.find(id); known != m_segments.end())
        return known->second;
    // The request takes its own copy of the descriptor and closes it once sent.
    const int copy = fcntl(fd, F_DUPFD_CLOEXEC, 0);
    uint32_t segment = 0;
    if (copy >= 0) {
        segment = xcb_generate_id(m_connection);
        // One round trip per block: a server that cannot map the file says so here, and the
        // block then goes the plain way.
        const xcb_void_cookie_t cookie = xcb_shm_attach_fd_checked(m_connection, segment, copy, 1);
        if (xcb_generic_error_t* error = xcb_request_check(m_connection, cookie)) {
            std::free(error);
            segment = 0;
        }
    }
    m_segments[id] = segment;
    return segment;
}

void XcbImagePut::detachFreedSegments()
{
    const uint64_t freed = shared_pixels::freedCount();
    if (freed == m_freedSeen)
        return;
    m_freedSeen = freed;
    for (auto it = m_segments.begin(); it != m_segments.end();) {
        if (shared_pixels::alive(it->first)) {
            ++it;
            continue;
        }
        if (it->second != 0)
            xcb_shm_detach(m_connection, it->second);
        it = m_segments.erase(it);
    }
}

void XcbImagePut::fill(uint32_t pixel, int32_t x, int32_t y, int32_t width, int32_t height)
{
    if (!isOpen() || width <= 0 || height <= 0)
        return;
    // The protocol's rectangles have 16-bit sides: a larger one goes in tiles.
    pixel = m_depth == kOpaqueDepth ? pixel & ~kOpaque : pixel | kOpaque;
    if (pixel != m_fillPixel) {
        m_fillPixel = pixel;
        xcb_change_gc(m_connection, m_gc, XCB_GC_FOREGROUND, &m_fillPixel);
    }
    for (int64_t top = y; top < int64_t { y } + height; top += INT16_MAX) {
        for (int64_t left = x; left < int64_t { x } + width; left += INT16_MAX) {
            const xcb_rectangle_t tile { static_cast<int16_t>(std::clamp<int64_t>(left, INT16_MIN, INT16_MAX)),
                static_cast<int16_t>(std::clamp<int64_t>(top, INT16_MIN, INT16_MAX)),
                static_cast<uint16_t>(std::min<int64_t>(int64_t { x } + width - left, INT16_MAX)),
                static_cast<uint16_t>(std::min<int64_t>(int64_t { y } + height - top, INT16_MAX)) };
            xcb_poly_fill_rectangle(m_connection, m_window, m_gc, 1, &tile);
        }
    }
}

void XcbImagePut::flush()
{
    if (isOpen())
        xcb_flush(m_connection);
}
