#pragma once
#include "device/BootloaderPort.h"

// The bootloader ports present now: their count, and the port name, such as "COM7", when there
// is exactly one; a count of 0 when there is none yet, so the caller may simply ask again. Writes
// "find" to standard output for every bootloader port seen.
BootloaderPorts FindBootloaderPort() noexcept;

// The same without the trace: which bootloader ports are there before anything is asked.
BootloaderPorts PresentBootloaderPorts() noexcept;
