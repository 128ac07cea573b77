// What the C++ library does in Pelvaro.exe when it cannot go on: a failed allocation, a length
// or range error. The program is built without exceptions and catches none, so each of these
// ends the process at once with abort(), as an uncaught exception did before; the library's own
// versions throw, and would bring the unwinder and the exception support into the exe.
// (libstdc++ only: the mingw builds compile this file, and it defines the library's helpers.)
#include <bits/functexcept.h>
#include <cstdlib>
#include <new>

namespace std {

void __throw_bad_alloc() {
    abort();
}
void __throw_bad_array_new_length() {
    abort();
}
void __throw_bad_function_call() {
    abort();
}
void __throw_length_error(const char*) {
    abort();
}
void __throw_logic_error(const char*) {
    abort();
}
void __throw_out_of_range(const char*) {
    abort();
}
void __throw_out_of_range_fmt(const char*, ...) {
    abort();
}

} // namespace std

// The replaceable allocation functions: the library's operator new throws std::bad_alloc, and its
// nothrow forms catch what that one throws. The program sets no new-handler to try first.
void* operator new(std::size_t size) {
    if (void* block = std::malloc(size != 0 ? size : 1)) {
        return block;
    }
    std::abort();
}

void* operator new[](std::size_t size) {
    return ::operator new(size);
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return std::malloc(size != 0 ? size : 1);
}

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return std::malloc(size != 0 ? size : 1);
}
