#include "config/ConfiguredPath.h"

std::wstring ConfigFilePath(std::wstring_view executableDirectory) {
    std::wstring path(executableDirectory);
    path += L"\\config.ini";
    return path;
}

bool IsAbsoluteConfiguredPath(std::wstring_view value) {
    const auto isSlash = [](wchar_t c) { return c == L'\\' || c == L'/'; };
    if (value.size() >= 2 && isSlash(value[0]) && isSlash(value[1])) {
        return true;
    }
    const bool letter = value.size() >= 2 && ((value[0] >= L'A' && value[0] <= L'Z') ||
                                              (value[0] >= L'a' && value[0] <= L'z'));
    return letter && value[1] == L':';
}

std::wstring ResolveConfiguredPath(std::wstring_view executableDirectory, std::wstring_view value) {
    if (IsAbsoluteConfiguredPath(value)) {
        return std::wstring(value);
    }
    std::wstring path(executableDirectory);
    path += value;
    return path;
}

std::wstring MissingConfiguredFileMessage(std::wstring_view value) {
    std::wstring text = L"The configured ";
    text += value;
    text += L" file does not exist. Please confirm the configuration file again.";
    return text;
}
