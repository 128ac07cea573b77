#pragma once
#include "config/UpgradeTarget.h"
#include <string>

// The running executable's directory, with its trailing backslash.
std::wstring ModuleDirectory();

// One value of config.ini as the system's profile reader gives it: at most 259 characters,
// "" for a missing file, section or key. A UTF-8 file (with a byte-order mark, or without one
// and with non-ASCII text) is decoded here and read by the same rules (config/ProfileValue.h);
// without a mark, the system's ANSI reading wins when only it names an existing file.
std::wstring ReadConfiguredPath(const std::wstring& configPath, UpgradeTarget target,
                                ConfigKey key);

// True when the path names an existing file or directory.
bool PathExists(const std::wstring& path);

// True when a configured value names an existing file (not a directory, not nothing).
bool ConfiguredFileExists(const std::wstring& value);
