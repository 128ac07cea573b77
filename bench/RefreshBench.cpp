// The cost of RefreshLogView as the log grows, through the real dialog: the J-Link erase step's
// tool floods the log in writes of 4096 bytes, and the probe inside Pelvaro.exe times every
// refresh (the new text put into the box, the scroll) and every repaint of the box.
#include "BenchFolders.h"
#include "Measurements.h"
#include <algorithm>
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
        const double y = TicksToMs(r.end - r.begin);
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

// The median cost of the 27 events whose lengths are nearest to the given one (nine of each run),
// and the range of lengths they cover.
struct Nearest {
    double median = 0;
    std::size_t from = 0;
    std::size_t to = 0;
};
template <typename Event, typename Cost>
Nearest NearestOnes(const std::vector<Event>& events, std::size_t length, Cost cost) {
    std::vector<const Event*> sorted;
    for (const auto& e : events) {
        sorted.push_back(&e);
    }
    const auto distance = [&](const Event* e) {
        return e->length > length ? e->length - length : length - e->length;
    };
    std::sort(sorted.begin(), sorted.end(),
              [&](const Event* x, const Event* y) { return distance(x) < distance(y); });
    sorted.resize(std::min<std::size_t>(sorted.size(), 27));
    Nearest result;
    std::vector<double> costs;
    result.from = SIZE_MAX;
    for (const Event* e : sorted) {
        costs.push_back(cost(*e));
        result.from = std::min(result.from, e->length);
        result.to = std::max(result.to, e->length);
    }
    result.median = Summarise(costs).median;
    return result;
}

} // namespace

void MeasureRefresh(unsigned long long floodBytes, unsigned timeLimitSeconds, Report& report) {
    const PelvaroFolder folder;
    // The flood begins once the press has ended, so that every refresh meets the window in the
    // same state: while the press waits for its worker, refreshes come without repaints between.
    const BenchTools tools(L"flood " + std::to_wstring(floodBytes) + L" 3000");
    // Three runs of the program, pooled: one refresh is a few milliseconds, and on a shared
    // machine a few of them in a row can be held up by other work.
    constexpr int kRuns = 3;
    std::vector<RefreshRecord> flood;
    std::vector<PaintRecord> paints;
    std::vector<double> floodSeconds;
    bool done = true;
    for (int run = 0; run < kRuns; ++run) {
        RunningPelvaro pelvaro(folder);
        LogProbe probe(pelvaro.program, "plain");
        PostMessageW(GetDlgItem(pelvaro.dialog, kJLinkRemote), BM_CLICK, 0, 0);
        done =
            WaitUntil([&] { return WindowText(GetDlgItem(pelvaro.dialog, kResult)) == L"success"; },
                      timeLimitSeconds * 1000u, 200) &&
            done;
        Sleep(500);
        const auto records = probe.Stop();
        if (run == kRuns - 1) {
            report.memoryRows.push_back(MemoryRow("Pelvaro.exe after a J-Link run that logged " +
                                                      std::to_string(floodBytes / 1024) + " KB",
                                                  pelvaro.program.Process()));
        }
        // The tool's output: every refresh of the erase step after its banner, and the
        // repaints that showed it.
        std::vector<RefreshRecord> output;
        for (const auto& r : records.refreshes) {
            if (r.length > 16) {
                output.push_back(r);
            }
        }
        for (const auto& p : records.paints) {
            if (p.length > 16) {
                paints.push_back(p);
            }
        }
        if (!output.empty()) {
            floodSeconds.push_back(TicksToMs(output.back().end - output.front().begin) / 1000.0);
        }
        flood.insert(flood.end(), output.begin(), output.end());
    }

    std::printf("### Cost of RefreshLogView as the log grows\n\n");
    if (flood.size() < 8 || paints.empty()) {
        std::printf("Too few refreshes seen (%zu); not measured.\n\n", flood.size());
        return;
    }
    std::size_t reached = 0;
    for (const auto& r : flood) {
        reached = std::max(reached, r.length);
    }
    std::printf("%d runs of the program. In each, the erase step's tool waits 3 s (the press is "
                "over by then), then writes %llu bytes in writes of 4096 bytes (48-byte lines); "
                "every read is one chunk and one refresh of the log box. %s; from the first "
                "refresh of the output to the last %.1f s (median of the runs); %zu refreshes "
                "and %zu repaints of the box in all, the log at %zu characters. Each row is the "
                "median of the 27 refreshes (and repaints) nearest to the length, 9 of each "
                "run.\n\n",
                kRuns, floodBytes, done ? "Every run ended" : "A run did not end in time",
                Summarise(floodSeconds).median, flood.size(), paints.size(), reached);
    std::printf("| Log length | Caret to the end (EM_SETSEL, 0 when it is there) | Text into the "
                "box | Whole "
                "refresh | Repaint of the box | Lengths of the 27 refreshes |\n");
    std::printf("|---|---|---|---|---|---|\n");
    const auto refreshCost = [](const RefreshRecord& r) { return TicksToMs(r.end - r.begin); };
    const auto selectCost = [](const RefreshRecord& r) {
        return r.selected != 0 ? TicksToMs(r.selected - r.begin) : 0.0;
    };
    const auto textCost = [](const RefreshRecord& r) { return TicksToMs(r.textIn - r.begin); };
    const auto paintCost = [](const PaintRecord& p) { return TicksToMs(p.end - p.begin); };
    const std::size_t points[] = {10 * 1024,   64 * 1024,   256 * 1024,  512 * 1024,
                                  1024 * 1024, 2048 * 1024, 10240 * 1024};
    double small = 0, large = 0;
    for (const std::size_t point : points) {
        if (point > reached + 4096) {
            break;
        }
        const Nearest whole = NearestOnes(flood, point, refreshCost);
        const Nearest select = NearestOnes(flood, point, selectCost);
        const Nearest text = NearestOnes(flood, point, textCost);
        const Nearest paint = NearestOnes(paints, point, paintCost);
        std::printf("| %zu KB | %.2f ms | %.2f ms | %.2f ms | %.2f ms | %zu–%zu |\n", point / 1024,
                    select.median, text.median, whole.median, paint.median, whole.from, whole.to);
        if (point == 10 * 1024) {
            small = whole.median;
        } else if (point == 1024 * 1024) {
            large = whole.median;
        }
    }
    if (small > 0 && large > 0) {
        std::printf("\n**One refresh with a 1 MB log / with a 10 KB log: %.2f** (target at most "
                    "1.5)\n",
                    large / small);
    }
    const Fit fit = FitLine(flood);
    std::printf("\nLeast-squares line over all %zu refreshes: **%.3f ms + %.4f ms per 1,000 "
                "characters**; extrapolated from it, one refresh of a 10 MB log %.1f ms.\n\n",
                flood.size(), fit.a, fit.b * 1000.0, fit.a + fit.b * 10.0 * 1024 * 1024);
}

} // namespace bench
