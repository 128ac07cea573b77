#include "config/Utf8ConfigText.h"
#include <algorithm>

namespace {

constexpr char32_t kReplacement = 0xFFFD;

void Append(std::wstring& text, char32_t c) {
    if constexpr (sizeof(wchar_t) == 2) {
        if (c > 0xFFFF) {
            c -= 0x10000;
            text += static_cast<wchar_t>(0xD800 + (c >> 10));
            text += static_cast<wchar_t>(0xDC00 + (c & 0x3FF));
            return;
        }
    }
    text += static_cast<wchar_t>(c);
}

// Appends the characters of the bytes; each ill-formed part (a byte that starts nothing, or the
// longest start of a sequence that is cut off) becomes one U+FFFD. True when there was none.
bool DecodeUtf8(std::string_view bytes, std::wstring& text) {
    bool wellFormed = true;
    std::size_t at = 0;
    while (at < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[at++]);
        // How many bytes follow the lead and the range of the first of them, which keeps out
        // overlong forms, surrogates and code points past U+10FFFF.
        int following = -1;
        unsigned low = 0x80, high = 0xBF;
        char32_t c = lead;
        if (lead < 0x80) {
            following = 0;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            following = 1;
            c = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            following = 2;
            c = lead & 0x0F;
            low = lead == 0xE0 ? 0xA0 : 0x80;
            high = lead == 0xED ? 0x9F : 0xBF;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            following = 3;
            c = lead & 0x07;
            low = lead == 0xF0 ? 0x90 : 0x80;
            high = lead == 0xF4 ? 0x8F : 0xBF;
        }
        while (following > 0 && at < bytes.size()) {
            const auto next = static_cast<unsigned char>(bytes[at]);
            if (next < low || next > high) {
                break;
            }
            c = (c << 6) | (next & 0x3F);
            low = 0x80;
            high = 0xBF;
            ++at;
            --following;
        }
        if (following != 0) {
            wellFormed = false;
            c = kReplacement;
        }
        Append(text, c);
    }
    return wellFormed;
}

} // namespace

std::optional<std::wstring> Utf8ConfigText(std::string_view bytes) {
    std::wstring text;
    if (bytes.starts_with(kUtf8ByteOrderMark)) {
        DecodeUtf8(bytes.substr(kUtf8ByteOrderMark.size()), text);
        return text;
    }
    const bool ascii = std::all_of(bytes.begin(), bytes.end(),
                                   [](char b) { return static_cast<unsigned char>(b) < 0x80; });
    // A UTF-16 mark is never UTF-8: its first byte, 0xFF, starts nothing.
    if (ascii || !DecodeUtf8(bytes, text)) {
        return std::nullopt;
    }
    return text;
}

std::wstring ChooseUnmarkedReading(const std::wstring& utf8, const std::wstring& ansi,
                                   const std::function<bool(const std::wstring&)>& namesFile) {
    if (utf8 != ansi && !namesFile(utf8) && namesFile(ansi)) {
        return ansi;
    }
    return utf8;
}
