// What a log refresh costs in an edit box of the log box's styles, outside the program: setting
// the whole text, appending only the new chunk (EM_REPLACESEL at the end) with the box drawing
// as it goes, and appending with drawing off (the default WM_SETREDRAW handling, as the program
// does), each followed by the repaint.
#include "Measurements.h"
#include "BenchSupport.h"
#include <algorithm>
#include <cstdio>
#include <string>

namespace bench {

namespace {

struct WindowTraits {
    using Type = HWND;
    static Type Empty() { return nullptr; }
    static bool IsValid(Type window) { return window != nullptr; }
    static void Release(Type window) { DestroyWindow(window); }
};
using UniqueWindow = UniqueResource<WindowTraits>;

// One chunk of the flood, as the program appends it: 4096 bytes of 48-byte lines and "\r\n".
std::wstring Chunk(int index) {
    std::wstring chunk;
    wchar_t line[64];
    for (int i = 0; chunk.size() < 4096; ++i) {
        std::swprintf(line, 64, L"Flash block %06d verified, all bytes match. \r\n",
                      (index * 86 + i) % 1000000);
        chunk += line;
    }
    chunk.resize(4096);
    return chunk + L"\r\n";
}

struct Point {
    std::size_t length;
    double refreshMs;
    double paintMs;
};

// One line of the write-to-log measurement, as the program appends it.
std::wstring SampleLine(int index) {
    wchar_t line[32];
    std::swprintf(line, 32, L"lat %06d\r\n\r\n", index);
    return line;
}

enum class Refresh { WholeText, Append, AppendDrawingOff };

// Feeds chunks until the text reaches maxChars or count chunks went in; notes the cost of each.
std::vector<Point> Feed(Refresh refresh, std::size_t maxChars, int count = 1 << 30,
                        std::wstring (*next)(int) = &Chunk, bool visible = true) {
    UniqueWindow frame(CreateWindowExW(0, L"STATIC", L"Edit bench",
                                       WS_POPUP | (visible ? WS_VISIBLE : 0), 0, 0, 520, 320,
                                       nullptr, nullptr, GetModuleHandleW(nullptr), nullptr));
    HWND box =
        CreateWindowExW(0, L"EDIT", L"",
                        WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | ES_MULTILINE |
                            ES_AUTOHSCROLL | ES_READONLY,
                        10, 10, 500, 300, frame.get(), nullptr, GetModuleHandleW(nullptr), nullptr);
    SendMessageW(box, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), 0);
    // The whole-text refresh ignores the limit; appending honours it, so lift it.
    SendMessageW(box, EM_SETLIMITTEXT, 0, 0);
    std::wstring log;
    std::vector<Point> points;
    for (int index = 0; log.size() < maxChars && index < count; ++index) {
        const std::wstring chunk = next(index);
        log += chunk;
        const auto begin = Ticks();
        if (refresh == Refresh::AppendDrawingOff) {
            // The edit box of some systems (Wine's) ignores the message itself.
            DefWindowProcW(box, WM_SETREDRAW, FALSE, 0);
        }
        if (refresh == Refresh::WholeText) {
            SetWindowTextW(box, log.c_str());
        } else {
            const auto end = static_cast<WPARAM>(GetWindowTextLengthW(box));
            SendMessageW(box, EM_SETSEL, end, static_cast<LPARAM>(end));
            SendMessageW(box, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(chunk.c_str()));
        }
        const auto lines = SendMessageW(box, EM_GETLINECOUNT, 0, 0);
        SendMessageW(box, EM_LINESCROLL, 0, lines);
        if (refresh == Refresh::AppendDrawingOff) {
            DefWindowProcW(box, WM_SETREDRAW, TRUE, 0);
            RedrawWindow(box, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
        }
        const double cost = MsSince(begin);
        const auto paintBegin = Ticks();
        UpdateWindow(frame.get());
        points.push_back({log.size(), cost, MsSince(paintBegin)});
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageW(&message);
        }
    }
    const auto shown = static_cast<std::size_t>(GetWindowTextLengthW(box));
    if (shown != log.size()) {
        std::printf("(The box holds %zu of %zu characters.)\n", shown, log.size());
    }
    return points;
}

// The mean of the five chunks nearest to the length.
Point Near(const std::vector<Point>& points, std::size_t length) {
    std::size_t nearest = 0;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const auto distance = [&](std::size_t k) {
            return points[k].length > length ? points[k].length - length
                                             : length - points[k].length;
        };
        if (distance(i) < distance(nearest)) {
            nearest = i;
        }
    }
    const std::size_t from = nearest >= 2 ? nearest - 2 : 0;
    const std::size_t to = std::min(points.size(), from + 5);
    Point mean{points[nearest].length, 0, 0};
    for (std::size_t i = from; i < to; ++i) {
        mean.refreshMs += points[i].refreshMs / static_cast<double>(to - from);
        mean.paintMs += points[i].paintMs / static_cast<double>(to - from);
    }
    return mean;
}

} // namespace

void MeasureEditAlternatives(std::size_t maxChars) {
    const auto whole = Feed(Refresh::WholeText, maxChars);
    const auto append = Feed(Refresh::Append, maxChars);
    const auto drawingOff = Feed(Refresh::AppendDrawingOff, maxChars);
    std::printf("### Ways to refresh an edit box, outside the program\n\n");
    std::printf("An edit box of the log box's styles in the bench's own window, fed the same "
                "4096-byte chunks on one thread: *whole text* sets the whole log and scrolls; "
                "*append* puts only the new chunk at the end (EM_SETSEL to the end, EM_REPLACESEL, "
                "with the text limit lifted) and scrolls; *drawing off* does the same between "
                "WM_SETREDRAW off and on (the default handling) and then invalidates the box, as "
                "RefreshLogView does. Paint is the repaint that follows (UpdateWindow). Mean of "
                "the 5 chunks nearest to each length.\n\n");
    std::printf("| Log length | Whole text: refresh | paint | Append: refresh | paint | Drawing "
                "off: refresh | paint |\n");
    std::printf("|---|---|---|---|---|---|---|\n");
    for (const std::size_t length :
         {std::size_t{4096}, std::size_t{64 * 1024}, std::size_t{128 * 1024},
          std::size_t{256 * 1024}, std::size_t{512 * 1024}, std::size_t{1024 * 1024}}) {
        if (length > maxChars) {
            break;
        }
        const Point w = Near(whole, length);
        const Point a = Near(append, length);
        const Point d = Near(drawingOff, length);
        std::printf("| %zu KB | %.1f ms | %.1f ms | %.1f ms | %.1f ms | %.1f ms | %.1f ms |\n",
                    w.length / 1024, w.refreshMs, w.paintMs, a.refreshMs, a.paintMs, d.refreshMs,
                    d.paintMs);
    }
    // The write-to-log case: single short lines, appended, on screen and in a hidden box.
    Summary lines[3];
    const struct {
        Refresh refresh;
        bool visible;
    } ways[] = {
        {Refresh::Append, true}, {Refresh::AppendDrawingOff, true}, {Refresh::Append, false}};
    for (int way = 0; way < 3; ++way) {
        std::vector<double> refresh;
        for (const auto& point :
             Feed(ways[way].refresh, maxChars, 1000, &SampleLine, ways[way].visible)) {
            refresh.push_back(point.refreshMs);
        }
        lines[way] = Summarise(refresh);
    }
    std::printf("\nAppending 1,000 single lines (\"lat NNNNNN\\r\\n\" and the runner's \"\\r\\n\", "
                "as in the write-to-log measurement): refresh median %.2f ms, 90th percentile "
                "%.2f ms, worst %.2f ms; with drawing off, median %.2f ms, worst %.2f ms; into a "
                "hidden box (no drawing at all), median %.2f ms, worst %.2f ms.\n\n",
                lines[0].median, lines[0].p90, lines[0].worst, lines[1].median, lines[1].worst,
                lines[2].median, lines[2].worst);
}

} // namespace bench
