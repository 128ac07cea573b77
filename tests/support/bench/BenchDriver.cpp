// Starts the bench's Pelvaro.exe (given as the argument), presses "Upgrade the remote " as a user
// would, waits for the outcome and prints the log box's text. The program is left running, on the
// same desktop as its starter. Exit status 0 when the log reports success. With a second argument,
// the window's frame rectangle on the desktop is written to that file as an ImageMagick geometry
// (WIDTHxHEIGHT+LEFT+TOP), for cutting the window out of a screenshot.
#include <cstdio>
#include <string>
#include <windows.h>

namespace {

HWND FindMainWindow() {
    for (int i = 0; i < 300; ++i) {
        if (HWND w = FindWindowW(L"#32770", L"Upgrade Tools"); w != nullptr && IsWindowVisible(w)) {
            return w;
        }
        Sleep(100);
    }
    return nullptr;
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

void PrintUtf8(const std::wstring& text) {
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out.data(), size, nullptr, nullptr);
    std::fputs(out.c_str(), stdout);
    std::fflush(stdout);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2 && argc != 3) {
        std::fputs("usage: bench_driver PATH-OF-Pelvaro.exe [FRAME-FILE]\n", stderr);
        return 2;
    }
    std::wstring commandLine = L"\"" + std::wstring(argv[1]) + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(argv[1], commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        std::fputs("Pelvaro.exe could not be started.\n", stderr);
        return 2;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    HWND dialog = FindMainWindow();
    if (dialog == nullptr) {
        std::fputs("The window \"Upgrade Tools\" did not appear. Windows seen:\n", stderr);
        EnumWindows(
            [](HWND w, LPARAM) -> BOOL {
                wchar_t title[128] = {}, cls[64] = {};
                GetWindowTextW(w, title, 128);
                GetClassNameW(w, cls, 64);
                std::fwprintf(stderr, L"  [%ls] [%ls] visible=%d\n", cls, title,
                              IsWindowVisible(w));
                return TRUE;
            },
            0);
        return 2;
    }
    Sleep(500);
    PostMessageW(GetDlgItem(dialog, 1000), BM_CLICK, 0, 0);
    HWND log = GetDlgItem(dialog, 1001);
    std::wstring text;
    for (int i = 0; i < 600; ++i) {
        text = Text(log);
        if (text.find(L"Upgrade succeeded.") != std::wstring::npos) {
            break;
        }
        Sleep(100);
    }
    // The run is over once the buttons are enabled again: the picture shows the window at rest.
    for (int i = 0; i < 100 && !IsWindowEnabled(GetDlgItem(dialog, 1000)); ++i) {
        Sleep(100);
    }
    PrintUtf8(L"\nLog of the window after pressing \"Upgrade the remote \":\n" + text + L"\n");
    if (argc == 3) {
        RECT frame = {};
        GetWindowRect(dialog, &frame);
        FILE* out = _wfopen(argv[2], L"w");
        if (out == nullptr) {
            std::fputs("The frame file could not be written.\n", stderr);
            return 2;
        }
        std::fprintf(out, "%ldx%ld+%ld+%ld\n", frame.right - frame.left, frame.bottom - frame.top,
                     frame.left, frame.top);
        std::fclose(out);
    }
    return text.find(L"Upgrade succeeded.") != std::wstring::npos ? 0 : 1;
}
