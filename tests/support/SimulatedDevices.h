#pragma once
#include "base/UniqueResource.h"
#include <memory>
#include <string>
#include <vector>
#include <windows.h>

// Devices that Wine lists although no hardware is there. Wine's device installation services
// read their lists from the registry on every SetupDiGetClassDevsW call, so a key written here
// shows up in the next call of every process of the prefix (the program under test included) and
// is gone from the next call after removal. Adding or removing is a handful of registry writes.
// The keys are volatile: whatever a crashed test leaves behind goes with the prefix's wineserver.
// Windows itself protects these keys; the helpers are for Wine only.

// The hardware-ID list of the nRF52 serial bootloader, its first entry the one the program seeks.
std::vector<std::wstring> BootloaderHardwareIds();

// A present device of the Ports setup class.
class SimulatedPort {
public:
    // instanceId: the device-instance ID below Enum, such as
    // L"USB\\VID_1915&PID_521F&MI_00\\PELVARO1"; the system lists the devices of one enumerator
    // in the order of these IDs. An empty friendly name or list leaves that property out.
    SimulatedPort(std::wstring instanceId, const std::wstring& friendlyName,
                  const std::vector<std::wstring>& hardwareIds);
    ~SimulatedPort();
    SimulatedPort(const SimulatedPort&) = delete;
    SimulatedPort& operator=(const SimulatedPort&) = delete;

    // Takes the port away now, as if it were unplugged.
    void Remove();

private:
    std::wstring m_instanceId;
};

// A present HID device interface. Wine lists it with a path of its own making, all lower case:
// \\?\hid#<devicePart>#<instance>#{4d1e55b2-f16f-11cf-88cb-001111000030}.
class SimulatedHidInterface {
public:
    // Whether CreateFileW on the path succeeds. An openable interface is a named pipe behind an
    // object-manager link of that name: the test sees every open and close, but the HID request
    // itself fails on it (Wine answers ERROR_NOT_SUPPORTED) and is not seen. The link lives as
    // long as this object, so it needs the test's process; the registry part does not.
    enum class Opening { Fails, Succeeds };

    // devicePart such as L"VID_9A6C&PID_C471&MI_02", instance such as L"7&1&0&0000".
    SimulatedHidInterface(const std::wstring& devicePart, const std::wstring& instance,
                          Opening opening);
    ~SimulatedHidInterface();
    SimulatedHidInterface(const SimulatedHidInterface&) = delete;
    SimulatedHidInterface& operator=(const SimulatedHidInterface&) = delete;

    const std::wstring& Path() const { return m_path; }
    // How many times the interface has been opened (at most kMaxOpens; later opens fail busy).
    int Opens();
    // Waits until the interface has been opened `count` times or the time-out has passed.
    bool WaitForOpens(int count, DWORD timeoutMs);
    // True when every open so far has been closed again.
    bool AllOpensClosed();
    void Remove();

    static constexpr int kMaxOpens = 4;

private:
    // One pipe instance waiting for a client; it stays at one address while its wait is pending.
    struct Instance {
        Instance(const std::wstring& pipeName);
        ~Instance();
        Instance(const Instance&) = delete;
        Instance& operator=(const Instance&) = delete;
        bool Opened();

        UniqueHandle pipe;
        UniqueHandle connected;
        OVERLAPPED overlapped = {};
        bool opened = false;
    };

    std::wstring m_enumKey;
    std::wstring m_interfaceKey;
    std::wstring m_path;
    std::vector<std::unique_ptr<Instance>> m_instances;
    UniqueHandle m_link;
};
