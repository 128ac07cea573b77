#pragma once
#include "device/BootloaderPort.h"
#include <cstddef>
#include <cstdint>
#include <vector>

enum class PortProperty { FriendlyName, HardwareId };

// What one property read gave: the bytes, a request for a larger buffer (with the size in
// `required`), or any other failure.
enum class PropertyRead { Done, BufferTooSmall, Failed };

// The system calls behind the port listing, one method per call. The list is an opaque value of
// the system; blocks come from Allocate (zero-filled) and go back through Free.
class PortListingCalls {
public:
    virtual ~PortListingCalls() = default;

    // The list of the present devices of the Ports setup class; false when the system gives none.
    virtual bool GetPortList(void*& list) = 0;
    // Selects the device at this index of the list; false past the last one or on any failure.
    virtual bool EnumDevice(void* list, std::uint32_t index) = 0;
    // Reads a property of the selected device into the buffer (none, with size 0, to learn the
    // size); `required` receives the size in bytes that the property needs.
    virtual PropertyRead ReadProperty(void* list, PortProperty property, void* buffer,
                                      std::uint32_t size, std::uint32_t& required) = 0;
    // A zero-filled block of that many bytes, or nullptr.
    virtual void* Allocate(std::uint32_t size) = 0;
    virtual void Free(void* block) = 0;
    virtual void DestroyList(void* list) = 0;
};

// The friendly name and first hardware ID of every present port, in the system's order. The
// enumeration stops at the first index that fails; the list is destroyed on every path.
std::vector<PortDeviceEntry> ListPortDevices(PortListingCalls& calls);

// A property value as UTF-16 units: the text up to the first NUL, and never past the buffer.
std::wstring TextUpToFirstNul(const void* data, std::size_t bytes);
