#include "platform/shared_pixels.h"

#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <iterator>
#include <map>
#include <mutex>

namespace shared_pixels {
namespace {

struct Registry {
    std::mutex mutex;
    std::map<const std::byte*, Block> blocks; // by base address
    uint64_t lastId = 0;
    std::atomic<uint64_t> freed { 0 };
};

Registry& registry()
{
    static Registry* const instance = new Registry; // lives to the end: blocks may be freed late
    return *instance;
}

} // namespace

void* allocate(std::size_t bytes)
{
    if (bytes == 0)
        return nullptr;
    const int fd = memfd_create("opal-pixels", MFD_CLOEXEC);
    if (fd < 0)
        return nullptr;
    if (ftruncate(fd, static_cast<off_t>(bytes)) != 0) {
        close(fd);
        return nullptr;
    }
    void* memory = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (memory == MAP_FAILED) {
        close(fd);
        return nullptr;
    }
    Registry& blocks = registry();
    const std::lock_guard lock(blocks.mutex);
    const auto* base = static_cast<const std::byte*>(memory);
    blocks.blocks[base] = Block { ++blocks.lastId, base, bytes, fd };
    return memory;
}

bool free(void* memory)
{
    Block block;
    {
        Registry& blocks = registry();
        const std::lock_guard lock(blocks.mutex);
        const auto found = blocks.blocks.find(static_cast<const std::byte*>(memory));
        if (found == blocks.blocks.end())
            return false;
        block = found->second;
        blocks.blocks.erase(found);
        blocks.freed.fetch_add(1, std::memory_order_relaxed);
    }
    munmap(memory, block.bytes);
    close(block.fd);
    return true;
}

std::optional<Block> find(const void* pointer)
{
    const auto* byte = static_cast<const std::byte*>(pointer);
    Registry& blocks = registry();
    const std::lock_guard lock(blocks.mutex);
    auto after = blocks.blocks.upper_bound(byte);
    if (after == blocks.blocks.begin())
        return std::nullopt;
    const Block& block = std::prev(after)->second;
    if (byte >= block.base + block.bytes)
        return std::nullopt;
    return block;
}

bool alive(uint64_t id)
{
    Registry& blocks = registry();
    const std::lock_guard lock(blocks.mutex);
    for (const auto& [base, block] : blocks.blocks) {
        if (block.id == id)
            return true;
    }
    return false;
}

uint64_t freedCount() { return registry().freed.load(std::memory_order_relaxed); }

} // namespace shared_pixels
