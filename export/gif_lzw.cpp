#include "export/gif_lzw.h"

#include <array>
#include <memory>

namespace {

constexpr int kLargestCodeBits = 12;

// An exact dictionary of (prefix code, index) pairs in an open-addressed table. Each slot
// holds the pair and its code in one word, so a probe is one load from a table that stays
// in the first-level cache; the next pixel's probe waits on this one, so its length is what
// the coder's speed comes down to.
class StringTable {
public:
    StringTable() { clear(); }

    void clear() { m_slots.fill(kEmpty); }

    // The code of the string (prefix, index), or -1.
    int find(int prefix, int index) const
    {
        const uint32_t key = makeKey(prefix, index);
        for (std::size_t slot = hash(prefix, index);; slot = (slot + 1) & kMask) {
            const uint32_t entry = m_slots[slot];
            if (entry >> kCodeBits == key) {
                return static_cast<int>(entry & kCodeMask);
            }
            if (entry == kEmpty) {
                return -1;
            }
        }
    }

    void insert(int prefix, int index, int code)
    {
        std::size_t slot = hash(prefix, index);
        while (m_slots[slot] != kEmpty) {
            slot = (slot + 1) & kMask;
        }
        m_slots[slot] = makeKey(prefix, index) << kCodeBits | static_cast<uint32_t>(code);
    }

private:
    // Twice the largest number of strings, so probes stay short.
    static constexpr std::size_t kSlots = 8192;
    static constexpr std::size_t kMask = kSlots - 1;
    static constexpr int kCodeBits = 12;
    static constexpr uint32_t kCodeMask = (1u << kCodeBits) - 1;
    // No pair has the key of all ones: prefixes stay below 4095.
    static constexpr uint32_t kEmpty = 0xFFFFFFFFu;

    static uint32_t makeKey(int prefix, int index) { return static_cast<uint32_t>(prefix) << 8 | static_cast<uint32_t>(index); }
    // A multiplicative hash: neighbouring pairs land far apart, so runs of taken slots
    // stay short under linear probing.
    static std::size_t hash(int prefix, int index) { return makeKey(prefix, index) * 2654435761u >> 19 & kMask; }

    std::array<uint32_t, kSlots> m_slots;
};

// Packs codes least significant bit first and cuts the bytes into sub-blocks.
class BlockWriter {
public:
    explicit BlockWriter(std::vector<uint8_t>& output)
        : m_output(output)
    {
    }

    void put(int code, int width)
    {
        m_bits |= static_cast<uint32_t>(code) << m_bitCount;
        m_bitCount += width;
        while (m_bitCount >= 8) {
            putByte(static_cast<uint8_t>(m_bits));
            m_bits >>= 8;
            m_bitCount -= 8;
        }
    }

    // Pads the last byte with zero bits, writes the last block and the zero-length block.
    void finish()
    {
        if (m_bitCount > 0) {
            putByte(static_cast<uint8_t>(m_bits));
            m_bits = 0;
            m_bitCount = 0;
        }
        if (m_blockLength > 0) {
            writeBlock();
        }
        m_output.push_back(0);
    }

private:
    void putByte(uint8_t byte)
    {
        m_block[m_blockLength++] = byte;
        if (m_blockLength == gif_lzw::kSubBlockBytes) {
            writeBlock();
        }
    }

    void writeBlock()
    {
        m_output.push_back(static_cast<uint8_t>(m_blockLength));
        m_output.insert(m_output.end(), m_block.begin(), m_block.begin() + static_cast<std::ptrdiff_t>(m_blockLength));
        m_blockLength = 0;
    }

    std::vector<uint8_t>& m_output;
    uint32_t m_bits = 0;
    int m_bitCount = 0;
    std::array<uint8_t, gif_lzw::kSubBlockBytes> m_block{};
    std::size_t m_blockLength = 0;
};

} // namespace

std::vector<uint8_t> gif_lzw::encode(const uint8_t* indices, std::size_t count, int minimumCodeSize)
{
    const int clearCode = 1 << minimumCodeSize;
    const int endCode = clearCode + 1;
    const int firstFreeCode = clearCode + 2;

    std::vector<uint8_t> output;
    output.reserve(count / 2 + 16);
    BlockWriter writer(output);
    auto table = std::make_unique<StringTable>();

    int width = minimumCodeSize + 1;
    int nextCode = firstFreeCode;
    int current = -1;  // the code of the current string; -1 while it is empty
    writer.put(clearCode, width);

    for (std::size_t i = 0; i < count; ++i) {
        const int index = indices[i];
        if (current < 0) {
            current = index;
            continue;
        }
        const int extended = table->find(current, index);
        if (extended >= 0) {
            current = extended;
            continue;
        }
        writer.put(current, width);
        const int assigned = nextCode++;
        table->insert(current, index, assigned);
        current = index;
        if (assigned == 1 << width) {
            ++width;
        } else if (assigned == kMostCodes) {
            writer.put(current, width);
            writer.put(clearCode, width);
            table->clear();
            width = minimumCodeSize + 1;
            nextCode = firstFreeCode;
            current = -1;
        }
    }
    if (current >= 0) {
        writer.put(current, width);
        // On reading this last code the decoder makes the entry the previous miss assigned
        // and widens its codes once its next free code reaches 2^width; the end code has to
        // go out at the width it will be read with.
        if (nextCode == 1 << width && width < kLargestCodeBits) {
            ++width;
        }
    }
    writer.put(endCode, width);
    writer.finish();
    return output;
}
