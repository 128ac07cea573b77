#pragma once
#include <cstddef>

// Asks every present upgrade interface of the maker's devices to restart into its bootloader:
// each is opened and sent a request for its string 200. True when at least one request was sent;
// whether a device really restarted shows only when its bootloader port appears.
bool TriggerUpgradeMode() noexcept;

// How many devices TriggerUpgradeMode would ask now (each interface opened and closed once, not
// asked); 0 when the system's HID calls cannot be had.
std::size_t CountUpgradeDevices() noexcept;
