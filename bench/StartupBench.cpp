// Start to window shown: from CreateProcess to a visible top-level window with the program's
// caption, polled every millisecond. Pelvaro.exe and the minimal dialog program with the same
// manifest start in turns under the same Wine, after one unmeasured start of each (the first
// start pays for Wine reading its own DLLs from disk).
#include "BenchSupport.h"
#include "Measurements.h"

namespace bench {

namespace {

// Milliseconds from the start to the window; negative when none came within 30 s.
double StartToWindow(const std::wstring& exe, const std::wstring& folder, const wchar_t* caption) {
    const auto begin = Ticks();
    const StartedProgram program(exe, folder);
    while (!program.ShowsWindow(caption)) {
        if (Ms(Ticks() - begin) > 30000) {
            return -1;
        }
        Sleep(1);
    }
    const double shown = Ms(Ticks() - begin);
    // Ended only once it waits for input, so that no start is cut short in its initialisation.
    WaitForInputIdle(program.Process(), 10000);
    return shown;
}

} // namespace

void MeasureStartup() {
    constexpr int kStarts = 30;
    const PelvaroFolder folder;
    const std::wstring pelvaro = folder.CopyIn(ProgramFolder() + L"Pelvaro.exe", L"Pelvaro.exe");
    const std::wstring minimal =
        folder.CopyIn(ProgramFolder() + L"bench_minimal_dialog.exe", L"Minimal.exe");
    std::vector<double> pelvaroMs;
    std::vector<double> minimalMs;
    const std::string figure = "Start to window shown, Pelvaro.exe / minimal dialog program with "
                               "the same manifest (medians of 30 starts each)";
    for (int start = -1; start < kStarts; ++start) {
        const double p = StartToWindow(pelvaro, folder.Path(), L"Upgrade Tools");
        const double m = StartToWindow(minimal, folder.Path(), L"Minimal");
        if (p < 0 || m < 0) {
            Row(figure, "a program showed no window within 30 s", "at most 1.1", "-");
            return;
        }
        if (start >= 0) {
            pelvaroMs.push_back(p);
            minimalMs.push_back(m);
        }
    }
    const double p = Summarise(pelvaroMs).median;
    const double m = Summarise(minimalMs).median;
    Row(figure, Format("%.2f (%.0f ms / %.0f ms)", p / m, p, m), "at most 1.1", Met(p / m <= 1.1));
}

} // namespace bench
