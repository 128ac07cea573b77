#pragma once
#include <string_view>

// True when a HID interface path names the upgrade interface (interface 02) of one of the maker's
// devices (vendor 9A6C). A pattern counts only when its first occurrence in the upper-cased path
// lies after the first character.
bool IsUpgradeInterfacePath(std::wstring_view path);
