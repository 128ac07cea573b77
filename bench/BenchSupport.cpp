#include "BenchSupport.h"
#include <algorithm>
#include <atomic>
#include <psapi.h>
#include <sstream>
#include <stdexcept>
#include <tlhelp32.h>

namespace bench {

namespace {

std::int64_t Frequency() {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return frequency.QuadPart;
}

void RemoveTree(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") {
                continue;
            }
            const std::wstring full = folder + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(full + L"\\");
            } else {
                DeleteFileW(full.c_str());
            }
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(folder.c_str());
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

// Runs a function of the target process on a new thread there, with a copy of the text as its
// argument, and waits for it.
bool RunRemote(HANDLE process, LPTHREAD_START_ROUTINE start, const std::wstring& argument) {
    const SIZE_T bytes = (argument.size() + 1) * sizeof(wchar_t);
    void* remote =
        VirtualAllocEx(process, nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (remote == nullptr) {
        return false;
    }
    bool ok = WriteProcessMemory(process, remote, argument.c_str(), bytes, nullptr) != 0;
    if (ok) {
        const UniqueHandle thread(
            CreateRemoteThread(process, nullptr, 0, start, remote, 0, nullptr));
        ok = thread && WaitForSingleObject(thread.get(), 60000) == WAIT_OBJECT_0;
    }
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    return ok;
}

BYTE* RemoteModuleBase(DWORD pid, const wchar_t* name) {
    const UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, pid));
    if (!snapshot) {
        return nullptr;
    }
    MODULEENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Module32FirstW(snapshot.get(), &entry); more;
         more = Module32NextW(snapshot.get(), &entry)) {
        if (lstrcmpiW(entry.szModule, name) == 0) {
            return entry.modBaseAddr;
        }
    }
    return nullptr;
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

std::wstring ProgramFolder() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring full(path);
    return full.substr(0, full.rfind(L'\\') + 1);
}

ScratchFolder::ScratchFolder() {
    static std::atomic<unsigned> counter{0};
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    m_path = std::wstring(temp) + L"pelvaro-bench-" + std::to_wstring(GetCurrentProcessId()) +
             L"-" + std::to_wstring(counter++) + L"\\";
    RemoveTree(m_path);
    if (!CreateDirectoryW(m_path.c_str(), nullptr)) {
        throw std::runtime_error("cannot create a scratch folder");
    }
}

ScratchFolder::~ScratchFolder() {
    RemoveTree(m_path);
}

std::wstring ScratchFolder::Write(const std::wstring& name, const std::string& bytes) const {
    const std::wstring path = m_path + name;
    const UniqueHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (!file ||
        !WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)) {
        throw std::runtime_error("cannot write a scratch file");
    }
    return path;
}

std::wstring ScratchFolder::CopyIn(const std::wstring& source, const std::wstring& name) const {
    const std::wstring path = m_path + name;
    if (!CopyFileW(source.c_str(), path.c_str(), FALSE)) {
        throw std::runtime_error("cannot copy " + Utf8(source));
    }
    return path;
}

std::string ReadBytes(const std::wstring& path) {
    const UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    std::string bytes;
    if (!file) {
        return bytes;
    }
    char block[65536];
    DWORD got = 0;
    while (ReadFile(file.get(), block, sizeof(block), &got, nullptr) && got > 0) {
        bytes.append(block, got);
    }
    return bytes;
}

std::string Utf8(const std::wstring& text) {
    if (text.empty()) {
        return {};
    }
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                        nullptr, nullptr);
    return out;
}

ScopedVariable::ScopedVariable(const wchar_t* name, const std::wstring& value) : m_name(name) {
    std::vector<wchar_t> old(32768);
    const DWORD length = GetEnvironmentVariableW(name, old.data(), 32768);
    m_had = length > 0 && length < 32768;
    if (m_had) {
        m_old.assign(old.data(), length);
    }
    SetEnvironmentVariableW(name, value.c_str());
}

ScopedVariable::~ScopedVariable() {
    SetEnvironmentVariableW(m_name.c_str(), m_had ? m_old.c_str() : nullptr);
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
    const std::wstring dll = ProgramFolder() + kProbeDll;
    auto* loadLibrary = reinterpret_cast<LPTHREAD_START_ROUTINE>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "LoadLibraryW")));
    if (!RunRemote(program.Process(), loadLibrary, dll)) {
        throw std::runtime_error("cannot load the log probe into the program");
    }
    m_local.reset(LoadLibraryW(dll.c_str()));
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
    const HMODULE local = m_local.get();
    BYTE* remoteBase = RemoteModuleBase(m_program.Id(), kProbeDll);
    if (local == nullptr || remoteBase == nullptr) {
        return false;
    }
    const auto offset =
        reinterpret_cast<BYTE*>(reinterpret_cast<void*>(GetProcAddress(local, function))) -
        reinterpret_cast<BYTE*>(local);
    auto* entry =
        reinterpret_cast<LPTHREAD_START_ROUTINE>(reinterpret_cast<void*>(remoteBase + offset));
    return RunRemote(m_program.Process(), entry, argument);
}

std::vector<RefreshRecord> LogProbe::Stop() {
    std::vector<RefreshRecord> records;
    if (!m_started) {
        return records;
    }
    m_started = false;
    const std::wstring path = m_scratch.Path() + L"refreshes.txt";
    if (!Call("ProbeStop", path)) {
        return records;
    }
    std::istringstream lines(ReadBytes(path));
    RefreshRecord record;
    while (lines >> record.setBegin >> record.setEnd >> record.scrollEnd >> record.length >>
           record.lastSample >> record.banners) {
        records.push_back(record);
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
