// The port listing against a fake system that gives any property bytes and fails in any way.
// Fields: one of switches for the whole system, then triples of (switches of the port,
// friendly-name units, hardware-ID units) stored as given, so a value may lack its terminator or
// hold NULs anywhere. Every list and block must go back, and each entry must be the text up to
// the first NUL of what the system held last, or empty.
#include "FakePortListingCalls.h"
#include "FuzzInput.h"
#include "device/PortListing.h"
#include <cstring>
#include <memory>

namespace {

// Switches of the whole system, first unit of the first field.
constexpr unsigned kListFails = 1, kAllocationFails = 2, kEnumFails = 4;
// Switches of one port, first unit of its first field; the name's bit, shifted left once, is the
// hardware ID's.
constexpr unsigned kMissing = 1, kFailsAfterSizeQuery = 4, kRefuses = 16, kGrows = 64;

std::vector<std::uint16_t> Units(const std::wstring& field) {
    std::vector<std::uint16_t> units;
    for (const wchar_t c : field) {
        units.push_back(static_cast<std::uint16_t>(c));
    }
    return units;
}

std::wstring UpToNul(const std::vector<std::uint16_t>& units) {
    std::wstring text;
    for (const auto unit : units) {
        if (unit == 0) {
            break;
        }
        text.push_back(static_cast<wchar_t>(unit));
    }
    return text;
}

struct Property {
    std::optional<FakeProperty> fake;
    std::wstring expected;
};

Property MakeProperty(unsigned switches, const std::wstring& field, bool allocationFails) {
    if (switches & kMissing) {
        return {};
    }
    auto units = Units(field);
    FakeProperty fake{{units}};
    fake.failsAfterSizeQuery = (switches & kFailsAfterSizeQuery) != 0;
    fake.refusesEveryBuffer = (switches & kRefuses) != 0;
    if (switches & kGrows) {
        // Grown between the size query and the read: the reader must ask again.
        auto grown = units;
        grown.insert(grown.end(), units.begin(), units.end());
        fake.versions.push_back(grown);
        units = grown;
    }
    const bool readable = !fake.failsAfterSizeQuery && !fake.refusesEveryBuffer && !allocationFails;
    return {fake, readable ? UpToNul(units) : std::wstring()};
}

// The property text rule on its own, over a block of exactly the given bytes.
void CheckPropertyText(const std::uint8_t* data, std::size_t size) {
    const auto block = std::make_unique<std::uint8_t[]>(size);
    if (size != 0) {
        std::memcpy(block.get(), data, size);
    }
    std::wstring expected;
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        const auto unit = static_cast<std::uint16_t>(data[i] | data[i + 1] << 8);
        if (unit == 0) {
            break;
        }
        expected.push_back(static_cast<wchar_t>(unit));
    }
    FUZZ_CHECK(TextUpToFirstNul(block.get(), size) == expected, "bytes: " + std::to_string(size));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CheckPropertyText(data, size);

    const auto fields = DecodeFields(data, size);
    const std::wstring& system = fields[0];
    const unsigned systemSwitches = system.empty() ? 0 : static_cast<unsigned>(system[0]);

    FakePortListingCalls calls;
    calls.listFails = (systemSwitches & kListFails) != 0;
    calls.allocationFails = (systemSwitches & kAllocationFails) != 0;
    if (systemSwitches & kEnumFails) {
        calls.enumFailsAt = system.size() > 1 ? static_cast<std::uint32_t>(system[1] % 8) : 0u;
    }

    std::vector<PortDeviceEntry> expected;
    for (std::size_t i = 1; i + 2 < fields.size(); i += 3) {
        const unsigned switches = fields[i].empty() ? 0 : static_cast<unsigned>(fields[i][0]);
        const auto name = MakeProperty(switches, fields[i + 1], calls.allocationFails);
        const auto ids = MakeProperty(switches >> 1, fields[i + 2], calls.allocationFails);
        calls.ports.push_back({name.fake, ids.fake});
        expected.push_back({name.expected, ids.expected});
    }
    if (calls.listFails) {
        expected.clear();
    } else if (calls.enumFailsAt && *calls.enumFailsAt < expected.size()) {
        expected.resize(*calls.enumFailsAt);
    }

    const auto entries = ListPortDevices(calls);
    std::string misuse;
    for (const auto& m : calls.misuse) {
        misuse += m + "\n";
    }
    FUZZ_CHECK(calls.misuse.empty(), misuse);
    FUZZ_CHECK(calls.BlocksHeld() == 0, "blocks left: " + std::to_string(calls.BlocksHeld()));
    FUZZ_CHECK(calls.listsDestroyed == calls.listsObtained, "the list was not destroyed");
    for (const auto held : calls.blocksHeldAtEnum) {
        FUZZ_CHECK(held == 0, "a buffer outlived its device");
    }
    FUZZ_CHECK(calls.blocksHeldAtDestroy == 0, "a buffer outlived the list");
    FUZZ_CHECK(entries.size() == expected.size(), "entries: " + std::to_string(entries.size()) +
                                                      " expected " +
                                                      std::to_string(expected.size()));
    for (std::size_t i = 0; i < entries.size(); ++i) {
        FUZZ_CHECK(entries[i] == expected[i],
                   "entry " + std::to_string(i) + ": " + Printable(entries[i].friendlyName) +
                       " | " + Printable(entries[i].hardwareId) +
                       "\nexpected: " + Printable(expected[i].friendlyName) + " | " +
                       Printable(expected[i].hardwareId));
    }

    return 0;
}
