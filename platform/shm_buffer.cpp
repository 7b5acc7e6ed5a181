#include "platform/shm_buffer.h"

#include <wayland-client.h>

#include <sys/mman.h>
#include <unistd.h>


ShmBuffer::~ShmBuffer() { destroy(); }

bool ShmBuffer::create(wl_shm* shm, int32_t width, int32_t height)
{
    destroy();
    if (shm == nullptr || width <= 0 || height <= 0)
        return false;
    const int32_t stride = width * 4;
    const size_t size = static_cast<size_t>(stride) * static_cast<size_t>(height);
    const int fd = memfd_create("opal-revel-frame", MFD_CLOEXEC);
    if (fd < 0)
        return false;
    if (ftruncate(fd, static_cast<off_t>(size)) != 0) {
        close(fd);
        return false;
    }
    void* memory = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (memory == MAP_FAILED) {
        close(fd);
        return false;
    }
    wl_shm_pool* pool = wl_shm_create_pool(shm, fd, static_cast<int32_t>(size));
    m_buffer = wl_shm_pool_create_buffer(pool, 0, width, height, stride, WL_SHM_FORMAT_XRGB8888);
    wl_shm_pool_destroy(pool);
    close(fd);
    static const wl_buffer_listener listener = { .release = &ShmBuffer::released };
    wl_buffer_add_listener(m_buffer, &listener, this);
    m_pixels = static_cast<uint32_t*>(memory);
    m_width = width;
    m_height = height;
    m_busy = false;
    return true;
}

void ShmBuffer::destroy()
{
    if (m_buffer != nullptr)
        wl_buffer_destroy(m_buffer);
    if (m_pixels != nullptr)
        munmap(m_pixels, static_cast<size_t>(m_width) * 4 * static_cast<size_t>(m_height));
    m_buffer = nullptr;
    m_pixels = nullptr;
    m_width = 0;
    m_height = 0;
    m_busy = false;
}

void ShmBuffer::released(void* data, wl_buffer* /*buffer*/) { static_cast<ShmBuffer*>(data)->m_busy = false; }
