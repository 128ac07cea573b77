#include "AppUnderTest.h"
#include "RemoteDll.h"
#include <sstream>
#include <stdexcept>

namespace {

struct WindowSearch {
    DWORD process;
    std::vector<HWND> windows;
};

BOOL CALLBACK CollectVisible(HWND hwnd, LPARAM param) {
    auto* search = reinterpret_cast<WindowSearch*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid == search->process && IsWindowVisible(hwnd)) {
        search->windows.push_back(hwnd);
    }
    return TRUE;
}

} // namespace

RECT ProbeReport::DialogUnits::ToPixels(int left, int top, int width, int height) const {
    RECT r;
    r.left = MulDiv(left, x, 4);
    r.top = MulDiv(top, y, 8);
    r.right = r.left + MulDiv(width, x, 4);
    r.bottom = r.top + MulDiv(height, y, 8);
    return r;
}

RECT ProbeReport::ToPixels(int left, int top, int width, int height) const {
    return DialogUnits{mapped, baseUnitX, baseUnitY}.ToPixels(left, top, width, height);
}

AppUnderTest::AppUnderTest(const TestFolder& folder, const std::wstring& currentDirectory) {
    const std::wstring exe = folder.CopyIn(ProductFolder() + L"Pelvaro.exe", L"Pelvaro.exe");
    std::wstring commandLine = L"\"" + exe + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    const std::wstring cwd = currentDirectory.empty() ? folder.Path() : currentDirectory;
    if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        cwd.c_str(), &startup, &m_process)) {
        throw std::runtime_error("cannot start Pelvaro.exe");
    }
    WaitForInputIdle(m_process.hProcess, Scaled(10000));
}

AppUnderTest::~AppUnderTest() {
    if (Running()) {
        TerminateProcess(m_process.hProcess, 1);
        WaitForSingleObject(m_process.hProcess, 5000);
    }
    CloseHandle(m_process.hThread);
    CloseHandle(m_process.hProcess);
}

bool AppUnderTest::Running() const {
    return WaitForSingleObject(m_process.hProcess, 0) == WAIT_TIMEOUT;
}

bool AppUnderTest::ExitCode(DWORD& code) const {
    return !Running() && GetExitCodeProcess(m_process.hProcess, &code) != 0;
}

bool AppUnderTest::WaitForExit(DWORD timeoutMs) const {
    return WaitForSingleObject(m_process.hProcess, Scaled(timeoutMs)) == WAIT_OBJECT_0;
}

std::vector<HWND> AppUnderTest::VisibleTopLevelWindows() const {
    return ::VisibleTopLevelWindows(m_process.dwProcessId);
}

HWND AppUnderTest::WaitForMainWindow(DWORD timeoutMs) const {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            for (HWND w : VisibleTopLevelWindows()) {
                if (WindowText(w) == L"Upgrade Tools") {
                    found = w;
                    return true;
                }
            }
            return false;
        },
        timeoutMs);
    return found;
}

HWND AppUnderTest::WaitForMessageBox(DWORD timeoutMs) const {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            for (HWND w : VisibleTopLevelWindows()) {
                if (WindowClass(w) == L"#32770" && WindowText(w) != L"Upgrade Tools" &&
                    GetDlgItem(w, 0xFFFF) != nullptr) {
                    found = w;
                    return true;
                }
            }
            return false;
        },
        timeoutMs);
    return found;
}

HWND AppUnderTest::FocusedWindow() const {
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    return GetGUIThreadInfo(m_process.dwThreadId, &info) ? info.hwndFocus : nullptr;
}

void AppUnderTest::PressKey(WORD virtualKey) const {
    HWND target = FocusedWindow();
    const UINT scan = MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC);
    PostMessageW(target, WM_KEYDOWN, virtualKey, 1 | (scan << 16));
    PostMessageW(target, WM_KEYUP, virtualKey, 1 | (scan << 16) | (3u << 30));
}

ProbeReport AppUnderTest::Probe() const {
    const std::wstring dll = ProductFolder() + L"pelvaro_probe.dll";
    if (!LoadDllInto(m_process.hProcess, dll, Scaled(15000))) {
        throw std::runtime_error("cannot load the probe into the program");
    }
    TestFolder scratch;
    const std::wstring reportPath = scratch.Path() + L"probe.txt";
    if (!CallDllExport(m_process.hProcess, m_process.dwProcessId, dll, "ProbeRun", reportPath,
                       Scaled(15000))) {
        throw std::runtime_error("the probe did not answer");
    }
    std::stringstream text(ReadFileBytes(reportPath));

    ProbeReport report;
    std::string line;
    while (std::getline(text, line)) {
        std::vector<std::string> fields;
        std::stringstream split(line);
        for (std::string field; std::getline(split, field, '\t');) {
            fields.push_back(field);
        }
        if (fields.empty()) {
            continue;
        }
        if (fields[0] == "dialogunits" && fields.size() == 4) {
            report.mapped = fields[1] == "1";
            report.baseUnitX = std::stol(fields[2]);
            report.baseUnitY = std::stol(fields[3]);
        } else if (fields[0] == "font" && fields.size() == 6) {
            report.fonts[std::stoi(fields[1])] = {fields[2], std::stol(fields[3]),
                                                  std::stol(fields[4]), fields[5] == "1"};
        } else if (fields[0] == "sysmenu" && fields.size() == 2) {
            report.systemMenuCount = std::stoi(fields[1]);
        } else if (fields[0] == "menuitem" && fields.size() >= 4) {
            report.systemMenu.push_back({static_cast<unsigned>(std::stoul(fields[2])),
                                         fields[3] == "1",
                                         Wide(fields.size() > 4 ? fields[4] : std::string())});
        } else if (fields[0] == "icon" && fields.size() == 6) {
            report.icons[fields[1]] = {fields[2] == "1", fields[3] == "1", std::stol(fields[4]),
                                       std::stol(fields[5])};
        } else if (fields[0] == "dpi" && fields.size() == 4) {
            report.dpi = std::stoi(fields[1]);
            report.iconSize = std::stoi(fields[2]);
            report.smallIconSize = std::stoi(fields[3]);
        } else if (fields[0] == "about" && fields.size() >= 2) {
            report.aboutOpen = fields[1] == "1";
            if (fields.size() == 5) {
                report.aboutUnits = {fields[2] == "1", std::stol(fields[3]), std::stol(fields[4])};
            }
        } else if (fields[0] == "comctl32") {
            report.commonControlsPath = Wide(fields.size() > 1 ? fields[1] : std::string());
        }
    }
    return report;
}

std::vector<HWND> VisibleTopLevelWindows(DWORD processId) {
    WindowSearch search{processId, {}};
    EnumWindows(&CollectVisible, reinterpret_cast<LPARAM>(&search));
    return search.windows;
}

std::wstring WindowText(HWND window) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length)) {
        return {};
    }
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(text.data()),
                        SMTO_ABORTIFHUNG, 5000, &copied);
    text.resize(copied);
    return text;
}

bool Responsive(HWND window, DWORD timeoutMs) {
    DWORD_PTR ignored = 0;
    return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, Scaled(timeoutMs), &ignored) !=
           0;
}

std::wstring WindowClass(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

RECT ClientRectOf(HWND control) {
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

bool WaitForRunEnd(HWND dialog, DWORD timeoutMs) {
    constexpr int kUpgradeRemote = 1000;
    return WaitUntil([&] { return IsWindowEnabled(GetDlgItem(dialog, kUpgradeRemote)) != FALSE; },
                     timeoutMs);
}
