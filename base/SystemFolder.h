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
