#include "SimulatedDevices.h"
#include "TestFolder.h"
#include <atomic>
#include <stdexcept>
#include <utility>
#include <winternl.h>

namespace {

constexpr wchar_t kEnumRoot[] = L"System\\CurrentControlSet\\Enum\\";
constexpr wchar_t kPortsClass[] = L"{4D36E978-E325-11CE-BFC1-08002BE10318}";
constexpr wchar_t kHidClass[] = L"{745a17a0-74d3-11d0-b6fe-00a0c90f57da}";
constexpr wchar_t kHidInterfaceClass[] = L"{4d1e55b2-f16f-11cf-88cb-001111000030}";

struct RegistryKeyTraits {
    using Type = HKEY;
    static Type Empty() { return nullptr; }
    static bool IsValid(Type key) { return key != nullptr; }
    static void Release(Type key) { RegCloseKey(key); }
};
using UniqueRegistryKey = UniqueResource<RegistryKeyTraits>;

// Creates the key and the missing keys above it, all volatile.
UniqueRegistryKey CreateVolatileKey(const std::wstring& path) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, REG_OPTION_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS) {
        throw std::runtime_error("cannot create a simulated device's registry key");
    }
    return UniqueRegistryKey(key);
}

void SetText(HKEY key, const wchar_t* name, const std::wstring& value) {
    RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

void SetTextList(HKEY key, const wchar_t* name, const std::vector<std::wstring>& entries) {
    std::wstring data;
    for (const auto& entry : entries) {
        data += entry;
        data.push_back(L'\0');
    }
    data.push_back(L'\0');
    RegSetValueExW(key, name, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(data.data()),
                   static_cast<DWORD>(data.size() * sizeof(wchar_t)));
}

// Deletes the key with all below it, then its parent if nothing else is left there.
void DeleteKeyAndEmptyParent(const std::wstring& path) {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, path.c_str());
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, path.c_str());
    const auto slash = path.rfind(L'\\');
    if (slash != std::wstring::npos) {
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, path.substr(0, slash).c_str()); // fails while not empty
    }
}

std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text) {
        if (c >= L'A' && c <= L'Z') {
            c = static_cast<wchar_t>(c - L'A' + L'a');
        }
    }
    return text;
}

UNICODE_STRING Counted(std::wstring& text) {
    UNICODE_STRING counted;
    counted.Buffer = text.data();
    counted.Length = static_cast<USHORT>(text.size() * sizeof(wchar_t));
    counted.MaximumLength = counted.Length;
    return counted;
}

// An object-manager link such as \??\hid#..., which is what CreateFileW resolves a device path
// through. kernel32 has no call that takes such names (Wine's DefineDosDeviceW holds only short
// ones), so the native call is used.
UniqueHandle CreateObjectLink(std::wstring name, std::wstring target) {
    using CreateLink = LONG(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, PUNICODE_STRING);
    const auto create = reinterpret_cast<CreateLink>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtCreateSymbolicLinkObject")));
    if (create == nullptr) {
        throw std::runtime_error("NtCreateSymbolicLinkObject is missing");
    }
    UNICODE_STRING countedName = Counted(name);
    UNICODE_STRING countedTarget = Counted(target);
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &countedName, OBJ_CASE_INSENSITIVE, nullptr, nullptr);
    HANDLE link = nullptr;
    constexpr ACCESS_MASK kLinkAllAccess = STANDARD_RIGHTS_REQUIRED | 0x1;
    if (create(&link, kLinkAllAccess, &attributes, &countedTarget) < 0) {
        throw std::runtime_error("cannot create the simulated interface's device link");
    }
    return UniqueHandle(link);
}

} // namespace

std::vector<std::wstring> BootloaderHardwareIds() {
    return {L"USB\\VID_1915&PID_521F&REV_0100&MI_00", L"USB\\VID_1915&PID_521F&MI_00"};
}

SimulatedPort::SimulatedPort(std::wstring instanceId, const std::wstring& friendlyName,
                             const std::vector<std::wstring>& hardwareIds)
    : m_instanceId(std::move(instanceId)) {
    const auto key = CreateVolatileKey(kEnumRoot + m_instanceId);
    SetText(key.get(), L"ClassGUID", kPortsClass);
    SetText(key.get(), L"Class", L"Ports");
    if (!friendlyName.empty()) {
        SetText(key.get(), L"FriendlyName", friendlyName);
    }
    if (!hardwareIds.empty()) {
        SetTextList(key.get(), L"HardwareID", hardwareIds);
    }
}

SimulatedPort::~SimulatedPort() {
    Remove();
}

void SimulatedPort::Remove() {
    if (!m_instanceId.empty()) {
        DeleteKeyAndEmptyParent(kEnumRoot + std::exchange(m_instanceId, std::wstring()));
    }
}

SimulatedHidInterface::Instance::Instance(const std::wstring& pipeName) {
    pipe.reset(CreateNamedPipeW(pipeName.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                                PIPE_TYPE_BYTE, kMaxOpens, 512, 512, 0, nullptr));
    connected.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!pipe || !connected) {
        throw std::runtime_error("cannot create the simulated interface's pipe");
    }
    overlapped.hEvent = connected.get();
    if (!ConnectNamedPipe(pipe.get(), &overlapped) && GetLastError() != ERROR_IO_PENDING) {
        throw std::runtime_error("cannot wait for a client of the simulated interface");
    }
}

SimulatedHidInterface::Instance::~Instance() {
    // The system writes into the OVERLAPPED until the wait is over.
    if (!opened && CancelIoEx(pipe.get(), &overlapped)) {
        DWORD ignored = 0;
        GetOverlappedResult(pipe.get(), &overlapped, &ignored, TRUE);
    }
}

bool SimulatedHidInterface::Instance::Opened() {
    if (!opened && WaitForSingleObject(connected.get(), 0) == WAIT_OBJECT_0) {
        opened = true;
    }
    return opened;
}

SimulatedHidInterface::SimulatedHidInterface(const std::wstring& devicePart,
                                             const std::wstring& instance, Opening opening) {
    const std::wstring deviceId = L"HID\\" + devicePart + L"\\" + instance;
    const std::wstring reference =
        L"HID#" + devicePart + L"#" + instance + L"#" + kHidInterfaceClass;
    m_enumKey = kEnumRoot + deviceId;
    m_interfaceKey = std::wstring(L"System\\CurrentControlSet\\Control\\DeviceClasses\\") +
                     kHidInterfaceClass + L"\\##?#" + reference;
    m_path = Lower(L"\\\\?\\" + reference);

    if (opening == Opening::Succeeds) {
        static std::atomic<unsigned> counter{0};
        const std::wstring pipeName = L"pelvaro-hid-" + std::to_wstring(GetCurrentProcessId()) +
                                      L"-" + std::to_wstring(counter++);
        for (int i = 0; i < kMaxOpens; ++i) {
            m_instances.push_back(std::make_unique<Instance>(L"\\\\.\\pipe\\" + pipeName));
        }
        m_link =
            CreateObjectLink(L"\\??\\" + m_path.substr(4), L"\\Device\\NamedPipe\\" + pipeName);
    }

    {
        const auto device = CreateVolatileKey(m_enumKey);
        SetText(device.get(), L"ClassGUID", kHidClass);
        SetText(device.get(), L"Class", L"HIDClass");
    }
    {
        const auto link = CreateVolatileKey(m_interfaceKey);
        SetText(link.get(), L"DeviceInstance", deviceId);
    }
    SetText(CreateVolatileKey(m_interfaceKey + L"\\#").get(), L"SymbolicLink",
            L"\\\\?\\" + reference);
    const DWORD linked = 1;
    RegSetValueExW(CreateVolatileKey(m_interfaceKey + L"\\#\\Control").get(), L"Linked", 0,
                   REG_DWORD, reinterpret_cast<const BYTE*>(&linked), sizeof(linked));
}

SimulatedHidInterface::~SimulatedHidInterface() {
    Remove();
}

void SimulatedHidInterface::Remove() {
    m_link.reset();
    if (!m_interfaceKey.empty()) {
        DeleteKeyAndEmptyParent(std::exchange(m_interfaceKey, std::wstring()));
        DeleteKeyAndEmptyParent(std::exchange(m_enumKey, std::wstring()));
    }
}

int SimulatedHidInterface::Opens() {
    int opens = 0;
    for (auto& instance : m_instances) {
        opens += instance->Opened() ? 1 : 0;
    }
    return opens;
}

bool SimulatedHidInterface::WaitForOpens(int count, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + Scaled(timeoutMs);
    while (Opens() < count) {
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline) {
            return false;
        }
        std::vector<HANDLE> waiting;
        for (auto& instance : m_instances) {
            if (!instance->Opened()) {
                waiting.push_back(instance->connected.get());
            }
        }
        if (waiting.empty()) {
            return false;
        }
        WaitForMultipleObjects(static_cast<DWORD>(waiting.size()), waiting.data(), FALSE,
                               static_cast<DWORD>(deadline - now));
    }
    return true;
}

bool SimulatedHidInterface::AllOpensClosed() {
    for (auto& instance : m_instances) {
        DWORD available = 0;
        if (instance->Opened() &&
            (PeekNamedPipe(instance->pipe.get(), nullptr, 0, nullptr, &available, nullptr) ||
             GetLastError() != ERROR_BROKEN_PIPE)) {
            return false;
        }
    }
    return true;
}
