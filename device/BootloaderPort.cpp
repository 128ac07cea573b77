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

bool IsSerialPortName(std::wstring_view name) {
    if (name.size() < 4 || name.size() > 6) {
        return false;
    }
    for (std::size_t i = 0; i < name.size(); ++i) {
        const wchar_t c = name[i];
        const bool fits = i < 3 ? (c == L"COM"[i] || c == L"com"[i]) : (c >= L'0' && c <= L'9');
        if (!fits) {
            return false;
        }
    }
    return true;
}

BootloaderPorts SelectBootloaderPort(const std::vector<PortDeviceEntry>& entries) {
    BootloaderPorts found;
    for (const auto& entry : entries) {
        std::wstring name = PortNameFromFriendlyName(entry.friendlyName);
        if (AsciiUpper(entry.hardwareId) == kBootloaderHardwareId && IsSerialPortName(name)) {
            ++found.count;
            found.port = std::move(name);
        }
    }
    if (found.count != 1) {
        found.port.clear();
    }
    return found;
}
