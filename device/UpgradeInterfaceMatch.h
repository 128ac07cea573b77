#pragma once
#include <string>
#include <string_view>

// True when a HID interface path names the upgrade interface (interface 02) of one of the maker's
// devices (vendor 9A6C). A pattern counts only when its first occurrence in the upper-cased path
// lies after the first character.
bool IsUpgradeInterfacePath(std::wstring_view path);

// The same text for every path of one device, different for two devices. Windows lists each
// top-level collection of a HID interface with a path of its own, its number both in "&COLnn" and
// in the last part of the instance: \\?\hid#vid_9a6c&pid_c471&mi_02&col01#8&2c3f2a3&0&0000#{...}
// and ...&col02#8&2c3f2a3&0&0001#{...}. The rest of the instance comes from the device's USB
// interface. A path of another shape stands for a device of its own.
std::wstring UpgradeDeviceKey(std::wstring_view path);
