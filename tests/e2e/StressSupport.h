#pragma once
// Helpers shared by the stress and fault scenarios against the real program.
#include "AppUnderTest.h"
#include "SimulatedDevices.h"
#include "StandInTools.h"
#include <set>
#include <string>
#include <vector>

namespace stress {

constexpr int kUpgradeRemote = 1000;
constexpr int kLog = 1001;
constexpr int kJLinkRemote = 1002;
constexpr int kJLinkTablet = 1003;
constexpr int kJLinkDongle = 1004;
constexpr int kUpgradeTablet = 1005;
constexpr int kUpgradeDongle = 1006;
constexpr int kResult = 1007;

// How long the window may take to answer a message while a run works. A refresh of a log of a
// few hundred kilobytes takes well under a second under Wine; a window that does not answer in
// this time is stuck, not slow.
constexpr DWORD kAnswerBoundMs = 5000;

inline std::wstring Text(HWND dialog, int id) {
    return WindowText(GetDlgItem(dialog, id));
}

// The log box's length, without copying a long log across processes.
inline size_t LogLength(HWND dialog) {
    DWORD_PTR length = 0;
    SendMessageTimeoutW(GetDlgItem(dialog, kLog), WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, 30000,
                        &length);
    return length;
}

inline bool LogContains(HWND dialog, const std::wstring& text, DWORD timeoutMs) {
    return WaitUntil([&] { return Text(dialog, kLog).find(text) != std::wstring::npos; },
                     timeoutMs);
}

inline size_t Count(const std::wstring& text, const std::wstring& part) {
    size_t count = 0;
    for (auto at = text.find(part); at != std::wstring::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

// The log's lines (split at "\r\n"); a last line without a line end counts too.
inline std::vector<std::wstring> Lines(const std::wstring& text) {
    std::vector<std::wstring> lines;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find(L"\r\n", start);
        if (end == std::wstring::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

// The lines of the log that are none of the expected ones.
inline std::vector<std::wstring> UnexpectedLines(const std::wstring& log,
                                                 const std::set<std::wstring>& expected) {
    std::vector<std::wstring> unexpected;
    for (const auto& line : Lines(log)) {
        if (expected.count(line) == 0) {
            unexpected.push_back(line);
        }
    }
    return unexpected;
}

inline void Press(HWND dialog, int button) {
    WaitForRunEnd(dialog);
    // The hidden buttons take a click message all the same.
    PostMessageW(GetDlgItem(dialog, button), BM_CLICK, 0, 0);
}

inline bool WaitForRecords(const StandInSession& tools, size_t count, DWORD timeoutMs) {
    return WaitUntil([&] { return tools.Records().size() >= count; }, timeoutMs);
}

// Ends a recorded stand-in as an outside hand would (Task Manager uses status 1). True when it
// ran and has ended.
inline bool Kill(unsigned long pid, UINT status = 1) {
    HANDLE tool = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
    if (tool == nullptr) {
        return false;
    }
    const bool ended =
        TerminateProcess(tool, status) && WaitForSingleObject(tool, 10000) == WAIT_OBJECT_0;
    CloseHandle(tool);
    return ended;
}

inline bool IsRunning(unsigned long pid) {
    HANDLE tool = OpenProcess(SYNCHRONIZE, FALSE, pid);
    if (tool == nullptr) {
        return false;
    }
    const bool running = WaitForSingleObject(tool, 0) == WAIT_TIMEOUT;
    CloseHandle(tool);
    return running;
}

// Stops, at the end of a test, every stand-in that the session recorded and that still runs: a
// test must leave nothing behind, whatever the program did.
class ToolReaper {
public:
    explicit ToolReaper(const StandInSession& tools) : m_tools(tools) {}
    ~ToolReaper() {
        for (const auto& record : m_tools.Records()) {
            if (IsRunning(record.pid)) {
                Kill(record.pid);
            }
        }
    }
    ToolReaper(const ToolReaper&) = delete;
    ToolReaper& operator=(const ToolReaper&) = delete;

private:
    const StandInSession& m_tools;
};

inline SimulatedPort Bootloader(const wchar_t* instance, const wchar_t* com) {
    return SimulatedPort(std::wstring(L"USB\\VID_1915&PID_521F&MI_00\\") + instance,
                         std::wstring(L"nRF52 SDFU USB (") + com + L")", BootloaderHardwareIds());
}

// A file's bytes in UTF-16 little-endian with its byte-order mark.
inline std::string Utf16File(const std::wstring& text) {
    std::string bytes = "\xFF\xFE";
    for (const wchar_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>((c >> 8) & 0xFF);
    }
    return bytes;
}

} // namespace stress
