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
