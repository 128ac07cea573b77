// A tool's write to the text being in the log box, in the real program: the J-Link erase step's
// tool writes numbered lines, one write each, and notes the counter just before each write; the
// probe inside Pelvaro.exe notes when each refresh put a text into the box and when the box had
// scrolled to its end. Both use the same counter.
#include "BenchFolders.h"
#include "Measurements.h"
#include <cstdio>
#include <sstream>

namespace bench {

void MeasureWriteToLog(int writes, Report& report) {
    const PelvaroFolder folder;
    const TestFolder scratch;
    const std::wstring stamps = scratch.Path() + L"writes.txt";
    // The press holds the window for two seconds while its worker waits to log the banner; the
    // tool starts writing after that, so no write waits behind the press.
    constexpr int kPauseMs = 10;
    const BenchTools tools(L"latency " + std::to_wstring(writes) + L" " +
                           std::to_wstring(kPauseMs) + L" 3000 " + stamps);
    RunningPelvaro pelvaro(folder);
    LogProbe probe(pelvaro.program, "latency");

    PostMessageW(GetDlgItem(pelvaro.dialog, kJLinkRemote), BM_CLICK, 0, 0);
    const bool done =
        WaitUntil([&] { return WindowText(GetDlgItem(pelvaro.dialog, kResult)) == L"success"; },
                  120000 + static_cast<DWORD>(writes) * 100, 50);
    const auto refreshes = probe.Stop();
    report.memoryRows.push_back(
        MemoryRow("Pelvaro.exe after a J-Link run that logged " + std::to_string(writes) + " lines",
                  pelvaro.program.Process()));

    std::vector<long long> written;
    std::istringstream lines(ReadFileBytes(stamps));
    for (long long ticks = 0; lines >> ticks;) {
        written.push_back(ticks);
    }
    std::printf("### A tool's write to the text in the log box\n\n");
    if (!done || written.size() != static_cast<size_t>(writes)) {
        std::printf("The run did not finish (%zu of %d writes noted); not measured.\n\n",
                    written.size(), writes);
        return;
    }
    std::vector<double> inBox;
    std::vector<double> inView;
    std::size_t next = 0;
    std::size_t refreshesWithSamples = 0;
    long lastSeen = -1;
    for (const auto& refresh : refreshes) {
        if (refresh.lastSample > lastSeen) {
            ++refreshesWithSamples;
            lastSeen = refresh.lastSample;
        }
        while (next < written.size() && static_cast<long>(next) <= refresh.lastSample) {
            inBox.push_back(TicksToMs(refresh.setEnd - written[next]));
            inView.push_back(TicksToMs(refresh.scrollEnd - written[next]));
            ++next;
        }
    }
    // What one refresh cost at the start and at the end of the run.
    std::vector<double> early, late;
    for (std::size_t i = 0; i < refreshes.size(); ++i) {
        const double ms = TicksToMs(refreshes[i].scrollEnd - refreshes[i].setBegin);
        if (i < refreshes.size() / 10) {
            early.push_back(ms);
        } else if (i >= refreshes.size() - refreshes.size() / 10) {
            late.push_back(ms);
        }
    }
    const auto box = Summarise(inBox);
    const auto view = Summarise(inView);
    std::printf("%d writes of one line (\"lat NNNNNN\\r\\n\", 12 bytes) by the erase step's tool, "
                "%d ms apart, through cmd, the pipe, the runner, the worker's message to the "
                "window and RefreshLogView; the log grows to %zu characters. The %d writes reached "
                "the box in %zu refreshes: while one refresh runs, the next writes wait in the "
                "pipe and arrive together in one read.\n\n",
                writes, kPauseMs, refreshes.empty() ? 0 : refreshes.back().length, writes,
                refreshesWithSamples);
    std::printf("| From the write to | Median | 90th percentile | Worst | Writes |\n");
    std::printf("|---|---|---|---|---|\n");
    std::printf(
        "| the text in the box (WM_SETTEXT returned) | %.2f ms | %.2f ms | %.2f ms | %zu |\n",
        box.median, box.p90, box.worst, box.count);
    std::printf("| the end of the log in view (EM_LINESCROLL returned) | %.2f ms | %.2f ms | %.2f "
                "ms | %zu |\n\n",
                view.median, view.p90, view.worst, view.count);
    std::printf("**Median write to log: %.2f ms** (target at most 5 ms)\n\n", box.median);
    std::printf("One whole refresh (set, count lines, scroll) took %.1f ms (median) in the first "
                "tenth of the run and %.1f ms in the last tenth; %zu refreshes in all.\n\n",
                Summarise(early).median, Summarise(late).median, refreshes.size());
}

} // namespace bench
