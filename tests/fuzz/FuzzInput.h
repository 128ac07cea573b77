#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

// How the fuzz targets read text out of raw bytes, so that seed files stay readable: a byte
// stands for the UTF-16 unit of the same value, 0xFE ends a field, and 0xFF followed by two bytes
// (high, low) stands for any unit, 0xFE and 0xFF included. A missing tail of an escape counts as 0.
inline constexpr unsigned char kFieldEnd = 0xFE;
inline constexpr unsigned char kUnitEscape = 0xFF;

inline std::vector<std::wstring> DecodeFields(const std::uint8_t* data, std::size_t size) {
    std::vector<std::wstring> fields(1);
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == kFieldEnd) {
            fields.emplace_back();
        } else if (data[i] == kUnitEscape) {
            const unsigned high = i + 1 < size ? data[i + 1] : 0;
            const unsigned low = i + 2 < size ? data[i + 2] : 0;
            fields.back().push_back(static_cast<wchar_t>(high << 8 | low));
            i += 2;
        } else {
            fields.back().push_back(static_cast<wchar_t>(data[i]));
        }
    }
    return fields;
}

// The field at this index, or the empty text when the input has fewer fields.
inline std::wstring FieldAt(const std::vector<std::wstring>& fields, std::size_t index) {
    return index < fields.size() ? fields[index] : std::wstring();
}

// Text for a failure report: printable ASCII as it is, every other unit as \uXXXX.
inline std::string Printable(std::wstring_view text) {
    std::string out;
    for (const wchar_t c : text) {
        if (c >= 0x20 && c < 0x7F && c != L'\\') {
            out.push_back(static_cast<char>(c));
        } else {
            char escaped[16];
            std::snprintf(escaped, sizeof(escaped), "\\u%04X", static_cast<unsigned>(c));
            out += escaped;
        }
    }
    return out;
}

// A broken property ends the run as a crash, so that libFuzzer keeps the input as an artifact.
[[noreturn]] inline void PropertyBroken(const char* property, const std::string& detail) {
    std::fprintf(stderr, "\nPROPERTY BROKEN: %s\n%s\n", property, detail.c_str());
    std::abort();
}

#define FUZZ_CHECK(condition, detail)                                                              \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            PropertyBroken(#condition, detail);                                                    \
        }                                                                                          \
    } while (false)
