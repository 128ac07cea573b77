#include "app/PelvaroApp.h"
#include "base/SystemLibrary.h"
#include "ui/PelvaroDlg.h"
#include <commctrl.h>

CPelvaroApp theApp;

BOOL CPelvaroApp::InitInstance() {
    INITCOMMONCONTROLSEX controls = {};
    controls.dwSize = sizeof(controls);
    controls.dwICC = 0xFF;
    InitCommonControlsEx(&controls);
    // Restart support only, as for any dialog application of this kind.
    RegisterApplicationRestart(nullptr, 0);

    CPelvaroDlg dialog;
    dialog.DoModal(nullptr);
    return FALSE;
}

namespace {

// Every library loaded from now on comes from the system folder, never from the executable's
// folder or the current one, where other people may drop files. Looked up at run time: Windows 7
// has the call only with its loader update.
void LoadLibrariesFromSystemFolderOnly() {
    const auto call = LibraryCall<BOOL(WINAPI*)(DWORD)>(GetModuleHandleW(L"kernel32.dll"),
                                                        "SetDefaultDllDirectories");
    if (call != nullptr) {
        call(LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    LoadLibrariesFromSystemFolderOnly();
    theApp.InitInstance();
    return 0;
}
