// The cost of RefreshLogView as the log grows, through the real dialog: the J-Link erase step's
// tool floods the log in writes of 4096 bytes, and the probe inside Pelvaro.exe times every
// refresh (WM_SETTEXT of the whole log, then the line count and the scroll).
#include "BenchFolders.h"
#include "Measurements.h"
#include <cmath>
#include <cstdio>

namespace bench {

namespace {

struct Fit {
    double a = 0; // ms
    double b = 0; // ms per character
};

// Least squares of the refresh time against the log's length.
Fit FitLine(const std::vector<RefreshRecord>& refreshes) {
    double n = 0, sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (const auto& r : refreshes) {
        const double x = static_cast<double>(r.length);
        const double y = TicksToMs(r.scrollEnd - r.setBegin);
        n += 1;
        sx += x;
        sy += y;
        sxx += x * x;
        sxy += x * y;
    }
    Fit fit;
    const double d = n * sxx - sx * sx;
    if (n < 2 || d == 0) {
        return fit;
    }
    fit.b = (n * sxy - sx * sy) / d;
    fit.a = (sy - fit.b * sx) / n;
    return fit;
}

} // namespace

void MeasureRefresh(unsigned long long floodBytes, unsigned timeLimitSeconds, Report& report) {
    const PelvaroFolder folder;
    const BenchTools tools(L"flood " + std::to_wstring(floodBytes));
    RunningPelvaro pelvaro(folder);
    LogProbe probe(pelvaro.program, "plain");

    const auto begin = Ticks();
    PostMessageW(GetDlgItem(pelvaro.dialog, kJLinkRemote), BM_CLICK, 0, 0);
    const bool done =
        WaitUntil([&] { return WindowText(GetDlgItem(pelvaro.dialog, kResult)) == L"success"; },
                  timeLimitSeconds * 1000u, 200);
    const double wallMs = MsSince(begin);
    const auto refreshes = probe.Stop();
    report.memoryRows.push_back(MemoryRow("Pelvaro.exe after a J-Link run that logged " +
                                              std::to_string(floodBytes / 1024) + " KB",
                                          pelvaro.program.Process()));

    std::printf("### Cost of RefreshLogView as the log grows\n\n");
    // The tool's output: every refresh of the erase step after its banner.
    std::vector<RefreshRecord> flood;
    for (const auto& r : refreshes) {
        if (r.length > 16) {
            flood.push_back(r);
        }
    }
    if (flood.size() < 8) {
        std::printf("Too few refreshes seen (%zu); not measured.\n\n", flood.size());
        return;
    }
    const std::size_t reached = flood.back().length;
    std::printf("The erase step's tool writes %llu bytes in writes of 4096 bytes (48-byte lines); "
                "every read is one chunk and one refresh of the whole log. %s after %.1f s, "
                "%zu refreshes, the log at %zu characters. Each row is the mean of the 5 "
                "refreshes nearest to the length.\n\n",
                floodBytes, done ? "The run ended" : "Stopped at the time limit", wallMs / 1000.0,
                flood.size(), reached);
    std::printf("| Log length | SetWindowTextW | Whole refresh (set, count lines, scroll) |\n");
    std::printf("|---|---|---|\n");
    const std::size_t points[] = {4096,       16 * 1024,  64 * 1024,   128 * 1024,
                                  256 * 1024, 512 * 1024, 1024 * 1024, 2048 * 1024};
    for (const std::size_t point : points) {
        if (point > reached + 4096) {
            break;
        }
        std::size_t nearest = 0;
        for (std::size_t i = 0; i < flood.size(); ++i) {
            if (std::llabs(static_cast<long long>(flood[i].length) -
                           static_cast<long long>(point)) <
                std::llabs(static_cast<long long>(flood[nearest].length) -
                           static_cast<long long>(point))) {
                nearest = i;
            }
        }
        const std::size_t from = nearest >= 2 ? nearest - 2 : 0;
        const std::size_t to = std::min(flood.size(), from + 5);
        double set = 0, whole = 0;
        for (std::size_t i = from; i < to; ++i) {
            set += TicksToMs(flood[i].setEnd - flood[i].setBegin);
            whole += TicksToMs(flood[i].scrollEnd - flood[i].setBegin);
        }
        const double count = static_cast<double>(to - from);
        std::printf("| %zu KB | %.1f ms | %.1f ms |\n", flood[nearest].length / 1024, set / count,
                    whole / count);
    }
    const Fit fit = FitLine(flood);
    // A 10 MB flood: 2,560 chunks of 4096 bytes, each followed by "\r\n" in the log.
    constexpr double kChunks = 10.0 * 1024 * 1024 / 4096;
    double total = 0;
    for (double k = 1; k <= kChunks; k += 1) {
        total += fit.a + fit.b * k * 4098.0;
    }
    std::printf("\nLeast-squares line over all %zu refreshes: **%.3f ms + %.3f ms per 1,000 "
                "characters**. Extrapolated from it (the per-refresh cost grows with the log, so "
                "the whole flood grows with its square): one refresh of a 1 MB log %.0f ms, of a "
                "10 MB log %.1f s; showing a whole 10 MB flood, chunk by chunk, about %.1f hours "
                "of refreshing.\n\n",
                flood.size(), fit.a, fit.b * 1000.0, fit.a + fit.b * 1024 * 1024,
                (fit.a + fit.b * 10.0 * 1024 * 1024) / 1000.0, total / 3600000.0);
}

} // namespace bench
