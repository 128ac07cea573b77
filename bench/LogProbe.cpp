// Loaded by the bench into the running Pelvaro.exe: times every refresh and every repaint of the
// log box from inside the program, with the performance counter that the stand-in tools stamp
// their writes with. ProbeStart wraps the box's window procedure; ProbeStop unwraps it on the
// box's own thread and writes one line per event to the file named by its argument:
//   R begin textIn end length stamp parts... walk    a refresh: drawing switched off, the new
//                                                    text in the box (EM_REPLACESEL returned; 0
//                                                    without it), drawing back on
//   P begin 0 end length stamp 0... 0                a repaint: WM_PAINT of the box entered and
//                                                    returned
// length is the box's length after the refresh (when the repaint began), stamp the number of the
// last "stamp N" line in the box then (0 without one). The parts are the ticks that the refresh
// spent in the box's handling of each of its messages (Part below), and in the probe's own
// reading of the box's length. Started with the argument "walks", the probe also times, after
// each refresh, one walk over the box's list of lines from its first to its last, as the box's own
// handling of a refresh's messages makes: EM_LINEINDEX of its last line less that of its first.
#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string_view>
#include <vector>
#include <windows.h>

namespace {

constexpr wchar_t kProperty[] = L"PelvaroBenchProbe";

long long Ticks() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

// The messages of a refresh, timed one by one.
enum Part { kCaret, kReplace, kLineCount, kScroll, kRedrawOn, kProbe, kParts };

struct Event {
    char kind;
    long long begin;
    long long textIn;
    long long end;
    std::size_t length;
    long long stamp;
    long long parts[kParts];
    long long walk;
};

constexpr int kWalks = 10;

int PartOf(UINT message) {
    switch (message) {
    case EM_GETSEL:
    case EM_SETSEL:
        return kCaret;
    case EM_REPLACESEL:
        return kReplace;
    case EM_GETLINECOUNT:
        return kLineCount;
    case EM_LINESCROLL:
        return kScroll;
    case WM_SETREDRAW:
        return kRedrawOn;
    default:
        return -1;
    }
}

// Lives from ProbeStart to ProbeStop, reached through a window property of the box; after the
// start only the box's own thread touches it.
struct Recorder {
    WNDPROC original = nullptr;
    bool walks = false;
    std::size_t length = 0;
    long long stamp = 0;
    Event refresh{};
    std::vector<Event> events;
};

UINT StopMessage() {
    return RegisterWindowMessageW(L"PelvaroBenchProbeStop");
}

void Write(const Recorder& recorder, const wchar_t* path) {
    FILE* out = _wfopen(path, L"w");
    if (out == nullptr) {
        return;
    }
    for (const auto& e : recorder.events) {
        std::fprintf(out, "%c %lld %lld %lld %zu %lld", e.kind, e.begin, e.textIn, e.end, e.length,
                     e.stamp);
        for (const long long part : e.parts) {
            std::fprintf(out, " %lld", part);
        }
        std::fprintf(out, " %lld\n", e.walk);
    }
    std::fclose(out);
}

// The ticks of EM_LINEINDEX of a line, the quickest of ten: other work on the machine only ever
// adds to one. It walks the box's list of lines from the first to that line.
long long QuickestLineIndex(const Recorder& recorder, HWND box, LRESULT line) {
    long long quickest = 0;
    for (int i = 0; i < kWalks; ++i) {
        const long long begin = Ticks();
        CallWindowProcW(recorder.original, box, EM_LINEINDEX, static_cast<WPARAM>(line), 0);
        const long long ticks = Ticks() - begin;
        quickest = i == 0 ? ticks : std::min(quickest, ticks);
    }
    return quickest;
}

LRESULT CALLBACK TimedLogProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* recorder = static_cast<Recorder*>(GetPropW(box, kProperty));
    if (recorder == nullptr) {
        return DefWindowProcW(box, message, wParam, lParam);
    }
    if (message == StopMessage()) {
        SetWindowLongPtrW(box, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(recorder->original));
        RemovePropW(box, kProperty);
        Write(*recorder, reinterpret_cast<const wchar_t*>(lParam));
        delete recorder;
        return 1;
    }
    const long long begin = Ticks();
    const LRESULT result = CallWindowProcW(recorder->original, box, message, wParam, lParam);
    const long long end = Ticks();
    if (message == WM_SETREDRAW && wParam == FALSE) {
        recorder->refresh = {'R', begin, 0, 0, 0, 0, {}, 0};
        return result;
    }
    if (recorder->refresh.begin != 0 && PartOf(message) >= 0) {
        recorder->refresh.parts[PartOf(message)] += end - begin;
    }
    if (message == EM_REPLACESEL) {
        recorder->refresh.textIn = end;
        recorder->length = static_cast<std::size_t>(
            CallWindowProcW(recorder->original, box, WM_GETTEXTLENGTH, 0, 0));
        const std::wstring_view text(lParam != 0 ? reinterpret_cast<const wchar_t*>(lParam) : L"");
        const auto at = text.rfind(L"stamp ");
        if (at != std::wstring_view::npos) {
            recorder->stamp = std::wcstoll(text.data() + at + 6, nullptr, 10);
        }
        recorder->refresh.parts[kProbe] += Ticks() - end;
    } else if (message == WM_SETREDRAW && recorder->refresh.begin != 0) {
        recorder->refresh.end = end;
        recorder->refresh.length = recorder->length;
        recorder->refresh.stamp = recorder->stamp;
        if (recorder->walks) {
            const auto last = CallWindowProcW(recorder->original, box, EM_GETLINECOUNT, 0, 0) - 1;
            recorder->refresh.walk =
                QuickestLineIndex(*recorder, box, last) - QuickestLineIndex(*recorder, box, 0);
        }
        recorder->events.push_back(recorder->refresh);
        recorder->refresh = {};
    } else if (message == WM_PAINT) {
        // What the box held when the repaint began: refreshes never run inside a repaint.
        recorder->events.push_back({'P', begin, 0, end, recorder->length, recorder->stamp, {}, 0});
    }
    return result;
}

HWND LogBox() {
    struct Search {
        DWORD process;
        HWND found;
    } search{GetCurrentProcessId(), nullptr};
    EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            DWORD process = 0;
            GetWindowThreadProcessId(window, &process);
            wchar_t caption[32] = {};
            GetWindowTextW(window, caption, 32);
            if (process == s->process && lstrcmpW(caption, L"Upgrade Tools") == 0) {
                s->found = window;
            }
            return s->found == nullptr;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found != nullptr ? GetDlgItem(search.found, 1001) : nullptr;
}

} // namespace

// Thread entries, started by the bench in this process; the argument is a wide string.
extern "C" __declspec(dllexport) DWORD WINAPI ProbeStart(LPVOID argument) {
    HWND box = LogBox();
    if (box == nullptr || GetPropW(box, kProperty) != nullptr) {
        return 1;
    }
    auto* recorder = new Recorder;
    recorder->walks = lstrcmpW(static_cast<const wchar_t*>(argument), L"walks") == 0;
    recorder->events.reserve(1 << 14);
    recorder->length = static_cast<std::size_t>(GetWindowTextLengthW(box));
    recorder->original = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(box, GWLP_WNDPROC));
    SetPropW(box, kProperty, recorder);
    SetWindowLongPtrW(box, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TimedLogProc));
    return 0;
}

extern "C" __declspec(dllexport) DWORD WINAPI ProbeStop(LPVOID argument) {
    HWND box = LogBox();
    DWORD_PTR done = 0;
    if (box != nullptr) {
        SendMessageTimeoutW(box, StopMessage(), 0, reinterpret_cast<LPARAM>(argument), SMTO_NORMAL,
                            60000, &done);
    }
    return done == 1 ? 0 : 1;
}
