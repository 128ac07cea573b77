#pragma once
#include <string>
#include <windows.h>

// Loads a DLL into another process of the same prefix (a remote LoadLibraryW). The process may
// be 32-bit while the caller is 64-bit: the DLL must then be a 32-bit one.
bool LoadDllInto(HANDLE process, const std::wstring& dllPath, DWORD timeoutMs);

// Calls an export of a DLL already loaded into another process, on a new thread there, with a
// copy of `argument` as the thread's parameter, and waits for it to end. The export's address is
// found from the DLL file and where the process has mapped it.
bool CallDllExport(HANDLE process, DWORD processId, const std::wstring& dllPath,
                   const char* function, const std::wstring& argument, DWORD timeoutMs);
