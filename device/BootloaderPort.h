#pragma once
#include <cstddef>
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

// True for "COM" in any letter case followed by one to three digits 0-9: the only port names that
// go into a tool's command line.
bool IsSerialPortName(std::wstring_view name);

// The bootloader ports of one listing: entries whose upper-cased hardware ID is exactly the
// bootloader's and whose friendly name gives a serial port name.
struct BootloaderPorts {
    std::size_t count = 0;
    std::wstring port; // the name as found, when count is 1; otherwise empty
};

// The bootloader's ID is shared by every device that restarts into it (and by development kits),
// so with two or more such ports there is no telling which one the package is for.
BootloaderPorts SelectBootloaderPort(const std::vector<PortDeviceEntry>& entries);
