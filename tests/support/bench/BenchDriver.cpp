// Starts the bench's Pelvaro.exe (given as the argument) and plays the remote it upgrades, as a
// real one behaves: its HID interface is there until the program asks it to restart, then its
// bootloader's serial port appears, and once the run has ended the remote is back with its new
// firmware for the next press. Without --press it does so until the program ends.
//
// With --press it presses "Upgrade the remote " itself, waits for the outcome, prints the log box's
// text and ends, leaving the program running on the same desktop as its starter. Exit status 0 when
// the log holds the three lines of a successful upgrade. With a frame file, the window's frame
// rectangle on the desktop is written there as an ImageMagick geometry (WIDTHxHEIGHT+LEFT+TOP), for
// cutting the window out of a screenshot.
#include "SimulatedDevices.h"
#include "TestFolder.h"
#include "base/UniqueResource.h"
#include <cstdio>
#include <exception>
#include <fcntl.h>
#include <io.h>
#include <string>
#include <windows.h>

namespace {

constexpr int kUpgradeRemote = 1000;
constexpr int kLog = 1001;
constexpr wchar_t kSucceeded[] = L"Find the device and enter the upgrade mode...\r\n"
                                 L"Upgrading...\r\n"
                                 L"Upgrade succeeded.\r\n";

bool Ended(HANDLE process) {
    return WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
}

// Checks the condition until it holds (true), or until the program ends or the time-out passes
// (false). A condition may wait a little itself.
template <typename Condition>
bool WaitFor(HANDLE program, DWORD timeoutMs, const Condition& condition) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (!condition()) {
        if (Ended(program) || (timeoutMs != INFINITE && GetTickCount64() >= deadline)) {
            return false;
        }
        Sleep(50);
    }
    return true;
}

HWND FindMainWindow(HANDLE program) {
    HWND found = nullptr;
    WaitFor(program, 30000, [&] {
        found = FindWindowW(L"#32770", L"Upgrade Tools");
        return found != nullptr && IsWindowVisible(found);
    });
    return found != nullptr && IsWindowVisible(found) ? found : nullptr;
}

// One upgrade as the remote lives it. False when the program ended or the time-out passed first.
bool PlayOneUpgrade(HANDLE program, HWND dialog, DWORD timeoutMs) {
    {
        SimulatedHidInterface remote(L"VID_9A6C&PID_C471&MI_02", L"7&1&0&0000",
                                     SimulatedHidInterface::Opening::Succeeds);
        // Opened once to count the devices, then to ask it to restart.
        if (!WaitFor(program, timeoutMs, [&] { return remote.WaitForOpens(2, 200); })) {
            return false;
        }
    } // restarting: its HID interface is gone
    const SimulatedPort bootloader(L"USB\\VID_1915&PID_521F&MI_00\\BENCH0001",
                                   L"nRF52 SDFU USB (COM7)", BootloaderHardwareIds());
    // The run is over once the buttons are enabled again; the remote then restarts into its new
    // firmware and its port goes.
    HWND button = GetDlgItem(dialog, kUpgradeRemote);
    return WaitFor(program, timeoutMs, [&] { return IsWindowEnabled(button) != FALSE; });
}

std::wstring Text(HWND window) {
    DWORD_PTR length = 0;
    SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length);
    std::wstring text(length + 1, L'\0');
    SendMessageTimeoutW(window, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(text.data()),
                        SMTO_ABORTIFHUNG, 5000, nullptr);
    text.resize(length);
    return text;
}

// In UTF-8 with the Unix line ends of the terminal that ./run writes to: the C runtime's text
// mode would turn each \r\n of the log into \r\r\n.
void Print(const std::wstring& text) {
    std::wstring unix;
    for (const wchar_t c : text) {
        if (c != L'\r') {
            unix.push_back(c);
        }
    }
    const std::string out = Utf8(unix);
    _setmode(_fileno(stdout), _O_BINARY);
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fflush(stdout);
}

bool WriteFrame(HWND dialog, const wchar_t* path) {
    RECT frame = {};
    GetWindowRect(dialog, &frame);
    FILE* out = _wfopen(path, L"w");
    if (out == nullptr) {
        return false;
    }
    std::fprintf(out, "%ldx%ld+%ld+%ld\n", frame.right - frame.left, frame.bottom - frame.top,
                 frame.left, frame.top);
    return std::fclose(out) == 0;
}

int Run(int argc, wchar_t** argv) {
    const bool press = argc > 1 && std::wstring(argv[1]) == L"--press";
    const int first = press ? 2 : 1;
    if (argc - first != 1 && !(press && argc - first == 2)) {
        std::fputs("usage: bench_driver [--press] PATH-OF-Pelvaro.exe [FRAME-FILE]\n", stderr);
        return 2;
    }
    std::wstring commandLine = L"\"" + std::wstring(argv[first]) + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(argv[first], commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &process)) {
        std::fputs("Pelvaro.exe could not be started.\n", stderr);
        return 2;
    }
    const UniqueHandle program(process.hProcess), thread(process.hThread);
    HWND dialog = FindMainWindow(program.get());
    if (dialog == nullptr) {
        std::fputs("The window \"Upgrade Tools\" did not appear.\n", stderr);
        return 2;
    }
    if (!press) {
        while (PlayOneUpgrade(program.get(), dialog, INFINITE)) {
        }
        return 0;
    }

    Sleep(500);
    PostMessageW(GetDlgItem(dialog, kUpgradeRemote), BM_CLICK, 0, 0);
    PlayOneUpgrade(program.get(), dialog, 30000);
    const std::wstring log = Text(GetDlgItem(dialog, kLog));
    Print(L"\nLog of the window after pressing \"Upgrade the remote \":\n" + log + L"\n");
    if (argc - first == 2 && !WriteFrame(dialog, argv[first + 1])) {
        std::fputs("The frame file could not be written.\n", stderr);
        return 2;
    }
    return log == kSucceeded ? 0 : 1;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    try {
        return Run(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_driver: %s\n", e.what());
        return 2;
    }
}
