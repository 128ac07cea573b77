#pragma once
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

// One present device of the Ports setup class, in the order the system lists them. A property
// that is missing or cannot be read is empty.
struct PortDeviceEntry {
    std::wstring friendlyName;
    std::wstring hardwareId; // the first entry of the hardware-ID list

    friend bool operator==(const PortDeviceEntry&, const PortDeviceEntry&) = default;
};

// The first hardware ID of the serial bootloader: Nordic's vendor 1915, product 521F, release
// 0100, interface 00.
inline constexpr std::wstring_view kBootloaderHardwareId = L"USB\\VID_1915&PID_521F&REV_0100&MI_00";

// The port name in a friendly name: the text after the first "(", less the run of ")" at its end.
// "Serial Device (COM7)" gives "COM7"; a name without "(" is taken whole.
std::wstring PortNameFromFriendlyName(std::wstring_view name);

// The port of the last entry whose upper-cased hardware ID is exactly the bootloader's, even when
// its name is empty; "" when none matches. Writes "find" to the trace, without a line end, once
// for every matching entry.
std::wstring SelectBootloaderPort(const std::vector<PortDeviceEntry>& entries, std::ostream& trace);
