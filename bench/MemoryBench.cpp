// Peak working set and peak private memory (GetProcessMemoryInfo) of Pelvaro.exe once its window
// waits for input, beside the minimal dialog program's, and after a J-Link run that logged 1 MB.
#include "BenchSupport.h"
#include "Measurements.h"
#include "StandInTools.h"

namespace bench {

void MeasureMemory() {
    const PelvaroFolder folder;
    std::string minimal = "no window";
    {
        const StartedProgram program(
            folder.CopyIn(ProgramFolder() + L"bench_minimal_dialog.exe", L"Minimal.exe"),
            folder.Path());
        if (WaitUntil([&] { return program.ShowsWindow(L"Minimal"); }, 30000)) {
            WaitForInputIdle(program.Process(), 10000);
            minimal = PeakMemory(program.Process());
        }
    }
    const StandInSession tools(JLinkScenario(FloodSteps(kFloodBytes)));
    const AppUnderTest app(folder);
    HWND dialog = app.WaitForMainWindow();
    Row("Peak memory of Pelvaro.exe, idle",
        PeakMemory(app.Process()) + " (minimal dialog program: " + minimal + ")", "-", "-");
    const bool ended = RunJLink(dialog, 300000);
    Row("Peak memory of Pelvaro.exe after a J-Link run that logged 1,088 KB",
        ended ? PeakMemory(app.Process()) : "the run did not end", "-", "-");
}

} // namespace bench
