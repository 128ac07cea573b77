#pragma once
#include <cstddef>
#include <string_view>

// One read of a tool's output asks for at most this many bytes.
inline constexpr std::size_t kToolReadBytes = 4096;

// The bytes of one chunk: what the read delivered, cut at the first NUL among them. A count
// larger than the buffer is held to the buffer, so nothing beyond it is ever taken.
std::string_view ChunkBytes(const char* buffer, std::size_t capacity, std::size_t delivered);
