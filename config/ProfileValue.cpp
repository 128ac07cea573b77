#include "config/ProfileValue.h"
#include "base/AsciiUpper.h"
#include "config/ExecutablePath.h"
#include <algorithm>

namespace {

bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t' || c == L'\v' || c == L'\f' || c == L'\r' || c == L'\n' ||
           c == 0x1A;
}

std::wstring_view Trimmed(std::wstring_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// A name or value as the reader keeps it: blanks dropped first, then cut at its first NUL.
std::wstring_view Field(std::wstring_view text) {
    text = Trimmed(text);
    return text.substr(0, text.find(L'\0'));
}

bool SameName(std::wstring_view a, std::wstring_view b) {
    return AsciiUpper(a) == AsciiUpper(b);
}

// What the reader copies into its buffer. It drops the opening quote, copies what fits, and then
// drops the last character copied whenever the rest was at most as long as the buffer: so the
// closing quote goes, but a quoted value of exactly 259 characters loses its own last one too.
std::wstring CopiedValue(std::wstring_view value) {
    const std::size_t fits = kPathBufferChars - 1;
    const bool quoted = value.size() >= 2 && (value[0] == L'"' || value[0] == L'\'') &&
                        value.back() == value.front();
    if (!quoted) {
        return std::wstring(value.substr(0, fits));
    }
    value.remove_prefix(1);
    std::wstring copied(value.substr(0, fits));
    if (value.size() <= kPathBufferChars) {
        copied.pop_back();
    }
    return copied;
}

} // namespace

std::wstring ProfileValue(std::wstring_view text, std::wstring_view section,
                          std::wstring_view key) {
    bool inSection = false;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = std::min(text.find_first_of(L"\r\n", start), text.size());
        const std::wstring_view line = Trimmed(text.substr(start, end - start));
        start = end + 1;
        const std::size_t close = line.rfind(L']');
        if (line.starts_with(L'[') && close != std::wstring_view::npos) {
            if (inSection) {
                return L"";
            }
            inSection = SameName(Field(line.substr(1, close - 1)), section);
            continue;
        }
        const std::size_t equals = line.find(L'=');
        if (!inSection || !SameName(Field(line.substr(0, equals)), key)) {
            continue;
        }
        if (equals == std::wstring_view::npos) {
            return L"";
        }
        return CopiedValue(Field(line.substr(equals + 1)));
    }
    return L"";
}
