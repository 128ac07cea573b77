// Capture of a tool's output: the real runner in nrfjprog mode (RunEraseAll, which reads, converts
// and judges every 4096-byte read and hands each to the log) against a plain read of the same
// pipe output, for the same command line and tool. A third column hands every chunk to a window
// on another thread, as the program's workers do, but without an edit box behind it.
#include "BenchFolders.h"
#include "Measurements.h"
#include "runner/ToolSteps.h"
#include <atomic>
#include <cstdio>
#include <thread>

namespace bench {

namespace {

constexpr wchar_t kEraseCommand[] = L"cmd /c nrfjprog --family NRF52 --eraseall";

// The output read and thrown away, 4096 bytes at a time, until it ends; then the tool's end.
double PlainRead(unsigned long long& bytes) {
    const auto begin = Ticks();
    SECURITY_ATTRIBUTES security{sizeof(security), nullptr, TRUE};
    HANDLE read = nullptr;
    HANDLE write = nullptr;
    if (!CreatePipe(&read, &write, &security, 0)) {
        return -1;
    }
    UniqueHandle readEnd(read);
    UniqueHandle writeEnd(write);
    SetHandleInformation(readEnd.get(), HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    startup.hStdOutput = writeEnd.get();
    startup.hStdError = writeEnd.get();
    std::wstring commandLine = kEraseCommand;
    PROCESS_INFORMATION started = {};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &startup, &started)) {
        return -1;
    }
    const UniqueHandle process(started.hProcess);
    const UniqueHandle thread(started.hThread);
    writeEnd.reset();
    char buffer[4096];
    DWORD got = 0;
    bytes = 0;
    while (ReadFile(readEnd.get(), buffer, sizeof(buffer), &got, nullptr)) {
        bytes += got;
    }
    WaitForSingleObject(process.get(), INFINITE);
    return MsSince(begin);
}

class StringLog : public ToolLog {
public:
    void AppendAndRefresh(const std::wstring& text) override { m_text += text; }
    std::size_t Size() const { return m_text.size(); }

private:
    std::wstring m_text;
};

// A log whose appends are carried out on another thread's window, as DialogChannel does.
class WindowLog : public ToolLog {
public:
    WindowLog() : m_thread([this] { Pump(); }) {
        WaitUntil([this] { return m_window.load() != nullptr; }, 10000, 1);
    }
    ~WindowLog() override {
        PostMessageW(m_window.load(), WM_CLOSE, 0, 0);
        m_thread.join();
    }
    WindowLog(const WindowLog&) = delete;
    WindowLog& operator=(const WindowLog&) = delete;

    void AppendAndRefresh(const std::wstring& text) override {
        SendMessageW(m_window.load(), WM_APP + 1, 0, reinterpret_cast<LPARAM>(&text));
    }
    std::size_t Size() const { return m_text.size(); }

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<WindowLog*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (message == WM_APP + 1 && self != nullptr) {
            self->m_text += *reinterpret_cast<const std::wstring*>(lParam);
            return 0;
        }
        if (message == WM_CLOSE) {
            DestroyWindow(window);
            PostQuitMessage(0);
            return 0;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }
    void Pump() {
        WNDCLASSW windowClass = {};
        windowClass.lpfnWndProc = &Proc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"PelvaroBenchLog";
        RegisterClassW(&windowClass);
        HWND window = CreateWindowW(L"PelvaroBenchLog", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                    GetModuleHandleW(nullptr), nullptr);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        m_window = window;
        MSG message;
        while (GetMessageW(&message, nullptr, 0, 0) > 0) {
            DispatchMessageW(&message);
        }
    }

    std::wstring m_text;
    std::atomic<HWND> m_window{nullptr};
    std::thread m_thread;
};

template <typename Log> double RunnerRead(bool& ok, std::size_t& logged) {
    Log log;
    const auto begin = Ticks();
    ok = RunEraseAll(L"", log);
    const double ms = MsSince(begin);
    logged = log.Size();
    return ms;
}

// The rate once the time of a run without output (starting and ending cmd and the tool) is
// taken off.
std::string Rate(unsigned long long bytes, double ms, double startMs) {
    if (bytes == 0 || ms <= startMs) {
        return "–";
    }
    char text[32];
    std::snprintf(text, sizeof(text), "%.1f MB/s",
                  static_cast<double>(bytes) / (1024.0 * 1024.0) / ((ms - startMs) / 1000.0));
    return text;
}

} // namespace

void MeasureCapture(Report&) {
    struct Size {
        unsigned long long bytes;
        const char* name;
    };
    const Size sizes[] = {{0, "0 (start and end only)"},
                          {64ull * 1024, "64 KB"},
                          {1024ull * 1024, "1 MB"},
                          {10ull * 1024 * 1024, "10 MB"}};
    constexpr int kRepeats = 7;
    std::printf("### Capture throughput in nrfjprog mode\n\n");
    std::printf("The erase command line `%s` with a bench tool that writes the given amount in "
                "writes of 4096 bytes; median of %d runs each, including the start of cmd and the "
                "tool and the wait for its end; the rates in brackets leave out the time of the "
                "run without output. *Plain read*: ReadFile of 4096 bytes until the "
                "output ends, nothing else. *Runner*: `RunEraseAll` as the program runs it, with a "
                "log that appends to a string. *Runner + window*: the same with every chunk sent "
                "to a window on another thread (the program's worker-to-dialog hop, without the "
                "edit box).\n\n",
                Utf8(kEraseCommand).c_str(), kRepeats);
    std::printf("| Output | Plain read | Runner | Runner / plain | Runner + window | "
                "Runner + window / plain |\n");
    std::printf("|---|---|---|---|---|---|\n");
    double plainStart = 0, runnerStart = 0, windowStart = 0;
    for (const auto& size : sizes) {
        const BenchTools tools(L"flood " + std::to_wstring(size.bytes));
        std::vector<double> plain, runner, window;
        bool allOk = true;
        for (int repeat = 0; repeat < kRepeats; ++repeat) {
            unsigned long long read = 0;
            plain.push_back(PlainRead(read));
            bool ok = false;
            std::size_t logged = 0;
            runner.push_back(RunnerRead<StringLog>(ok, logged));
            // A tool that writes nothing fails its step; every other run succeeds.
            const bool expected = size.bytes > 0;
            allOk = allOk && ok == expected && read == size.bytes && logged >= size.bytes;
            window.push_back(RunnerRead<WindowLog>(ok, logged));
            allOk = allOk && ok == expected && logged >= size.bytes;
        }
        const double p = Summarise(plain).median;
        const double r = Summarise(runner).median;
        const double w = Summarise(window).median;
        if (size.bytes == 0) {
            plainStart = p;
            runnerStart = r;
            windowStart = w;
        }
        std::printf("| %s | %.0f ms (%s) | %.0f ms (%s) | %.2f | %.0f ms (%s) | %.2f |%s\n",
                    size.name, p, Rate(size.bytes, p, plainStart).c_str(), r,
                    Rate(size.bytes, r, runnerStart).c_str(), r / p, w,
                    Rate(size.bytes, w, windowStart).c_str(), w / p,
                    allOk ? "" : " (a run went wrong)");
    }
    std::printf("\n");
}

} // namespace bench
