#pragma once
#include <windows.h>

// Sets the system DPI that programs started from now on see, and puts the previous setting back
// when the object goes away, so that later tests in the same Wine prefix find it as it was.
//
// Wine reads HKCU\Control Panel\Desktop\LogPixels once per process, when the process first asks
// for the DPI (at start-up for a program with windows): a program started after the change sees
// the new DPI with the same wineserver still running, while programs already running (this test
// program too) keep theirs. A fresh prefix has no such value and means 96 DPI, so "as it was" may
// be "absent".
class SystemDpiSetting {
public:
    explicit SystemDpiSetting(DWORD dpi);
    ~SystemDpiSetting();
    SystemDpiSetting(const SystemDpiSetting&) = delete;
    SystemDpiSetting& operator=(const SystemDpiSetting&) = delete;

    // Whether the new DPI was written.
    bool Applied() const { return m_applied; }

private:
    bool m_applied = false;
    bool m_hadValue = false;
    DWORD m_previous = 0;
};
