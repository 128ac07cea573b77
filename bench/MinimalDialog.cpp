// The smallest dialog program of Pelvaro.exe's toolchain, link options and manifest: one modal
// dialog from a resource template, ended by its close box. The bench sets Pelvaro.exe's size,
// start-up time and memory beside it.
#include <windows.h>

namespace {

INT_PTR CALLBACK MinimalDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        EndDialog(dialog, LOWORD(wParam));
        return TRUE;
    }
    return message == WM_INITDIALOG;
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    return static_cast<int>(
        DialogBoxParamW(instance, MAKEINTRESOURCEW(100), nullptr, &MinimalDialogProc, 0));
}
