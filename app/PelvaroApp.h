#pragma once
#include <windows.h>

// The application: prepares the common controls, runs the main dialog modally, then ends.
class CPelvaroApp {
public:
    // Always false: when the dialog has ended, the process ends.
    BOOL InitInstance();
};

extern CPelvaroApp theApp;
