#include "BenchSupport.h"
#include "RemoteDll.h"
#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <psapi.h>
#include <sstream>
#include <stdexcept>

namespace bench {

std::int64_t Ticks() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

double Ms(std::int64_t ticks) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(ticks) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

Summary Summarise(std::vector<double> values) {
    if (values.empty()) {
        return {};
    }
    std::sort(values.begin(), values.end());
    const auto at = [&](double fraction) {
        return values[static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1) +
                                               0.5)];
    };
    return {at(0.5), at(0.9), values.back()};
}

std::string Format(const char* format, ...) {
    char text[512];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof(text), format, arguments);
    va_end(arguments);
    return text;
}

void Row(const std::string& figure, const std::string& now, const std::string& target,
         const std::string& met) {
    std::printf("| %s | %s | %s | %s |\n", figure.c_str(), now.c_str(), target.c_str(),
                met.c_str());
    std::fflush(stdout);
}

std::string Met(bool met) {
    return met ? "yes" : "**no**";
}

std::string PeakMemory(HANDLE process) {
    PROCESS_MEMORY_COUNTERS counters = {};
    if (!GetProcessMemoryInfo(process, &counters, sizeof(counters))) {
        return "not known";
    }
    constexpr double kMb = 1024.0 * 1024.0;
    return Format("%.1f MB working set, %.1f MB private",
                  static_cast<double>(counters.PeakWorkingSetSize) / kMb,
                  static_cast<double>(counters.PeakPagefileUsage) / kMb);
}

PelvaroFolder::PelvaroFolder() {
    WriteFile(L"config.ini", "[Remote]\r\nzip=remote.zip\r\nhex=remote.hex\r\n");
    WriteFile(L"remote.zip", "PK\x03\x04");
    WriteFile(L"remote.hex", ":00000001FF\r\n");
}

StartedProgram::StartedProgram(const std::wstring& exe, const std::wstring& folder,
                               const std::wstring& arguments) {
    std::wstring commandLine = L"\"" + exe + L"\" " + arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started = {};
    if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.c_str(), &startup, &started)) {
        throw std::runtime_error("cannot start " + Utf8(exe));
    }
    CloseHandle(started.hThread);
    m_process.reset(started.hProcess);
    m_id = started.dwProcessId;
}

StartedProgram::~StartedProgram() {
    if (WaitForSingleObject(m_process.get(), 0) == WAIT_TIMEOUT) {
        TerminateProcess(m_process.get(), 1);
        WaitForSingleObject(m_process.get(), 10000);
    }
}

bool StartedProgram::ShowsWindow(const wchar_t* caption) const {
    // The window's own text, read without a message to a program that may still be starting.
    for (HWND window : VisibleTopLevelWindows(m_id)) {
        wchar_t text[64] = {};
        if (GetWindowTextW(window, text, 64) > 0 && lstrcmpW(text, caption) == 0) {
            return true;
        }
    }
    return false;
}

std::string JLinkScenario(const std::string& eraseSteps) {
    return "[nrfjprog --eraseall]\npause 3000\n" + eraseSteps + "[nrfjprog]\nout \"Done.\\r\\n\"\n";
}

std::string FloodSteps(std::size_t bytes) {
    std::string steps;
    for (std::size_t sent = 0; sent < bytes; sent += 85 * 48) {
        steps += "out \"Flash block verified, all bytes match. Next...\\r\\n\"*85\n";
    }
    return steps;
}

bool Press(HWND dialog, int button, DWORD timeoutMs) {
    // Hidden buttons take a click message all the same.
    return ::WaitForRunEnd(dialog, timeoutMs) &&
           PostMessageW(GetDlgItem(dialog, button), BM_CLICK, 0, 0) != FALSE;
}

bool WaitForRunEnd(HWND dialog, const std::function<bool()>& done, DWORD timeoutMs) {
    return WaitUntil(done, timeoutMs) && ::WaitForRunEnd(dialog, timeoutMs);
}

bool RunJLink(HWND dialog, DWORD timeoutMs) {
    return Press(dialog, kJLinkRemote, timeoutMs) &&
           WaitForRunEnd(
               dialog, [&] { return WindowText(GetDlgItem(dialog, kResult)) == L"success"; },
               timeoutMs);
}

namespace {
const std::wstring& ProbeDll() {
    static const std::wstring path = ProgramFolder() + L"pelvaro_bench_probe.dll";
    return path;
}
} // namespace

LogProbe::LogProbe(const AppUnderTest& app, bool walks) : m_app(app) {
    if (!LoadDllInto(app.Process(), ProbeDll(), 60000) ||
        !CallDllExport(app.Process(), app.ProcessId(), ProbeDll(), "ProbeStart",
                       walks ? L"walks" : L"", 60000)) {
        throw std::runtime_error("the log probe did not start in the program");
    }
}

std::vector<LogEvent> LogProbe::Stop() {
    const TestFolder scratch;
    const std::wstring path = scratch.Path() + L"events.txt";
    if (!CallDllExport(m_app.Process(), m_app.ProcessId(), ProbeDll(), "ProbeStop", path, 60000)) {
        throw std::runtime_error("the log probe did not stop");
    }
    std::vector<LogEvent> events;
    std::istringstream lines(ReadFileBytes(path));
    for (LogEvent e; lines >> e.kind >> e.begin >> e.textIn >> e.end >> e.length >> e.stamp;) {
        for (auto& part : e.parts) {
            lines >> part;
        }
        lines >> e.walk;
        events.push_back(e);
    }
    return events;
}

} // namespace bench
