// Loaded by the bench into a running Pelvaro.exe: times every refresh of the log box from inside
// the program, with the performance counter that the bench tools use too. ProbeStart wraps the
// log box's window procedure; ProbeStop unwraps it and writes one line per refresh to the file
// named by its argument:
//   setBegin setEnd scrollEnd length lastSample banners
// (counter ticks when WM_SETTEXT entered and returned and when EM_LINESCROLL returned, the
// text's length, the number of its last "lat NNNNNN" line or -1, its count of "Upgrading...").
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
    std::int64_t setBegin = 0;
    std::int64_t setEnd = 0;
    std::int64_t scrollEnd = 0;
    std::size_t length = 0;
    long lastSample = -1;
    long banners = 0;
};

// Lives from ProbeStart to ProbeStop, reached from the window procedure through a window
// property; only the log box's own thread touches it after the start.
struct Recorder {
    WNDPROC original = nullptr;
    bool latency = false;
    bool banner = false;
    UINT stopMessage = 0;
    std::vector<Refresh> refreshes;
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
        std::fprintf(out, "%lld %lld %lld %zu %ld %ld\n", static_cast<long long>(r.setBegin),
                     static_cast<long long>(r.setEnd), static_cast<long long>(r.scrollEnd),
                     r.length, r.lastSample, r.banners);
    }
    std::fclose(out);
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
    if (message == WM_SETTEXT) {
        Refresh refresh;
        refresh.setBegin = Ticks();
        const LRESULT result = CallWindowProcW(recorder->original, box, message, wParam, lParam);
        refresh.setEnd = Ticks();
        const std::wstring_view text(lParam != 0 ? reinterpret_cast<const wchar_t*>(lParam) : L"");
        refresh.length = text.size();
        if (recorder->latency) {
            refresh.lastSample = LastSample(text);
        }
        if (recorder->banner) {
            refresh.banners = Banners(text);
        }
        recorder->refreshes.push_back(refresh);
        return result;
    }
    if (message == EM_LINESCROLL) {
        const LRESULT result = CallWindowProcW(recorder->original, box, message, wParam, lParam);
        if (!recorder->refreshes.empty()) {
            recorder->refreshes.back().scrollEnd = Ticks();
        }
        return result;
    }
    return CallWindowProcW(recorder->original, box, message, wParam, lParam);
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
