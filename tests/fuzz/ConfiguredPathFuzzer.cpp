// The configuration path rules over any text. Fields: the executable's full path, then a
// configured value. The directory is cut just after the last backslash; the config file sits
// right behind it; a value is absolute only for a drive letter and colon or two leading slashes;
// a relative value is joined to the directory with nothing inserted or trimmed; the message
// quotes the value as typed. A third field is a config.ini (CheckConfigText).
#include "FuzzInput.h"
#include "config/ConfiguredPath.h"
#include "config/ExecutablePath.h"
#include "config/ProfileValue.h"
#include "config/Utf8ConfigText.h"

namespace {

bool ReferenceIsAbsolute(std::wstring_view value) {
    if (value.size() < 2) {
        return false;
    }
    const auto slash = [](wchar_t c) { return c == L'\\' || c == L'/'; };
    const wchar_t first = value[0];
    const bool letter = (first >= L'A' && first <= L'Z') || (first >= L'a' && first <= L'z');
    return (slash(value[0]) && slash(value[1])) || (letter && value[1] == L':');
}

void CheckExecutablePath(const std::wstring& modulePath) {
    const std::string detail = "module path: " + Printable(modulePath);
    const std::wstring directory = ExecutableDirectory(modulePath);
    const auto lastSlash = modulePath.rfind(L'\\');
    if (lastSlash == std::wstring::npos) {
        FUZZ_CHECK(directory.empty(), detail);
    } else {
        FUZZ_CHECK(directory == modulePath.substr(0, lastSlash + 1), detail);
    }

    const std::wstring base = ExecutableBaseName(modulePath);
    const std::wstring name =
        lastSlash == std::wstring::npos ? modulePath : modulePath.substr(lastSlash + 1);
    FUZZ_CHECK(base.find(L'\\') == std::wstring::npos, detail);
    const auto dot = name.rfind(L'.');
    const bool hasExtension = dot != std::wstring::npos && dot > 0;
    FUZZ_CHECK(base == (hasExtension ? name.substr(0, dot) : name),
               detail + "\nbase name: " + Printable(base));

    FUZZ_CHECK(ConfigFilePath(directory) == directory + L"\\config.ini", detail);
}

void CheckConfiguredValue(const std::wstring& directory, const std::wstring& value) {
    const std::string detail =
        "directory: " + Printable(directory) + "\nvalue: " + Printable(value);
    const bool absolute = IsAbsoluteConfiguredPath(value);
    FUZZ_CHECK(absolute == ReferenceIsAbsolute(value), detail);
    const std::wstring resolved = ResolveConfiguredPath(directory, value);
    FUZZ_CHECK(resolved == (absolute ? value : directory + value),
               detail + "\nresolved: " + Printable(resolved));
    FUZZ_CHECK(MissingConfiguredFileMessage(value) ==
                   L"The configured " + value +
                       L" file does not exist. Please confirm the configuration file again.",
               detail);
}

// Units taken as bytes are a config.ini. Its decoded text holds code points, no surrogate, that
// without a mark encode back to exactly those bytes; a value read from it fits the buffer.
void CheckConfigText(const std::wstring& field) {
    const std::string bytes(field.begin(), field.end());
    const auto text = Utf8ConfigText(bytes);
    if (!text) {
        return;
    }
    const std::string detail = "bytes: " + Printable(field) + "\ntext: " + Printable(*text);
    constexpr unsigned kLead[] = {0x00, 0xC0, 0xE0, 0xF0};
    std::string encoded;
    for (const wchar_t unit : *text) {
        const auto c = static_cast<char32_t>(unit);
        FUZZ_CHECK(c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF), detail);
        const int following = c < 0x80 ? 0 : c < 0x800 ? 1 : c < 0x10000 ? 2 : 3;
        encoded += static_cast<char>(kLead[following] | c >> 6 * following);
        for (int shift = 6 * following - 6; shift >= 0; shift -= 6) {
            encoded += static_cast<char>(0x80 | (c >> shift & 0x3F));
        }
    }
    FUZZ_CHECK(bytes.starts_with("\xEF\xBB\xBF") || encoded == bytes, detail);
    FUZZ_CHECK(ProfileValue(*text, L"Remote", L"zip").size() < kPathBufferChars, detail);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto fields = DecodeFields(data, size);
    const std::wstring& modulePath = fields[0];
    CheckExecutablePath(modulePath);
    CheckConfiguredValue(ExecutableDirectory(modulePath), FieldAt(fields, 1));
    CheckConfigText(FieldAt(fields, 2));
    return 0;
}
