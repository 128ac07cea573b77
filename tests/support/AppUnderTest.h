#pragma once
#include "TestFolder.h"
#include <map>
#include <string>
#include <vector>
#include <windows.h>

// What the probe DLL saw inside the running program.
struct ProbeReport {
    struct Font {
        std::string face;
        long height = 0;
        long weight = 0;
        bool dialogFont = false;
    };
    struct MenuItem {
        unsigned id = 0;
        bool separator = false;
        std::wstring text;
    };
    struct Icon {
        bool present = false;
        bool programIcon = false; // the program's icon group at the system's size for this use
        long width = 0;
        long height = 0;
    };
    // Pixels of 4 horizontal and 8 vertical dialog units of one dialog.
    struct DialogUnits {
        bool mapped = false;
        long x = 0;
        long y = 0;
        RECT ToPixels(int left, int top, int width, int height) const;
    };
    bool mapped = false;
    long baseUnitX = 0;        // pixels of 4 horizontal dialog units
    long baseUnitY = 0;        // pixels of 8 vertical dialog units
    std::map<int, Font> fonts; // by control id; the dialog itself under 0
    int systemMenuCount = -1;
    std::vector<MenuItem> systemMenu;
    std::map<std::string, Icon> icons; // "big" and "small" of the main window, "about"
    int dpi = 0;                       // the DPI the program sees
    int iconSize = 0;                  // its standard icon size (SM_CXICON)
    int smallIconSize = 0;             // its small icon size (SM_CXSMICON)
    bool aboutOpen = false;
    DialogUnits aboutUnits;
    std::wstring commonControlsPath; // of the comctl32.dll that the program bound

    // A rectangle in dialog units (left, top, width, height) in client pixels: position and size
    // are converted each on its own, as the dialog manager places controls.
    RECT ToPixels(int left, int top, int width, int height) const;
};

// The real Pelvaro.exe, copied into a test folder and started there, watched from outside.
class AppUnderTest {
public:
    // Starts folder\Pelvaro.exe (copied from the build) with the given current directory (the
    // folder itself when empty).
    explicit AppUnderTest(const TestFolder& folder, const std::wstring& currentDirectory = L"");
    ~AppUnderTest();
    AppUnderTest(const AppUnderTest&) = delete;
    AppUnderTest& operator=(const AppUnderTest&) = delete;

    // The main window "Upgrade Tools" once it is visible, or nullptr after the time-out.
    HWND WaitForMainWindow(DWORD timeoutMs = 20000) const;
    // A visible message box of the program (a dialog other than the main window), or nullptr.
    HWND WaitForMessageBox(DWORD timeoutMs = 20000) const;
    std::vector<HWND> VisibleTopLevelWindows() const;
    bool WaitForExit(DWORD timeoutMs = 20000) const;
    bool Running() const;
    // The program's exit code once it has ended.
    bool ExitCode(DWORD& code) const;
    DWORD ProcessId() const { return m_process.dwProcessId; }
    HANDLE Process() const { return m_process.hProcess; }

    // The window with the keyboard focus in the program's user-interface thread.
    HWND FocusedWindow() const;
    // A key press as the focused window would receive it from the keyboard.
    void PressKey(WORD virtualKey) const;

    // Loads the probe DLL into the program and runs it.
    ProbeReport Probe() const;

private:
    PROCESS_INFORMATION m_process = {};
};

// The visible top-level windows of a process.
std::vector<HWND> VisibleTopLevelWindows(DWORD processId);
std::wstring WindowText(HWND window);
// True when the window's thread answers a message within the time.
bool Responsive(HWND window, DWORD timeoutMs);
std::wstring WindowClass(HWND window);
// A control's rectangle in its dialog's client coordinates.
RECT ClientRectOf(HWND control);
// Waits until the window's run is over: its buttons are disabled while a run is active, so a test
// that presses one button after another waits for this first, as a person at the bench would.
bool WaitForRunEnd(HWND dialog, DWORD timeoutMs = 20000);
// Waits until pred() holds, polling; false after the time-out (times the tests' time scale).
template <typename Pred> bool WaitUntil(Pred pred, DWORD timeoutMs) {
    const ULONGLONG end = GetTickCount64() + Scaled(timeoutMs);
    do {
        if (pred()) {
            return true;
        }
        Sleep(20);
    } while (GetTickCount64() < end);
    return pred();
}
