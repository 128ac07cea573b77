// The interface-path match against a plain reference, and its letter-case rule: flipping the
// case of a to z never changes the verdict, and no other character counts as a letter.
#include "FuzzInput.h"
#include "device/UpgradeInterfaceMatch.h"

namespace {

wchar_t ReferenceUpper(wchar_t c) {
    return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - 0x20) : c;
}

// Position of the first occurrence, compared unit by unit after upper-casing; -1 when absent.
long FirstPosition(std::wstring_view path, std::wstring_view pattern) {
    for (std::size_t start = 0; start + pattern.size() <= path.size(); ++start) {
        std::size_t i = 0;
        while (i < pattern.size() && ReferenceUpper(path[start + i]) == pattern[i]) {
            ++i;
        }
        if (i == pattern.size()) {
            return static_cast<long>(start);
        }
    }
    return -1;
}

bool ReferenceMatch(std::wstring_view path) {
    for (const std::wstring_view product :
         {L"VID_9A6C&PID_C472&MI_02", L"VID_9A6C&PID_C471&MI_02", L"VID_9A6C&PID_C473&MI_02"}) {
        if (FirstPosition(path, product) > 0) {
            return true;
        }
    }
    return FirstPosition(path, L"VID_9A6C") > 0 && FirstPosition(path, L"MI_02") > 0;
}

// Flips the case of the letters a-z and A-Z where the mask bit says so.
std::wstring FlipAsciiCase(std::wstring text, std::wstring_view mask) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool flip = !mask.empty() && (mask[i % mask.size()] & 1) != 0;
        wchar_t& c = text[i];
        if (flip && c >= L'a' && c <= L'z') {
            c = static_cast<wchar_t>(c - 0x20);
        } else if (flip && c >= L'A' && c <= L'Z') {
            c = static_cast<wchar_t>(c + 0x20);
        }
    }
    return text;
}

// Characters that a locale-aware upper-casing could turn into the letters of the patterns.
std::wstring WithLookalikes(std::wstring text) {
    for (wchar_t& c : text) {
        if (c == L'i') {
            c = 0x0131; // dotless i, upper-cased to I in Turkish
        } else if (c >= L'a' && c <= L'z') {
            c = static_cast<wchar_t>(c - L'a' + 0xFF41); // full-width a to z
        }
    }
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto fields = DecodeFields(data, size);
    const std::wstring& path = fields[0];
    const bool verdict = IsUpgradeInterfacePath(path);

    FUZZ_CHECK(verdict == ReferenceMatch(path), "path: " + Printable(path));
    const std::wstring flipped = FlipAsciiCase(path, FieldAt(fields, 1));
    FUZZ_CHECK(IsUpgradeInterfacePath(flipped) == verdict,
               "path: " + Printable(path) + "\nflipped: " + Printable(flipped));
    // Only a to z are folded: lower-case letters replaced by look-alikes never make a match
    // that the upper-case letters of the path alone would not make.
    const std::wstring lookalikes = WithLookalikes(path);
    FUZZ_CHECK(IsUpgradeInterfacePath(lookalikes) == ReferenceMatch(lookalikes),
               "path: " + Printable(lookalikes));
    return 0;
}
