// The bench driver: measures the real Pelvaro.exe under Wine (or Windows) and prints the results
// as Markdown. bench/run builds it and runs it on a virtual display; see docs/performance.md.
//
//   pelvaro_bench.exe [startup] [latency] [capture] [refresh[=BYTES]] [append] [port]
//
// Without arguments every measurement runs, with the refresh flood at 1,088 KB and the append
// comparison up to 256 KB.
#include "Measurements.h"
#include <cstdio>
#include <cwchar>
#include <exception>
#include <string>

int wmain(int argc, wchar_t** argv) {
    bool startup = argc == 1, latency = argc == 1, capture = argc == 1, refresh = argc == 1,
         append = argc == 1, port = argc == 1;
    // A little over 1 MB, so that refreshes on both sides of 1 MB are seen.
    unsigned long long refreshBytes = 1088 * 1024;
    for (int i = 1; i < argc; ++i) {
        const std::wstring arg = argv[i];
        startup = startup || arg == L"startup";
        latency = latency || arg == L"latency";
        capture = capture || arg == L"capture";
        port = port || arg == L"port";
        append = append || arg == L"append";
        if (arg.rfind(L"refresh", 0) == 0) {
            refresh = true;
            if (arg.size() > 8 && arg[7] == L'=') {
                refreshBytes = std::wcstoull(arg.c_str() + 8, nullptr, 10);
            }
        }
    }
    try {
        bench::Report report;
        if (startup) {
            bench::MeasureStartup(30, report);
        }
        if (latency) {
            bench::MeasureWriteToLog(1000, report);
        }
        if (capture) {
            bench::MeasureCapture(report);
        }
        if (refresh) {
            bench::MeasureRefresh(refreshBytes, 900, report);
        }
        if (append) {
            bench::MeasureEditAlternatives(256 * 1024);
        }
        if (port) {
            bench::MeasurePortToDfu(20, report);
        }
        bench::PrintMemory(report);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench: %s\n", e.what());
        return 1;
    }
    return 0;
}
