// Loaded by the bench into the running Pelvaro.exe: times every refresh and every repaint of the
// log box from inside the program, with the performance counter that the stand-in tools stamp
// their writes with. ProbeStart wraps the box's window procedure; ProbeStop unwraps it on the
// box's own thread and writes one line per event to the file named by its argument:
//   R begin textIn end length stamp   a refresh: drawing switched off, the new text in the box
//                                     (EM_REPLACESEL returned; 0 without it), drawing back on
//   P begin 0 end length stamp        a repaint: WM_PAINT of the box entered and returned
// length is the box's length after the refresh (when the repaint began), stamp the number of the
// last "stamp N" line in the box then (0 without one).
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

struct Event {
    char kind;
    long long begin;
    long long textIn;
    long long end;
    std::size_t length;
    long long stamp;
};

// Lives from ProbeStart to ProbeStop, reached through a window property of the box; after the
// start only the box's own thread touches it.
struct Recorder {
    WNDPROC original = nullptr;
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
        std::fprintf(out, "%c %lld %lld %lld %zu %lld\n", e.kind, e.begin, e.textIn, e.end,
                     e.length, e.stamp);
    }
    std::fclose(out);
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
        recorder->refresh = {'R', begin, 0, 0, 0, 0};
    } else if (message == EM_REPLACESEL) {
        recorder->refresh.textIn = end;
        recorder->length = static_cast<std::size_t>(
            CallWindowProcW(recorder->original, box, WM_GETTEXTLENGTH, 0, 0));
        const std::wstring_view text(lParam != 0 ? reinterpret_cast<const wchar_t*>(lParam) : L"");
        const auto at = text.rfind(L"stamp ");
        if (at != std::wstring_view::npos) {
            recorder->stamp = std::wcstoll(text.data() + at + 6, nullptr, 10);
        }
    } else if (message == WM_SETREDRAW && recorder->refresh.begin != 0) {
        recorder->refresh.end = end;
        recorder->refresh.length = recorder->length;
        recorder->refresh.stamp = recorder->stamp;
        recorder->events.push_back(recorder->refresh);
        recorder->refresh = {};
    } else if (message == WM_PAINT) {
        // What the box held when the repaint began: refreshes never run inside a repaint.
        recorder->events.push_back({'P', begin, 0, end, recorder->length, recorder->stamp});
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
extern "C" __declspec(dllexport) DWORD WINAPI ProbeStart(LPVOID) {
    HWND box = LogBox();
    if (box == nullptr || GetPropW(box, kProperty) != nullptr) {
        return 1;
    }
    auto* recorder = new Recorder;
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
