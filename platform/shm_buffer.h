#pragma once

#include <cstdint>

struct wl_buffer;
struct wl_shm;

// One XRGB8888 picture in memory shared with the Wayland compositor. After a commit the
// compositor holds the buffer until it sends release; until then busy() is true and the
// pixels must not be written.
class ShmBuffer {
public:
    ShmBuffer() = default;
    ~ShmBuffer();
    ShmBuffer(const ShmBuffer&) = delete;
    ShmBuffer& operator=(const ShmBuffer&) = delete;

    // Allocates width x height pixels; false when the memory or the pool cannot be had.
    bool create(wl_shm* shm, int32_t width, int32_t height);
    void destroy();

    wl_buffer* buffer() const { return m_buffer; }
    uint32_t* pixels() const { return m_pixels; }
    int32_t width() const { return m_width; }
    int32_t height() const { return m_height; }
    bool busy() const { return m_busy; }
    // Called when the buffer is attached and committed: the compositor holds it from now on.
    void markBusy() { m_busy = true; }

private:
    static void released(void* data, wl_buffer* buffer);

    wl_buffer* m_buffer = nullptr;
    uint32_t* m_pixels = nullptr;
    int32_t m_width = 0;
    int32_t m_height = 0;
    bool m_busy = false;
};
