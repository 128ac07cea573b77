// The cut of one read into its chunk. Input: two bytes of buffer capacity (at most the real read
// size plus some), two bytes of the count the read claims to have delivered (any value), then
// the buffer's bytes. The buffer is a heap block of exactly its capacity, so a look past it is
// caught by the address sanitizer.
#include "FuzzInput.h"
#include "runner/ToolChunk.h"
#include <algorithm>
#include <cstring>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4) {
        return 0;
    }
    const std::size_t capacity = (data[0] << 8 | data[1]) % (kToolReadBytes + 17);
    const std::size_t delivered = data[2] << 8 | data[3];
    const std::size_t given = std::min(size - 4, capacity);
    const auto buffer = std::make_unique<char[]>(capacity == 0 ? 1 : capacity);
    // Bytes beyond what the input gives stay as a reused buffer would hold them: not zero.
    std::memset(buffer.get(), 'x', capacity);
    if (given != 0) {
        std::memcpy(buffer.get(), data + 4, given);
    }

    const ToolChunk cut = ChunkBytes(buffer.get(), capacity, delivered);
    const std::string_view chunk = cut.bytes;
    const std::size_t bound = std::min(capacity, delivered);
    const std::string detail = "capacity " + std::to_string(capacity) + ", delivered " +
                               std::to_string(delivered) + ", chunk " +
                               std::to_string(chunk.size());
    FUZZ_CHECK(chunk.data() == buffer.get() || chunk.empty(), detail);
    FUZZ_CHECK(chunk.size() <= bound, detail);
    FUZZ_CHECK(chunk.find('\0') == std::string_view::npos, detail);
    // Cut at the first NUL and nowhere else.
    FUZZ_CHECK(chunk.size() == bound || buffer[chunk.size()] == '\0', detail);
    // Said to be cut exactly when a NUL ended it.
    FUZZ_CHECK(cut.cut == (chunk.size() < bound), detail + ", cut " + std::to_string(cut.cut));
    return 0;
}
