#pragma once
#include "base/UniqueResource.h"
#include "config/UpgradeTarget.h"
#include <string>
#include <windows.h>

// Worker threads of the two workflows. Each gets its own copies of what it reads at start, so a
// later press cannot change them, and reaches the dialog only through DialogChannel, with the
// number of its run; its last message says that its run is over. The tools
// run in workingDirectory (the executable's folder) and get the full path of each configured
// file, resolved below that folder as the check did.

// Runs the serial DFU of packagePath on portName and sets the target's result; false when no
// thread could be started.
bool StartDfuWorker(HWND dialog, WPARAM run, UpgradeTarget target, const std::wstring& packagePath,
                    const std::wstring& portName, const std::wstring& workingDirectory);

// Reads and checks the target's image, erases, programs and resets, and sets the result. The
// returned handle belongs to the caller (empty when no thread could be started).
UniqueHandle StartJLinkWorker(HWND dialog, WPARAM run, UpgradeTarget target,
                              const std::wstring& configPath, const std::wstring& workingDirectory);
