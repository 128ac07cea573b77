#include "device/BootloaderPort.h"
#include "base/AsciiUpper.h"
#include <utility>

std::wstring PortNameFromFriendlyName(std::wstring_view name) {
    const auto open = name.find(L'(');
    std::wstring_view rest = open == std::wstring_view::npos ? name : name.substr(open + 1);
    const auto last = rest.find_last_not_of(L')');
    return std::wstring(last == std::wstring_view::npos ? std::wstring_view{}
                                                        : rest.substr(0, last + 1));
}

std::wstring SelectBootloaderPort(const std::vector<PortDeviceEntry>& entries,
                                  std::ostream& trace) {
    std::wstring port;
    for (const auto& entry : entries) {
        std::wstring name = PortNameFromFriendlyName(entry.friendlyName);
        // A match does not end the scan: the last bootloader listed decides.
        if (AsciiUpper(entry.hardwareId) == kBootloaderHardwareId) {
            trace << "find";
            port = std::move(name);
        }
    }
    return port;
}
