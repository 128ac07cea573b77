#include "BenchSupport.h"
#include "RemoteDll.h"
#include <algorithm>
#include <atomic>
#include <psapi.h>
#include <sstream>
#include <stdexcept>

namespace bench {

namespace {

std::int64_t Frequency() {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return frequency.QuadPart;
}

struct WindowSearch {
    DWORD process;
    const wchar_t* caption;
    HWND found;
};

BOOL CALLBACK FindVisible(HWND hwnd, LPARAM param) {
    auto* search = reinterpret_cast<WindowSearch*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != search->process || !IsWindowVisible(hwnd)) {
        return TRUE;
    }
    if (search->caption[0] != L'\0' && WindowText(hwnd) != search->caption) {
        return TRUE;
    }
    search->found = hwnd;
    return FALSE;
}

constexpr wchar_t kProbeDll[] = L"pelvaro_bench_probe.dll";

} // namespace

std::int64_t Ticks() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

double TicksToMs(std::int64_t ticks) {
    static const std::int64_t frequency = Frequency();
    return static_cast<double>(ticks) * 1000.0 / static_cast<double>(frequency);
}

double MsSince(std::int64_t start) {
    return TicksToMs(Ticks() - start);
}

Summary Summarise(std::vector<double> values) {
    Summary summary;
    if (values.empty()) {
        return summary;
    }
    std::sort(values.begin(), values.end());
    const auto at = [&](double fraction) {
        return values[static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1) +
                                               0.5)];
    };
    summary.count = values.size();
    summary.median = at(0.5);
    summary.p90 = at(0.9);
    summary.worst = values.back();
    summary.best = values.front();
    return summary;
}

namespace {
std::wstring PathWithTools() {
    std::vector<wchar_t> path(32768);
    const DWORD length = GetEnvironmentVariableW(L"PATH", path.data(), 32768);
    std::wstring folder = ProgramFolder() + L"benchtools";
    return length > 0 ? folder + L";" + std::wstring(path.data(), length) : folder;
}
} // namespace

BenchTools::BenchTools(const std::wstring& behaviour)
    : m_path(L"PATH", PathWithTools()), m_behaviour(L"PELVARO_BENCH_TOOL", behaviour) {}

StartedProgram::StartedProgram(const std::wstring& exe, const std::wstring& folder) {
    std::wstring commandLine = L"\"" + exe + L"\"";
    // The program's standard handles go nowhere, so its trace words do not mix with the report.
    SECURITY_ATTRIBUTES inheritable{sizeof(inheritable), nullptr, TRUE};
    const UniqueHandle nowhere(CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                                           OPEN_EXISTING, 0, nullptr));
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nowhere.get();
    startup.hStdOutput = nowhere.get();
    startup.hStdError = nowhere.get();
    PROCESS_INFORMATION started = {};
    if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                        folder.c_str(), &startup, &started)) {
        throw std::runtime_error("cannot start " + Utf8(exe));
    }
    CloseHandle(started.hThread);
    m_process.reset(started.hProcess);
    m_id = started.dwProcessId;
}

StartedProgram::~StartedProgram() {
    End();
}

void StartedProgram::End() {
    if (m_process && WaitForSingleObject(m_process.get(), 0) == WAIT_TIMEOUT) {
        TerminateProcess(m_process.get(), 1);
        WaitForSingleObject(m_process.get(), 10000);
    }
}

HWND StartedProgram::VisibleWindow(const wchar_t* caption) const {
    WindowSearch search{m_id, caption, nullptr};
    EnumWindows(&FindVisible, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND StartedProgram::WaitForWindow(const wchar_t* caption, DWORD timeoutMs) const {
    HWND found = nullptr;
    WaitUntil([&] { return (found = VisibleWindow(caption)) != nullptr; }, timeoutMs);
    return found;
}

std::wstring WindowText(HWND window) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, 60000, &length)) {
        return {};
    }
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(text.data()),
                        SMTO_NORMAL, 60000, &copied);
    text.resize(copied);
    return text;
}

bool Responsive(HWND window, DWORD timeoutMs) {
    DWORD_PTR ignored = 0;
    return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMs, &ignored) != 0;
}

LogProbe::LogProbe(const StartedProgram& program, const std::string& mode) : m_program(program) {
    if (!LoadDllInto(program.Process(), ProgramFolder() + kProbeDll, 60000)) {
        throw std::runtime_error("cannot load the log probe into the program");
    }
    const std::wstring argument = std::wstring(mode.begin(), mode.end());
    if (!Call("ProbeStart", argument)) {
        throw std::runtime_error("the log probe did not start");
    }
    m_started = true;
}

LogProbe::~LogProbe() {
    if (m_started) {
        Stop();
    }
}

bool LogProbe::Call(const char* function, const std::wstring& argument) const {
    return CallDllExport(m_program.Process(), m_program.Id(), ProgramFolder() + kProbeDll, function,
                         argument, 60000);
}

ProbeRecords LogProbe::Stop() {
    ProbeRecords records;
    if (!m_started) {
        return records;
    }
    m_started = false;
    const std::wstring path = m_scratch.Path() + L"refreshes.txt";
    if (!Call("ProbeStop", path)) {
        return records;
    }
    std::istringstream lines(ReadFileBytes(path));
    for (std::string kind; lines >> kind;) {
        if (kind == "R") {
            RefreshRecord r;
            lines >> r.begin >> r.selected >> r.textIn >> r.scrollEnd >> r.end >> r.length >>
                r.lastSample >> r.banners;
            records.refreshes.push_back(r);
        } else {
            PaintRecord p;
            lines >> p.begin >> p.end >> p.length >> p.lastSample;
            records.paints.push_back(p);
        }
    }
    return records;
}

PeakMemory PeakMemoryOf(HANDLE process) {
    PeakMemory peak;
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof(counters);
    if (GetProcessMemoryInfo(process, &counters, sizeof(counters))) {
        peak.known = true;
        peak.workingSet = counters.PeakWorkingSetSize;
        peak.pagefile = counters.PeakPagefileUsage;
    }
    return peak;
}

} // namespace bench
