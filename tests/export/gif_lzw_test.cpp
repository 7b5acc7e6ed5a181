#include "export/gif_lzw.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>

namespace {

// The codes of a stream as a decoder sees them, read with the usual GIF width rules, plus
// what the stream's shape reveals about the coder.
struct CodeTrace {
    std::vector<int> codes;
    std::vector<int> nextCodeAtClear;  // the next free code whenever a clear code arrived
    std::vector<uint8_t> decoded;
    int largestNextCode = 0;
    bool sawEnd = false;
    std::vector<std::size_t> blockLengths;
};

CodeTrace traceCodes(const std::vector<uint8_t>& blocks, int minimumCodeSize)
{
    CodeTrace trace;
    std::vector<uint8_t> data;
    std::size_t at = 0;
    while (at < blocks.size() && blocks[at] != 0) {
        const std::size_t length = blocks[at];
        trace.blockLengths.push_back(length);
        data.insert(data.end(), blocks.begin() + static_cast<std::ptrdiff_t>(at + 1),
                    blocks.begin() + static_cast<std::ptrdiff_t>(at + 1 + length));
        at += 1 + length;
    }
    EXPECT_EQ(at + 1, blocks.size()) << "the zero-length block ends the data";

    const int clear = 1 << minimumCodeSize;
    const int end = clear + 1;
    int width = minimumCodeSize + 1;
    int next = clear + 2;
    std::vector<std::vector<uint8_t>> strings(4096);
    for (int i = 0; i < clear; ++i) {
        strings[static_cast<std::size_t>(i)] = {static_cast<uint8_t>(i)};
    }
    int previous = -1;
    std::size_t bit = 0;
    while (bit + static_cast<std::size_t>(width) <= data.size() * 8) {
        int code = 0;
        for (int i = 0; i < width; ++i, ++bit) {
            code |= ((data[bit / 8] >> (bit % 8)) & 1) << i;
        }
        trace.codes.push_back(code);
        if (code == end) {
            trace.sawEnd = true;
            break;
        }
        if (code == clear) {
            trace.nextCodeAtClear.push_back(next);
            width = minimumCodeSize + 1;
            next = clear + 2;
            previous = -1;
            continue;
        }
        std::vector<uint8_t> current;
        if (code < next && !strings[static_cast<std::size_t>(code)].empty()) {
            current = strings[static_cast<std::size_t>(code)];
        } else {
            EXPECT_EQ(code, next) << "a code the decoder cannot know yet";
            if (previous < 0) {
                return trace;
            }
            current = strings[static_cast<std::size_t>(previous)];
            current.push_back(current.front());
        }
        if (previous >= 0) {
            if (next >= 4096) {
                ADD_FAILURE() << "the code table ran past 4095 without a clear";
                return trace;
            }
            std::vector<uint8_t> added = strings[static_cast<std::size_t>(previous)];
            added.push_back(current.front());
            strings[static_cast<std::size_t>(next)] = added;
            trace.largestNextCode = std::max(trace.largestNextCode, next);
            ++next;
            if (next == 1 << width && width < 12) {
                ++width;
            }
        }
        trace.decoded.insert(trace.decoded.end(), current.begin(), current.end());
        previous = code;
    }
    return trace;
}

// The coder written plainly, with an ordered map for its dictionary: any exact dictionary
// gives the same stream, so the fast table must give these bytes.
std::vector<uint8_t> plainEncode(const std::vector<uint8_t>& indices)
{
    std::vector<uint8_t> bytes;
    uint64_t bits = 0;
    int bitCount = 0;
    const auto put = [&](int code, int width) {
        bits |= static_cast<uint64_t>(code) << bitCount;
        for (bitCount += width; bitCount >= 8; bitCount -= 8, bits >>= 8)
            bytes.push_back(static_cast<uint8_t>(bits));
    };
    std::map<std::pair<int, int>, int> dictionary;
    int width = 9;
    int next = 258;
    int current = -1;
    put(256, width);
    for (const uint8_t index : indices) {
        if (current < 0) {
            current = index;
            continue;
        }
        const auto found = dictionary.find({current, index});
        if (found != dictionary.end()) {
            current = found->second;
            continue;
        }
        put(current, width);
        const int assigned = next++;
        dictionary[{current, index}] = assigned;
        current = index;
        if (assigned == 1 << width) {
            ++width;
        } else if (assigned == 4094) {
            put(current, width);
            put(256, width);
            dictionary.clear();
            width = 9;
            next = 258;
            current = -1;
        }
    }
    if (current >= 0) {
        put(current, width);
        if (next == 1 << width && width < 12)
            ++width;
    }
    put(257, width);
    if (bitCount > 0)
        bytes.push_back(static_cast<uint8_t>(bits));
    std::vector<uint8_t> blocks;
    for (std::size_t at = 0; at < bytes.size(); at += 255) {
        const std::size_t length = std::min<std::size_t>(255, bytes.size() - at);
        blocks.push_back(static_cast<uint8_t>(length));
        blocks.insert(blocks.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at),
            bytes.begin() + static_cast<std::ptrdiff_t>(at + length));
    }
    blocks.push_back(0);
    return blocks;
}

TEST(GifLzw, GivesThePlainCodersStream)
{
    std::mt19937 random(17);
    for (int trial = 0; trial < 12; ++trial) {
        // Noise over few and over all colours, long runs, and smooth bands like a scaled
        // frame's, at lengths around the table's refills.
        const std::size_t count = 1 + random() % 120000;
        const int kind = trial % 4;
        const unsigned colours = kind == 0 ? 256 : 5 + random() % 120;
        std::vector<uint8_t> indices(count);
        for (std::size_t i = 0; i < count; ++i) {
            indices[i] = kind == 2 ? static_cast<uint8_t>(i / 700 % colours)
                : kind == 3        ? static_cast<uint8_t>((i % 256 / 9 + i / 256 / 5 + random() % 2) % colours)
                                   : static_cast<uint8_t>(random() % colours);
        }
        ASSERT_EQ(gif_lzw::encode(indices.data(), indices.size(), 8), plainEncode(indices))
            << "trial " << trial << ", " << count << " indices";
    }
}

TEST(GifLzw, SmallStreamCodeByCode)
{
    // 0 0 0 1: clear, 0, then the string 0 0 (258), then 1, end.
    const uint8_t indices[4] = {0, 0, 0, 1};
    const std::vector<uint8_t> blocks = gif_lzw::encode(indices, 4, 8);
    const CodeTrace trace = traceCodes(blocks, 8);
    EXPECT_EQ(trace.codes, (std::vector<int>{256, 0, 258, 1, 257}));
    // Five 9-bit codes make 45 bits: six bytes in one block.
    EXPECT_EQ(blocks.size(), 1u + 6u + 1u);
    EXPECT_EQ(blocks[0], 6);
    EXPECT_EQ(blocks[1], 0x00);  // clear 256 = 1 0000 0000: its low eight bits
    EXPECT_EQ(blocks[2], 0x01);  // the ninth bit of the clear code, then code 0
}

TEST(GifLzw, RandomIndicesClearRightAfterCode4094)
{
    std::mt19937 random(3);
    std::vector<uint8_t> indices(300000);
    for (uint8_t& index : indices) {
        index = static_cast<uint8_t>(random());
    }
    const std::vector<uint8_t> blocks = gif_lzw::encode(indices.data(), indices.size(), 8);
    const CodeTrace trace = traceCodes(blocks, 8);
    ASSERT_TRUE(trace.sawEnd);
    EXPECT_EQ(trace.decoded, indices);
    // The first clear opens the stream; every later one comes when the decoder has just
    // made entry 4094 (from the one-index string sent before the clear).
    ASSERT_GT(trace.nextCodeAtClear.size(), 10u);
    EXPECT_EQ(trace.nextCodeAtClear.front(), 258);
    for (std::size_t i = 1; i < trace.nextCodeAtClear.size(); ++i) {
        EXPECT_EQ(trace.nextCodeAtClear[i], 4095) << "clear " << i;
    }
    EXPECT_EQ(trace.largestNextCode, 4094);
    for (std::size_t i = 0; i + 1 < trace.blockLengths.size(); ++i) {
        ASSERT_EQ(trace.blockLengths[i], 255u);
    }
    EXPECT_GT(trace.blockLengths.back(), 0u);
}

TEST(GifLzw, TableFullThenEndAtAWidthStep)
{
    // Every pair of neighbours differs (steps of 1, 3, 5, ... through all 256 values), so
    // each index after the first misses and goes out as its own code: the miss at index 3837
    // assigns code 4094, that index is sent at once and a clear follows. The next index
    // continues the pair (x, x + 1) the old table held, but it starts a new string. Then 255
    // more indices assign 258 to 511, after which the decoder widens to 10 bits: the end
    // code must come at 10 bits. The codes before it take 9 + 43255 + 255 x 9 bits; with a
    // 9-bit end code the data would end on a whole byte, one bit short of what the decoder
    // reads, and the padding zeros cannot make up for it.
    std::vector<uint8_t> indices;
    int value = 0;
    for (int i = 0; i < 3838; ++i) {
        indices.push_back(static_cast<uint8_t>(value));
        value += 2 * (i / 256) + 1;
    }
    for (int i = 0; i < 255; ++i) {
        indices.push_back(static_cast<uint8_t>(indices[3837] + 1 + i));
    }
    const std::vector<uint8_t> blocks = gif_lzw::encode(indices.data(), indices.size(), 8);
    const CodeTrace trace = traceCodes(blocks, 8);

    std::vector<int> expected = {256};
    expected.insert(expected.end(), indices.begin(), indices.begin() + 3838);
    expected.push_back(256);
    expected.insert(expected.end(), indices.begin() + 3838, indices.end());
    expected.push_back(257);
    EXPECT_EQ(trace.codes, expected);
    EXPECT_TRUE(trace.sawEnd);
    EXPECT_EQ(trace.decoded, indices);
    std::size_t dataBytes = 0;
    for (std::size_t length : trace.blockLengths) {
        dataBytes += length;
    }
    EXPECT_EQ(dataBytes, (9u + 43255u + 255u * 9u + 10u + 7u) / 8u);
}

TEST(GifLzw, RunsGrowTheWidthAndRoundTrip)
{
    // Long runs of one index make long strings; stripes of runs exercise each width step.
    std::vector<uint8_t> indices;
    for (int stripe = 0; stripe < 400; ++stripe) {
        indices.insert(indices.end(), static_cast<std::size_t>(stripe % 37 + 1), static_cast<uint8_t>(stripe % 5));
    }
    const CodeTrace trace = traceCodes(gif_lzw::encode(indices.data(), indices.size(), 8), 8);
    ASSERT_TRUE(trace.sawEnd);
    EXPECT_EQ(trace.decoded, indices);
}

TEST(GifLzw, EmptyAndSingleIndex)
{
    EXPECT_EQ(traceCodes(gif_lzw::encode(nullptr, 0, 8), 8).codes, (std::vector<int>{256, 257}));
    const uint8_t one = 200;
    EXPECT_EQ(traceCodes(gif_lzw::encode(&one, 1, 8), 8).codes, (std::vector<int>{256, 200, 257}));
}

} // namespace
