#pragma once
#include <string>

// The port name of the bootloader's serial port present now, such as "COM7"; "" when there is
// none yet, so the caller may simply ask again. Writes "find" to standard output for every
// bootloader port seen.
std::wstring FindBootloaderPort();
