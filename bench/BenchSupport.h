#pragma once
// Helpers of the bench driver: clocks, statistics, started programs, the log probe. Folders,
// files and text come from the tests' support library.
#include "ScopedVariable.h"
#include "TestFolder.h"
#include "base/UniqueResource.h"
#include <cstdint>
#include <string>
#include <vector>
#include <windows.h>

namespace bench {

// The performance counter, which Windows and Wine share between processes, so a time taken in a
// tool and one taken inside Pelvaro.exe can be subtracted.
std::int64_t Ticks();
double TicksToMs(std::int64_t ticks);
double MsSince(std::int64_t start);

// Order statistics of a sample (the sample is copied and sorted).
struct Summary {
    std::size_t count = 0;
    double median = 0;
    double p90 = 0;
    double worst = 0;
    double best = 0;
};
Summary Summarise(std::vector<double> values);

// The bench tools (nrfjprog.exe, nrfutil.exe) first on PATH, and what they are to do.
class BenchTools {
public:
    explicit BenchTools(const std::wstring& behaviour);

private:
    ScopedVariable m_path;
    ScopedVariable m_behaviour;
};

// A program started from its own folder, ended (if still running) at the end.
class StartedProgram {
public:
    StartedProgram(const std::wstring& exe, const std::wstring& folder);
    ~StartedProgram();
    StartedProgram(const StartedProgram&) = delete;
    StartedProgram& operator=(const StartedProgram&) = delete;

    HANDLE Process() const { return m_process.get(); }
    DWORD Id() const { return m_id; }
    // A visible top-level window of the program (any when caption is empty), or nullptr.
    HWND VisibleWindow(const wchar_t* caption = L"") const;
    HWND WaitForWindow(const wchar_t* caption, DWORD timeoutMs) const;
    void End();

private:
    UniqueHandle m_process;
    DWORD m_id = 0;
};

std::wstring WindowText(HWND window);
bool Responsive(HWND window, DWORD timeoutMs);

// Waits until pred() holds, polling every few milliseconds; false after the time-out.
template <typename Pred> bool WaitUntil(Pred pred, DWORD timeoutMs, DWORD pollMs = 5) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    while (!pred()) {
        if (GetTickCount64() >= end) {
            return false;
        }
        Sleep(pollMs);
    }
    return true;
}

// The log probe (pelvaro_bench_probe.dll) inside a running Pelvaro.exe: it times every refresh
// and every repaint of the log box.
struct RefreshRecord {
    std::int64_t begin = 0;     // the refresh began (drawing switched off, or the text set)
    std::int64_t selected = 0;  // EM_SETSEL returned (0 without it)
    std::int64_t textIn = 0;    // WM_SETTEXT or EM_REPLACESEL returned: the text is in the box
    std::int64_t scrollEnd = 0; // EM_LINESCROLL returned: the end of the log is in view
    std::int64_t end = 0;       // the refresh ended (drawing switched back on, or the scroll)
    std::size_t length = 0;     // characters in the box after it
    long lastSample = -1;       // the number of the last "lat NNNNNN" line in the box
    long banners = 0;           // how many "Upgrading..." lines the box holds
};
struct PaintRecord {
    std::int64_t begin = 0; // WM_PAINT of the log box entered
    std::int64_t end = 0;   // ... and returned: what the box held is on the screen
    std::size_t length = 0; // characters in the box when it began
    long lastSample = -1;   // the last "lat NNNNNN" line in the box when it began
};
struct ProbeRecords {
    std::vector<RefreshRecord> refreshes; // in order
    std::vector<PaintRecord> paints;      // in order
};

class LogProbe {
public:
    // mode: "latency", "banner" or "plain" (what the probe looks for in each text).
    LogProbe(const StartedProgram& program, const std::string& mode);
    ~LogProbe();
    LogProbe(const LogProbe&) = delete;
    LogProbe& operator=(const LogProbe&) = delete;

    // Stops timing and gives every refresh and repaint seen so far.
    ProbeRecords Stop();

private:
    bool Call(const char* function, const std::wstring& argument) const;

    const StartedProgram& m_program;
    TestFolder m_scratch;
    bool m_started = false;
};

// Peak figures of a running process, in bytes.
struct PeakMemory {
    bool known = false;
    std::size_t workingSet = 0;
    std::size_t pagefile = 0; // private committed memory
};
PeakMemory PeakMemoryOf(HANDLE process);

} // namespace bench
