#pragma once
#include <string>
#include <string_view>

// Device matching upper-cases the letters a to z alone. Every other character, accented and
// full-width letters included, stays as it is, so the rules never depend on the system's locale.
inline std::wstring AsciiUpper(std::wstring_view text) {
    std::wstring upper(text);
    for (wchar_t& c : upper) {
        if (c >= L'a' && c <= L'z') {
            c = static_cast<wchar_t>(c - L'a' + L'A');
        }
    }
    return upper;
}
