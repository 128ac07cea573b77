#include "device/UpgradeInterfaceMatch.h"
#include "base/AsciiUpper.h"
#include <string>

namespace {

// The known products, tried first and in this order.
constexpr std::wstring_view kProductPatterns[] = {
    L"VID_9A6C&PID_C472&MI_02",
    L"VID_9A6C&PID_C471&MI_02",
    L"VID_9A6C&PID_C473&MI_02",
};

bool FirstOccurrenceAfterStart(std::wstring_view text, std::wstring_view pattern) {
    const auto position = text.find(pattern);
    return position != std::wstring_view::npos && position > 0;
}

} // namespace

bool IsUpgradeInterfacePath(std::wstring_view path) {
    const std::wstring upper = AsciiUpper(path);
    for (const auto pattern : kProductPatterns) {
        if (FirstOccurrenceAfterStart(upper, pattern)) {
            return true;
        }
    }
    // Any other product of the maker on interface 02; the two parts need not be adjacent.
    return FirstOccurrenceAfterStart(upper, L"VID_9A6C") &&
           FirstOccurrenceAfterStart(upper, L"MI_02");
}

std::wstring UpgradeDeviceKey(std::wstring_view path) {
    std::wstring key = AsciiUpper(path);
    constexpr auto npos = std::wstring::npos;
    const auto hardware = key.find(L'#');
    const auto instance = hardware == npos ? npos : key.find(L'#', hardware + 1);
    const auto end = instance == npos ? npos : key.find(L'#', instance + 1);
    const auto collectionNumber = end == npos ? npos : key.rfind(L'&', end);
    if (collectionNumber == npos || collectionNumber < instance) {
        return key;
    }
    key.erase(collectionNumber, end - collectionNumber);
    const auto collection = key.find(L"&COL", hardware);
    if (collection < instance) {
        key.erase(collection, key.find_first_of(L"&#", collection + 1) - collection);
    }
    return key;
}
