#pragma once
#include <cstddef>
#include <string>
#include <string_view>

// Every path buffer of the program holds 260 characters, the terminator included.
inline constexpr std::size_t kPathBufferChars = 260;

// The executable's full path cut just after its last backslash, which stays.
std::wstring ExecutableDirectory(std::wstring_view modulePath);

// The executable's file name without its extension: the caption of the program's message boxes.
std::wstring ExecutableBaseName(std::wstring_view modulePath);
