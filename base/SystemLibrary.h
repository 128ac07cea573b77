#pragma once
#include <string>
#include <windows.h>

// The full path of a file in the system folder (System32), such as its cmd.exe; empty when the
// system does not tell where that folder is.
inline std::wstring SystemFolderFile(const wchar_t* name) {
    wchar_t folder[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return {};
    }
    std::wstring path(folder, length);
    if (path.back() != L'\\') {
        path += L'\\';
    }
    return path + name;
}

// A call of a loaded library, looked up by name at run time; nullptr when the library lacks it.
template <typename Function> Function LibraryCall(HMODULE module, const char* name) {
    // Through the generic function type, which every function pointer may be cast to and from.
    return reinterpret_cast<Function>(
        reinterpret_cast<void (*)()>(reinterpret_cast<void*>(GetProcAddress(module, name))));
}
