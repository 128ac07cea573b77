// A tool's write to the text being in the log box, and to the box having painted it, in the real
// program: the J-Link erase step's tool writes numbered lines, one write each, and notes the
// counter just before each write; the probe inside Pelvaro.exe notes when each refresh put a text
// into the box and when each repaint of the box ended. Both use the same counter.
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
    // Let the last repaint happen before the probe stops.
    Sleep(500);
    const auto records = probe.Stop();
    const auto& refreshes = records.refreshes;
    const auto& paints = records.paints;
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
    // Each write is taken by the first event (refresh or repaint) whose samples reach it; returns
    // how many events took at least one write.
    const auto match = [&](const auto& events, auto take) {
        std::size_t next = 0;
        std::size_t eventsWithSamples = 0;
        for (const auto& event : events) {
            const std::size_t before = next;
            while (next < written.size() && static_cast<long>(next) <= event.lastSample) {
                take(event, written[next++]);
            }
            eventsWithSamples += next > before ? 1 : 0;
        }
        return eventsWithSamples;
    };
    std::vector<double> inBox;
    std::vector<double> inView;
    const std::size_t refreshesWithSamples =
        match(refreshes, [&](const RefreshRecord& refresh, long long write) {
            inBox.push_back(TicksToMs(refresh.textIn - write));
            inView.push_back(TicksToMs(refresh.scrollEnd - write));
        });
    // A write is painted by the first repaint that began with it in the box.
    std::vector<double> painted;
    const std::size_t paintsWithSamples =
        match(paints, [&](const PaintRecord& paint, long long write) {
            painted.push_back(TicksToMs(paint.end - write));
        });
    // What one refresh and one repaint cost at the start and at the end of the run.
    const auto tenths = [](const auto& events, auto cost) {
        std::vector<double> early, late;
        for (std::size_t i = 0; i < events.size(); ++i) {
            if (i < events.size() / 10) {
                early.push_back(cost(events[i]));
            } else if (i >= events.size() - events.size() / 10) {
                late.push_back(cost(events[i]));
            }
        }
        return std::make_pair(Summarise(early).median, Summarise(late).median);
    };
    const auto refreshCost =
        tenths(refreshes, [](const RefreshRecord& r) { return TicksToMs(r.end - r.begin); });
    const auto paintCost =
        tenths(paints, [](const PaintRecord& p) { return TicksToMs(p.end - p.begin); });
    const auto box = Summarise(inBox);
    const auto view = Summarise(inView);
    const auto screen = Summarise(painted);
    std::printf("%d writes of one line (\"lat NNNNNN\\r\\n\", 12 bytes) by the erase step's tool, "
                "%d ms apart, through cmd, the pipe, the runner, the worker's message to the "
                "window and RefreshLogView; the log grows to %zu characters. The %d writes reached "
                "the box in %zu refreshes (while one refresh runs, the next writes wait in the "
                "pipe and arrive together in one read) and the screen in %zu repaints of the "
                "box.\n\n",
                writes, kPauseMs, refreshes.empty() ? 0 : refreshes.back().length, writes,
                refreshesWithSamples, paintsWithSamples);
    std::printf("| From the write to | Median | 90th percentile | Worst | Writes |\n");
    std::printf("|---|---|---|---|---|\n");
    std::printf("| the text in the box (WM_SETTEXT or EM_REPLACESEL returned) | %.2f ms | %.2f ms "
                "| %.2f ms | %zu |\n",
                box.median, box.p90, box.worst, box.count);
    std::printf("| the end of the log in view (EM_LINESCROLL returned) | %.2f ms | %.2f ms | %.2f "
                "ms | %zu |\n",
                view.median, view.p90, view.worst, view.count);
    std::printf("| the box having painted it (WM_PAINT of the box returned) | %.2f ms | %.2f ms | "
                "%.2f ms | %zu |\n\n",
                screen.median, screen.p90, screen.worst, screen.count);
    std::printf("**Median write to log: %.2f ms in the box** (target at most 5 ms), **%.2f ms "
                "painted** (target at most 25 ms)\n\n",
                box.median, screen.median);
    std::printf("One refresh took %.2f ms (median) in the first tenth of the run and %.2f ms in "
                "the last tenth, %zu refreshes in all; one repaint of the box %.2f ms and %.2f "
                "ms, %zu repaints in all.\n\n",
                refreshCost.first, refreshCost.second, refreshes.size(), paintCost.first,
                paintCost.second, paints.size());
}

} // namespace bench
