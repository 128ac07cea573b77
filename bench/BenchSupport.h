#pragma once
// What the measurements share: the clock, order statistics, the table's rows, the programs they
// start, one run of Pelvaro.exe, and the probe that times its log box. Folders, the program's
// start and the stand-in tools come from the tests' support library.
#include "AppUnderTest.h"
#include "base/UniqueResource.h"
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace bench {

// Controls of the main window.
constexpr int kUpgradeRemote = 1000;
constexpr int kLog = 1001;
constexpr int kJLinkRemote = 1002;
constexpr int kResult = 1007;

// The performance counter, which Wine (like Windows) shares between processes: the stand-in
// tools, the probe inside Pelvaro.exe and the bench read one clock.
std::int64_t Ticks();
double Ms(std::int64_t ticks);

struct Summary {
    double median = 0;
    double p90 = 0;
    double worst = 0;
};
Summary Summarise(std::vector<double> values);

// printf into a string.
std::string Format(const char* format, ...) __attribute__((format(gnu_printf, 1, 2)));
// One row of the table: the figure, what was measured (with its reference), the target, whether
// the target is met ("yes", "**no**", or "-" for a figure without one).
void Row(const std::string& figure, const std::string& now, const std::string& target,
         const std::string& met);
std::string Met(bool met);
// Peak working set and peak private memory of a running program.
std::string PeakMemory(HANDLE process);

// A folder with a config.ini that names a package and an image of the remote, both present.
class PelvaroFolder : public TestFolder {
public:
    PelvaroFolder();
};

// A program started from its folder, ended at the end if still running.
class StartedProgram {
public:
    StartedProgram(const std::wstring& exe, const std::wstring& folder,
                   const std::wstring& arguments = L"");
    ~StartedProgram();
    StartedProgram(const StartedProgram&) = delete;
    StartedProgram& operator=(const StartedProgram&) = delete;

    HANDLE Process() const { return m_process.get(); }
    // Whether the program shows a visible top-level window with this caption.
    bool ShowsWindow(const wchar_t* caption) const;

private:
    UniqueHandle m_process;
    DWORD m_id = 0;
};

// A stand-in scenario for a J-Link run: the erase step waits 3 s, until the press has stopped
// waiting for its worker (meanwhile the box is refreshed but never repainted), then takes the
// given steps; the program and reset steps write one line.
std::string JLinkScenario(const std::string& eraseSteps);
// Steps that write `bytes` bytes of 48-byte lines, 85 lines (4,080 bytes) a write.
std::string FloodSteps(std::size_t bytes);
// A little over 1 MB, so that refreshes on both sides of 1 MB are seen.
constexpr std::size_t kFloodBytes = 1088 * 1024;

// Presses a button once it is enabled: a run disables the buttons while it is active.
bool Press(HWND dialog, int button, DWORD timeoutMs);
// Waits until the run has ended: done() holds and the buttons are enabled again.
bool WaitForRunEnd(HWND dialog, const std::function<bool()>& done, DWORD timeoutMs);
// Presses "J-Link the remote" and waits until the run has shown "success".
bool RunJLink(HWND dialog, DWORD timeoutMs);

// A refresh of the log box ('R') or a repaint ('P'), in counter ticks, as the probe saw it.
struct LogEvent {
    char kind = 'R';
    std::int64_t begin = 0;
    std::int64_t textIn = 0; // EM_REPLACESEL returned: the new text is in the box (0: none)
    std::int64_t end = 0;
    std::size_t length = 0; // the box's length after the refresh, or when the repaint began
    std::int64_t stamp = 0; // the last "stamp N" line in the box then (0: none)
    // A refresh's ticks in the box's handling of EM_GETSEL and EM_SETSEL, EM_REPLACESEL,
    // EM_GETLINECOUNT, EM_LINESCROLL, WM_SETREDRAW (on), and in the probe's reading of its length.
    static constexpr std::size_t kParts = 6;
    std::int64_t parts[kParts] = {};
    // After a refresh of a probe started with walks: one walk over the box's list of lines.
    std::int64_t walk = 0;
};

// The probe DLL inside a running Pelvaro.exe, timing its log box from now until Stop.
class LogProbe {
public:
    // With walks, the probe also times walks over the box's list of lines after each refresh.
    explicit LogProbe(const AppUnderTest& app, bool walks = false);
    LogProbe(const LogProbe&) = delete;
    LogProbe& operator=(const LogProbe&) = delete;
    // Stops timing; every refresh and repaint seen, in order.
    std::vector<LogEvent> Stop();

private:
    const AppUnderTest& m_app;
};

} // namespace bench
