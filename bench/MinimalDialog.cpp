// The smallest dialog program of the same toolchain and link options as Pelvaro.exe: one modal
// dialog from a resource template, ended by its close box. The bench compares Pelvaro.exe's size,
// start-up time and memory against it. Built with PELVARO_BENCH_SAME_IMPORTS it also imports the
// system DLLs that Pelvaro.exe imports (the device DLLs it loads on first use are not among
// them), so that the loader does the same work at start; built
// with PELVARO_BENCH_WITH_IOSTREAM it writes one word through std::cout, to show what the C++
// stream library adds to a statically linked program.
#include "MinimalDialog.h"
#include <windows.h>
#ifdef PELVARO_BENCH_WITH_IOSTREAM
#include <iostream>
#endif
#ifdef PELVARO_BENCH_SAME_IMPORTS
#include <commctrl.h>
#endif

namespace {

INT_PTR CALLBACK MinimalDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) {
        return TRUE;
    }
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        EndDialog(dialog, LOWORD(wParam));
        return TRUE;
    }
    return FALSE;
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
#ifdef PELVARO_BENCH_SAME_IMPORTS
    // Never true; it only makes the linker import one function of each DLL.
    if (GetModuleHandleW(L"pelvaro-bench-no-such-module.dll") != nullptr) {
        InitCommonControls();
        DeleteObject(GetStockObject(NULL_BRUSH));
        RegCloseKey(HKEY_CURRENT_USER);
    }
#endif
#ifdef PELVARO_BENCH_WITH_IOSTREAM
    std::cout << "find";
    std::cout.flush();
#endif
    return static_cast<int>(
        DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_MINIMAL), nullptr, &MinimalDialogProc, 0));
}
