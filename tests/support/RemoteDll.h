#pragma once
#include <string>
#include <windows.h>

// Loads a DLL into another process of the same prefix (a remote LoadLibraryW).
bool LoadDllInto(HANDLE process, const std::wstring& dllPath, DWORD timeoutMs);

// Calls an export of a DLL already loaded into another process, on a new thread there, with a
// copy of `argument` as the thread's parameter, and waits for it to end. The export's address is
// found from its offset in a local load of the same DLL.
bool CallDllExport(HANDLE process, DWORD processId, const std::wstring& dllPath,
                   const char* function, const std::wstring& argument, DWORD timeoutMs);
