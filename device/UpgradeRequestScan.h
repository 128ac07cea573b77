#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// The system calls behind the upgrade-mode trigger, one method per call. Lists and device
// handles are opaque values of the system; whoever obtains one gives it back exactly once.
class HidInterfaceCalls {
public:
    virtual ~HidInterfaceCalls() = default;

    // The list of the HID interfaces present now; false when the system gives none.
    virtual bool GetInterfaceList(void*& list) = 0;
    // Selects the interface at this index of the list; false past the last one.
    virtual bool EnumInterface(void* list, std::uint32_t index) = 0;
    // The byte size of the selected interface's detail record; false when the system does not
    // ask for a buffer.
    virtual bool QueryDetailSize(void* list, std::uint32_t& size) = 0;
    // Reads the selected interface's detail record of that size and gives its device path.
    virtual bool ReadDetailPath(void* list, std::uint32_t size, std::wstring& path) = 0;
    // Opens the device by its path unchanged; false when it cannot be opened.
    virtual bool Open(const std::wstring& path, void*& device) = 0;
    // Sends the request that makes the device restart into its bootloader; its answer is ignored.
    virtual void RequestUpgrade(void* device) = 0;
    virtual void Close(void* device) = 0;
    virtual void DestroyList(void* list) = 0;
};

// Sends the upgrade request to every matching interface in the order the system lists them,
// each with its own open and close. An interface whose size or detail cannot be read, or which
// cannot be opened, is skipped. True when at least one request was sent.
bool RequestUpgradeOnMatchingInterfaces(HidInterfaceCalls& calls);

// The devices that RequestUpgradeOnMatchingInterfaces would ask now: the matching interfaces that
// can be opened, each opened and closed once, those of one device counted once.
std::size_t CountMatchingDevices(HidInterfaceCalls& calls);
