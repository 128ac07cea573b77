// The log box of the real program, timed from inside by the probe: a tool's write to the text in
// the box and to the box painted, and what one refresh costs with a long log against a short one.
// The tool is the J-Link erase step's stand-in; its output takes the program's whole path: cmd,
// the pipe, the runner, the worker's message to the window, RefreshLogView, the repaint.
#include "BenchSupport.h"
#include "Measurements.h"
#include "StandInTools.h"
#include <algorithm>

namespace bench {

namespace {

// The "stamp N" values in a text, in order.
std::vector<long long> Stamps(const std::wstring& text) {
    std::vector<long long> stamps;
    for (auto at = text.find(L"stamp "); at != std::wstring::npos;
         at = text.find(L"stamp ", at + 1)) {
        stamps.push_back(std::wcstoll(text.c_str() + at + 6, nullptr, 10));
    }
    return stamps;
}

// The refreshes nearest to a length of the log: by default nine of each of three runs.
std::vector<LogEvent> Nearest(std::vector<LogEvent> refreshes, std::size_t length,
                              std::size_t count = 27) {
    const auto distance = [&](const LogEvent& e) {
        return e.length > length ? e.length - length : length - e.length;
    };
    count = std::min(refreshes.size(), count);
    std::partial_sort(
        refreshes.begin(), refreshes.begin() + static_cast<std::ptrdiff_t>(count), refreshes.end(),
        [&](const LogEvent& a, const LogEvent& b) { return distance(a) < distance(b); });
    refreshes.resize(count);
    return refreshes;
}

// The median of some ticks of each refresh, in milliseconds.
template <typename Ticks> double MedianMs(const std::vector<LogEvent>& refreshes, Ticks ticks) {
    std::vector<double> costs;
    for (const auto& e : refreshes) {
        costs.push_back(Ms(ticks(e)));
    }
    return Summarise(costs).median;
}

double CostMs(const std::vector<LogEvent>& refreshes) {
    return MedianMs(refreshes, [](const LogEvent& e) { return e.end - e.begin; });
}

// Where one refresh's time goes, at 1 MB against 10 KB: each message the box handles, the probe,
// and the rest (drawing switched off, the program between its messages, their way to the box).
std::string Parts(const std::vector<LogEvent>& large, const std::vector<LogEvent>& small) {
    static const char* const names[LogEvent::kParts] = {"EM_GETSEL/EM_SETSEL", "EM_REPLACESEL",
                                                        "EM_GETLINECOUNT",     "EM_LINESCROLL",
                                                        "WM_SETREDRAW on",     "the probe"};
    std::string parts;
    for (std::size_t i = 0; i < LogEvent::kParts; ++i) {
        const auto part = [i](const LogEvent& e) { return e.parts[i]; };
        parts +=
            Format("%s %.2f / %.2f ms, ", names[i], MedianMs(large, part), MedianMs(small, part));
    }
    const auto rest = [](const LogEvent& e) {
        std::int64_t ticks = e.end - e.begin;
        for (const auto part : e.parts) {
            ticks -= part;
        }
        return ticks;
    };
    return parts + Format("the rest %.2f / %.2f ms", MedianMs(large, rest), MedianMs(small, rest));
}

// What EM_REPLACESEL, which puts the new text at the end of the box, gains from 10 KB to 1 MB,
// counted in walks over the box's list of lines at 1 MB.
std::string Walks(const std::vector<LogEvent>& large, const std::vector<LogEvent>& small,
                  const std::vector<LogEvent>& walked) {
    const auto replace = [](const LogEvent& e) { return e.parts[1]; };
    const double walk = MedianMs(walked, [](const LogEvent& e) { return e.walk; });
    const double growth = MedianMs(large, replace) - MedianMs(small, replace);
    return Format("%.3f ms: EM_REPLACESEL's %.2f ms more at 1 MB than at 10 KB are %.0f walks",
                  walk, growth, growth / walk);
}

} // namespace

void MeasureWriteToLog() {
    constexpr std::size_t kWrites = 1000;
    std::string steps;
    for (std::size_t i = 0; i < kWrites; ++i) {
        steps += "stamp\npause 10\n";
    }
    const PelvaroFolder folder;
    const StandInSession tools(JLinkScenario(steps));
    const AppUnderTest app(folder);
    HWND dialog = app.WaitForMainWindow();
    LogProbe probe(app);
    const bool ended = RunJLink(dialog, 120000);
    Sleep(500); // the last repaint
    const auto events = probe.Stop();
    const auto written = Stamps(WindowText(GetDlgItem(dialog, kLog)));

    // A write is in the box from the first refresh whose text reaches its stamp, and on the screen
    // from the end of the first repaint that began with it in the box.
    std::vector<double> inBox;
    std::vector<double> painted;
    std::size_t nextInBox = 0;
    std::size_t nextPainted = 0;
    for (const auto& e : events) {
        const bool refresh = e.kind == 'R';
        auto& next = refresh ? nextInBox : nextPainted;
        for (; next < written.size() && written[next] <= e.stamp; ++next) {
            (refresh ? inBox : painted).push_back(Ms((refresh ? e.textIn : e.end) - written[next]));
        }
    }
    const std::string figure = "A tool's write (1,000 one-line writes 10 ms apart) to ";
    if (!ended || written.size() != kWrites || inBox.size() != kWrites) {
        Row(figure + "the log box", Format("the run did not end (%zu writes)", written.size()),
            "at most 5 ms, median", "-");
        return;
    }
    const auto box = Summarise(inBox);
    const auto screen = Summarise(painted);
    Row(figure + "the text in the log box",
        Format("median %.2f ms, 90th percentile %.2f ms", box.median, box.p90),
        "at most 5 ms, median", Met(box.median <= 5));
    Row(figure + "the box painted",
        Format("median %.2f ms, 90th percentile %.2f ms", screen.median, screen.p90),
        "at most 25 ms, median", Met(screen.median <= 25));
}

void MeasureRefresh() {
    // Three runs, pooled: one refresh takes a few milliseconds, and on a shared machine a few in
    // a row can be held up by other work. A fourth run times walks over the box's lines after
    // each refresh, apart: they would warm the caches for the next refresh.
    constexpr int kRuns = 3;
    const PelvaroFolder folder;
    const StandInSession tools(JLinkScenario(FloodSteps(kFloodBytes)));
    std::vector<LogEvent> refreshes;
    std::vector<LogEvent> walked;
    bool ended = true;
    for (int run = 0; run <= kRuns; ++run) {
        const AppUnderTest app(folder);
        HWND dialog = app.WaitForMainWindow();
        LogProbe probe(app, run == kRuns);
        ended = RunJLink(dialog, 300000) && ended;
        for (const auto& e : probe.Stop()) {
            if (e.kind == 'R' && e.textIn != 0) {
                (run == kRuns ? walked : refreshes).push_back(e);
            }
        }
    }
    const std::string figure = "One refresh of the log box with 1 MB / with 10 KB in it (median "
                               "of the 27 refreshes nearest, 3 runs)";
    if (!ended) {
        Row(figure, "a run did not end", "at most 1.5", "-");
        return;
    }
    const auto nearSmall = Nearest(refreshes, 10 * 1024);
    const auto nearLarge = Nearest(refreshes, 1024 * 1024);
    const double small = CostMs(nearSmall);
    const double large = CostMs(nearLarge);
    Row(figure, Format("%.2f (%.2f ms / %.2f ms)", large / small, large, small), "at most 1.5",
        Met(large / small <= 1.5));
    Row("Its parts, at 1 MB / at 10 KB (medians)", Parts(nearLarge, nearSmall), "reported", "-");
    Row("One walk over the box's list of lines at 1 MB (EM_LINEINDEX of its last line less that of "
        "its first, quickest of ten each, median of the 9 refreshes nearest, a run of its own)",
        Walks(nearLarge, nearSmall, Nearest(walked, 1024 * 1024, 9)), "reported", "-");
}

} // namespace bench
