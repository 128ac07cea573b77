#pragma once
#include "config/UpgradeTarget.h"
#include <string>

// The running executable's directory, with its trailing backslash.
std::wstring ModuleDirectory();

// One value of config.ini as the system's profile reader gives it: at most 259 characters,
// "" for a missing file, section or key.
std::wstring ReadConfiguredPath(const std::wstring& configPath, UpgradeTarget target,
                                ConfigKey key);

// True when the path names an existing file or directory.
bool PathExists(const std::wstring& path);

// True when a configured value names an existing file (not a directory, not nothing).
bool ConfiguredFileExists(const std::wstring& value);
