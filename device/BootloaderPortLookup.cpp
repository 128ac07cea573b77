#include "device/BootloaderPortLookup.h"
#include "device/PortListing.h"
#include "device/SystemLibraries.h"
#include <windows.h>
#include <initguid.h>
#include <devguid.h>

namespace {

class SystemPortCalls final : public PortListingCalls {
public:
    explicit SystemPortCalls(const SetupApiCalls& api) : m_api(api) {}

    bool GetPortList(void*& list) override {
        const HDEVINFO found =
            m_api.GetClassDevs(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
        if (found == INVALID_HANDLE_VALUE) {
            return false;
        }
        list = found;
        return true;
    }

    bool EnumDevice(void* list, std::uint32_t index) override {
        m_device = {};
        m_device.cbSize = sizeof(m_device);
        return m_api.EnumDeviceInfo(list, index, &m_device) != FALSE;
    }

    PropertyRead ReadProperty(void* list, PortProperty property, void* buffer, std::uint32_t size,
                              std::uint32_t& required) override {
        const DWORD code =
            property == PortProperty::FriendlyName ? SPDRP_FRIENDLYNAME : SPDRP_HARDWAREID;
        DWORD type = 0;
        DWORD needed = required;
        const BOOL read = m_api.GetDeviceRegistryProperty(
            list, &m_device, code, &type, static_cast<BYTE*>(buffer), size, &needed);
        const DWORD error = read ? ERROR_SUCCESS : GetLastError();
        required = needed;
        if (read) {
            return PropertyRead::Done;
        }
        return error == ERROR_INSUFFICIENT_BUFFER ? PropertyRead::BufferTooSmall
                                                  : PropertyRead::Failed;
    }

    void* Allocate(std::uint32_t size) override { return LocalAlloc(LPTR, size); }

    void Free(void* block) override { LocalFree(block); }

    void DestroyList(void* list) override { m_api.DestroyDeviceInfoList(list); }

private:
    const SetupApiCalls& m_api;
    SP_DEVINFO_DATA m_device = {};
};

// The trace word goes to the standard output as it is, without a line end; a window program
// started normally has none, and the word is then dropped.
void TraceFind(std::size_t times) {
    const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    if (output == nullptr || output == INVALID_HANDLE_VALUE) {
        return;
    }
    for (std::size_t i = 0; i < times; ++i) {
        DWORD written = 0;
        WriteFile(output, "find", 4, &written, nullptr);
    }
}

} // namespace

// Called from the window's message handling, where no exception may pass: a failed allocation
// ends the process, as everywhere in the program.
BootloaderPorts PresentBootloaderPorts() noexcept {
    const SetupApiCalls* api = SystemSetupApi();
    if (api == nullptr) {
        return {};
    }
    SystemPortCalls calls(*api);
    return SelectBootloaderPort(ListPortDevices(calls));
}

BootloaderPorts FindBootloaderPort() noexcept {
    BootloaderPorts found = PresentBootloaderPorts();
    TraceFind(found.count);
    return found;
}
