// Loaded by the bench into a running Pelvaro.exe: times every refresh and every repaint of the log
// box from inside the program, with the performance counter that the bench tools use too.
// ProbeStart wraps the log box's window procedure; ProbeStop unwraps it and writes one line per
// refresh and one per repaint to the file named by its argument:
//   R begin selected textIn scrollEnd end length lastSample banners
//   P begin end length lastSample
// A refresh begins when drawing is switched off (WM_SETREDRAW) or, without that, when the text
// is set or replaced; selected is when EM_SETSEL returned (0 without it), textIn when
// WM_SETTEXT or EM_REPLACESEL returned (the text is in the box), scrollEnd when EM_LINESCROLL
// returned, end when drawing was switched back on (or the scroll, without that). length is the
// box's length after it, lastSample the number of the last "lat NNNNNN" line in the box or -1,
// banners its count of "Upgrading...". A repaint is one WM_PAINT of the box, with the box's length
// and last sample when it began.
#include <cstdint>
#include <cstdio>
#include <string_view>
#include <vector>
#include <windows.h>

namespace {

constexpr int kLogId = 1001;
constexpr wchar_t kProperty[] = L"PelvaroBenchProbe";

std::int64_t Ticks() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

struct Refresh {
    std::int64_t begin = 0;
    std::int64_t selected = 0;
    std::int64_t textIn = 0;
    std::int64_t scrollEnd = 0;
    std::int64_t end = 0;
    std::size_t length = 0;
    long lastSample = -1;
    long banners = 0;
};

struct Paint {
    std::int64_t begin = 0;
    std::int64_t end = 0;
    std::size_t length = 0;
    long lastSample = -1;
};

// Lives from ProbeStart to ProbeStop, reached from the window procedure through a window
// property; only the log box's own thread touches it after the start.
struct Recorder {
    WNDPROC original = nullptr;
    bool latency = false;
    bool banner = false;
    UINT stopMessage = 0;
    // What the box holds now.
    std::size_t length = 0;
    long lastSample = -1;
    long banners = 0;
    // The refresh under way, if any.
    bool open = false;
    bool drawingOff = false;
    Refresh current;
    std::vector<Refresh> refreshes;
    std::vector<Paint> paints;
};

long LastSample(std::wstring_view text) {
    const auto at = text.rfind(L"lat ");
    if (at == std::wstring_view::npos) {
        return -1;
    }
    long value = 0;
    for (std::size_t i = at + 4; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
        value = value * 10 + (text[i] - L'0');
    }
    return value;
}

long Banners(std::wstring_view text) {
    long count = 0;
    for (auto at = text.find(L"Upgrading..."); at != std::wstring_view::npos;
         at = text.find(L"Upgrading...", at + 1)) {
        ++count;
    }
    return count;
}

void Write(const Recorder& recorder, const wchar_t* path) {
    FILE* out = _wfopen(path, L"w");
    if (out == nullptr) {
        return;
    }
    for (const auto& r : recorder.refreshes) {
        std::fprintf(out, "R %lld %lld %lld %lld %lld %zu %ld %ld\n",
                     static_cast<long long>(r.begin), static_cast<long long>(r.selected),
                     static_cast<long long>(r.textIn), static_cast<long long>(r.scrollEnd),
                     static_cast<long long>(r.end), r.length, r.lastSample, r.banners);
    }
    for (const auto& p : recorder.paints) {
        std::fprintf(out, "P %lld %lld %zu %ld\n", static_cast<long long>(p.begin),
                     static_cast<long long>(p.end), p.length, p.lastSample);
    }
    std::fclose(out);
}

void Open(Recorder& recorder, std::int64_t begin) {
    if (!recorder.open) {
        recorder.open = true;
        recorder.current = Refresh{};
        recorder.current.begin = begin;
    }
}

void Close(Recorder& recorder, std::int64_t end) {
    if (recorder.open) {
        recorder.current.end = end;
        recorder.current.length = recorder.length;
        recorder.current.lastSample = recorder.lastSample;
        recorder.current.banners = recorder.banners;
        recorder.refreshes.push_back(recorder.current);
        recorder.open = false;
    }
}

// Notes what a text put into the box (the whole text, or a part added at its end) holds.
void NoteText(Recorder& recorder, HWND box, std::wstring_view text, bool whole) {
    recorder.current.textIn = Ticks();
    recorder.length =
        static_cast<std::size_t>(CallWindowProcW(recorder.original, box, WM_GETTEXTLENGTH, 0, 0));
    if (recorder.latency) {
        const long sample = LastSample(text);
        if (whole || sample >= 0) {
            recorder.lastSample = sample;
        }
    }
    if (recorder.banner) {
        recorder.banners = (whole ? 0 : recorder.banners) + Banners(text);
    }
}

LRESULT CALLBACK TimedLogProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* recorder = static_cast<Recorder*>(GetPropW(box, kProperty));
    if (recorder == nullptr) {
        return DefWindowProcW(box, message, wParam, lParam);
    }
    if (message == recorder->stopMessage) {
        SetWindowLongPtrW(box, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(recorder->original));
        RemovePropW(box, kProperty);
        Write(*recorder, reinterpret_cast<const wchar_t*>(lParam));
        delete recorder;
        return 1;
    }
    const auto pass = [&] {
        return CallWindowProcW(recorder->original, box, message, wParam, lParam);
    };
    switch (message) {
    case WM_SETREDRAW: {
        if (wParam == FALSE) {
            Open(*recorder, Ticks());
            recorder->drawingOff = true;
            return pass();
        }
        const LRESULT result = pass();
        recorder->drawingOff = false;
        Close(*recorder, Ticks());
        return result;
    }
    case WM_SETTEXT:
    case EM_REPLACESEL: {
        Open(*recorder, Ticks());
        const LRESULT result = pass();
        const std::wstring_view text(lParam != 0 ? reinterpret_cast<const wchar_t*>(lParam) : L"");
        NoteText(*recorder, box, text, message == WM_SETTEXT);
        return result;
    }
    case EM_SETSEL: {
        const LRESULT result = pass();
        recorder->current.selected = Ticks();
        return result;
    }
    case EM_LINESCROLL: {
        const LRESULT result = pass();
        recorder->current.scrollEnd = Ticks();
        if (!recorder->drawingOff) {
            Close(*recorder, recorder->current.scrollEnd);
        }
        return result;
    }
    case WM_PAINT: {
        Paint paint;
        paint.begin = Ticks();
        paint.length = recorder->length;
        paint.lastSample = recorder->lastSample;
        const LRESULT result = pass();
        paint.end = Ticks();
        recorder->paints.push_back(paint);
        return result;
    }
    default:
        return pass();
    }
}

struct Search {
    DWORD process;
    HWND found;
};

BOOL CALLBACK FindMainWindow(HWND hwnd, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    wchar_t caption[32] = {};
    GetWindowTextW(hwnd, caption, 32);
    if (pid == search->process && lstrcmpW(caption, L"Upgrade Tools") == 0) {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

HWND LogBox() {
    Search search{GetCurrentProcessId(), nullptr};
    EnumWindows(&FindMainWindow, reinterpret_cast<LPARAM>(&search));
    return search.found != nullptr ? GetDlgItem(search.found, kLogId) : nullptr;
}

UINT StopMessage() {
    return RegisterWindowMessageW(L"PelvaroBenchProbeStop");
}

} // namespace

// Thread entries, started by the bench in this process. The argument is a wide string.
extern "C" __declspec(dllexport) DWORD WINAPI ProbeStart(LPVOID argument) {
    HWND box = LogBox();
    if (box == nullptr || GetPropW(box, kProperty) != nullptr) {
        return 1;
    }
    const std::wstring_view mode(static_cast<const wchar_t*>(argument));
    auto* recorder = new Recorder;
    recorder->latency = mode == L"latency";
    recorder->banner = mode == L"banner";
    recorder->stopMessage = StopMessage();
    recorder->refreshes.reserve(1 << 16);
    recorder->paints.reserve(1 << 16);
    recorder->length = static_cast<std::size_t>(GetWindowTextLengthW(box));
    recorder->original = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(box, GWLP_WNDPROC));
    SetPropW(box, kProperty, recorder);
    SetWindowLongPtrW(box, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TimedLogProc));
    return 0;
}

// Unwrapping happens on the log box's own thread, between two of its messages.
extern "C" __declspec(dllexport) DWORD WINAPI ProbeStop(LPVOID argument) {
    HWND box = LogBox();
    if (box == nullptr) {
        return 1;
    }
    DWORD_PTR done = 0;
    SendMessageTimeoutW(box, StopMessage(), 0, reinterpret_cast<LPARAM>(argument), SMTO_NORMAL,
                        60000, &done);
    return done == 1 ? 0 : 1;
}
