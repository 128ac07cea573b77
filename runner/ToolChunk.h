#pragma once
#include <cstddef>
#include <string_view>

// One read of a tool's output asks for at most this many bytes.
inline constexpr std::size_t kToolReadBytes = 4096;

// What one read hands on: the bytes it delivered, cut at the first NUL among them. A count larger
// than the buffer is held to the buffer, so nothing beyond it is ever taken.
struct ToolChunk {
    std::string_view bytes;
    // A NUL cut the read: what came after it is dropped, and the line being put together ends at
    // the cut instead of running on into the next read.
    bool cut = false;
};

ToolChunk ChunkBytes(const char* buffer, std::size_t capacity, std::size_t delivered);
