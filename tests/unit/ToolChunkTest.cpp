#include "runner/ToolChunk.h"
#include <array>
#include <gtest/gtest.h>
#include <string>

TEST(ToolChunk, TakesTheDeliveredBytesUpToTheFirstNul) {
    const std::string read("abc\0def\r\n", 9);
    EXPECT_EQ(ChunkBytes(read.data(), read.size(), read.size()).bytes, "abc");
    EXPECT_EQ(ChunkBytes(read.data(), read.size(), 2).bytes, "ab");
    EXPECT_TRUE(ChunkBytes(read.data(), read.size(), 4).cut) << "the line ends at the cut";
    EXPECT_FALSE(ChunkBytes(read.data(), read.size(), 3).cut) << "the NUL was not delivered";
    EXPECT_EQ(ChunkBytes(read.data(), read.size(), 0).bytes, "");
    const std::string leadingNul("\0abc", 4);
    EXPECT_EQ(ChunkBytes(leadingNul.data(), leadingNul.size(), 4).bytes, "");
}

TEST(ToolChunk, NeverTakesBytesTheReadDidNotDeliver) {
    // The bytes after the delivered count are those of an earlier, longer read.
    std::array<char, kToolReadBytes> buffer{};
    buffer.fill('A');
    buffer[0] = 'o';
    buffer[1] = 'k';
    EXPECT_EQ(ChunkBytes(buffer.data(), buffer.size(), 2).bytes, "ok");
}

TEST(ToolChunk, AFullReadWithoutNulIsTheWholeBufferAndNoMore) {
    std::array<char, kToolReadBytes + 1> memory{};
    memory.fill('x');
    memory.back() = 'Z'; // past the buffer; must never show
    const auto chunk = ChunkBytes(memory.data(), kToolReadBytes, kToolReadBytes);
    EXPECT_EQ(chunk.bytes, std::string(kToolReadBytes, 'x'));
    EXPECT_EQ(ChunkBytes(memory.data(), kToolReadBytes, kToolReadBytes + 1).bytes.size(),
              kToolReadBytes)
        << "a count above the buffer is held to the buffer";
}
