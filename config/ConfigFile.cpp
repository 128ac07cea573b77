#include "config/ConfigFile.h"
#include "config/ConfiguredPath.h"
#include "config/ExecutablePath.h"
#include <windows.h>

std::wstring ModuleDirectory() {
    wchar_t path[kPathBufferChars] = {};
    GetModuleFileNameW(nullptr, path, static_cast<DWORD>(kPathBufferChars));
    return ExecutableDirectory(path);
}

std::wstring ReadConfiguredPath(const std::wstring& configPath, UpgradeTarget target,
                                ConfigKey key) {
    wchar_t value[kPathBufferChars] = {};
    GetPrivateProfileStringW(SectionName(target), KeyName(key), L"", value,
                             static_cast<DWORD>(kPathBufferChars), configPath.c_str());
    return value;
}

namespace {
bool Attributes(const std::wstring& path, WIN32_FILE_ATTRIBUTE_DATA& data) {
    data = {};
    return GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) != 0;
}
} // namespace

bool PathExists(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    return Attributes(path, data);
}

bool ConfiguredFileExists(const std::wstring& value) {
    // An empty value would name the executable's directory itself, which always exists.
    if (value.empty()) {
        return false;
    }
    WIN32_FILE_ATTRIBUTE_DATA data;
    return Attributes(ResolveConfiguredPath(ModuleDirectory(), value), data) &&
           (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}
