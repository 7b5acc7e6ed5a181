#pragma once

#include <sys/uio.h>

#include <cstdint>
#include <map>
#include <vector>

struct xcb_connection_t;

// Puts blocks of 32-bit pixels straight into an X window with PutImage requests on a
// connection the caller owns (the toolkit's), without a round trip per block: requests
// are only written, and Flush sends what is queued. Since the server handles the requests
// of one connection in order, a block flushed after another is shown after it, and a
// repaint that the toolkit makes later on the same connection lands on top of both.
//
// Pixels are in the byte order of ArgbImage (blue in the low byte). At depth 24 the rows go
// to the server as they lie, since it ignores the top byte; at depth 32 they are copied
// with the top byte made opaque, so the window shows the same colours at either depth.
// Only windows whose visual takes these words as they are (TrueColor, red 0xFF0000, green
// 0xFF00, blue 0xFF, 32 bits per pixel, least significant byte first) are served: Open
// answers false for any other, and the caller draws through the toolkit instead.
//
// A block that lies in shared pixel memory (shared_pixels.h) goes without its pixels on a
// local server with the MIT-SHM extension: the memory file is handed to the server once,
// and each put names the block's rectangle in it, so a put costs the same small request
// whatever the block's size. The server reads the pixels when it handles the request, a
// moment after the put; pixels drawn into the same place in that moment may show a little
// early, which a picture that is only ever drawn over never shows as wrong.
class XcbImagePut {
public:
    XcbImagePut() = default;
    ~XcbImagePut();
    XcbImagePut(const XcbImagePut&) = delete;
    XcbImagePut& operator=(const XcbImagePut&) = delete;

    // Binds to the window; a second call with the same window keeps the binding. Asks the
    // server about the window once (one round trip); false when the window cannot be served.
    bool open(xcb_connection_t* connection, uint32_t window);
    // Forgets the window and frees what was made for it.
    void close();
    bool isOpen() const { return m_gc != 0; }
    uint32_t window() const { return m_window; }

    // Queues the width x height pixels with rows of rowLength pixels at (x, y) of the window;
    // bottomUp takes the last row in memory as the top row. The caller has cut the block to
    // the window.
    void put(const uint32_t* pixels, int32_t width, int32_t height, int32_t rowLength, bool bottomUp, int32_t x,
        int32_t y);
    // Queues a fill of the rectangle with one colour (the top byte is ignored), one small
    // request whatever its size.
    void fill(uint32_t pixel, int32_t x, int32_t y, int32_t width, int32_t height);
    // Sends every queued request.
    void flush();

    // Puts that went through shared memory, for tests.
    uint64_t sharedPuts() const { return m_sharedPuts; }

private:
    // Puts the block by naming it in shared memory; false when it cannot go that way.
    bool putShared(const uint32_t* pixels, int32_t width, int32_t height, int32_t rowLength, int32_t x, int32_t y);
    // The server's segment for the shared block, attached on first use; 0 when none.
    uint32_t segmentFor(uint64_t id, int fd);
    // Detaches the segments of blocks that were freed.
    void detachFreedSegments();

    xcb_connection_t* m_connection = nullptr;
    uint32_t m_window = 0;
    uint32_t m_gc = 0;
    uint32_t m_fillPixel = 0; // the GC's foreground
    uint8_t m_depth = 0;
    uint64_t m_maximumRequestBytes = 0;
    std::vector<uint32_t> m_rows; // the block's rows made opaque and contiguous, at depth 32
    std::vector<iovec> m_vectors; // the pieces of one request, at depth 24
    bool m_shmUsable = false; // a local server with MIT-SHM 1.2 or later
    std::map<uint64_t, uint32_t> m_segments; // shared block id -> server segment, 0 when refused
    uint64_t m_sharedPuts = 0;
    uint64_t m_freedSeen = 0; // shared_pixels::freedCount at the last sweep of m_segments
};
