// The friendly-name cut and the port choice over any list of entries. Fields come in pairs,
// friendly name then first hardware ID, one pair per entry in listing order.
#include "FuzzInput.h"
#include "device/BootloaderPort.h"

namespace {

constexpr std::wstring_view kBootloaderId = L"USB\\VID_1915&PID_521F&REV_0100&MI_00";

std::wstring ReferenceCut(std::wstring_view name) {
    std::size_t start = 0;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (name[i] == L'(') {
            start = i + 1;
            break;
        }
    }
    std::size_t end = name.size();
    while (end > start && name[end - 1] == L')') {
        --end;
    }
    return std::wstring(name.substr(start, end - start));
}

bool ReferenceIsPortName(std::wstring_view name) {
    if (name.size() < 4 || name.size() > 6) {
        return false;
    }
    for (std::size_t i = 0; i < name.size(); ++i) {
        const wchar_t c = name[i];
        const bool ok = i < 3 ? (c == L"COM"[i] || c == L"com"[i]) : (c >= L'0' && c <= L'9');
        if (!ok) {
            return false;
        }
    }
    return true;
}

bool ReferenceIsBootloader(std::wstring_view id) {
    if (id.size() != kBootloaderId.size()) {
        return false;
    }
    for (std::size_t i = 0; i < id.size(); ++i) {
        const wchar_t c =
            id[i] >= L'a' && id[i] <= L'z' ? static_cast<wchar_t>(id[i] - 0x20) : id[i];
        if (c != kBootloaderId[i]) {
            return false;
        }
    }
    return true;
}

std::string Describe(const std::vector<PortDeviceEntry>& entries) {
    std::string text;
    for (const auto& entry : entries) {
        text += "[" + Printable(entry.friendlyName) + " | " + Printable(entry.hardwareId) + "]\n";
    }
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto fields = DecodeFields(data, size);

    for (const auto& field : fields) {
        const std::wstring cut = PortNameFromFriendlyName(field);
        FUZZ_CHECK(cut == ReferenceCut(field),
                   "name: " + Printable(field) + "\ncut: " + Printable(cut));
    }

    std::vector<PortDeviceEntry> entries;
    for (std::size_t i = 0; i + 1 < fields.size(); i += 2) {
        entries.push_back({fields[i], fields[i + 1]});
    }
    std::size_t matches = 0;
    std::wstring expected;
    for (const auto& entry : entries) {
        const std::wstring name = ReferenceCut(entry.friendlyName);
        if (ReferenceIsBootloader(entry.hardwareId) && ReferenceIsPortName(name)) {
            ++matches;
            expected = name;
        }
    }
    if (matches != 1) {
        expected.clear();
    }

    const BootloaderPorts found = SelectBootloaderPort(entries);
    FUZZ_CHECK(found.count == matches,
               "count: " + std::to_string(found.count) + "\n" + Describe(entries));
    FUZZ_CHECK(found.port == expected, "port: " + Printable(found.port) + "\n" + Describe(entries));
    return 0;
}
