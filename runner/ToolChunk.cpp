#include "runner/ToolChunk.h"
#include <algorithm>

ToolChunk ChunkBytes(const char* buffer, std::size_t capacity, std::size_t delivered) {
    const std::string_view bytes(buffer, std::min(capacity, delivered));
    const auto nul = bytes.find('\0');
    return {bytes.substr(0, nul), nul != std::string_view::npos};
}
