#include "runner/ToolChunk.h"
#include <algorithm>

std::string_view ChunkBytes(const char* buffer, std::size_t capacity, std::size_t delivered) {
    const std::string_view bytes(buffer, std::min(capacity, delivered));
    return bytes.substr(0, bytes.find('\0'));
}
