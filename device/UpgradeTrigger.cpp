#include "device/UpgradeTrigger.h"
#include "device/SystemLibraries.h"
#include "device/UpgradeRequestScan.h"
#include <cstddef>
#include <memory>
#include <new>
#include <windows.h>

namespace {

// The firmware restarts into its bootloader when asked for this string.
constexpr ULONG kUpgradeStringIndex = 200;
constexpr std::size_t kReplyBytes = 40;

// The detail record's own size field declares its fixed part (6 bytes in a 32-bit process, 8 in
// a 64-bit one), never the size of the block that holds the path.
static_assert(sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W) == (sizeof(void*) == 8 ? 8 : 6));

class SystemHidCalls final : public HidInterfaceCalls {
public:
    SystemHidCalls(const SetupApiCalls& setupApi, const HidCalls& hid)
        : m_setupApi(setupApi), m_hid(hid) {}

    bool GetInterfaceList(void*& list) override {
        m_hid.GetHidGuid(&m_hidGuid);
        const HDEVINFO found = m_setupApi.GetClassDevs(&m_hidGuid, nullptr, nullptr,
                                                       DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
        if (found == INVALID_HANDLE_VALUE) {
            return false;
        }
        list = found;
        return true;
    }

    bool EnumInterface(void* list, std::uint32_t index) override {
        m_interface = {};
        m_interface.cbSize = sizeof(m_interface);
        return m_setupApi.EnumDeviceInterfaces(list, nullptr, &m_hidGuid, index, &m_interface) !=
               FALSE;
    }

    bool QueryDetailSize(void* list, std::uint32_t& size) override {
        DWORD required = 0;
        m_setupApi.GetDeviceInterfaceDetail(list, &m_interface, nullptr, 0, &required, nullptr);
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
            return false;
        }
        size = required;
        return true;
    }

    bool ReadDetailPath(void* list, std::uint32_t size, std::wstring& path) override {
        constexpr std::size_t pathOffset = offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath);
        if (size < pathOffset + sizeof(WCHAR)) {
            return false;
        }
        // A zero-filled block of exactly the size asked for, released on every path.
        const std::unique_ptr<std::byte[]> block(new (std::nothrow) std::byte[size]());
        if (!block) {
            return false;
        }
        auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(block.get());
        detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
        if (!m_setupApi.GetDeviceInterfaceDetail(list, &m_interface, detail, size, nullptr,
                                                 nullptr)) {
            return false;
        }
        const std::size_t units = (size - pathOffset) / sizeof(WCHAR);
        path.assign(detail->DevicePath, wcsnlen(detail->DevicePath, units));
        return true;
    }

    bool Open(const std::wstring& path, void*& device) override {
        // A null access list grants everyone all access.
        SECURITY_DESCRIPTOR descriptor;
        InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
        SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE);
        SECURITY_ATTRIBUTES attributes = {};
        attributes.nLength = sizeof(attributes);
        attributes.lpSecurityDescriptor = &descriptor;
        // Not inheritable: no tool started later may keep a device open.
        attributes.bInheritHandle = FALSE;
        const HANDLE opened =
            CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &attributes,
                        OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
        if (opened == INVALID_HANDLE_VALUE) {
            return false;
        }
        device = opened;
        return true;
    }

    void RequestUpgrade(void* device) override {
        WCHAR reply[kReplyBytes / sizeof(WCHAR)] = {};
        static_assert(sizeof(reply) == kReplyBytes);
        m_hid.GetIndexedString(device, kUpgradeStringIndex, reply,
                               static_cast<ULONG>(sizeof(reply)));
    }

    void Close(void* device) override { CloseHandle(device); }

    void DestroyList(void* list) override { m_setupApi.DestroyDeviceInfoList(list); }

private:
    const SetupApiCalls& m_setupApi;
    const HidCalls& m_hid;
    GUID m_hidGuid = {};
    SP_DEVICE_INTERFACE_DATA m_interface = {};
};

// Runs a scan over the system's HID interfaces; called from the window's message handling, where
// no exception may pass: a failed allocation ends the process, as everywhere in the program.
template <typename Result>
Result ScanSystemInterfaces(Result (*scan)(HidInterfaceCalls&)) noexcept {
    const SetupApiCalls* setupApi = SystemSetupApi();
    const HidCalls* hid = SystemHid();
    if (setupApi == nullptr || hid == nullptr) {
        return {};
    }
    SystemHidCalls calls(*setupApi, *hid);
    return scan(calls);
}

} // namespace

bool TriggerUpgradeMode() noexcept {
    return ScanSystemInterfaces(&RequestUpgradeOnMatchingInterfaces);
}

std::size_t CountUpgradeDevices() noexcept {
    return ScanSystemInterfaces(&CountMatchingDevices);
}
