// Start to window shown: the time from CreateProcess to a visible top-level window of the
// program, Pelvaro.exe against the minimal dialog program (and the same with Pelvaro.exe's
// manifest, and with its manifest and DLL imports), taken in turns under the same Wine.
#include "BenchFolders.h"
#include "Measurements.h"
#include <cstdio>

namespace bench {

namespace {

struct Contender {
    const char* name;
    std::wstring exe;
    std::wstring folder;
    const wchar_t* caption;
    std::vector<double> shown; // a visible window with the caption
    std::vector<double> idle;  // the program waits for input (WaitForInputIdle)
    std::string memoryRow;
};

bool StartOnce(Contender& contender, bool keep) {
    const auto begin = Ticks();
    StartedProgram program(contender.exe, contender.folder);
    if (!WaitUntil([&] { return program.VisibleWindow(contender.caption) != nullptr; }, 30000, 1)) {
        return false;
    }
    const double shown = MsSince(begin);
    WaitForInputIdle(program.Process(), 10000);
    const double idle = MsSince(begin);
    if (keep) {
        contender.shown.push_back(shown);
        contender.idle.push_back(idle);
        contender.memoryRow =
            MemoryRow(std::string(contender.name) + ", window shown and idle", program.Process());
    }
    return true;
}

} // namespace

void MeasureStartup(int runs, Report& report) {
    const PelvaroFolder pelvaro;
    const MinimalFolder minimal;
    Contender contenders[] = {
        {"Pelvaro.exe", pelvaro.Exe(), pelvaro.Path(), L"Upgrade Tools", {}, {}, {}},
        {"Minimal dialog program", minimal.Exe(), minimal.Path(), L"Minimal", {}, {}, {}},
        {"Minimal dialog program with Pelvaro.exe's manifest",
         minimal.StyledExe(),
         minimal.Path(),
         L"Minimal",
         {},
         {},
         {}},
        {"Minimal dialog program with Pelvaro.exe's manifest and DLL imports",
         minimal.ImportsExe(),
         minimal.Path(),
         L"Minimal",
         {},
         {},
         {}},
    };
    std::printf("### Start to window shown\n\n");
    // One start of each first, so that none pays for Wine loading its own DLLs from disk.
    for (int run = -1; run < runs; ++run) {
        for (auto& contender : contenders) {
            if (!StartOnce(contender, run >= 0)) {
                std::printf("%s showed no window within 30 s; not measured.\n\n", contender.name);
                return;
            }
        }
    }
    std::printf("%d starts of each program, in turns, after one unmeasured start of each. From "
                "CreateProcess to a visible top-level window with the program's caption "
                "(polled every millisecond); the last column is WaitForInputIdle.\n\n",
                runs);
    std::printf("| Program | Median | 90th percentile | Range | Median to input idle |\n");
    std::printf("|---|---|---|---|---|\n");
    for (const auto& contender : contenders) {
        const auto shown = Summarise(contender.shown);
        std::printf("| %s | %.0f ms | %.0f ms | %.0f–%.0f ms | %.0f ms |\n", contender.name,
                    shown.median, shown.p90, shown.best, shown.worst,
                    Summarise(contender.idle).median);
        report.memoryRows.push_back(contender.memoryRow);
    }
    const double pelvaroMedian = Summarise(contenders[0].shown).median;
    std::printf("\n**Ratio of the medians, Pelvaro.exe / minimal dialog program with the same "
                "manifest: %.2f** (target at most 1.1); against the plain minimal program: %.2f; "
                "against the one with the same manifest and DLL imports: %.2f\n\n",
                pelvaroMedian / Summarise(contenders[2].shown).median,
                pelvaroMedian / Summarise(contenders[1].shown).median,
                pelvaroMedian / Summarise(contenders[3].shown).median);
}

} // namespace bench
