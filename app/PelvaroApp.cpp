#include "app/PelvaroApp.h"
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

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    theApp.InitInstance();
    return 0;
}
