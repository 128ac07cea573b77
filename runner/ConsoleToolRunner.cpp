#include "runner/ConsoleToolRunner.h"
#include "base/SystemLibrary.h"
#include "base/UniqueResource.h"
#include "runner/ThreadAnsiText.h"
#include "runner/ToolChunk.h"
#include "runner/ToolJob.h"
#include <array>
#include <cstdint>
#include <optional>
#include <vector>
#include <windows.h>

namespace {

// A process attribute list that lets the child inherit the listed handles and no others. The
// list points into m_handles, which therefore lives as long as the attribute list.
class InheritedHandleList {
public:
    explicit InheritedHandleList(std::vector<HANDLE> handles) : m_handles(std::move(handles)) {
        SIZE_T size = 0;
        InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
        m_storage.resize(size);
        auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(m_storage.data());
        if (size == 0 || !InitializeProcThreadAttributeList(list, 1, 0, &size)) {
            return;
        }
        m_list = list;
        if (!UpdateProcThreadAttribute(m_list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST,
                                       m_handles.data(), m_handles.size() * sizeof(HANDLE), nullptr,
                                       nullptr)) {
            DeleteProcThreadAttributeList(m_list);
            m_list = nullptr;
        }
    }
    ~InheritedHandleList() {
        if (m_list != nullptr) {
            DeleteProcThreadAttributeList(m_list);
        }
    }
    InheritedHandleList(const InheritedHandleList&) = delete;
    InheritedHandleList& operator=(const InheritedHandleList&) = delete;

    LPPROC_THREAD_ATTRIBUTE_LIST get() const { return m_list; }

private:
    std::vector<HANDLE> m_handles;
    std::vector<unsigned char> m_storage;
    LPPROC_THREAD_ATTRIBUTE_LIST m_list = nullptr;
};

// Whether the standard input that our own start-up gave us can go into the handle list: the list
// takes only real, inheritable handles, and not the console pseudo-handles of older Windows.
bool IsListableInput(HANDLE input, HANDLE writeEnd) {
    if (input == nullptr || input == INVALID_HANDLE_VALUE || input == writeEnd) {
        return false;
    }
    const auto bits = reinterpret_cast<std::uintptr_t>(input);
    if ((bits & 3) == 3 && GetFileType(input) == FILE_TYPE_CHAR) {
        return false;
    }
    DWORD flags = 0;
    return GetHandleInformation(input, &flags) && (flags & HANDLE_FLAG_INHERIT) != 0;
}

// The status the process ended with, once it has ended; none when that cannot be had. The
// run's deadline bounds the wait: it ends the process.
std::optional<std::uint32_t> ExitStatus(HANDLE process) {
    DWORD status = 0;
    if (WaitForSingleObject(process, INFINITE) != WAIT_OBJECT_0 ||
        !GetExitCodeProcess(process, &status)) {
        return std::nullopt;
    }
    return status;
}

} // namespace

bool ReportToolFailure(const wchar_t* message, const wchar_t* failureCaption) {
    MessageBoxW(nullptr, message, failureCaption, MB_ICONWARNING | MB_OK);
    return false;
}

bool RunConsoleTool(const std::wstring& commandLine, const std::wstring& banner, CaptureMode mode,
                    const wchar_t* failureCaption, const std::wstring& workingDirectory,
                    ToolLog& log, const RunDeadline& deadline, ToolGrouping grouping) {
    // Both ends start out private; only the write end is then made inheritable, and the handle
    // list below hands it to this run's child alone.
    UniqueHandle readEnd;
    UniqueHandle writeEnd;
    {
        SECURITY_ATTRIBUTES security{sizeof(security), nullptr, FALSE};
        HANDLE read = nullptr;
        HANDLE write = nullptr;
        if (!CreatePipe(&read, &write, &security, 0)) {
            return ReportToolFailure(kCreatePipeFailed, failureCaption);
        }
        readEnd.reset(read);
        writeEnd.reset(write);
    }
    if (!SetHandleInformation(writeEnd.get(), HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT)) {
        return ReportToolFailure(kCreatePipeFailed, failureCaption);
    }

    STARTUPINFOEXW startup{};
    startup.StartupInfo.cb = sizeof(STARTUPINFOW);
    GetStartupInfoW(&startup.StartupInfo);
    // Without STARTF_USESTDHANDLES the field is no handle of ours (a shortcut's hotkey, for one).
    if ((startup.StartupInfo.dwFlags & STARTF_USESTDHANDLES) == 0) {
        startup.StartupInfo.hStdInput = nullptr;
    }
    startup.StartupInfo.cb = sizeof(startup);
    startup.StartupInfo.hStdOutput = writeEnd.get();
    startup.StartupInfo.hStdError = writeEnd.get();
    startup.StartupInfo.wShowWindow = SW_HIDE;
    startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;

    std::vector<HANDLE> inherited{writeEnd.get()};
    if (IsListableInput(startup.StartupInfo.hStdInput, writeEnd.get())) {
        inherited.push_back(startup.StartupInfo.hStdInput);
    }
    const InheritedHandleList handleList(std::move(inherited));
    if (handleList.get() == nullptr) {
        return ReportToolFailure(kCreateProcessFailed, failureCaption);
    }
    startup.lpAttributeList = handleList.get();

    // The system's own cmd.exe, named in full: left to the search, the system would take a cmd.exe
    // from the executable's folder or the current one first. The line still starts "cmd", and
    // cmd itself finds the tool.
    const std::wstring interpreter = SystemFolderFile(L"cmd.exe");
    if (interpreter.empty()) {
        return ReportToolFailure(kCreateProcessFailed, failureCaption);
    }
    std::vector<wchar_t> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back(L'\0');
    ToolJob job(grouping == ToolGrouping::Job);
    PROCESS_INFORMATION started{};
    // Out of a job that the program may have been started in, so that the run's own job can take
    // the tool; a job that allows no way out refuses that, and the tool then starts inside it.
    const auto start = [&](DWORD flags) {
        return CreateProcessW(interpreter.c_str(), buffer.data(), nullptr, nullptr, TRUE,
                              EXTENDED_STARTUPINFO_PRESENT | CREATE_SUSPENDED | flags, nullptr,
                              workingDirectory.empty() ? nullptr : workingDirectory.c_str(),
                              &startup.StartupInfo, &started);
    };
    if (!start(CREATE_BREAKAWAY_FROM_JOB) && !start(0)) {
        return ReportToolFailure(kCreateProcessFailed, failureCaption);
    }
    // The process handle stays until the output has ended, for the exit status; the thread
    // handle only until the process runs, in its job.
    const UniqueHandle process(started.hProcess);
    bool grouped = false;
    {
        const UniqueHandle thread(started.hThread);
        grouped = job.Adopt(process.get());
        if (ResumeThread(thread.get()) == static_cast<DWORD>(-1)) {
            job.EndAll();
            return ReportToolFailure(kCreateProcessFailed, failureCaption);
        }
    }
    RunDeadlineTimer timer(job, deadline.milliseconds);

    log.AppendAndRefresh(banner);
    if (!grouped) {
        log.AppendAndRefresh(kUngroupedToolsLine);
    }
    writeEnd.reset();

    ToolOutputJudge judge(mode);
    std::array<char, kToolReadBytes> bytes{};
    bool stopped = false;
    while (!stopped && !timer.EndsReading()) {
        bytes.fill('\0');
        DWORD delivered = 0;
        if (!ReadFile(readEnd.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &delivered,
                      nullptr)) {
            break;
        }
        const ToolChunk chunk = ChunkBytes(bytes.data(), bytes.size(), delivered);
        const auto verdict = judge.OnChunk(ThreadAnsiText(chunk.bytes), chunk.cut);
        log.AppendAndRefresh(verdict.append);
        stopped = verdict.stop;
    }
    timer.ReadingEnded();
    readEnd.reset();

    // After a stop at "ERROR" the tool is not waited for: it may never end, and its job ends it
    // with the run.
    std::optional<std::uint32_t> status;
    if (judge.NeedsExitStatus()) {
        status = ExitStatus(process.get());
    }
    const bool late = timer.Stop();
    if (late) {
        log.AppendAndRefresh(deadline.line);
    }
    // The judge alone decides, the deadline being one of the ends it is told of: the result is the
    // verdict that put its line into the log, so the label and the log never disagree.
    const std::wstring ending = judge.OnToolEnded(status, late);
    if (!ending.empty()) {
        log.AppendAndRefresh(ending);
    }
    return judge.Succeeded();
}
