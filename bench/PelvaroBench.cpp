// The bench driver: measures the real Pelvaro.exe under Wine and prints one row of a Markdown
// table per figure (bench/run prints the table's head and the size rows; see
// docs/performance.md).
//
//   pelvaro_bench.exe [startup] [latency] [refresh] [port] [memory]    (none: all of them)
#include "Measurements.h"
#include "base/UniqueResource.h"
#include <algorithm>
#include <cstdio>
#include <exception>
#include <set>
#include <string>
#include <utility>
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
    const std::pair<const wchar_t*, void (*)()> measurements[] = {
        {L"startup", &bench::MeasureStartup}, {L"latency", &bench::MeasureWriteToLog},
        {L"refresh", &bench::MeasureRefresh}, {L"port", &bench::MeasurePortToDfu},
        {L"memory", &bench::MeasureMemory},
    };
    std::set<std::wstring> wanted(argv + 1, argv + argc);
    for (const auto& [name, measure] : measurements) {
        wanted.erase(name);
    }
    if (!wanted.empty()) {
        std::fprintf(stderr, "bench: no measurement \"%ls\"\n", wanted.begin()->c_str());
        return 2;
    }
    // The programs that the bench starts get none of its standard handles, which their trace
    // words would reach; the C runtime keeps writing the table to the handles it started with.
    const UniqueHandle nowhere(CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                           OPEN_EXISTING, 0, nullptr));
    for (const DWORD which : {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE}) {
        SetStdHandle(which, nowhere.get());
    }
    int failed = 0;
    for (const auto& [name, measure] : measurements) {
        if (argc > 1 && std::find(argv + 1, argv + argc, std::wstring(name)) == argv + argc) {
            continue;
        }
        try {
            measure();
        } catch (const std::exception& e) {
            std::printf("| %ls | failed: %s | | |\n", name, e.what());
            failed = 1;
        }
    }
    return failed;
}
