#include "device/PortListing.h"
#include "base/ScopeExit.h"
#include <cstring>
#include <utility>

namespace {

// One property buffer, owned until the next attempt replaces it or the read is over.
class PropertyBuffer {
public:
    explicit PropertyBuffer(PortListingCalls& calls) : m_calls(calls) {}
    ~PropertyBuffer() { Release(); }
    PropertyBuffer(const PropertyBuffer&) = delete;
    PropertyBuffer& operator=(const PropertyBuffer&) = delete;

    bool Replace(std::uint32_t size) {
        Release();
        m_data = m_calls.Allocate(size);
        m_size = m_data != nullptr ? size : 0;
        return m_data != nullptr;
    }
    void* Data() const { return m_data; }
    std::uint32_t Size() const { return m_size; }

private:
    void Release() {
        if (m_data != nullptr) {
            m_calls.Free(std::exchange(m_data, nullptr));
        }
        m_size = 0;
    }

    PortListingCalls& m_calls;
    void* m_data = nullptr;
    std::uint32_t m_size = 0;
};

// The size query, then reads into a buffer of the size asked for for as long as the system asks
// for more (the value may grow between two reads).
std::wstring ReadPropertyText(PortListingCalls& calls, void* list, PortProperty property) {
    PropertyBuffer buffer(calls);
    std::uint32_t required = 0;
    PropertyRead result = calls.ReadProperty(list, property, nullptr, 0, required);
    while (result == PropertyRead::BufferTooSmall) {
        // Asking again for no more than was just refused would never end.
        if (required <= buffer.Size() || !buffer.Replace(required)) {
            return {};
        }
        result = calls.ReadProperty(list, property, buffer.Data(), buffer.Size(), required);
    }
    if (result != PropertyRead::Done || buffer.Data() == nullptr) {
        return {};
    }
    return TextUpToFirstNul(buffer.Data(), buffer.Size());
}

} // namespace

std::wstring TextUpToFirstNul(const void* data, std::size_t bytes) {
    std::wstring text;
    const auto* units = static_cast<const unsigned char*>(data);
    for (std::size_t offset = 0; offset + 2 <= bytes; offset += 2) {
        std::uint16_t unit = 0;
        std::memcpy(&unit, units + offset, sizeof(unit));
        if (unit == 0) {
            break;
        }
        text.push_back(static_cast<wchar_t>(unit));
    }
    return text;
}

std::vector<PortDeviceEntry> ListPortDevices(PortListingCalls& calls) {
    std::vector<PortDeviceEntry> entries;
    void* list = nullptr;
    if (!calls.GetPortList(list)) {
        return entries;
    }
    const ScopeExit destroyList([&] { calls.DestroyList(list); });

    for (std::uint32_t index = 0; calls.EnumDevice(list, index); ++index) {
        PortDeviceEntry entry;
        entry.friendlyName = ReadPropertyText(calls, list, PortProperty::FriendlyName);
        // Only the first entry of the hardware-ID list counts; the text stops at its NUL.
        entry.hardwareId = ReadPropertyText(calls, list, PortProperty::HardwareId);
        entries.push_back(std::move(entry));
    }
    return entries;
}
