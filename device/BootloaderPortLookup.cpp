#include "device/BootloaderPortLookup.h"
#include "device/PortListing.h"
#include <exception>
#include <iostream>
#include <windows.h>
#include <initguid.h>
#include <devguid.h>
#include <setupapi.h>

namespace {

class SystemPortCalls final : public PortListingCalls {
public:
    bool GetPortList(void*& list) override {
        const HDEVINFO found =
            SetupDiGetClassDevsW(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
        if (found == INVALID_HANDLE_VALUE) {
            return false;
        }
        list = found;
        return true;
    }

    bool EnumDevice(void* list, std::uint32_t index) override {
        m_device = {};
        m_device.cbSize = sizeof(m_device);
        return SetupDiEnumDeviceInfo(list, index, &m_device) != FALSE;
    }

    PropertyRead ReadProperty(void* list, PortProperty property, void* buffer, std::uint32_t size,
                              std::uint32_t& required) override {
        const DWORD code =
            property == PortProperty::FriendlyName ? SPDRP_FRIENDLYNAME : SPDRP_HARDWAREID;
        DWORD type = 0;
        DWORD needed = required;
        const BOOL read = SetupDiGetDeviceRegistryPropertyW(
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

    void DestroyList(void* list) override { SetupDiDestroyDeviceInfoList(list); }

private:
    SP_DEVINFO_DATA m_device = {};
};

} // namespace

std::wstring FindBootloaderPort() {
    // Called from the window's message handling, where no exception may pass.
    try {
        SystemPortCalls calls;
        std::wstring port = SelectBootloaderPort(ListPortDevices(calls), std::cout);
        // A window program has no standard output; the word is then lost without an error.
        std::cout.flush();
        return port;
    } catch (const std::exception&) {
        return {};
    }
}
