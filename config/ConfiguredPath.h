#pragma once
#include <string>
#include <string_view>

// Full path of config.ini: the executable's directory (ending in a backslash) formatted with
// "%s\config.ini". The doubled backslash is harmless to the file functions.
std::wstring ConfigFilePath(std::wstring_view executableDirectory);

// A drive-letter or UNC value names its file by itself; anything else is relative.
bool IsAbsoluteConfiguredPath(std::wstring_view value);

// Where a configured value is looked for: an absolute value as it stands, a relative one below
// the executable's directory, joined with nothing inserted and nothing trimmed.
std::wstring ResolveConfiguredPath(std::wstring_view executableDirectory, std::wstring_view value);

// The message for a value that names no file, quoting the value as typed.
std::wstring MissingConfiguredFileMessage(std::wstring_view value);

inline constexpr wchar_t kMissingConfigFileMessage[] =
    L"The configuration file config.ini does not exist. Please keep the configuration file and "
    L"exe in the same path.";
