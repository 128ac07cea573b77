#pragma once
#include "device/PortListing.h"
#include <algorithm>
#include <cstring>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

// A property value as the system stores it: UTF-16 units, terminators included. A property may
// change between two reads: read k gives versions[k], the last one from then on.
struct FakeProperty {
    std::vector<std::vector<std::uint16_t>> versions;
    bool failsAfterSizeQuery = false; // the read with a buffer fails with some other error
    bool refusesEveryBuffer = false;  // asks for the same size again, whatever it is given

    static std::vector<std::uint16_t> Units(const std::wstring& text) {
        std::vector<std::uint16_t> units;
        for (wchar_t c : text) {
            units.push_back(static_cast<std::uint16_t>(c));
        }
        return units;
    }
    // A REG_SZ value.
    static FakeProperty Text(const std::wstring& text) {
        auto units = Units(text);
        units.push_back(0);
        return FakeProperty{{units}};
    }
    // A REG_MULTI_SZ value: each entry with its NUL, and one more at the end.
    static FakeProperty List(const std::vector<std::wstring>& entries) {
        std::vector<std::uint16_t> units;
        for (const auto& entry : entries) {
            const auto part = Units(entry);
            units.insert(units.end(), part.begin(), part.end());
            units.push_back(0);
        }
        units.push_back(0);
        return FakeProperty{{units}};
    }
};

struct FakePort {
    std::optional<FakeProperty> friendlyName; // nullopt: the property is missing
    std::optional<FakeProperty> hardwareIds;
};

// A fake of the system calls behind the port listing. It counts lists and blocks, notes how many
// blocks were still held whenever the next device was selected or the list destroyed, and notes
// every call made with a value it never gave out.
class FakePortListingCalls final : public PortListingCalls {
public:
    std::vector<FakePort> ports;
    bool listFails = false;
    std::optional<std::uint32_t> enumFailsAt; // this index fails although more devices follow
    bool allocationFails = false;
    bool throwOnHardwareId = false; // stands for anything thrown while a buffer is held

    std::vector<std::string> misuse;
    int listsObtained = 0;
    int listsDestroyed = 0;
    int blocksAllocated = 0;
    std::vector<std::size_t> blocksHeldAtEnum;
    std::size_t blocksHeldAtDestroy = 0;
    std::vector<std::uint32_t> allocationSizes;

    std::size_t BlocksHeld() const { return m_blocks.size(); }

    bool GetPortList(void*& list) override {
        if (listFails) {
            return false;
        }
        ++listsObtained;
        list = &m_list;
        return true;
    }

    bool EnumDevice(void* list, std::uint32_t index) override {
        CheckList(list, "enum");
        blocksHeldAtEnum.push_back(m_blocks.size());
        m_selected = index;
        m_reads.clear();
        if (enumFailsAt && index >= *enumFailsAt) {
            return false;
        }
        return index < ports.size();
    }

    PropertyRead ReadProperty(void* list, PortProperty property, void* buffer, std::uint32_t size,
                              std::uint32_t& required) override {
        CheckList(list, "property read");
        if (buffer == nullptr ? size != 0 : !Holds(buffer, size)) {
            misuse.push_back("property read into a buffer the system did not give");
        }
        if (property == PortProperty::HardwareId && throwOnHardwareId) {
            throw std::runtime_error("read failed");
        }
        const auto& port = ports.at(m_selected);
        const auto& value =
            property == PortProperty::FriendlyName ? port.friendlyName : port.hardwareIds;
        if (!value) {
            return PropertyRead::Failed;
        }
        std::size_t& reads = m_reads[property];
        const auto& units = value->versions.at(std::min(reads, value->versions.size() - 1));
        ++reads;
        if (buffer != nullptr && value->failsAfterSizeQuery) {
            return PropertyRead::Failed;
        }
        const auto bytes = static_cast<std::uint32_t>(units.size() * sizeof(std::uint16_t));
        required = bytes;
        if (size < bytes || value->refusesEveryBuffer) {
            return PropertyRead::BufferTooSmall;
        }
        if (bytes != 0) {
            std::memcpy(buffer, units.data(), bytes);
        }
        return PropertyRead::Done;
    }

    void* Allocate(std::uint32_t size) override {
        allocationSizes.push_back(size);
        if (allocationFails) {
            return nullptr;
        }
        ++blocksAllocated;
        std::vector<unsigned char> block(size + 1u, 0);
        void* data = block.data();
        m_blocks.emplace(data, std::move(block));
        return data;
    }

    void Free(void* block) override {
        if (m_blocks.erase(block) == 0) {
            misuse.push_back("free of a block the system did not give");
        }
    }

    void DestroyList(void* list) override {
        CheckList(list, "destroy");
        blocksHeldAtDestroy = m_blocks.size();
        ++listsDestroyed;
    }

private:
    bool Holds(void* buffer, std::uint32_t size) const {
        const auto found = m_blocks.find(buffer);
        return found != m_blocks.end() && found->second.size() >= size;
    }

    void CheckList(void* list, const char* call) {
        if (list != &m_list || listsDestroyed >= listsObtained) {
            misuse.push_back(std::string(call) + " with a list that is not alive");
        }
    }

    int m_list = 0;
    std::uint32_t m_selected = 0;
    std::map<PortProperty, std::size_t> m_reads;
    std::map<void*, std::vector<unsigned char>> m_blocks;
};
