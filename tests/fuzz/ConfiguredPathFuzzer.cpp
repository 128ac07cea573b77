// The configuration path rules over any text. Fields: the executable's full path, then a
// configured value. The directory is cut just after the last backslash; the config file sits
// right behind it; a value is absolute only for a drive letter and colon or two leading slashes;
// a relative value is joined to the directory with nothing inserted or trimmed; the message
// quotes the value as typed.
#include "FuzzInput.h"
#include "config/ConfiguredPath.h"
#include "config/ExecutablePath.h"

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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto fields = DecodeFields(data, size);
    const std::wstring& modulePath = fields[0];
    CheckExecutablePath(modulePath);
    CheckConfiguredValue(ExecutableDirectory(modulePath), FieldAt(fields, 1));
    return 0;
}
