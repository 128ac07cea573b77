#include "runner/ToolChunk.h"
#include <array>
#include <gtest/gtest.h>
#include <string>

namespace {
// The chunk's bytes, followed by "|" when a NUL cut the read.
std::string Chunk(const char* buffer, std::size_t capacity, std::size_t delivered) {
    const ToolChunk chunk = ChunkBytes(buffer, capacity, delivered);
    return std::string(chunk.bytes) + (chunk.cut ? "|" : "");
}
} // namespace

TEST(ToolChunk, TakesTheDeliveredBytesUpToTheFirstNul) {
    const std::string read("abc\0def\r\n", 9);
    EXPECT_EQ(Chunk(read.data(), read.size(), read.size()), "abc|");
    EXPECT_EQ(Chunk(read.data(), read.size(), 2), "ab");
    EXPECT_EQ(Chunk(read.data(), read.size(), 0), "");
    EXPECT_EQ(Chunk(read.data(), read.size(), 3), "abc") << "the NUL was not delivered";
    const std::string leadingNul("\0abc", 4);
    EXPECT_EQ(Chunk(leadingNul.data(), leadingNul.size(), 4), "|");
}

TEST(ToolChunk, NeverTakesBytesTheReadDidNotDeliver) {
    // The bytes after the delivered count are those of an earlier, longer read.
    std::array<char, kToolReadBytes> buffer{};
    buffer.fill('A');
    buffer[0] = 'o';
    buffer[1] = 'k';
    EXPECT_EQ(Chunk(buffer.data(), buffer.size(), 2), "ok");
}

TEST(ToolChunk, AFullReadWithoutNulIsTheWholeBufferAndNoMore) {
    std::array<char, kToolReadBytes + 1> memory{};
    memory.fill('x');
    memory.back() = 'Z'; // past the buffer; must never show
    const auto chunk = ChunkBytes(memory.data(), kToolReadBytes, kToolReadBytes);
    EXPECT_EQ(chunk.bytes, std::string(kToolReadBytes, 'x'));
    EXPECT_FALSE(chunk.cut);
    EXPECT_EQ(ChunkBytes(memory.data(), kToolReadBytes, kToolReadBytes + 1).bytes.size(),
              kToolReadBytes)
        << "a count above the buffer is held to the buffer";
}
