// Loses a block on purpose. The native unit tests count on LeakSanitizer to report whatever
// they leak; ctest passes this program only when that report appears, so a build or an
// environment in which leak checking is off (ASAN_OPTIONS=detect_leaks=0, a sanitizer without
// leak support, a run under ptrace) shows up as a failure instead of passing silently.
#include <cstdio>
#include <cstdlib>

int main() {
    void* block = std::malloc(64);
    std::printf("losing the block at %p\n", block);
    return 0;
}
